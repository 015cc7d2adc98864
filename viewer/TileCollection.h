#pragma once

#include "viewer/CollectionDataSource.h"
#include "viewer/CollectionDelegate.h"
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

// The tile viewer: every tile of the tile data in a grid of 16 columns, drawn in a fixed grey palette, scrolling
// vertically. A click selects a square block of zoomSize tiles (CollectionDelegate) and reports it to the
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
    bool collectionViewSet() const { return collectionViewSet_; }

    CollectionDelegate &collectionDelegate() { return *collectionDelegate_; }
    const CollectionDelegate &collectionDelegate() const { return *collectionDelegate_; }
    CollectionDataSource &collectionDataSource() { return *collectionDataSource_; }
    const CollectionDataSource &collectionDataSource() const { return *collectionDataSource_; }

    // Sizes the grid: 16 columns, tile count / 16 rows rounded up; copies the delegate into the CollectionDelegate.
    void setupColumnsAndRowsForViewer();
    // Redraws those tiles from the current tile data; only cells in view are repainted, the others show the new
    // pixels when they come into view.
    void updateModifiedTileIDs(const std::vector<int64_t> &tileNumbers);
    // Redraws every cell from the current tile data.
    void reloadData();

    // Cells are square, cellPitch apart: a frame of width w has cells of side w / 16 - 1 and a one-pixel gap.
    static int cellPitchForWidth(int width);
    static int cellSideForWidth(int width) { return cellPitchForWidth(width) - 1; }
    int cellSide() const;
    // The cell of a tile in viewport coordinates (scrolled).
    QRect cellRect(int64_t tileNumber) const;
    // Whether the tile is in the tile list and its cell is at least partly in view.
    bool isShowingItem(int64_t tileNumber) const;
    // The tile under a viewport position, if any.
    std::optional<int64_t> tileNumberAt(QPoint position) const;
    // Scrolls so the tile's row is at the top of the view (as far as the scroll range allows).
    void scrollToTile(int64_t tileNumber);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent *event) override;

private:
    friend class CollectionDelegate;

    // Marks a tile's cell for repainting when it is in view.
    void setNeedsDisplay(int64_t tileNumber);
    void updateScrollRange();
    int64_t numberOfRows() const;
    // The grey pixels of a tile (8 x 8, opaque RGB), made through TileView and kept while the tile is near the view;
    // nullptr when the tile cannot be drawn.
    const QRgb *tilePixels(int64_t tileNumber, const MatrixPtr &matrix);
    // One grid row as shown (cells, gaps, and the space right of the grid), composed when first needed and kept while
    // the row is near the view; the cells that change are forgotten and composed again.
    const QImage &rowPicture(int64_t row, int64_t tileCount);
    void composeRow(int64_t row, int64_t tileCount, QImage &picture);
    void forgetTile(int64_t tileNumber);
    void forgetPictures();
    void forgetPicturesOutOfView();

    std::weak_ptr<TileCollectionDelegate> tileCollectionDelegate_;
    std::set<int64_t> selectedTiles_;
    ZoomSize zoomSize_ = ZoomSize::x4;
    std::vector<std::vector<int64_t>> selectedTileIDs_;
    int64_t currentlySelectedTile_ = 0;
    bool collectionViewSet_ = false;
    std::unique_ptr<CollectionDelegate> collectionDelegate_;
    std::unique_ptr<CollectionDataSource> collectionDataSource_;

    struct CachedTile
    {
        std::weak_ptr<Matrix> source;
        bool drawable = false;
        std::array<QRgb, 64> pixels {};
    };
    std::unordered_map<int64_t, CachedTile> tilePixels_;
    std::unordered_map<int64_t, QImage> rowPictures_;
};

} // namespace mosavo
