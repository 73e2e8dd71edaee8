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
            if (!run.error_occurred && run.iterations > 0)
                times[run.benchmark_name()] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};
}  // namespace

int runWithRatios(int argc, char** argv, const char* baseline) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto base = reporter.times.find(baseline);
    if (base == reporter.times.end() || base->second <= 0) return 0;
    std::printf("\nRatios against %s (%.1f ns):\n", baseline, base->second);
    for (const auto& [name, time] : reporter.times)
        std::printf("  %-40s %8.2fx\n", name.c_str(), time / base->second);
    benchmark::Shutdown();
    return 0;
}
