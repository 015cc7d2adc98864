#pragma once

#include "viewer/CollectionDataSource.h"
#include "viewer/CollectionDelegate.h"
#include "viewer/TileArrangement.h"
#include "viewer/TileCollectionDelegate.h"
#include "viewer/TileCollectionProtocol.h"

#include <QAbstractScrollArea>
#include <QImage>

#include <array>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace mosavo {

// The tile viewer: every tile of the tile data in a grid of 16 columns, scrolling vertically. Tiles are drawn in a
// fixed grey palette or in a display palette, laid out row by row or as upright 8x16 sprites (TileArrangement). A click
// selects a square block of zoomSize display positions (CollectionDelegate) and reports the tiles it shows to the
// TileCollectionDelegate. Only the cells in view are painted; there is no widget per tile.
class TileCollection : public QAbstractScrollArea, public TileCollectionProtocol
{
    Q_OBJECT

public:
    static constexpr int64_t columnsPerRow = 16;

    explicit TileCollection(QWidget *parent = nullptr);
    ~TileCollection() override;

    // Held weakly; write it before configure.
    void setTileCollectionDelegate(TileCollectionDelegate *delegate);
    std::shared_ptr<TileCollectionDelegate> tileCollectionDelegate() const { return tileCollectionDelegate_.lock(); }

    const std::set<int64_t> &selectedTiles() const override { return selectedTiles_; }
    ZoomSize zoomSize() const override { return zoomSize_; }
    void setZoomSize(ZoomSize zoomSize) override;
    void configure(TileDataPtr tileData) override;

    // The current block, row by row, -1 past the last tile.
    const std::vector<std::vector<int64_t>> &selectedTileIDs() const { return selectedTileIDs_; }
    // Tile number of the block's top-left tile.
    int64_t currentlySelectedTile() const { return currentlySelectedTile_; }
    // Selects the block whose top-left display position shows the tile (the edge rule may move it, as for a click),
    // scrolls it into view and reports it. A tile outside the tile data is refused with a log line.
    void selectTile(int64_t tileNumber);
    bool collectionViewSet() const { return collectionViewSet_; }

    CollectionDelegate &collectionDelegate() { return *collectionDelegate_; }
    const CollectionDelegate &collectionDelegate() const { return *collectionDelegate_; }
    CollectionDataSource &collectionDataSource() { return *collectionDataSource_; }
    const CollectionDataSource &collectionDataSource() const { return *collectionDataSource_; }

    // The palette tiles are drawn with; null (the default) for the grey palette. Its first four colours are used, grey
    // standing in for entries it lacks. The palette is shared: call refreshColors after changing its colours in place.
    void setDisplayPalette(PalettePtr palette);
    const PalettePtr &displayPalette() const { return displayPalette_; }
    // Reads the display palette's colours again and, when they changed, repaints the cells in view with them.
    void refreshColors();

    // Row by row (the default) or as 8x16 sprites. Switching keeps the block's top-left tile selected as far as the
    // edge rule allows, reports the block again and repaints everything.
    TileArrangement arrangement() const { return arrangement_; }
    void setArrangement(TileArrangement arrangement);

    // Sizes the grid: 16 columns and as many display rows as the arrangement needs for the tiles (whole rows, pairs of
    // rows for 8x16 sprites); copies the delegate into the CollectionDelegate.
    void setupColumnsAndRowsForViewer();
    // Redraws those tiles from the current tile data; only cells in view are repainted, the others show the new
    // pixels when they come into view.
    void updateModifiedTileIDs(const std::vector<int64_t> &tileNumbers);
    // Redraws every cell from the current tile data.
    void reloadData();

    // Cells are square, cellPitch apart, with a one-pixel gap. By default they follow the width: a frame of width w has
    // cells of side w / 16 - 1.
    static int cellPitchForWidth(int width);
    static int cellSideForWidth(int width) { return cellPitchForWidth(width) - 1; }
    // At a viewer scale of 1 to 4 they grow only in whole steps instead: each tile pixel is scale x scale screen
    // pixels (cells of side 8 x scale), or, when the 16 columns do not fit the width at that scale, the largest smaller
    // scale that does (at least 1). Scale 0 returns to following the width. Changing it keeps the top visible tile at
    // the top of the view; other values are refused with a log line.
    static constexpr int maximumViewerScale = 4;
    static int cellPitchForScale(int scale) { return 8 * scale + 1; }
    int viewerScale() const { return viewerScale_; }
    void setViewerScale(int scale);
    // The whole-step scale the cells are drawn at now (0 while they follow the width).
    int shownScale() const;
    int cellPitch() const;
    int cellSide() const;
    // The tile at the left of the top display row in view (0 without tiles).
    int64_t topVisibleTile() const;

    // At a viewer scale: wide enough for the 16 columns at that scale and the scroll bar.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // The cell of a tile in viewport coordinates (scrolled), where the arrangement puts it.
    QRect cellRect(int64_t tileNumber) const;
    // Whether the tile is in the tile list and its cell is at least partly in view.
    bool isShowingItem(int64_t tileNumber) const;
    // The tile under a viewport position, if any (none over a filler cell).
    std::optional<int64_t> tileNumberAt(QPoint position) const;
    // Tiles marked with a small red corner (such as tiles no screen uses); none by default.
    void setMarkedTiles(std::set<int64_t> tiles);
    const std::set<int64_t> &markedTiles() const { return markedTiles_; }
    // Scrolls so the tile's display row is at the top of the view (as far as the scroll range allows).
    void scrollToTile(int64_t tileNumber);

signals:
    // The pointer moved over the cell of a tile, or off the tiles (tileNumber -1: a filler cell, or out of the view).
    void tileHovered(int64_t tileNumber);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent *event) override;

private:
    friend class CollectionDelegate;

    // Marks a tile's cell for repainting when it is in view.
    void setNeedsDisplay(int64_t tileNumber);
    void updateScrollRange();
    // Runs a change of the cell size: the display row at the top of the view before it is at the top after it.
    template<typename Change>
    void keepingTopRow(Change change);
    int64_t numberOfRows() const;
    // The colour indices of a tile (8 x 8, row after row; noColor for a value outside 0-3), kept while the tile is
    // near the view; nullptr when the tile cannot be drawn.
    const uint8_t *tilePixels(int64_t tileNumber, const MatrixPtr &matrix);
    // The display row of a tile's cell.
    int64_t displayRow(int64_t tileNumber) const { return displayRowOfTile(arrangement_, tileNumber); }
    // Scrolls the current block into view when part of it is out of view.
    void scrollSelectionIntoView();
    // One grid row as shown (cells, gaps, and the space right of the grid), composed when first needed and kept while
    // the row is near the view; the cells that change are forgotten and composed again.
    const QImage &rowPicture(int64_t row, int64_t tileCount);
    void composeRow(int64_t row, int64_t tileCount, QImage &picture);
    void forgetTile(int64_t tileNumber);
    void forgetPictures();
    void forgetPicturesOutOfView();

    std::weak_ptr<TileCollectionDelegate> tileCollectionDelegate_;
    std::set<int64_t> selectedTiles_;
    std::set<int64_t> markedTiles_;
    ZoomSize zoomSize_ = ZoomSize::x4;
    std::vector<std::vector<int64_t>> selectedTileIDs_;
    int64_t currentlySelectedTile_ = 0;
    bool collectionViewSet_ = false;
    TileArrangement arrangement_ = TileArrangement::rows8x8;
    int viewerScale_ = 0;
    // The cell pitch the scroll position was last laid out for.
    int laidOutPitch_ = 0;
    PalettePtr displayPalette_;
    std::unique_ptr<CollectionDelegate> collectionDelegate_;
    std::unique_ptr<CollectionDataSource> collectionDataSource_;

    // A cell's colours by colour index: the four display colours, then the colour of a value without one (as the
    // canvas leaves it transparent, the cell shows black).
    static constexpr uint8_t noColor = 4;
    using CellColors = std::array<QRgb, noColor + 1>;
    CellColors tileColors_ {};
    CellColors selectedTileColors_ {};

    struct CachedTile
    {
        std::weak_ptr<Matrix> source;
        bool drawable = false;
        std::array<uint8_t, 64> indices {};
    };
    std::unordered_map<int64_t, CachedTile> tilePixels_;
    std::unordered_map<int64_t, QImage> rowPictures_;
    int64_t hoveredTile_ = -1;
};

} // namespace mosavo
