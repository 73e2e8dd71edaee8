// The program on the headless back end sitting on the title screen: virtual time per real time.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "platform/files.h"
#include "platform/headless/headless.h"
#include "shell/entry.h"

namespace {
constexpr uint32_t kVirtualMs = 120000;  // two minutes of the title screen

void BM_TitleScreenReplay(benchmark::State& state) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("v2-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    double realMs = 0;
    for (auto _ : state) {
        platform::headless::reset();
        platform::setProgramDirectory(dir.string());
        platform::headless::setUntil(kVirtualMs);
        const auto start = std::chrono::steady_clock::now();
        runProgram();
        realMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count();
    }
    state.counters["virtual_per_real"] = kVirtualMs / realMs;
    std::filesystem::remove_all(dir);
}
// One run per process: the single-instance lock is held until the process ends.
BENCHMARK(BM_TitleScreenReplay)->Iterations(1)->Unit(benchmark::kMillisecond);
}  // namespace

BENCHMARK_MAIN();
