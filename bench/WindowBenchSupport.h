#pragma once

// What the benchmarks of whole windows share: alerts that never wait, a work folder, opening a file to the window's
// first complete paint, closing every document, and the main that sets the application up.

#include "app/document/KestovaDocumentController.h"
#include "app/document/MosavoDocument.h"
#include "app/window/Alerts.h"
#include "app/window/AppDelegate.h"
#include "app/window/MainMosavoWindow.h"

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include <time.h>

namespace window_bench {

// The benchmark's name, at the head of its messages.
inline const char *&benchName()
{
    static const char *name = "bench";
    return name;
}

// Answers every question without showing anything: a benchmark run must never wait for a click. An error ends it.
class SilentAlerts : public kestova::Alerts
{
public:
    int runAlert(const kestova::DocumentError &, QWidget *) override { return kestova::alertFirstButtonReturn + 1; }
    kestova::SaveChoice askToSaveChanges(const QString &, QWidget *) override { return kestova::SaveChoice::discard; }
    void showError(const QString &message, QWidget *) override
    {
        std::fprintf(stderr, "%s: %s\n", benchName(), qPrintable(message));
        std::abort();
    }
};

inline QTemporaryDir &workFolder()
{
    static QTemporaryDir folder;
    return folder;
}

// The bytes written as NAME in the work folder, its path; the run ends when they cannot be written.
inline QString writeWorkFile(const QString &name, const QByteArray &bytes)
{
    const QString file = workFolder().filePath(name);
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "%s: cannot write %s\n", benchName(), qPrintable(file));
        std::abort();
    }
    return file;
}

inline QString samplePath()
{
    return QStringLiteral(KESTOVA_SOURCE_DIR "/data/sample.chr");
}

// Runs posted events, including the deletions of closed windows and documents.
inline void drainEvents()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

inline void closeAll()
{
    kestova::KestovaDocumentController::closeDocuments();
    drainEvents();
}

// Opens the file and returns once its window has been painted completely for the first time. With
// KESTOVA_BENCH_KEEP_PICTURE=PREFIX set, the paint is also saved as PREFIX<file name>.png.
inline kestova::MosavoDocument *openToFirstPaint(const QString &path)
{
    kestova::MosavoDocument *document = kestova::KestovaDocumentController::shared().openDocumentAt(path);
    if (!document || !document->window()) {
        std::fprintf(stderr, "%s: %s did not open a window\n", benchName(), qPrintable(path));
        std::abort();
    }
    // The window is shown by now; the deferred configuration of the viewer is the next zero timer.
    QCoreApplication::processEvents();
    const QPixmap picture = document->window()->grab();
    benchmark::DoNotOptimize(picture.cacheKey());
    if (const QByteArray keep = qgetenv("KESTOVA_BENCH_KEEP_PICTURE"); !keep.isEmpty())
        picture.save(QString::fromLocal8Bit(keep) + QFileInfo(path).fileName() + QStringLiteral(".png"));
    return document;
}

// Processor time of this thread in milliseconds: unlike the wall clock, not lengthened by other work on the machine.
inline double threadMilliseconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// The main of a window benchmark named name: the application on the offscreen platform, silent alerts, the
// benchmarks, and every document closed at the end.
inline int runWindowBenchmarks(const char *name, int argc, char **argv)
{
    benchName() = name;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    kestova::setAlerts(std::make_shared<SilentAlerts>());
    kestova::AppDelegate delegate;
    if (!workFolder().isValid()) {
        std::fprintf(stderr, "%s: no temporary folder\n", name);
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    closeAll();
    return 0;
}

} // namespace window_bench
