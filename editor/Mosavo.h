#pragma once

#include "core/GraphicEditor.h"
#include "core/PixelAlgorithms.h"
#include "core/TileData.h"
#include "editor/BitmapCanvas.h"
#include "editor/MosavoDataSource.h"
#include "editor/ToolType.h"
#include "editor/ZoomSize.h"
#include "palette/PaletteProtocol.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QWidget>

class QPainter;

#include <cstdint>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

namespace mosavo {

// The zoomed pixel editor: a square view showing a block of n x n tiles of the tile data (n = zoomSize), one screen
// square per pixel, with a fine grid between pixels and a heavier grid between tiles. The mouse paints into the block
// with the current tool; every finished gesture cuts the block back into n x n tiles and hands them to the data source
// (the editor never writes into the tile data itself).
//
// Both canvases are built on one colour-index matrix, so everything painted into the drawing canvas is in the original
// canvas at once. Tile numbers outside the tile list (negative, or past the last tile) are filler squares shown in
// colour slot 0; they are never read from the tile data.
class Mosavo : public QWidget
{
    Q_OBJECT

public:
    explicit Mosavo(QWidget *parent = nullptr);
    ~Mosavo() override;

    // Palette slot painted by the tools (starts at 3). Fails with paletteValueUnavailable, keeping the slot, without a
    // palette or when value is not below the palette's number of colours.
    int64_t colorFromPalette() const { return colorFromPalette_; }
    std::error_code setColorFromPalette(int64_t value);

    // Where the current (or last) gesture began and where it was last seen, in view coordinates (top-left origin).
    QPointF startingPositionForCursor() const { return startingPositionForCursor_; }
    QPointF endingPositionForCursor() const { return endingPositionForCursor_; }

    // The canvas built at the last update or commit, and the one painted into and drawn; absent before the first
    // successful update.
    std::shared_ptr<GraphicEditor> bitmapCanvasOriginal() const { return bitmapCanvasOriginal_; }
    BitmapCanvasPtr bitmapCanvasForDrawing() const { return bitmapCanvasForDrawing_; }

    // The whole tile collection being edited; shown at the next update.
    TileDataPtr tileData() const { return tileData_; }
    void setTileData(TileDataPtr tileData) { tileData_ = std::move(tileData); }

    // Receiver of finished edits, held weakly (absent once it is destroyed).
    std::shared_ptr<MosavoDataSource> datasource() const { return datasource_.lock(); }
    void setDatasource(MosavoDataSource *datasource);

    ToolType toolType() const { return toolType_; }
    void setToolType(ToolType toolType) { toolType_ = toolType; }

    // Tiles per side. The grids and the pixel size under the mouse follow at once; the tiles at the next update.
    ZoomSize zoomSize() const { return zoomSize_; }
    void setZoomSize(ZoomSize zoomSize);

    // The four-colour palette for display and paint slots; shown at the next update.
    PalettePtr colorPalette() const { return colorPalette_; }
    void setColorPalette(PalettePtr palette) { colorPalette_ = std::move(palette); }

    // Numbers of the tiles shown, row by row; shown at the next update.
    const std::vector<int64_t> &tileIDs() const { return tileIDs_; }
    void setTileIDs(std::vector<int64_t> tileIDs) { tileIDs_ = std::move(tileIDs); }

    // Stroke widths of the tile grid and the pixel grid; used from the next redraw.
    double lineWidthForTiles() const { return lineWidthForTiles_; }
    void setLineWidthForTiles(double width) { lineWidthForTiles_ = width; }
    double lineWidthForPixels() const { return lineWidthForPixels_; }
    void setLineWidthForPixels(double width) { lineWidthForPixels_ = width; }

    // Colour of both grids; setting it redraws the view.
    QColor lineColorBetweenTiles() const { return lineColorBetweenTiles_; }
    void setLineColorBetweenTiles(const QColor &color);
    // Whether the pixel grid and the tile grid are drawn (they are by default); setting it redraws the view.
    bool showsGrid() const { return showsGrid_; }
    void setShowsGrid(bool shows);

    // Kept for the controller's use; the view does not read them.
    struct CursorLocation
    {
        int64_t x = 0;
        int64_t y = 0;
    };
    CursorLocation cursorLocation;
    int64_t startingPosition = 0;

    // 64 with tile data (NES tiles), 0 without.
    int64_t pixelsPerTile() const;
    // 8 with tile data; without it logs and yields 0.
    int64_t dimensionForTiles() const;

    // Rebuilds both canvases from the tile data, tile numbers, zoom and palette, and redraws. Fails with
    // tileIDUnavailable without tile numbers and with tileDataNotConfiguredProperly without tile data, changing
    // nothing. QWidget's own update overloads stay available; use them (or repaint) to merely request a redraw.
    using QWidget::update;
    std::error_code update();

    // Composes the tiles of tileIDs into one block and builds both canvases on it; without a palette or tile data it
    // logs and changes nothing.
    void clearBitmapCanvas();
    // A new drawing canvas on the original canvas's matrix with the current palette.
    void copyOriginalBitmapCanvasForDrawing();

    QSize sizeHint() const override { return { 512, 512 }; }

signals:
    // Alt+click or a middle click: the colour slot under the pointer, for the caller to make the paint slot.
    void colorPicked(int64_t slot);
    // The pointer moved over a pixel of the block: the tile number shown there (negative or past the last tile for a
    // filler square), the pixel's column and row within that tile and its colour index.
    void pixelHovered(int64_t tileNumber, int64_t x, int64_t y, int64_t colorIndex);
    // The pointer left the block.
    void hoverEnded();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    // Reports the pixel under a view position (pixelHovered, or hoverEnded off the block).
    void reportHover(QPointF position);
    // Side of one pixel square: the view's width over the pixels per side (0 without tile data).
    double pixelSize() const;
    // The canvas cell under a view position (truncated toward zero); nothing without a pixel size.
    std::optional<Cell> cellAt(QPointF position) const;
    // Applies the tool for the pointer now at cell: the pencil joins it to the last cell, the shape tools redraw their
    // shape from the press cell over the pixels as they were at the press.
    void dragTo(Cell cell);
    // Cuts the drawing canvas into tiles, rebuilds both canvases on its matrix, tells the data source and redraws.
    void commit();
    void requestRedraw() { QWidget::update(); }
    // Which canvas column (row) each view column (row) shows, and how many grid strokes cover it, for a square view of
    // side view pixels, a canvas of the given size and a grid of pixelsPerSide squares a side.
    void layOutFrame(int side, int64_t canvasColumns, int64_t canvasRows, int64_t pixelsPerSide);
    // Draws the picture of the view: the canvas image scaled without smoothing with both grids over it.
    void drawFrame(QPainter &painter, int side, int64_t pixelsPerSide);

    int64_t colorFromPalette_ = 3;
    QPointF startingPositionForCursor_;
    QPointF endingPositionForCursor_;
    std::shared_ptr<GraphicEditor> bitmapCanvasOriginal_;
    BitmapCanvasPtr bitmapCanvasForDrawing_;
    TileDataPtr tileData_;
    std::weak_ptr<MosavoDataSource> datasource_;
    ToolType toolType_ = ToolType::pencil;
    ZoomSize zoomSize_ = ZoomSize::x4;
    PalettePtr colorPalette_;
    std::vector<int64_t> tileIDs_;
    double lineWidthForTiles_ = 2.0;
    double lineWidthForPixels_ = 0.01;
    QColor lineColorBetweenTiles_ = Qt::black;
    bool showsGrid_ = true;

    // The gesture in progress.
    bool gestureActive_ = false;
    Qt::MouseButton gestureButton_ = Qt::LeftButton;
    // The slot the current gesture paints: the paint slot, or 0 for the right button.
    int64_t paintValue_ = 3;
    Cell pressCell_;
    Cell lastCell_;
    // The block's pixels at the press, for the shape tools' live preview.
    std::vector<int64_t> pixelsAtPress_;
    bool hovering_ = false;

    // Drawing: the composed view and the layout it was composed with.
    struct FrameLayout
    {
        int side = -1;
        int64_t canvasColumns = -1;
        int64_t canvasRows = -1;
        int64_t pixelsPerSide = -1;
        double lineWidthForPixels = -1.0;
        double lineWidthForTiles = -1.0;
        bool showsGrid = true;
        bool operator==(const FrameLayout &) const = default;
    };
    FrameLayout frameLayout_;
    std::vector<int32_t> columnStarts_;
    std::vector<int32_t> canvasRowOfPixel_;
    std::vector<uint16_t> strokesOverPixel_;
    std::vector<int32_t> strokedPixels_;
    struct PixelRun
    {
        int32_t start = 0;
        int32_t length = 0;
        int32_t column = 0;
    };
    std::vector<PixelRun> unstrokedRuns_;
    std::vector<uint32_t> indexColors_;
    std::vector<uint32_t> composedRow_;
    std::vector<uint32_t> lineRow_;
    std::vector<uint32_t> overlaidRow_;
};

} // namespace mosavo
