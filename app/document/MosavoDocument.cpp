#include "app/document/MosavoDocument.h"

#include "app/tiles/ROMMenuItem.h"
#include "core/NESTileDataCollection.h"

#include "app/document/ArchiveText.h"
#include "app/document/KestovaDocumentController.h"
#include "app/document/SessionDocument.h"
#include "app/tiles/EditorViewController.h"
#include "app/tiles/ROMMenu.h"
#include "app/window/AppDelegate.h"
#include "app/window/FilePanels.h"
#include "app/window/MainMosavoWindow.h"
#include "app/window/RecentFiles.h"
#include "core/ConsoleDataFactory.h"
#include "formats/ScreenToolSessionReader.h"
#include "log/Log.h"
#include "palette/PaletteFactory.h"

#include <QFileInfo>
#include <QTimer>

namespace kestova {

using namespace mosavo;

namespace {
// Bytes that start like a document file (CBOR self-describe tag).
bool looksLikeDocument(const Bytes &bytes)
{
    return bytes.size() >= 3 && bytes[0] == 0xD9 && bytes[1] == 0xD9 && bytes[2] == 0xF7;
}
} // namespace

MosavoDocument::MosavoDocument(QObject *parent)
    : QObject(parent)
{ }

MosavoDocument::~MosavoDocument()
{
    if (window_)
        delete window_.data();
}

bool MosavoDocument::isDocumentCurrentlyOpen()
{
    return !KestovaDocumentController::shared().documents().empty();
}

std::optional<QString> MosavoDocument::read(const Bytes &bytes)
{
    std::string why;
    auto settings = EditorViewControllerSettings::fromDocumentBytes(bytes, &why);
    if (!settings) {
        const QString reason = QString::fromStdString(why);
        log().e(reason);
        return reason;
    }
    pendingSettings_ = settings;
    editorViewControllerSettings = settings;
    return std::nullopt;
}

std::optional<FileError> MosavoDocument::readFromFile(const QString &path)
{
    ReadResult file = readWholeFile(path);
    if (file.error)
        return file.error;
    const bool documentFile = QFileInfo(path).suffix().compare(fileExtension, Qt::CaseInsensitive) == 0
        || ArchiveText::isTextName(path.toStdString());
    if (documentFile || looksLikeDocument(file.bytes) || ArchiveText::looksLikeText(file.bytes)) {
        if (auto reason = read(file.bytes))
            return FileError { path, QStringLiteral("cannot be opened: %1").arg(*reason) };
        setFilePath(path);
        return std::nullopt;
    }
    // A screen-tool session: a new untitled document of its tiles, palette, screen and metasprites.
    if (QFileInfo(path).suffix().compare(QLatin1String("nss"), Qt::CaseInsensitive) == 0) {
        auto session = ScreenToolSessionReader::read(file.bytes);
        if (!session)
            return FileError { path,
                QStringLiteral("cannot be opened: %1").arg(QString::fromStdString(session.error)) };
        auto settings = documentFromSession(*session.value, QFileInfo(path).completeBaseName());
        pendingSettings_ = settings;
        editorViewControllerSettings = settings;
        importedFrom_ = QFileInfo(path).fileName();
        return std::nullopt;
    }
    // Tile data: a new untitled document holding those tiles.
    auto tiles = ConsoleDataFactory::generate(
        file.bytes, ConsoleDataFactory::sourceOfFileName(QFileInfo(path).fileName().toStdString()));
    if (!tiles) {
        return FileError { path,
            QStringLiteral("is neither a Kestova document, an iNES ROM image nor CHR data "
                           "(%1 bytes is not a whole number of 16-byte tiles)")
                .arg(file.bytes.size()) };
    }
    auto settings = std::make_shared<EditorViewControllerSettings>();
    settings->setTileData(std::move(tiles));
    settings->setIsRomData(bool(settings->tileData()->header()));
    settings->setIsCHRData(!settings->tileData()->header());
    // Tiles from a file start in readable colours: the viewer's greys first, then fixed common choices.
    settings->setPalettes(PaletteFactory::readable());
    // The document remembers the file, to write the tiles back into it.
    settings->setSourceFile(QFileInfo(path).absoluteFilePath().toStdString());
    // The tiles' bytes as read are the file's own bytes when they are as many (tiles, header and any bytes after the
    // last whole tile are kept as read): a large ROM is then not copied once more.
    const auto *collection = dynamic_cast<const NESTileDataCollection *>(settings->tileData().get());
    const size_t fileSize = file.bytes.size();
    if (collection && collection->formattedSize() == fileSize)
        settings->setSourceAsRead(EditorViewControllerSettings::SourceAsRead { std::move(file.bytes), fileSize });
    else if (auto read = settings->tileData()->consoleFormattedPixelData())
        settings->setSourceAsRead(EditorViewControllerSettings::SourceAsRead { std::move(*read), fileSize });
    pendingSettings_ = settings;
    editorViewControllerSettings = settings;
    importedFrom_ = QFileInfo(path).fileName();
    opensAtChrRom_ = true;
    return std::nullopt;
}

std::variant<Bytes, DocumentError> MosavoDocument::data(const QString &path) const
{
    // The document keeps how its window shows it.
    if (window_)
        window_->storeViewState();
    const auto settings = editorViewControllerSettings.lock();
    if (!settings)
        return saveFailedError();
    return *settings->documentBytesFor(path.toStdString());
}

void MosavoDocument::makeWindowControllers()
{
    auto *window = new MainMosavoWindow(this);
    EditorViewController *controller = window->editorViewController;
    if (!controller) {
        log().e(QStringLiteral("WindowController not found"));
        delete window;
        return;
    }
    window_ = window;
    SettingsPtr settings = editorViewControllerSettings.lock();
    if (!settings)
        settings = EditorViewControllerSettings::emptyConsoleObject(ConsoleType::nes);
    controller->setEditorViewControllerSettings(settings);
    editorViewControllerSettings = settings;
    pendingSettings_.reset(); // the controller owns the content now
    if (settings->palettes())
        controller->selectablePalettes = settings->palettes();
    editorViewController = controller;
    controller->setup();
    if (opensAtChrRom_) {
        // A ROM opens at its first CHR-ROM tile, once the viewer is configured.
        QPointer<EditorViewController> target = controller;
        QTimer::singleShot(0, controller, [target] {
            if (const auto tile = target && target->tileCollection ? target->chrRomStartTile() : std::nullopt)
                target->tileCollection->selectTile(*tile);
        });
    }
    setupMenuItems();
    connect(&controller->undoStack(), &QUndoStack::cleanChanged, this, [this](bool clean) { setModified(!clean); });
    connect(controller, &EditorViewController::sourceFileChanged, this, [this] {
        updateWindowTitle();
        setupMenuItems();
    });
    updateWindowTitle();
    window->show();
}

MainMosavoWindow *MosavoDocument::window() const
{
    return window_;
}

void MosavoDocument::setupMenuItems()
{
    AppDelegate *delegate = AppDelegate::instance();
    if (!delegate)
        return;
    if (window_ && window_->romMenuItem())
        delegate->romMenuItem = window_->romMenuItem();
    if (delegate->romMenuItem && delegate->romMenuItem->romMenu) {
        delegate->romMenuItem->romMenu->editorViewController = editorViewController;
        delegate->romMenuItem->romMenu->updateWriteBackItem();
    }
    if (window_ && window_->romMenu())
        window_->romMenu()->updateWriteBackItem();
}

void MosavoDocument::setFilePath(const QString &path)
{
    filePath_ = path;
    importedFrom_.clear();
    updateWindowTitle();
}

QString MosavoDocument::displayName() const
{
    if (!filePath_.isEmpty())
        return QFileInfo(filePath_).fileName();
    if (!importedFrom_.isEmpty())
        return QStringLiteral("Untitled (%1)").arg(importedFrom_);
    return QStringLiteral("Untitled");
}

QString MosavoDocument::promptName() const
{
    if (filePath_.isEmpty() && !importedFrom_.isEmpty())
        return importedFrom_;
    return displayName();
}

QString MosavoDocument::sourceFile() const
{
    const auto settings = editorViewControllerSettings.lock();
    return settings && settings->sourceFile() ? QString::fromStdString(*settings->sourceFile()) : QString();
}

void MosavoDocument::setModified(bool modified)
{
    if (!modified && editorViewController)
        editorViewController->undoStack().setClean();
    if (modified_ == modified)
        return;
    modified_ = modified;
    updateWindowTitle();
    emit modifiedChanged(modified);
}

void MosavoDocument::updateWindowTitle()
{
    if (!window_)
        return;
    // The file the tiles came from, unless the name already says it.
    const QString source = QFileInfo(sourceFile()).fileName();
    QString title = displayName() + QStringLiteral("[*]");
    if (!source.isEmpty() && (filePath_.isEmpty() ? importedFrom_ != source : true))
        title += QStringLiteral(" \u2014 tiles from %1").arg(source);
    window_->setWindowTitle(title + QStringLiteral(" \u2014 Kestova"));
    window_->setWindowModified(modified_);
}

std::optional<FileError> MosavoDocument::writeTo(const QString &path)
{
    const auto bytes = data(path);
    if (const auto *error = std::get_if<DocumentError>(&bytes))
        return FileError { path, error->description() };
    if (const auto refusal = documentSizeRefusal(std::get<Bytes>(bytes).size()))
        return FileError { path, *refusal };
    return writeFileAtomically(path, std::get<Bytes>(bytes));
}

bool MosavoDocument::save()
{
    if (filePath_.isEmpty())
        return saveAs();
    if (auto error = writeTo(filePath_)) {
        alerts().showError(QStringLiteral("Could not save %1").arg(error->describe()), window_);
        return false;
    }
    setModified(false);
    if (window_)
        window_->showStatus(QStringLiteral("Saved %1").arg(filePath_));
    return true;
}

bool MosavoDocument::saveAs()
{
    QString base = filePath_.isEmpty() ? displayName() : QFileInfo(filePath_).completeBaseName();
    if (base.startsWith(QLatin1String("Untitled (")))
        base = QFileInfo(importedFrom_).completeBaseName();
    QString chosen;
    filePanels().chooseFileToSave(
        { QStringLiteral("Save Document"), QStringLiteral("Kestova documents (*.kestova);;All files (*)"),
            base + QStringLiteral(".kestova") },
        [&chosen](const QString &path) { chosen = path; });
    if (chosen.isEmpty())
        return false;
    if (QFileInfo(chosen).suffix().isEmpty())
        chosen += QStringLiteral(".kestova");
    if (auto error = writeTo(chosen)) {
        alerts().showError(QStringLiteral("Could not save %1").arg(error->describe()), window_);
        return false;
    }
    setFilePath(chosen);
    addRecentFile(chosen);
    setModified(false);
    if (window_)
        window_->showStatus(QStringLiteral("Saved %1").arg(chosen));
    return true;
}

bool MosavoDocument::canClose()
{
    if (!modified_)
        return true;
    switch (alerts().askToSaveChanges(promptName(), window_)) {
    case SaveChoice::save:
        return save();
    case SaveChoice::discard:
        return true;
    case SaveChoice::cancel:
        return false;
    }
    return false;
}

void MosavoDocument::close()
{
    if (closing_)
        return;
    closing_ = true;
    if (window_) {
        MainMosavoWindow *window = window_;
        window_ = nullptr;
        window->hide();
        window->deleteLater();
    }
    emit closed(this);
}

} // namespace kestova
