#pragma once

#include <QApplication>
#include <QEventLoop>
#include <QPointer>
#include <QProgressDialog>
#include <QString>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

namespace kestova {

class EditorViewControllerSettings;

// A copy of the document, for work off the window's thread or to work out what an import leaves (with its tiles);
// nothing, after an alert over the window naming the file being imported, when it cannot be made.
std::shared_ptr<EditorViewControllerSettings> documentCopyForImport(
    const EditorViewControllerSettings &document, const QString &path, QWidget *window);

// How long work runs before its progress dialog shows (half a second; tests shorten it to see the dialog at once).
inline int progressDelayMilliseconds = 500;

// Runs work on a thread of its own while the window stays live: after half a second a window-modal progress dialog
// (labelled label, with Cancel) shows, and the window keeps drawing meanwhile. Returns the result, or nothing when the
// user cancelled (the work then finishes on its own and its result is dropped). work must own (or copy) what it
// reads: the document may change once the call has returned.
template<typename Result>
std::optional<Result> runWithProgress(QWidget *window, const QString &label, std::function<Result()> work)
{
    auto result = std::make_shared<std::optional<Result>>();
    QThread *thread = QThread::create([result, work = std::move(work)] { *result = work(); });
    QEventLoop loop;
    QProgressDialog progress(label, QStringLiteral("Cancel"), 0, 0, window);
    progress.setObjectName(QStringLiteral("workProgress"));
    progress.setWindowTitle(QStringLiteral("Kestova"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    bool cancelled = false;
    QPointer<QThread> running = thread;
    QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    QObject::connect(&progress, &QProgressDialog::canceled, &loop, [&cancelled, &loop] {
        cancelled = true;
        loop.quit();
    });
    QTimer delay;
    delay.setSingleShot(true);
    QObject::connect(&delay, &QTimer::timeout, &progress, [&progress] { progress.show(); });
    delay.start(progressDelayMilliseconds);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    thread->start();
    loop.exec();
    QApplication::restoreOverrideCursor();
    if (cancelled || (running && !running->isFinished())) {
        // The thread deletes itself when done; its result is no longer wanted.
        return std::nullopt;
    }
    return std::move(*result);
}

} // namespace kestova
