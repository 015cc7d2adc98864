#pragma once

#include "convert/LossyScreenConversion.h"

#include "app/document/EditorViewControllerSettings.h"
#include "app/screens/ScreenListCommand.h"
#include "app/window/DockSupport.h"
#include "core/PatternTables.h"
#include "core/Screen.h"
#include "core/ScreenRegion.h"
#include "screen/ScreenEditor.h"

#include <QObject>
#include <QPointer>
#include <QUndoCommand>

#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QDockWidget;
class QListWidget;
class QMenu;
class QScrollArea;

namespace kestova {

class MainMosavoWindow;
class PictureConvertDialog;
class ScreenActions;

// The "Screens" dock of a document window and the Screen menu: the screen editor with its tools, zoom and grids, the
// list of the document's screens (with how many of their pattern table's 256 tiles each uses), cut, copy and paste of
// screen regions, Screen > Import Screen Picture and Screen > Remove Duplicate Tiles. Every change is one step on the
// document's undo stack; the editor follows every change of the tiles and palettes (also undo and redo).
//
// Screens read their tiles from the 8 KiB bank at the document's first CHR tile (the first CHR-ROM bank of a ROM).
class ScreenActions : public DocumentPart, public mosavo::ScreenEditorDelegate
{
    Q_OBJECT

public:
    explicit ScreenActions(MainMosavoWindow *window);

    // The least height of the dock's list and of the screen view.
    static constexpr int minimumListHeight = 200;

    // Adds the dock and the Screen menu to a document window (once).
    static ScreenActions *install(MainMosavoWindow *window);
    static ScreenActions *of(const MainMosavoWindow *window);
    // The type of the screen regions Copy Region puts on the system clipboard (the bytes of encodeRegion).
    static inline const QString regionMimeType = QStringLiteral("application/x-kestova-screen-region");
    // Whether View > Mark Unused Tiles is on, kept for the next window.
    static const QString markUnusedKey;

    QDockWidget *dock() const { return dock_; }
    QMenu *screenMenu() const { return menu_; }
    mosavo::ScreenEditor *editor() const { return editor_; }
    QListWidget *screenList() const { return list_; }

    // The screen shown (a position in the document's list, -1 for none).
    int currentScreen() const { return current_; }
    void setCurrentScreen(int index);

    // A screen made elsewhere added after the others and shown, with the tiles it needs (tiles[i] replaces document
    // tile numbers[i]) and, when given, new sub-palettes, as one undo step. False without a document.
    bool addScreen(const mosavo::Screen &screen, const std::vector<int64_t> &tileNumbers = {},
        const std::vector<mosavo::MatrixPtr> &tiles = {},
        const std::optional<std::vector<mosavo::PalettePtr>> &palettes = std::nullopt,
        const QString &text = QStringLiteral("Add Screen"));

    // List edits.
    void newScreen();
    void duplicateScreen();
    bool renameScreen(int index, const QString &name);
    void deleteScreen();
    void moveScreen(int delta);
    // The pattern table (0 or 1) the shown screen reads.
    void setPatternTable(int table);

    // Regions of the shown screen: the editor's selection (tiles and sub-palettes together).
    void copyRegion();
    void cutRegion();
    // The selected cells show tile 0; their sub-palettes stay.
    void clearRegion(const QString &text = QStringLiteral("Clear Region"));
    // The copied region at the selection's top-left cell (the screen's top-left without one).
    bool pasteRegion();

    // Screen > Import Screen Picture: asks for a picture, then in a small dialog ("screenImportDialog", opened over
    // the window) for the pattern table (default the shown screen's), whether to find sub-palettes or use the
    // document's 0-3, and whether to read its colours exactly or convert it; imports it (importScreenPicture) when
    // the dialog is accepted, after Convert's preview (convertScreenPictureDialog) is.
    void chooseScreenPicture();
    // Convert's preview of a picture file for the screen (a PictureConvertDialog, opened over the window), importing
    // it when accepted; nothing (an alert shown) when the picture cannot be read.
    PictureConvertDialog *convertScreenPictureDialog(
        const QString &path, int patternTable = 0, bool documentSubPalettes = false);
    // A 256 x 240 picture file made into a new screen of the pattern table, with its tiles, as one undo step: with
    // documentSubPalettes in the document's sub-palettes 0-3, else in sub-palettes found for it and given to the
    // document's 0-3. False, with one message naming the file and the reason and the document unchanged, when it
    // cannot be used.
    // With lossy settings the picture is converted into what the console can show (the status line gives its tiles
    // and error).
    bool importScreenPicture(const QString &path, int patternTable = 0, bool documentSubPalettes = false,
        const std::optional<mosavo::LossySettings> &lossy = std::nullopt);
    // Screen > Import Nametable: asks for a nametable file and imports it (importNametable).
    void chooseNametable();
    // A nametable file (1024 or 960 bytes; RLE-packed when its name ends in .rle) added as a new screen, named after
    // the file and reading the shown screen's pattern table, as one undo step; false, with one message naming the
    // file and the reason and the document unchanged, when it cannot be used.
    bool importNametable(const QString &path);
    // Screen > Export Nametable: asks where and writes the shown screen there (exportNametable).
    void chooseNametableExport();
    // The shown screen written to path in the form its name asks for: .rle packed, .s or .asm ca65 source, .c or .h
    // C source (the bytes named after the file), else the 1024 bytes of a .nam file. False, with a message, when
    // there is no screen or it cannot be written.
    bool exportNametable(const QString &path);
    // Screen > Remove Duplicate Tiles: the shown screen's pattern table's identical tiles merged into the first and
    // every screen reading it renumbered, one undo step. False when nothing is merged.
    bool removeDuplicateTiles();

    // View > Mark Unused Tiles: marks in the tile viewer the tiles of the pattern tables the screens read that no
    // screen uses (or clears the marks).
    void setMarkUnusedTiles(bool on);
    bool marksUnusedTiles() const { return markUnused_; }

    // The largest whole zoom (1x-4x) at which the screen view shows the whole screen without scrolling (1x when none
    // does), and the view set to it (done when the dock is first shown).
    int fittingZoom() const;
    void zoomToFit();

    // The first document tile of the screens' CHR bank, and the bank's tiles as they are now.
    int64_t bankFirstTile() const;
    mosavo::PatternTables patterns() const;

    // The stamp picked up from the screen by a Pick drag, while it is the stamp.
    const std::optional<mosavo::ScreenRegion> &pickedStamp() const { return pickedStamp_; }

    // ScreenEditorDelegate.
    void screenGestureBegan(mosavo::ScreenEditor *editor, mosavo::ScreenTool tool, int column, int row) override;
    void screenGestureMoved(mosavo::ScreenEditor *editor, mosavo::ScreenTool tool, int column, int row) override;
    void screenGestureEnded(
        mosavo::ScreenEditor *editor, mosavo::ScreenTool tool, const mosavo::CellRect &cells) override;

    // Called by ScreenListCommand once it has changed the document.
    void stateApplied(int shown);
    // Re-reads tiles, palettes and screens from the document into the views.
    void refresh();

private:
    void buildDock();
    void buildMenu();
    void push(std::vector<mosavo::Screen> after, int shownAfter, const QString &text);
    void refreshList();
    void updateMarks();
    // The viewer's selected block as a stamp of the shown screen's pattern table, or why not.
    std::optional<mosavo::ScreenRegion> viewerStamp();
    // Tells the editor the size of the stamp: the rectangle picked up from the screen, else the viewer's block.
    void updateStampSize();
    void applyTool(mosavo::ScreenTool tool, int column, int row);

    QDockWidget *dock_ = nullptr;
    QMenu *menu_ = nullptr;
    mosavo::ScreenEditor *editor_ = nullptr;
    QListWidget *list_ = nullptr;
    QComboBox *toolChoice_ = nullptr;
    QComboBox *zoomChoice_ = nullptr;
    QComboBox *tableChoice_ = nullptr;
    QScrollArea *editorScroll_ = nullptr;
    int current_ = -1;
    bool refreshing_ = false;
    bool markUnused_ = false;
    // The region copied last.
    std::optional<mosavo::ScreenRegion> copied_;
    // While a gesture lasts: the screens before it, and the shown screen as the gesture has made it so far.
    std::optional<std::vector<mosavo::Screen>> gestureBefore_;
    mosavo::Screen gestureScreen_;
    std::optional<mosavo::ScreenRegion> gestureStamp_;
    // The rectangle of cells a Pick drag picked up (tiles and sub-palettes): the stamp until the viewer's selection
    // changes.
    std::optional<mosavo::ScreenRegion> pickedStamp_;
};

} // namespace kestova
