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

namespace {
// The aggregate a result's name ends with under --benchmark_repetitions ("" for one run).
std::string aggregateOf(const std::string& name) {
    for (const char* suffix : {"_mean", "_median", "_stddev", "_cv"}) {
        const std::string s = suffix;
        if (name.size() > s.size() && name.compare(name.size() - s.size(), s.size(), s) == 0)
            return s;
    }
    return "";
}
}  // namespace

int runWithRatios(int argc, char** argv, const char* baseline) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    // On a shared machine wall time is noisy; ratios of processor time are shown beside it.
    // With repetitions, each mean and median is set against the baseline's own (the median
    // is the steadiest figure); spreads are not ratios and are left out.
    for (const auto* table : {&reporter.times, &reporter.cpuTimes}) {
        bool headed = false;
        for (const auto& [name, time] : *table) {
            const std::string aggregate = aggregateOf(name);
            if (aggregate == "_stddev" || aggregate == "_cv") continue;
            const auto base = table->find(baseline + aggregate);
            if (base == table->end() || base->second <= 0) continue;
            if (!headed) {
                std::printf("\nRatios of %s time against %s:\n",
                            table == &reporter.times ? "real" : "cpu", baseline);
                headed = true;
            }
            std::printf("  %-40s %8.2fx\n", name.c_str(), time / base->second);
        }
    }
    benchmark::Shutdown();
    return 0;
}
