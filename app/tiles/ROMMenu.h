#pragma once

#include "app/document/DataProcessor.h"
#include "app/document/EditorViewControllerSettings.h"
#include "app/document/FileHandler.h"
#include "app/document/PaletteProccessor.h"
#include "core/TileData.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

#include <optional>
#include <variant>

namespace kestova {

class EditorViewController;
class MosavoDocument;

// The import/export menu: Import Data..., Export Data..., Import Palette... (32 bytes, or 16 into the background or
// the sprite half), Export Palette..., Export Background Palette... and Export Sprite Palette... (16 bytes each), and
// Write Back to NAME (the tiles into the .nes or .chr file they came from), on the current document. Results go to
// the log and the status bar; failures are also shown to the user.
class ROMMenu : public QMenu
{
    Q_OBJECT

public:
    explicit ROMMenu(QWidget *parent = nullptr);

    QPointer<QAction> importData;
    QPointer<QAction> exportData;
    QPointer<QAction> importPalette;
    QPointer<QAction> exportPalette;
    QPointer<QAction> exportBackgroundPalette;
    // Made by connectItems when the interface file has none.
    QPointer<QAction> exportSpritePalette;
    QPointer<QAction> writeBack;
    QPointer<EditorViewController> editorViewController;
    std::optional<QString> pathOfFile;
    DataProcessor dataProcessor;
    PaletteProccessor paletteProcessor;

    // Connects the items (after they are set) to their actions; adds Export Sprite Palette and Write Back when they
    // are not set.
    void connectItems();

    void importDataAction();
    void exportDataAction();
    void importPaletteAction();
    void exportPaletteAction();
    // The 16-byte background half of the palette file (sub-palettes 0-3).
    void exportBackgroundPaletteAction();
    // The 16-byte sprite half (sub-palettes 4-7).
    void exportSpritePaletteAction();
    // Writes the tiles into the file they came from, in place: its header and length stay, only the bytes of the
    // tiles change. Asks once, naming the file.
    void writeBackAction();
    // Write Back's title names the current document's source file; disabled without one.
    void updateWriteBackItem();

    // What Write Back puts into the file the tiles came from.
    struct WriteBackPlan
    {
        mosavo::Bytes bytes; // the file as it is now with the changed tiles written over their part
        int64_t changedTiles = 0;
        bool fileChanged = false; // the file's size, or its bytes at the changed tiles, differ from what was read
    };
    // The plan for source (the file as it is now): only the tiles whose bytes differ from what was read (when that is
    // known, else from the file now) are written, over the bytes after the 16-byte header of an iNES ROM image or
    // from the start of CHR data. The reason when the file no longer matches the tiles.
    static std::variant<WriteBackPlan, QString> writtenBack(const mosavo::TileData &tiles, const mosavo::Bytes &source,
        const std::optional<EditorViewControllerSettings::SourceAsRead> &asRead);

    // Before the menu opens: the items are enabled only while a controller is linked.
    void menuWillOpen();
    // All items enabled or disabled.
    void setItemsEnabled(bool enabled);

private:
    void exportPaletteFile(PaletteProccessor::Half half);
    // Bare CHR data over tiles of an iNES ROM from a tile number the user chooses, as one undoable step.
    void importIntoRom(EditorViewController *controller, MosavoDocument *document, const mosavo::TileData &tiles,
        const QString &file, size_t size);
};

} // namespace kestova
