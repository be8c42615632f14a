#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

// Console reporter that also keeps each benchmark's CPU time per iteration,
// so that main can print the ratio of two benchmarks against its goal. The
// benchmarks are single-threaded and on a shared machine their real time
// includes the time other work holds the CPU, so CPU time is compared; of
// repeated runs (Repetitions) the best is kept. Benchmarks are named without
// the repetition count, as in "BM_WalkPlainList/10000".
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration) keepBest(run);
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // Prints "label = numerator / denominator (goal: at most goal)" when both
    // benchmarks ran (a --benchmark_filter may leave one out).
    void printRatio(const std::string& numerator, const std::string& denominator, const char* label,
                    double goal) const {
        const auto top = nanoseconds_.find(numerator);
        const auto bottom = nanoseconds_.find(denominator);
        if (top == nanoseconds_.end() || bottom == nanoseconds_.end()) return;
        std::printf("%s = %.3f (goal: at most %g)\n", label, top->second / bottom->second, goal);
    }

private:
    void keepBest(const Run& run) {
        benchmark::BenchmarkName name = run.run_name;
        name.repetitions.clear();
        const double time = run.GetAdjustedCPUTime();
        const auto [best, first] = nanoseconds_.emplace(name.str(), time);
        if (!first) best->second = std::min(best->second, time);
    }

    std::map<std::string, double> nanoseconds_;  // best CPU time per iteration, by benchmark name
};

// What a benchmark program's ratio compares: numerator / denominator, by
// benchmark name, with the goal it is held to.
struct Ratio {
    std::string numerator;    // name of the benchmark on top
    std::string denominator;  // name of the benchmark it is divided by
    const char* label;        // what the printed line calls the ratio
    double goal;              // the ratio should be at most this
};

// The whole main of a benchmark program that prints ratios after the usual
// report.
inline int runBenchmarksAndPrintRatios(int argc, char** argv, std::initializer_list<Ratio> ratios) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const Ratio& ratio : ratios) {
        reporter.printRatio(ratio.numerator, ratio.denominator, ratio.label, ratio.goal);
    }
    benchmark::Shutdown();
    return 0;
}
