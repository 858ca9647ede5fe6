// Shared main for our benchmarks: runs them, then prints each benchmark's
// time as a ratio to its baseline from the same run. A benchmark names its
// baseline through the label "baseline=NAME" (the machines are shared and
// noisy, so only ratios measured side by side mean anything).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

struct Measured {
    std::string name;
    std::string baseline;
    double seconds;
};

std::vector<Measured> Results;

class RatioReporter : public benchmark::ConsoleReporter {
  public:
    using ConsoleReporter::ConsoleReporter;

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) {
                continue;
            }
            const std::string prefix = "baseline=";
            std::string baseline;
            if (run.report_label.rfind(prefix, 0) == 0) {
                baseline = run.report_label.substr(prefix.size());
            }
            Results.push_back({run.benchmark_name(), baseline, run.GetAdjustedRealTime()});
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    // A reporter of our own gets no colour setting from the command line:
    // colours only on a terminal, never in a log or a pipe.
    RatioReporter reporter(isatty(STDOUT_FILENO) ? RatioReporter::OO_ColorTabular
                                                 : RatioReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::map<std::string, double> byName;
    for (const Measured& m : Results) {
        byName[m.name] = m.seconds;
    }
    for (const Measured& m : Results) {
        const auto base = byName.find(m.baseline);
        if (!m.baseline.empty() && base != byName.end() && base->second > 0) {
            std::printf("ratio %-40s %6.3f x %s\n", m.name.c_str(), m.seconds / base->second,
                        m.baseline.c_str());
        }
    }
    return 0;
}
