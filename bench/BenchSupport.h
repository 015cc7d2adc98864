#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QWidget>

#include <chrono>

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

// The main of a benchmark of widgets: an application on the offscreen platform unless another is asked for.
inline int runWidgetBenchmarks(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace bench_support
