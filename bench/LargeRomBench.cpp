// The window with a 4 MiB ROM image open: opening it, scrolling its viewer from top to bottom, and the memory its
// model holds.
//
// - BM_Open4MiBRomAgainstSample: opening a NES 2.0 ROM image of 4 MiB of CHR-ROM (512 banks of 8 KiB, 262,144 tiles,
//   deterministic bytes) to the window's first complete paint, against opening the shipped 8 KiB sample, in turn;
//   "ratio" is the ROM's time over the sample's (processor time of this thread, which other work on a shared machine
//   disturbs far less than wall time; "wall_ratio" beside it). Target: at most 1.5.
// - BM_Scroll4MiBRomTopToBottom: the opened window's viewer scrolled from the first row to the last, one page a
//   frame (every tile shown once), each frame the scroll and its repaint; "longest_frame_ms" is the slowest frame
//   (target: at most 16), "mean_frame_ms" the average.
// - "model_bytes_per_tile": the heap the open document holds (glibc's mallinfo2, after opening less before), over the
//   tiles; "after_scroll_bytes_per_tile" the same once every tile has been shown (and so decoded).
// Opening is measured as AppBench measures it: KestovaDocumentController::openDocumentAt, then the deferred viewer
// configuration, then one grab of the window.

#include "WindowBenchSupport.h"
#include "viewer/TileCollection.h"

#include <QApplication>
#include <QFile>
#include <QPixmap>
#include <QScrollBar>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>

#include <time.h>

using namespace kestova;
using namespace window_bench;

namespace {

constexpr int64_t romTiles = 262144;

// A NES 2.0 header: no PRG-ROM, 512 banks of 8 KiB CHR-ROM (bank count 0x200: low byte 0 in byte 5, high nibble 2 in
// byte 9); then 4 MiB of deterministic bytes.
QString romPath()
{
    static const QString path = [] {
        QByteArray bytes("NES\x1A", 4);
        bytes.append(char(0)); // PRG-ROM banks
        bytes.append(char(0)); // CHR-ROM banks, low byte
        bytes.append(char(0));
        bytes.append(char(0x08)); // NES 2.0
        bytes.append(char(0));
        bytes.append(char(0x20)); // CHR-ROM banks, high nibble
        bytes.append(6, char(0));
        std::mt19937 random(2026);
        bytes.reserve(16 + romTiles * 16);
        for (int64_t i = 0; i < romTiles * 16; ++i)
            bytes.append(char(random() & 0xFF));
        return writeWorkFile(QStringLiteral("large4.nes"), bytes);
    }();
    return path;
}

using Clock = std::chrono::steady_clock;

struct Elapsed
{
    double wall = 0;
    double processor = 0;
};

Elapsed openOnce(const QString &path)
{
    const auto start = Clock::now();
    const double processor = threadMilliseconds();
    openToFirstPaint(path);
    const Elapsed elapsed { std::chrono::duration<double, std::milli>(Clock::now() - start).count(),
        threadMilliseconds() - processor };
    closeAll();
    return elapsed;
}

void BM_Open4MiBRomAgainstSample(benchmark::State &state)
{
    romPath();
    closeAll();
    // Once each first, so that neither pays for first use of the code and the fonts.
    openOnce(romPath());
    openOnce(samplePath());
    Elapsed rom, sample;
    for (auto _ : state) {
        const Elapsed r = openOnce(romPath());
        const Elapsed s = openOnce(samplePath());
        rom.wall += r.wall;
        rom.processor += r.processor;
        sample.wall += s.wall;
        sample.processor += s.processor;
    }
    const double n = double(state.iterations());
    state.counters["rom_ms"] = rom.processor / n;
    state.counters["sample_ms"] = sample.processor / n;
    state.counters["ratio"] = rom.processor / sample.processor;
    state.counters["wall_ratio"] = rom.wall / sample.wall;
}
BENCHMARK(BM_Open4MiBRomAgainstSample)->Unit(benchmark::kMillisecond)->MinTime(3.0);

size_t heapInUse()
{
    malloc_trim(0);
    return mallinfo2().uordblks;
}

void BM_Scroll4MiBRomTopToBottom(benchmark::State &state)
{
    romPath();
    closeAll();
    const size_t before = heapInUse();
    MosavoDocument *document = openToFirstPaint(romPath());
    drainEvents();
    const double modelBytes = double(heapInUse() - before);
    auto *viewer = document->window()->findChild<mosavo::TileCollection *>();
    if (!viewer) {
        state.SkipWithError("the window has no tile viewer");
        return;
    }
    QScrollBar *bar = viewer->verticalScrollBar();
    double longest = 0, total = 0;
    int64_t frames = 0;
    for (auto _ : state) {
        bar->setValue(0);
        QCoreApplication::processEvents();
        while (bar->value() < bar->maximum()) {
            const auto start = Clock::now();
            bar->setValue(std::min(bar->maximum(), bar->value() + bar->pageStep()));
            viewer->viewport()->repaint();
            QCoreApplication::processEvents();
            const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            longest = std::max(longest, ms);
            total += ms;
            ++frames;
        }
    }
    state.counters["longest_frame_ms"] = longest;
    state.counters["mean_frame_ms"] = frames ? total / double(frames) : 0;
    state.counters["frames"] = double(frames);
    state.counters["model_bytes_per_tile"] = modelBytes / double(romTiles);
    state.counters["after_scroll_bytes_per_tile"] = double(heapInUse() - before) / double(romTiles);
    closeAll();
}
BENCHMARK(BM_Scroll4MiBRomTopToBottom)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char **argv)
{
    return window_bench::runWindowBenchmarks("LargeRomBench", argc, argv);
}
