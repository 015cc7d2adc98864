#pragma once

#include "app/document/EditorViewControllerSettings.h"
#include "app/document/FileIO.h"
#include "app/window/Alerts.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>
#include <variant>

namespace kestova {

class EditorViewController;
class MainMosavoWindow;

// One open document: its content (EditorViewControllerSettings), its file and its window. The content is owned by
// the window's EditorViewController once the window exists; until then a content read from a file is kept here.
class MosavoDocument : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *fileExtension = "kestova";

    explicit MosavoDocument(QObject *parent = nullptr);
    ~MosavoDocument() override;

    // Whether the shared document controller holds at least one document.
    static bool isDocumentCurrentlyOpen();
    static bool canConcurrentlyReadDocuments(const QString &) { return false; }

    QPointer<EditorViewController> editorViewController;
    std::weak_ptr<EditorViewControllerSettings> editorViewControllerSettings;

    // Opens a file: a Kestova document, or an iNES ROM image or CHR file, which becomes a new untitled document
    // holding its tiles with eight readable sub-palettes (PaletteFactory::readable) and remembering the file. On
    // failure the document stays empty and the error names the file and the reason.
    std::optional<FileError> readFromFile(const QString &path);
    // Reads document bytes; nothing on success, else the reason.
    std::optional<QString> read(const mosavo::Bytes &bytes);
    // The document file's bytes, or the error of a save without content.
    std::variant<mosavo::Bytes, DocumentError> data(const QString &path = {}) const;

    // Builds the window, gives it the content (blank when there is none) and shows it.
    void makeWindowControllers();
    // Points the import/export menu at this document's controller.
    void setupMenuItems();

    MainMosavoWindow *window() const;
    // The file the document is saved in; empty while untitled.
    QString filePath() const { return filePath_; }
    void setFilePath(const QString &path);
    // The name shown in the title: the file name, or "Untitled" (with the imported file's name).
    QString displayName() const;
    // The name the save question gives the document: its file's name, else the name of the file it was opened from,
    // else "Untitled".
    QString promptName() const;
    // The .nes or .chr file the tiles came from (absolute path), empty when none; the title names it.
    QString sourceFile() const;

    bool isModified() const { return modified_; }
    void setModified(bool modified);

    // Saves to the document's file, asking for one while untitled. Returns whether the document is now saved;
    // failures are shown to the user and leave the old file as it was.
    bool save();
    bool saveAs();
    // Writes the document to path (atomically).
    std::optional<FileError> writeTo(const QString &path);

    // Closes the window without asking (unsaved changes are lost) and removes the document.
    void close();
    // Asks Save / Discard / Cancel when there are unsaved changes; returns whether the document may close.
    bool canClose();

signals:
    void modifiedChanged(bool modified);
    void closed(MosavoDocument *document);

private:
    void updateWindowTitle();

    SettingsPtr pendingSettings_;
    QPointer<MainMosavoWindow> window_;
    QString filePath_;
    QString importedFrom_;
    bool modified_ = false;
    bool closing_ = false;
    // Opened from a ROM or CHR file: the viewer starts at the first CHR-ROM tile.
    bool opensAtChrRom_ = false;
};

} // namespace kestova
