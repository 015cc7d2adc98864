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

#include "app/window/Alerts.h"
#include "app/window/AppDelegate.h"
#include "app/document/KestovaDocumentController.h"
#include "app/window/MainMosavoWindow.h"
#include "app/document/MosavoDocument.h"

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

namespace {

// Answers every question without showing anything: a benchmark run must never wait for a click.
class SilentAlerts : public Alerts
{
public:
    int runAlert(const DocumentError &, QWidget *) override { return alertFirstButtonReturn + 1; }
    SaveChoice askToSaveChanges(const QString &, QWidget *) override { return SaveChoice::discard; }
    void showError(const QString &message, QWidget *) override
    {
        std::fprintf(stderr, "AppBench: %s\n", qPrintable(message));
        std::abort();
    }
};

QTemporaryDir &workFolder()
{
    static QTemporaryDir folder;
    return folder;
}

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
        const QString file = workFolder().filePath(QStringLiteral("large.nes"));
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "AppBench: cannot write %s\n", qPrintable(file));
            std::abort();
        }
        return file;
    }();
    return path;
}

QString samplePath()
{
    return QStringLiteral(KESTOVA_SOURCE_DIR "/data/sample.chr");
}

// Runs posted events, including the deletions of closed windows and documents.
void drainEvents()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

void closeAll()
{
    KestovaDocumentController::closeDocuments();
    drainEvents();
}

// Opens the file and returns once its window has been painted completely for the first time.
MosavoDocument *openToFirstPaint(const QString &path)
{
    MosavoDocument *document = KestovaDocumentController::shared().openDocumentAt(path);
    if (!document || !document->window()) {
        std::fprintf(stderr, "AppBench: %s did not open a window\n", qPrintable(path));
        std::abort();
    }
    MainMosavoWindow *window = document->window();
    // The window is shown by now; the deferred configuration of the viewer is the next zero timer.
    QCoreApplication::processEvents();
    const QPixmap picture = window->grab();
    benchmark::DoNotOptimize(picture.cacheKey());
    if (const QByteArray keep = qgetenv("KESTOVA_BENCH_KEEP_PICTURE"); !keep.isEmpty())
        picture.save(QString::fromLocal8Bit(keep) + QFileInfo(path).fileName() + QStringLiteral(".png"));
    return document;
}

using Clock = std::chrono::steady_clock;

// Processor time of this thread in milliseconds: unlike the wall clock, not lengthened by other work on the machine.
double threadMilliseconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

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
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    setAlerts(std::make_shared<SilentAlerts>());
    AppDelegate delegate;
    if (!workFolder().isValid()) {
        std::fprintf(stderr, "AppBench: no temporary folder\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    KestovaDocumentController::closeDocuments();
    drainEvents();
    return 0;
}
