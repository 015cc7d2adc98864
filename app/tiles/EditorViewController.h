#pragma once

#include "app/document/EditorViewControllerSettings.h"
#include "editor/Mosavo.h"
#include "editor/MosavoDataSource.h"
#include "editor/ToolType.h"
#include "selectors/BoxSelectorDelegate.h"
#include "selectors/ColorSelector.h"
#include "selectors/GeneralColorSelector.h"
#include "selectors/PaletteSelector.h"
#include "viewer/TileCollection.h"
#include "viewer/TileCollectionDelegate.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QPointer>
#include <QUndoStack>
#include <QWidget>

#include <optional>
#include <vector>

namespace kestova {

// The content of the main window: connects the tile viewer, the pixel editor and the three colour selectors to the
// document content. It is the viewer's TileCollectionDelegate, the editor's MosavoDataSource and every selector's
// BoxSelectorDelegate; finished edits land in the settings' tile data here and nowhere else.
class EditorViewController : public QWidget,
                             public mosavo::TileCollectionDelegate,
                             public mosavo::MosavoDataSource,
                             public mosavo::BoxSelectorDelegate
{
    Q_OBJECT

public:
    explicit EditorViewController(QWidget *parent = nullptr);

    // The document content; reading it while absent first creates settings with defaults.
    SettingsPtr editorViewControllerSettings();
    void setEditorViewControllerSettings(SettingsPtr settings) { settings_ = std::move(settings); }

    // Outlets (weak).
    QPointer<mosavo::Mosavo> mosavo;
    QPointer<QAbstractScrollArea> tileViewerScrollView;
    QPointer<mosavo::ColorSelector> selectableColorsOutlet;
    QPointer<mosavo::PaletteSelector> selectablePalettesOutlet;
    QPointer<mosavo::GeneralColorSelector> generalSelectableColorsOutlet;
    QPointer<mosavo::TileCollection> tileCollection;
    QPointer<QAbstractButton> toolPencil;
    QPointer<QAbstractButton> toolStraightLine;
    QPointer<QAbstractButton> toolFill;
    QPointer<QAbstractButton> toolBoxEmpty;
    QPointer<QAbstractButton> toolBoxFilled;
    QPointer<QAbstractButton> toolCircleEmpty;
    QPointer<QAbstractButton> toolCircleFilled;

    int64_t pixelsPerTile = 0;
    std::vector<int64_t> tileNumbers;
    int64_t previouslySetSelectablePalette = 0;
    mosavo::ConsoleType tileDataType = mosavo::ConsoleType::nes;
    std::optional<std::vector<mosavo::PalettePtr>> selectablePalettes;

    // The sub-palette chosen at start-up: selectablePalettes[settings.selectedPalette], absent without palettes.
    mosavo::PalettePtr selectedPalette();

    // Makes the delegates of the outlets point here (once the outlets are connected).
    void viewDidLoad();
    // Rebuilds the window's content from the settings; the viewer is configured in the next turn of the event loop.
    void setup();
    void setupMosavo(mosavo::PalettePtr colorSelector);
    void setupEditorViewControllerSettings();
    bool setupPaletteSelectorsForControllersOutlets(mosavo::PalettePtr colorSelector,
        std::vector<mosavo::PalettePtr> paletteSelector, mosavo::PalettePtr generalColorSelector);
    void deselectAllTools();

    // User actions.
    void changeZoomSize(QComboBox *sender);
    void toolSelected(QAbstractButton *sender);
    void updateLineColor(QAbstractButton *sender);

    // Delegate roles.
    void selected(
        mosavo::TileCollection *tileCollection, const std::vector<std::vector<int64_t>> &tileNumbers) override;
    void updated(
        mosavo::Mosavo *mosavo, mosavo::TileDataPtr tileData, const std::vector<int64_t> &tileNumbers) override;
    void selected(
        mosavo::BoxSelector *boxSelector, mosavo::PalettePick palette, mosavo::BoxPosition boxSelected) override;

    // Every change to the document goes through this stack, so it can be undone.
    QUndoStack &undoStack() { return undoStack_; }
    // After the tiles were written into the file the document stands for: the document is clean again when the only
    // steps between its clean state and now are tile edits (other changes still count as unsaved).
    void markTileEditsSaved();

    // Replaces the tile data (and the file it came from) or the sub-palettes (imports), undoably.
    void replaceTileData(mosavo::TileDataPtr tileData, std::optional<std::string> sourceFile = std::nullopt);
    void replacePalettes(std::vector<mosavo::PalettePtr> palettes);
    // View > Byte Offset: the tiles are read from shift bytes (0-15) past the header or the start of CHR data, every
    // byte of the file kept (an undoable step). False when nothing changes.
    bool setTileByteShift(size_t shift);
    size_t tileByteShift();
    // The file offset of tile 0: the header's length plus the shift.
    uint64_t tileByteOffset();

    // Operations on the block shown in the editor, each one undoable step.
    void flipBlockHorizontally();
    void flipBlockVertically();
    void rotateBlockClockwise();
    void rotateBlockCounterClockwise();
    void shiftBlock(int dx, int dy);
    void clearBlock();
    // The block's tiles (and a picture of them in the current sub-palette) to the clipboard.
    void copyBlock();
    void cutBlock();
    // Tiles from the clipboard into the block, from its top-left tile; false when the clipboard holds no tiles.
    bool pasteBlock();

    // Keyboard choices: the paint slot (0-3), the sub-palette (0-7) or the next / previous one.
    void choosePaintSlot(int slot);
    void chooseSubPalette(int number);
    void stepSubPalette(int delta);
    int currentSubPalette() const { return int(previouslySetSelectablePalette); }

    // Tile viewer options: tiles in the current sub-palette instead of grey; the 8x16 sprite arrangement.
    void setViewerShowsSubPalette(bool on);
    void setViewerShowsSprites8x16(bool on);
    bool viewerShowsSubPalette() const { return viewerShowsSubPalette_; }
    bool viewerShowsSprites8x16() const;

    // Tiles from outside (a picture) into the document as one undoable step: tiles[i] replaces tile numbers[i];
    // filler numbers (negative or past the last tile) and unchanged tiles are skipped.
    void importTiles(
        const std::vector<int64_t> &numbers, const std::vector<mosavo::MatrixPtr> &tiles, const QString &text)
    {
        replaceTiles(numbers, tiles, text);
    }
    // Tiles to a side of the block in the editor.
    int64_t blockTilesPerSide() const { return blockSide(); }

    // A line for the status bar: what the tile data is (iNES ROM or CHR data), its tiles and header facts.
    QString tileDataSummary();
    // The warning for tiles from a ROM image whose size is not what its header says; nothing otherwise.
    std::optional<QString> tileDataWarning();
    // The first CHR-ROM tile of an iNES ROM with CHR-ROM; nothing for CHR-RAM ROMs and bare CHR data.
    std::optional<int64_t> chrRomStartTile();

    // The tile numbers of the block in the editor, row by row (filler squares negative).
    std::vector<int64_t> blockTileNumbers() const;
    // The block as one picture (filler squares colour 0).
    mosavo::MatrixPtr blockPicture() const;

    // Called by the edit commands after they changed tiles or palette colours.
    void tilesChanged(const std::vector<int64_t> &numbers);
    void palettesChanged();

    // The tile clipboard format: "application/x-kestova-tiles".
    static const QString tileMimeType;

signals:
    // The pixel editor's tool changed (buttons follow it).
    void toolChanged(mosavo::ToolType tool);
    // Sub-palette colours changed in place, or the current sub-palette changed.
    void colorsChanged();
    // setup() ran: the tile data may be new.
    void contentReloaded();
    // The file the tiles came from changed (an import or its undo).
    void sourceFileChanged();
    // The tile viewer reported a selected block (a click, selectTile, a new zoom size).
    void tileSelectionChanged();

private:
    // Makes sub-palette `number` and paint slot `slot` current in the three selectors and this controller.
    void showCurrentSubPalette(int number, int slot);
    // The master grid's pick follows the colour in the current slot of the current sub-palette.
    void preselectMasterColor();
    void colorSelectorPicked(mosavo::PalettePick palette);
    void paletteSelectorPicked(mosavo::PalettePick palette);
    void generalColorSelectorPicked(mosavo::BoxSelectorProtocol &protocol, mosavo::BoxPosition boxSelected);
    std::vector<std::pair<QPointer<QAbstractButton>, mosavo::ToolType>> toolButtons() const;
    // Pushes the tiles of a picture of the block that differ from the document's as one undoable step.
    void replaceBlock(const mosavo::Matrix &picture, const QString &text);
    void replaceTiles(
        const std::vector<int64_t> &numbers, const std::vector<mosavo::MatrixPtr> &tiles, const QString &text);
    int64_t blockSide() const;

    SettingsPtr settings_;
    QUndoStack undoStack_;
    bool viewerShowsSubPalette_ = false;
};

} // namespace kestova
