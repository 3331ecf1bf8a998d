#pragma once
// The usual console table, keeping the median real time of each benchmark under
// "function/args"; a summary prints the ratios once every run is done.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <unistd.h>

namespace cot::bench {

using Medians = std::map<std::string, double>;

class MedianReporter : public benchmark::ConsoleReporter {
public:
    explicit MedianReporter(std::function<void(const Medians&)> summary)
        : ConsoleReporter(isatty(fileno(stdout)) ? OO_Defaults : OO_Tabular), summary_(std::move(summary)) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians_[run.run_name.function_name + "/" + run.run_name.args] = run.GetAdjustedRealTime();
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        summary_(medians_);
    }

private:
    std::function<void(const Medians&)> summary_;
    Medians medians_;
};

}  // namespace cot::bench
