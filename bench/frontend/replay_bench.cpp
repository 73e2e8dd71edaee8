// The program on the headless back end, on the title screen and played by the built-in player
// from a new game: virtual time per real time and per processor time.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <sstream>
#include <string>

#include "platform/files.h"
#include "platform/headless/headless.h"
#include "shell/entry.h"
#include "tools/replay/autoplay.h"

namespace {
constexpr uint32_t kTitleMs = 120000;     // two minutes of the title screen
constexpr uint32_t kAutoplayMs = 300000;  // five minutes of play
// Title, about, menu, then the menu's first entry (a new game).
constexpr const char* kNewGameScript = "100 press action\n800 press action\n1500 press action\n";

double processMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Runs the program for `virtualMs` from `script`, optionally with the built-in player.
void replay(benchmark::State& state, uint32_t virtualMs, const char* script, bool autoplay) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("v2-bench-" + std::to_string(::getpid()) + (autoplay ? "-auto" : ""));
    std::filesystem::create_directories(dir);
    for (const char* name : {"BrickMap.dat", "blast.wav", "hit.wav", "music.wav", "menudown.wav",
                             "menuup.wav", "Action.wav"}) {
        std::error_code ignored;
        std::filesystem::copy_file(std::filesystem::path(BENCH_DATA_DIR) / name, dir / name,
                                   ignored);
    }
    double realMs = 0, cpuMs = 0;
    for (auto _ : state) {
        platform::headless::reset();
        platform::setProgramDirectory(dir.string());
        platform::headless::setSeed(1);
        platform::headless::setUntil(virtualMs);
        std::istringstream in(script);
        std::vector<platform::headless::ScriptEvent> events;
        std::string error;
        platform::headless::parseScript(in, events, error);
        platform::headless::setScript(std::move(events));
        if (autoplay) installAutoplay({});
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = processMs();
        runProgram();
        cpuMs = processMs() - cpuStart;
        realMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count();
        platform::headless::setAutoInput({});
    }
    state.counters["virtual_per_real"] = virtualMs / realMs;
    state.counters["virtual_per_cpu"] = virtualMs / cpuMs;
    std::filesystem::remove_all(dir);
}

void BM_TitleScreenReplay(benchmark::State& state) {
    replay(state, kTitleMs, "", false);
}
void BM_AutoplayReplay(benchmark::State& state) {
    replay(state, kAutoplayMs, kNewGameScript, true);
}
// One run each: a run is seconds long and plays the same virtual time every time.
BENCHMARK(BM_TitleScreenReplay)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AutoplayReplay)->Iterations(1)->Unit(benchmark::kMillisecond);
}  // namespace

BENCHMARK_MAIN();
