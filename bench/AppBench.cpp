// The application from file to window, and the document's save and reopen.
//
// Opening is measured from KestovaDocumentController::openDocumentAt(path) to the window's first complete paint: the
// document reads the file, builds and shows its window, the deferred viewer configuration runs in the next turn of the
// event loop, and the window is rendered once (QWidget::grab). Two files: a ROM image of 1 MiB of tile data (a 16-byte
// iNES header and 65,536 tiles) and the shipped 8 KiB sample sheet (512 tiles). The window shows only the tiles in
// view, so the larger file should cost little more than the small one: the ratio of the two is reported.
// Every iteration closes its document (not timed) so that one document is open at a time, as in the application.
//
// Saving writes the 1 MiB document to a file (encoded tiles, palettes, settings as CBOR, written atomically);
// reopening reads that file back into a new document.
//
// With KESTOVA_BENCH_KEEP_PICTURE=PREFIX set, every first paint is also saved as PREFIX<file name>.png, to see that
// the rendered window is complete (tiles in the viewer, the selected block in the editor).

#include "WindowBenchSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>
#include <QTemporaryDir>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>

#include <time.h>

using namespace kestova;
using namespace window_bench;

namespace {

// A ROM image: iNES header (no program banks, 128 banks of 8 KiB tile data) and 1 MiB of deterministic bytes.
QString romPath()
{
    static const QString path = [] {
        QByteArray bytes("NES\x1A", 4);
        bytes.append(char(0));
        bytes.append(char(128));
        bytes.append(10, char(0));
        std::mt19937 random(1983);
        std::uniform_int_distribution<int> byte(0, 255);
        for (int i = 0; i < 1024 * 1024; ++i)
            bytes.append(char(byte(random)));
        return writeWorkFile(QStringLiteral("large.nes"), bytes);
    }();
    return path;
}

using Clock = std::chrono::steady_clock;

struct Elapsed
{
    double wall = 0;
    double processor = 0;
    Elapsed &operator+=(const Elapsed &other)
    {
        wall += other.wall;
        processor += other.processor;
        return *this;
    }
};

Elapsed openOnce(const QString &path)
{
    const auto start = Clock::now();
    const double startProcessor = threadMilliseconds();
    openToFirstPaint(path);
    const Elapsed elapsed { std::chrono::duration<double, std::milli>(Clock::now() - start).count(),
        threadMilliseconds() - startProcessor };
    closeAll();
    return elapsed;
}

void BM_OpenToFirstPaint(benchmark::State &state, QString (*file)())
{
    const QString path = file();
    closeAll();
    for (auto _ : state) {
        openToFirstPaint(path);
        state.PauseTiming();
        closeAll();
        state.ResumeTiming();
    }
}
BENCHMARK_CAPTURE(BM_OpenToFirstPaint, Rom1MiB, &romPath)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenToFirstPaint, Sample8KiB, &samplePath)->Unit(benchmark::kMillisecond);

// Both files in turn, so that the ratio compares runs under the same conditions. Target: at most 1.5.
void BM_OpenRomAgainstSample(benchmark::State &state)
{
    closeAll();
    Elapsed rom, sample;
    for (auto _ : state) {
        rom += openOnce(romPath());
        sample += openOnce(samplePath());
    }
    const double n = double(state.iterations());
    state.counters["rom_ms"] = rom.wall / n;
    state.counters["sample_ms"] = sample.wall / n;
    state.counters["ratio"] = rom.wall / sample.wall;
    state.counters["rom_cpu_ms"] = rom.processor / n;
    state.counters["sample_cpu_ms"] = sample.processor / n;
    state.counters["cpu_ratio"] = rom.processor / sample.processor;
}
BENCHMARK(BM_OpenRomAgainstSample)->Unit(benchmark::kMillisecond);

// A 1 MiB document, opened once for the save and reopen benchmarks.
struct LargeDocument
{
    LargeDocument()
    {
        closeAll();
        document = KestovaDocumentController::shared().openDocumentAt(romPath());
        QCoreApplication::processEvents();
    }
    ~LargeDocument() { closeAll(); }
    MosavoDocument *document = nullptr;
};

void BM_SaveDocument1MiB(benchmark::State &state)
{
    LargeDocument large;
    const QString path = workFolder().filePath(QStringLiteral("saved.kestova"));
    for (auto _ : state) {
        if (auto error = large.document->writeTo(path)) {
            state.SkipWithError(qPrintable(error->describe()));
            break;
        }
    }
    state.counters["file_bytes"] = double(QFileInfo(path).size());
}
BENCHMARK(BM_SaveDocument1MiB)->Unit(benchmark::kMillisecond);

void BM_ReopenDocument1MiB(benchmark::State &state)
{
    const QString path = workFolder().filePath(QStringLiteral("reopened.kestova"));
    {
        LargeDocument large;
        if (large.document->writeTo(path)) {
            state.SkipWithError("the document could not be saved");
            return;
        }
    }
    for (auto _ : state) {
        MosavoDocument document;
        if (auto error = document.readFromFile(path)) {
            state.SkipWithError(qPrintable(error->describe()));
            break;
        }
        const auto settings = document.editorViewControllerSettings.lock();
        if (!settings || !settings->tileData() || settings->tileData()->matrices().size() != 65536) {
            state.SkipWithError("the reopened document does not hold 65,536 tiles");
            break;
        }
    }
}
BENCHMARK(BM_ReopenDocument1MiB)->Unit(benchmark::kMillisecond);

// For comparison: reading the ROM image itself into a new document (decoding 65,536 tiles).
void BM_ReadRom1MiB(benchmark::State &state)
{
    for (auto _ : state) {
        MosavoDocument document;
        if (auto error = document.readFromFile(romPath())) {
            state.SkipWithError(qPrintable(error->describe()));
            break;
        }
    }
}
BENCHMARK(BM_ReadRom1MiB)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return window_bench::runWindowBenchmarks("AppBench", argc, argv);
}
