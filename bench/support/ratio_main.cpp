// Benchmarks reported as ratios against a baseline measured in the same run.
#include "bench/support/ratio_main.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (!run.error_occurred && run.iterations > 0) {
                times[run.benchmark_name()] = run.GetAdjustedRealTime();
                cpuTimes[run.benchmark_name()] = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
    std::map<std::string, double> cpuTimes;
};
}  // namespace

int runWithRatios(int argc, char** argv, const char* baseline) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    // On a shared machine wall time is noisy; ratios of processor time are shown beside it.
    for (const auto* table : {&reporter.times, &reporter.cpuTimes}) {
        const auto base = table->find(baseline);
        if (base == table->end() || base->second <= 0) continue;
        std::printf("\nRatios of %s time against %s (%.1f ns):\n",
                    table == &reporter.times ? "real" : "cpu", baseline, base->second);
        for (const auto& [name, time] : *table)
            std::printf("  %-40s %8.2fx\n", name.c_str(), time / base->second);
    }
    benchmark::Shutdown();
    return 0;
}
