#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace bench_support {

// Runs prepare (untimed), then times measured and reference one after the other in every iteration, and reports how
// much longer the first took as the counter named counter.
template<typename Prepare, typename Measured, typename Reference>
void timeAgainst(benchmark::State &state, const char *counter, Prepare prepare, Measured measured, Reference reference)
{
    using Clock = std::chrono::steady_clock;
    Clock::duration measuredTime {}, referenceTime {};
    for (auto _ : state) {
        prepare();
        const auto start = Clock::now();
        measured();
        const auto middle = Clock::now();
        reference();
        measuredTime += middle - start;
        referenceTime += Clock::now() - middle;
    }
    state.counters[counter] = double(measuredTime.count()) / double(referenceTime.count());
}

template<typename Measured, typename Reference>
void timeAgainst(benchmark::State &state, const char *counter, Measured measured, Reference reference)
{
    timeAgainst(
        state, counter, [] {}, measured, reference);
}

// In every iteration, timed: change (an edit the repaint follows, or nothing), then the widget rendered into a
// picture of the given size.
template<typename Change>
void renderEachIteration(benchmark::State &state, QWidget &widget, QSize size, Change change)
{
    QImage target(size, QImage::Format_RGB32);
    for (auto _ : state) {
        change();
        widget.render(&target);
        benchmark::DoNotOptimize(target.bits());
    }
}

inline void renderEachIteration(benchmark::State &state, QWidget &widget, QSize size)
{
    renderEachIteration(state, widget, size, [] {});
}

// The console report that also keeps each benchmark's "ratio" counter, for a summary of ratios and their targets.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    std::map<std::string, double> ratios;

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs)
            if (const auto found = run.counters.find("ratio"); found != run.counters.end())
                ratios[run.benchmark_name()] = found->second;
    }

    // Prints "NAME: ratio (target <= N)" for each benchmark of that name that ran (MISSED after it when above).
    void printRatio(const char *name, double target) const
    {
        // Benchmark names carry their settings after a slash.
        for (const auto &[key, value] : ratios)
            if (key == name || key.rfind(std::string(name) + "/", 0) == 0)
                std::printf("%s: %.2f (target <= %.1f)%s\n", name, value, target, value <= target ? "" : "  MISSED");
    }
};

// The main of a benchmark of widgets: an application on the offscreen platform unless another is asked for. After
// the table, the ratio of each benchmark named in targets, with its target.
inline int runWidgetBenchmarks(int argc, char **argv, const std::vector<std::pair<const char *, double>> &targets = {})
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const auto &[name, target] : targets)
        reporter.printRatio(name, target);
    benchmark::Shutdown();
    return 0;
}

} // namespace bench_support
