#pragma once

#include "app/levels/LevelEditCommand.h"
#include "app/window/DockSupport.h"
#include "core/PatternTables.h"
#include "level/LevelMapView.h"
#include "level/MetatileSetView.h"

#include <QPoint>
#include <QPointer>

#include <array>
#include <cstdint>
#include <optional>

class QCheckBox;
class QComboBox;
class QDockWidget;
class QLabel;
class QMenu;
class QSpinBox;

namespace kestova {

class MainMosavoWindow;

// The "Levels" dock of a document window and the Level menu: the shown map's metatile set (choose a metatile, set its
// behaviour byte; unused ones are marked) and the map (left button: stamp the chosen metatile, dragging over cells;
// Shift + drag: fill the rectangle; right button: pick the cell's metatile), zoom 1x-4x, a grid, the rooms'
// boundaries and an overlay of behaviour bytes; the status bar names the room, the cell, the metatile and its tiles.
// Level > Import Level Picture and Level > Make Metatiles from Screen add a set and a map. Every change is one step
// on the document's undo stack, and shows at once everywhere the metatile is used.
class LevelActions : public DocumentPart
{
    Q_OBJECT

public:
    explicit LevelActions(MainMosavoWindow *window);

    static LevelActions *install(MainMosavoWindow *window);
    static LevelActions *of(const MainMosavoWindow *window);

    QDockWidget *dock() const { return dock_; }
    QMenu *levelMenu() const { return menu_; }
    mosavo::LevelMapView *mapView() const { return mapView_; }
    mosavo::MetatileSetView *setView() const { return setView_; }

    // The map shown (a position in the document's list, -1 for none) and the metatile stamped.
    int currentMap() const { return current_; }
    void setCurrentMap(int index);
    int chosenMetatile() const { return setView_->chosen(); }
    void chooseMetatile(int metatile);

    // The chosen metatile's behaviour byte, one undo step.
    bool setBehaviour(int value);
    // Level > Add Block as Metatile: the tile viewer's block (its top-left 2 x 2 tiles, of the set's pattern table)
    // in the current sub-palette (0-3) added to the shown map's set and chosen, one undo step; false, with the reason
    // in the status bar, when it cannot be.
    bool addBlockAsMetatile();
    // Level > Set Metatile Tiles from Block: the chosen metatile's four tiles replaced by the tile viewer's block (the
    // same block and pattern table rule as addBlockAsMetatile), shown at once wherever it is used, one undo step.
    bool setMetatileTilesFromBlock();
    // The chosen metatile's sub-palette (0-3), one undo step.
    bool setMetatileSubPalette(int subPalette);
    // Level > Move Metatile Earlier / Later: the chosen metatile swapped with its neighbour in the set, every map over
    // the set renumbered so that it shows the same, one undo step.
    bool moveMetatile(int delta);
    // Level > Delete Unused Metatiles: the metatiles of the shown map's set that no map shows removed, the maps
    // renumbered, one undo step; how many were removed.
    int deleteUnusedMetatiles();
    // Level > Import Level Picture: asks for a picture and imports it (importLevelPicture).
    void chooseLevelPicture();
    // A picture file of whole rooms made into a new set and map (sub-palettes found for it), one undo step; false
    // with one message naming the file and the reason, the document unchanged, when it cannot be used. The work runs
    // off the window's thread on a copy of the document (runWithProgress): after half a second a progress dialog
    // with Cancel shows, and Cancel leaves the document as it was.
    bool importLevelPicture(const QString &path);
    // Level > Make Metatiles from Screen: the screen of the Screens dock (or the first) as a set and a one-room map.
    bool makeMetatilesFromScreen();

    // Regions of the shown map: Ctrl + drag selects a rectangle of cells; Copy Region puts its metatile numbers on
    // the system clipboard (regionMimeType: width and height as 16-bit little-endian numbers, then the cells row by
    // row); Paste Region lays them from the selection's top-left cell (the map's without one), cut at the map's
    // edge, one undo step.
    static inline const QString regionMimeType = QStringLiteral("application/x-kestova-level-region");
    QRect selection() const { return selection_; }
    bool copyRegion();
    bool pasteRegion();

    // After an undo step: the state shown again.
    void stateApplied(int shownMap);

private:
    void buildDock();
    void buildMenu();
    void refresh();
    LevelState state() const;
    void push(LevelState after, const QString &text);
    mosavo::PatternTables patterns() const;
    // The tile viewer's 2 x 2 block as tile numbers within the set's pattern table; nothing, with the reason in the
    // status bar, when no such block is selected.
    std::optional<std::array<uint8_t, 4>> blockTiles(const mosavo::MetatileSet &set) const;
    void pressed(int column, int row, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    void dragged(int column, int row);
    void released(int column, int row);
    void hovered(int column, int row);
    void stampAt(int column, int row);

    QDockWidget *dock_ = nullptr;
    QMenu *menu_ = nullptr;
    QComboBox *mapChoice_ = nullptr;
    QComboBox *zoom_ = nullptr;
    QCheckBox *grid_ = nullptr;
    QCheckBox *behaviourOverlay_ = nullptr;
    QSpinBox *behaviour_ = nullptr;
    QSpinBox *subPalette_ = nullptr;
    QLabel *metatileInfo_ = nullptr;
    mosavo::MetatileSetView *setView_ = nullptr;
    mosavo::LevelMapView *mapView_ = nullptr;
    int current_ = -1;
    bool refreshing_ = false;
    // The gesture under way: the state before it, and for a rectangle its first cell.
    std::optional<LevelState> gestureBefore_;
    std::optional<QPoint> rectangleStart_;
    std::optional<QPoint> selectionStart_;
    QRect selection_;
};

} // namespace kestova
