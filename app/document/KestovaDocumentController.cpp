#include "app/document/KestovaDocumentController.h"

#include "app/document/MosavoDocument.h"
#include "app/window/Alerts.h"
#include "app/window/FilePanels.h"
#include "app/window/MainMosavoWindow.h"
#include "app/window/RecentFiles.h"
#include "log/Log.h"

#include <QApplication>
#include <QFileInfo>

#include <algorithm>

namespace kestova {

KestovaDocumentController &KestovaDocumentController::shared()
{
    static KestovaDocumentController *controller = new KestovaDocumentController();
    return *controller;
}

MosavoDocument *KestovaDocumentController::currentDocument() const
{
    const QWidget *active = QApplication::activeWindow();
    for (MosavoDocument *document : documents_)
        if (active && document->window() == active)
            return document;
    return documents_.empty() ? nullptr : documents_.back();
}

bool KestovaDocumentController::confirmClosingCurrentProject(QWidget *parent)
{
    return alerts().runAlert(
               errorObject(MosavoDocumentErrors::openFile), parent ? parent : QApplication::activeWindow())
        == alertFirstButtonReturn;
}

bool KestovaDocumentController::closeCurrentProjectAsking(QWidget *parent)
{
    if (documents_.empty())
        return true;
    log().w(QStringLiteral("Cannot create another window"));
    const auto documents = documents_;
    const bool workAtRisk = std::any_of(
        documents.begin(), documents.end(), [](MosavoDocument *document) { return document->isModified(); });
    if (workAtRisk) {
        // Save / Discard / Cancel, as closing the window asks.
        for (MosavoDocument *document : documents)
            if (!document->canClose())
                return false;
    } else if (!confirmClosingCurrentProject(parent)) {
        return false;
    }
    closeDocuments();
    return true;
}

MosavoDocument *KestovaDocumentController::openFileAsking(const QString &path, QWidget *parent)
{
    if (path.isEmpty())
        return nullptr;
    // The file is read before anything is closed: a file that cannot be opened leaves the open document as it is.
    MosavoDocument *document = readDocument(path);
    if (!document)
        return nullptr;
    const bool replacing = !documents_.empty();
    if (!closeCurrentProjectAsking(parent)) {
        delete document;
        return nullptr;
    }
    if (replacing) {
        // The question may have saved the open document into this very file: it is read again as it is now.
        delete document;
        document = readDocument(path);
        if (!document)
            return nullptr;
    }
    presentDocument(document, path);
    return document;
}

void KestovaDocumentController::openDocument()
{
    if (!documents_.empty() && !QApplication::activeWindow())
        return;
    // The file first; Cancel in the panel leaves everything as it is.
    QWidget *parent = QApplication::activeWindow();
    const QString chosen = chooseFileToOpen();
    if (!chosen.isEmpty())
        openFileAsking(chosen, parent);
}

void KestovaDocumentController::newDocument()
{
    const bool replacing = !documents_.empty();
    if (replacing && !QApplication::activeWindow())
        return;
    if (!closeCurrentProjectAsking())
        return;
    if (!openUntitledDocument() && replacing)
        alerts().runAlert(errorObject(MosavoDocumentErrors::couldNotCreateNewFile), QApplication::activeWindow());
}

void KestovaDocumentController::closeDocuments()
{
    const auto documents = shared().documents_;
    for (MosavoDocument *document : documents)
        document->close();
}

QString KestovaDocumentController::chooseFileToOpen()
{
    QString chosen;
    filePanels().chooseFileToOpen(
        { QStringLiteral("Open"),
            QStringLiteral("Kestova documents and NES tile data (*.kestova *.kestova.json *.nes *.chr);;Screen-tool "
                           "sessions (*.nss);;All files (*)"), {} },
        [&chosen](const QString &path) { chosen = path; });
    return chosen;
}

void KestovaDocumentController::openWithPanel()
{
    const QString chosen = chooseFileToOpen();
    if (!chosen.isEmpty())
        openDocumentAt(chosen);
}

MosavoDocument *KestovaDocumentController::readDocument(const QString &path)
{
    auto *document = new MosavoDocument(this);
    if (auto error = document->readFromFile(path)) {
        delete document;
        removeRecentFile(path);
        alerts().showError(
            QStringLiteral("The file could not be opened. %1").arg(error->describe()), QApplication::activeWindow());
        return nullptr;
    }
    return document;
}

void KestovaDocumentController::presentDocument(MosavoDocument *document, const QString &path)
{
    addRecentFile(path);
    addDocument(document);
    document->makeWindowControllers();
}

MosavoDocument *KestovaDocumentController::openDocumentAt(const QString &path)
{
    MosavoDocument *document = readDocument(path);
    if (document)
        presentDocument(document, path);
    return document;
}

MosavoDocument *KestovaDocumentController::openUntitledDocument()
{
    auto *document = new MosavoDocument(this);
    addDocument(document);
    document->makeWindowControllers();
    return document;
}

bool KestovaDocumentController::closeAllAsking()
{
    const auto documents = documents_;
    for (MosavoDocument *document : documents)
        if (!document->canClose())
            return false;
    closeDocuments();
    return true;
}

void KestovaDocumentController::addDocument(MosavoDocument *document)
{
    documents_.push_back(document);
    connect(document, &MosavoDocument::closed, this, &KestovaDocumentController::removeDocument);
    updateEmptyWindow();
    emit documentsChanged();
}

void KestovaDocumentController::removeDocument(MosavoDocument *document)
{
    std::erase(documents_, document);
    document->deleteLater();
    updateEmptyWindow();
    emit documentsChanged();
}

MainMosavoWindow *KestovaDocumentController::emptyWindow() const
{
    return emptyWindow_;
}

void KestovaDocumentController::setShowsEmptyWindow(bool shows)
{
    showsEmptyWindow_ = shows;
    updateEmptyWindow();
}

void KestovaDocumentController::updateEmptyWindow()
{
    const bool wanted = showsEmptyWindow_ && documents_.empty();
    if (wanted && !emptyWindow_)
        emptyWindow_ = new MainMosavoWindow(nullptr);
    if (!emptyWindow_)
        return;
    if (wanted)
        emptyWindow_->show();
    else
        emptyWindow_->hide();
}

} // namespace kestova
