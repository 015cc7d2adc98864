#include "viewer/TileCollection.h"

#include "editor/MosavoLogging.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>

namespace mosavo {

TileCollection::TileCollection(QWidget *parent)
    : QAbstractScrollArea(parent)
    , collectionDelegate_(std::make_unique<CollectionDelegate>())
    , collectionDataSource_(std::make_unique<CollectionDataSource>())
{
    setFrameShape(QFrame::NoFrame);
    // A fixed scroll bar keeps the cell size independent of whether the tiles fit the height.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

TileCollection::~TileCollection() = default;

void TileCollection::setTileCollectionDelegate(TileCollectionDelegate *delegate)
{
    tileCollectionDelegate_ = delegate ? delegate->weakReference() : std::weak_ptr<TileCollectionDelegate>();
}

void TileCollection::setZoomSize(ZoomSize zoomSize)
{
    collectionDelegate_->zoomSize = zoomSize;
    zoomSize_ = zoomSize;
    collectionDelegate_->didSelectItemsAt(this, { IndexPath { 0, currentlySelectedTile_ } });
    reloadData();
}

void TileCollection::configure(TileDataPtr tileData)
{
    collectionDataSource_->tileData = tileData;
    setupColumnsAndRowsForViewer();
    updateScrollRange();
    collectionViewSet_ = true;
    collectionDelegate_->tileCollection = this;
    collectionDataSource_->tileCollection = this;
    tileImages_.clear();
    collectionDelegate_->didSelectItemsAt(this, { IndexPath { 0, currentlySelectedTile_ } });
    updateScrollRange();
    viewport()->update();
}

void TileCollection::setupColumnsAndRowsForViewer()
{
    const TileDataPtr tiles = collectionDataSource_->tileData.lock();
    if (!tiles) {
        qCWarning(mosavoLog).noquote() << "failed to get tiles from tiledata when configuring";
        return;
    }
    collectionDelegate_->numberOfColumns = columnsPerRow;
    collectionDelegate_->numberOfRows = (int64_t(tiles->matrices().size()) + columnsPerRow - 1) / columnsPerRow;
    collectionDelegate_->tileCollectionDelegate = tileCollectionDelegate_;
}

void TileCollection::updateModifiedTileIDs(const std::vector<int64_t> &tileNumbers)
{
    if (!collectionDataSource_->tileData.lock()) {
        QStringList numbers;
        for (int64_t n : tileNumbers)
            numbers << QString::number(n);
        qCWarning(mosavoLog).noquote() << "Cannot update tiles ([" + numbers.join(", ") + "]) without tile data";
        return;
    }
    for (int64_t n : tileNumbers) {
        tileImages_.erase(n);
        setNeedsDisplay(n);
    }
}

void TileCollection::reloadData()
{
    tileImages_.clear();
    viewport()->update();
}

int TileCollection::cellPitchForWidth(int width)
{
    return std::max(2, width / int(columnsPerRow));
}

int TileCollection::cellSide() const
{
    return cellSideForWidth(viewport()->width());
}

int64_t TileCollection::numberOfRows() const
{
    return collectionDelegate_->numberOfColumns > 0 ? collectionDelegate_->numberOfRows : 0;
}

QRect TileCollection::cellRect(int64_t tileNumber) const
{
    const int64_t pitch = cellPitchForWidth(viewport()->width());
    const int64_t row = tileNumber / columnsPerRow;
    const int64_t column = tileNumber % columnsPerRow;
    const int64_t y = row * pitch - verticalScrollBar()->value();
    // Far-off cells are clamped out of view rather than overflowing int.
    const int top = int(std::clamp<int64_t>(y, -pitch - 1, int64_t(viewport()->height()) + 1));
    return QRect(int(column * pitch), top, int(pitch - 1), int(pitch - 1));
}

bool TileCollection::isShowingItem(int64_t tileNumber) const
{
    if (tileNumber < 0 || tileNumber >= collectionDataSource_->numberOfItemsInSection())
        return false;
    return cellRect(tileNumber).intersects(viewport()->rect());
}

void TileCollection::setNeedsDisplay(int64_t tileNumber)
{
    if (isShowingItem(tileNumber))
        viewport()->update(cellRect(tileNumber));
}

std::optional<int64_t> TileCollection::tileNumberAt(QPoint position) const
{
    const int64_t pitch = cellPitchForWidth(viewport()->width());
    const int64_t y = int64_t(position.y()) + verticalScrollBar()->value();
    if (position.x() < 0 || y < 0)
        return std::nullopt;
    const int64_t column = position.x() / pitch;
    if (column >= columnsPerRow)
        return std::nullopt;
    const int64_t n = (y / pitch) * columnsPerRow + column;
    if (n >= collectionDataSource_->numberOfItemsInSection())
        return std::nullopt;
    return n;
}

void TileCollection::scrollToTile(int64_t tileNumber)
{
    const int64_t y = std::max<int64_t>(0, tileNumber / columnsPerRow) * cellPitchForWidth(viewport()->width());
    verticalScrollBar()->setValue(int(std::min<int64_t>(y, verticalScrollBar()->maximum())));
}

void TileCollection::updateScrollRange()
{
    const int64_t pitch = cellPitchForWidth(viewport()->width());
    const int64_t height = numberOfRows() * pitch;
    const int64_t range = std::clamp<int64_t>(height - viewport()->height(), 0, INT32_MAX);
    verticalScrollBar()->setRange(0, int(range));
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setSingleStep(int(pitch));
}

void TileCollection::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
    viewport()->update();
}

void TileCollection::scrollContentsBy(int dx, int dy)
{
    viewport()->scroll(dx, dy);
}

void TileCollection::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    event->accept();
    if (const std::optional<int64_t> n = tileNumberAt(event->position().toPoint()))
        collectionDelegate_->didSelectItemsAt(this, { IndexPath { 0, *n } });
}

void TileCollection::mouseReleaseEvent(QMouseEvent *event)
{
    // The selection is made on press; the release of that click is consumed here.
    if (event->button() == Qt::LeftButton)
        event->accept();
    else
        QAbstractScrollArea::mouseReleaseEvent(event);
}

const QImage &TileCollection::tileImage(int64_t tileNumber, const MatrixPtr &matrix)
{
    CachedTile &cached = tileImages_[tileNumber];
    if (cached.image.isNull() || cached.source.lock() != matrix) {
        cached.source = matrix;
        cached.image = TileView::convertTileDataToImage(matrix, TileView().dimensionOfTile);
    }
    return cached.image;
}

void TileCollection::forgetTilesOutOfView()
{
    const size_t inView = size_t(viewport()->height() / cellPitchForWidth(viewport()->width()) + 2) * columnsPerRow;
    if (tileImages_.size() <= 2 * inView + columnsPerRow)
        return;
    std::erase_if(tileImages_, [this](const auto &entry) { return !isShowingItem(entry.first); });
}

void TileCollection::paintEvent(QPaintEvent *event)
{
    const int64_t count = collectionDataSource_->numberOfItemsInSection();
    if (count == 0 || collectionDelegate_->numberOfColumns <= 0)
        return;
    const int64_t pitch = cellPitchForWidth(viewport()->width());
    const int64_t scroll = verticalScrollBar()->value();

    std::vector<int64_t> cells;
    for (const QRect &area : event->region()) {
        const int64_t firstRow = std::max<int64_t>(0, (area.top() + scroll) / pitch);
        const int64_t lastRow = (area.bottom() + scroll) / pitch;
        const int64_t firstColumn = std::max<int64_t>(0, area.left() / pitch);
        const int64_t lastColumn = std::min<int64_t>(columnsPerRow - 1, area.right() / pitch);
        for (int64_t row = firstRow; row <= lastRow; ++row)
            for (int64_t column = firstColumn; column <= lastColumn; ++column)
                if (const int64_t n = row * columnsPerRow + column; n < count)
                    cells.push_back(n);
    }
    if (event->region().rectCount() > 1) {
        std::sort(cells.begin(), cells.end());
        cells.erase(std::unique(cells.begin(), cells.end()), cells.end());
    }

    QPainter painter(viewport());
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    static const QColor itemBackground(255, 255, 0);
    for (int64_t n : cells) {
        const TileItem item = collectionDataSource_->itemForIndexPath({ 0, n });
        const QRect rect = cellRect(n);
        const QImage *image = nullptr;
        if (item.matrix)
            image = &tileImage(n, item.matrix);
        else
            std::puts("Tile data is nil for TileItem");
        if (!image || image->isNull())
            painter.fillRect(rect, itemBackground);
        TileView::drawTile(painter, rect, image ? *image : QImage(), item.selected);
    }
    forgetTilesOutOfView();
}

} // namespace mosavo
