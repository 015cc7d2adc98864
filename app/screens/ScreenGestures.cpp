#include "app/screens/ScreenActions.h"

#include "app/document/FileIO.h"
#include "app/document/MosavoDocument.h"
#include "app/screens/ScreenImport.h"
#include "app/tiles/EditorViewController.h"
#include "app/window/Alerts.h"
#include "app/window/DockSupport.h"
#include "app/window/FilePanels.h"
#include "app/window/MainMosavoWindow.h"
#include "convert/SpriteConversion.h"
#include "convert/TileDedup.h"
#include "palette/DisplayColors.h"
#include "palette/NESPalette.h"
#include "ui_MainMosavo.h"
#include "viewer/TileCollection.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QFileInfo>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSettings>
#include <QToolButton>
#include <QUndoStack>
#include <QVBoxLayout>

#include <algorithm>

namespace kestova {

using namespace mosavo;

std::optional<ScreenRegion> ScreenActions::viewerStamp()
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0)
        return std::nullopt;
    const auto &rows = window_->ui().tileCollection->selectedTileIDs();
    const int64_t first = bankFirstTile() + int64_t(s->screens()[size_t(current_)].patternTable) * 256;
    std::vector<uint8_t> tiles;
    int columns = 0;
    for (const auto &row : rows) {
        columns = std::max(columns, int(row.size()));
        for (int64_t number : row) {
            if (number < first || number >= first + 256) {
                status(QStringLiteral("Tile %1 is not in the screen's pattern table (tiles %2-%3)")
                           .arg(number)
                           .arg(first)
                           .arg(first + 255));
                return std::nullopt;
            }
            tiles.push_back(uint8_t(number - first));
        }
    }
    if (tiles.empty() || columns == 0 || tiles.size() != size_t(columns) * rows.size())
        return std::nullopt;
    return tileBlock(columns, int(rows.size()), tiles);
}

void ScreenActions::updateStampSize()
{
    if (pickedStamp_) {
        editor_->setStampSize(pickedStamp_->columns, pickedStamp_->rows);
        return;
    }
    const auto &rows = window_->ui().tileCollection->selectedTileIDs();
    size_t columns = 1;
    for (const auto &row : rows)
        columns = std::max(columns, row.size());
    editor_->setStampSize(int(columns), std::max(1, int(rows.size())));
}

void ScreenActions::applyTool(ScreenTool tool, int column, int row)
{
    switch (tool) {
    case ScreenTool::stamp:
        // A rectangle picked up from the screen brings its sub-palettes along; the viewer's block only tiles.
        if (gestureStamp_)
            mosavo::pasteRegion(gestureScreen_, *gestureStamp_, column, row, pickedStamp_.has_value());
        break;
    case ScreenTool::attribute:
        gestureScreen_.setSubPalette(column, row, window_->editorViewController->currentSubPalette());
        break;
    default:
        break;
    }
}

void ScreenActions::screenGestureBegan(ScreenEditor *, ScreenTool tool, int column, int row)
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0)
        return;
    gestureBefore_.reset();
    gestureStamp_.reset();
    if (tool == ScreenTool::pick) {
        const Screen &screen = s->screens()[size_t(current_)];
        const int64_t number = bankFirstTile() + int64_t(screen.patternTable) * 256 + screen.tileAt(column, row);
        window_->ui().tileCollection->selectTile(number);
        status(QStringLiteral("Picked tile %1 ($%2)").arg(number).arg(number, 0, 16));
        return;
    }
    if (const int subPalette = window_->editorViewController->currentSubPalette();
        tool == ScreenTool::attribute && (subPalette < 0 || subPalette > 3)) {
        status(QStringLiteral("Sub-palette %1 is a sprite sub-palette: a screen takes background sub-palettes 0-3")
                   .arg(subPalette));
        return;
    }
    gestureBefore_ = s->screens();
    gestureScreen_ = s->screens()[size_t(current_)];
    if (tool == ScreenTool::stamp || tool == ScreenTool::fill)
        gestureStamp_ = pickedStamp_ ? pickedStamp_ : viewerStamp();
    applyTool(tool, column, row);
    editor_->updateScreen(gestureScreen_);
}

void ScreenActions::screenGestureMoved(ScreenEditor *, ScreenTool tool, int column, int row)
{
    if (!gestureBefore_)
        return;
    applyTool(tool, column, row);
    editor_->updateScreen(gestureScreen_);
}

void ScreenActions::screenGestureEnded(ScreenEditor *, ScreenTool tool, const CellRect &cells)
{
    const SettingsPtr s = settings();
    if (tool == ScreenTool::pick) {
        // A drag over several cells picks up their rectangle as the stamp (a click has picked its tile).
        if (s && current_ >= 0 && cells.columns * cells.rows > 1) {
            pickedStamp_ = mosavo::copyRegion(s->screens()[size_t(current_)], cells);
            updateStampSize();
            status(QStringLiteral("Picked up %1 x %2 cells as the stamp").arg(cells.columns).arg(cells.rows));
        }
        return;
    }
    if (!gestureBefore_)
        return;
    if (!s || current_ < 0) {
        gestureBefore_.reset();
        return;
    }
    if (tool == ScreenTool::fill && gestureStamp_)
        fillWithPattern(gestureScreen_, cells, *gestureStamp_);
    std::vector<Screen> after = *gestureBefore_;
    after[size_t(current_)] = gestureScreen_;
    gestureBefore_.reset();
    static const char *const names[] = { "Stamp", "Pick", "Paint Attributes", "Fill", "Select" };
    push(std::move(after), current_, QString::fromLatin1(names[int(tool)]));
    refresh();
}

} // namespace kestova
