#include "app/KestovaDocumentController.h"

#include "app/Alerts.h"
#include "app/FilePanels.h"
#include "app/MainMosavoWindow.h"
#include "app/MosavoDocument.h"
#include "app/RecentFiles.h"
#include "log/Log.h"

#include <QApplication>
#include <QFileInfo>

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

MosavoDocument *KestovaDocumentController::openFileAsking(const QString &path, QWidget *parent)
{
    if (path.isEmpty())
        return nullptr;
    if (!documents_.empty()) {
        log().w(QStringLiteral("Cannot create another window"));
        if (!confirmClosingCurrentProject(parent))
            return nullptr;
        closeDocuments();
    }
    return openDocumentAt(path);
}

bool KestovaDocumentController::makeRoomForAnotherDocument()
{
    if (documents_.empty())
        return true;
    if (!QApplication::activeWindow())
        return false;
    log().w(QStringLiteral("Cannot create another window"));
    if (!confirmClosingCurrentProject())
        return false;
    closeDocuments();
    return true;
}

void KestovaDocumentController::openDocument()
{
    if (makeRoomForAnotherDocument())
        openWithPanel();
}

void KestovaDocumentController::newDocument()
{
    const bool replacing = !documents_.empty();
    if (!makeRoomForAnotherDocument())
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

void KestovaDocumentController::openWithPanel()
{
    QString chosen;
    filePanels().chooseFileToOpen(
        { QStringLiteral("Open"),
          QStringLiteral("Kestova documents and NES tile data (*.kestova *.nes *.chr);;All files (*)"), {} },
        [&chosen](const QString &path) { chosen = path; });
    if (!chosen.isEmpty())
        openDocumentAt(chosen);
}

MosavoDocument *KestovaDocumentController::openDocumentAt(const QString &path)
{
    auto *document = new MosavoDocument(this);
    if (auto error = document->readFromFile(path)) {
        delete document;
        removeRecentFile(path);
        alerts().showError(QStringLiteral("The file could not be opened. %1").arg(error->describe()),
                           QApplication::activeWindow());
        return nullptr;
    }
    addRecentFile(path);
    addDocument(document);
    document->makeWindowControllers();
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
