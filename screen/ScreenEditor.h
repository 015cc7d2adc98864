#pragma once

#include "core/FrameRenderer.h"
#include "core/PatternTables.h"
#include "core/Screen.h"
#include "core/ScreenRegion.h"

#include <QImage>
#include <QWidget>

#include <array>
#include <vector>

namespace mosavo {

class ScreenEditor;

// What a press of the left button does on the screen (the right button always picks).
enum class ScreenTool {
    stamp, // puts the stamp (the tile viewer's block or a region picked up from the screen) at the cell
    pick, // selects the tile under the pointer in the tile viewer; a drag over several cells picks up their rectangle
    attribute, // gives the 2 x 2 area under the pointer the current background sub-palette
    fill, // fills the rectangle dragged out with the tile
    select, // selects the rectangle dragged out (for cut, copy and paste)
};

// What a key asks of the selected region while the editor has the focus: Delete (or Backspace) clears its tiles, and
// the platform's copy, cut and paste keys copy, cut or paste a region there.
enum class ScreenRegionKey {
    clear,
    copy,
    cut,
    paste,
};

// Hears what the user does on a ScreenEditor; the view itself changes nothing. A gesture is a press, the cells the
// pointer moves onto while the button is held, and the release with the rectangle from the first cell to the last.
class ScreenEditorDelegate
{
public:
    virtual ~ScreenEditorDelegate() = default;
    virtual void screenGestureBegan(ScreenEditor *editor, ScreenTool tool, int column, int row) = 0;
    virtual void screenGestureMoved(ScreenEditor *editor, ScreenTool tool, int column, int row) = 0;
    virtual void screenGestureEnded(ScreenEditor *editor, ScreenTool tool, const CellRect &cells) = 0;
};

// The screen editor: one screen as the PPU shows it (core/FrameRenderer, colour 0 of every sub-palette in the
// universal background colour, in the process's display colours) at 1x to 4x, with optional grids of the tiles (8 px),
// the attribute areas (16 px) and the attribute bytes (32 px). It keeps a composed picture and recomposes only the
// cells whose tile, sub-palette or tile pixels changed. Mouse gestures go to the delegate; the selection rectangle and
// the outline of the stamp under the pointer are drawn here.
class ScreenEditor : public QWidget
{
    Q_OBJECT

public:
    static constexpr int maximumScale = 4;

    explicit ScreenEditor(QWidget *parent = nullptr);

    // Held, not owned; null ignores gestures.
    void setDelegate(ScreenEditorDelegate *delegate) { delegate_ = delegate; }

    // The screen shown; the whole picture is composed again.
    void setScreen(const Screen &screen);
    // A new state of the screen shown: only the cells whose tile or sub-palette differ are composed again.
    void updateScreen(const Screen &screen);
    const Screen &screen() const { return screen_; }
    // The 512 tiles of the CHR bank the screen reads from.
    void setPatternTables(const PatternTables &patterns);
    // New pixels of some tiles (0-511 of the bank): only the cells showing them are composed again.
    void updateTiles(const PatternTables &patterns, const std::vector<int> &changedTiles);
    // The 32 palette bytes ($3F00-$3F1F) the screen is shown in.
    void setPalette(const PaletteBytes &palette);
    const PaletteBytes &paletteBytes() const { return palette_; }
    // Composes the picture again in the current display colours (after they changed).
    void refreshColors();

    // Screen pixels per NES pixel, 1 to 4 (other values are cut to that range).
    int scale() const { return scale_; }
    void setScale(int scale);

    bool showsTileGrid() const { return tileGrid_; }
    bool showsAttributeGrid() const { return attributeGrid_; }
    bool showsAttributeByteGrid() const { return attributeByteGrid_; }
    void setShowsTileGrid(bool on);
    void setShowsAttributeGrid(bool on);
    void setShowsAttributeByteGrid(bool on);

    ScreenTool tool() const { return tool_; }
    void setTool(ScreenTool tool);
    // The size in cells of the stamp, outlined under the pointer while the stamp tool is chosen.
    void setStampSize(int columns, int rows);
    QSize stampSize() const { return { stampColumns_, stampRows_ }; }

    // The selected rectangle of cells (empty when none).
    const CellRect &selection() const { return selection_; }
    void setSelection(const CellRect &cells);

    // The cell under a position of the widget, or (-1, -1) off the screen.
    QPoint cellAt(QPoint position) const;
    // The widget rectangle of a cell.
    QRect cellRect(int column, int row) const;
    // The composed picture at 1x (256 x 240, RGB).
    QImage picture() const;
    // How many cells were composed since the last resetComposedCount (for measuring what a change recomposes).
    int composedCells() const { return composedCells_; }
    void resetComposedCount() { composedCells_ = 0; }

    // A line about a cell of a screen: its tile number, the cell, its attribute area (16 x 16 pixels, with its
    // sub-palette) and attribute byte (index and PPU address in the first nametable).
    static QString describeCell(const Screen &screen, int column, int row);

    QSize sizeHint() const override;

signals:
    // The pointer moved onto a cell, or off the screen (-1, -1).
    void cellHovered(int column, int row);
    // The user dragged out a new selection.
    void selectionChanged(const mosavo::CellRect &cells);
    // A region key was pressed while the editor had the focus and a selection; such keys are the editor's then, not
    // the window's shortcuts (which act on tiles).
    void regionKeyPressed(mosavo::ScreenRegionKey key);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void composeAll();
    void composeCell(int column, int row);
    void updateColorTable();
    void updateCell(int column, int row);
    void setHovered(QPoint cell);
    QRect cellsRect(const CellRect &cells) const;

    ScreenEditorDelegate *delegate_ = nullptr;
    Screen screen_;
    PatternTables patterns_;
    PaletteBytes palette_ {};
    FramePicture frame_;
    std::array<QRgb, 64> colorTable_ {};
    // The picture at the current scale.
    QImage image_;
    int scale_ = 2;
    bool tileGrid_ = false;
    bool attributeGrid_ = false;
    bool attributeByteGrid_ = false;
    ScreenTool tool_ = ScreenTool::stamp;
    int stampColumns_ = 1;
    int stampRows_ = 1;
    CellRect selection_;
    // While the left button is held: the tool, the first cell and the last.
    bool dragging_ = false;
    ScreenTool dragTool_ = ScreenTool::stamp;
    QPoint anchor_ { -1, -1 };
    QPoint last_ { -1, -1 };
    QPoint hovered_ { -1, -1 };
    int composedCells_ = 0;
};

} // namespace mosavo
