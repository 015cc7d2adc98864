#include "viewer/TileCollection.h"

#include "editor/MosavoLogging.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <tuple>
#include <utility>

namespace mosavo {

namespace {

// The colours of a cell by colour index, with and without the selection overlay.
std::pair<std::array<QRgb, 5>, std::array<QRgb, 5>> cellColorsFor(const PalettePtr &palette)
{
    const std::array<QRgb, 4> display = TileView::displayColors(palette);
    std::array<QRgb, 5> plain { display[0], display[1], display[2], display[3], qRgb(0, 0, 0) };
    std::array<QRgb, 5> selected;
    std::ranges::transform(plain, selected.begin(), &TileView::overlaid);
    return { plain, selected };
}

} // namespace

TileCollection::TileCollection(QWidget *parent)
    : QAbstractScrollArea(parent)
    , collectionDelegate_(std::make_unique<CollectionDelegate>())
    , collectionDataSource_(std::make_unique<CollectionDataSource>())
{
    setFrameShape(QFrame::NoFrame);
    // A fixed scroll bar keeps the cell size independent of whether the tiles fit the height.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Every paint covers its whole area (cells, gaps and the space after the last tile) itself.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    std::tie(tileColors_, selectedTileColors_) = cellColorsFor(displayPalette_);
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

void TileCollection::setDisplayPalette(PalettePtr palette)
{
    displayPalette_ = std::move(palette);
    refreshColors();
}

void TileCollection::refreshColors()
{
    const auto [plain, selected] = cellColorsFor(displayPalette_);
    if (plain == tileColors_)
        return;
    tileColors_ = plain;
    selectedTileColors_ = selected;
    // The tiles' colour indices stay; only the composed rows show the old colours.
    rowPictures_.clear();
    viewport()->update();
}

void TileCollection::setArrangement(TileArrangement arrangement)
{
    if (arrangement == arrangement_)
        return;
    arrangement_ = arrangement;
    collectionDelegate_->arrangement = arrangement;
    if (collectionDataSource_->tileData.lock())
        setupColumnsAndRowsForViewer();
    updateScrollRange();
    forgetPictures();
    if (collectionViewSet_)
        collectionDelegate_->didSelectItemsAt(this, { IndexPath { 0, currentlySelectedTile_ } });
    viewport()->update();
}

void TileCollection::selectTile(int64_t tileNumber)
{
    if (tileNumber < 0 || tileNumber >= collectionDataSource_->numberOfItemsInSection()) {
        qCWarning(mosavoLog).noquote() << "Cannot select tile " + QString::number(tileNumber)
                + " outside the tile data";
        return;
    }
    // Without a controller the selection only logs; the view stays where it is.
    const bool reported = bool(collectionDelegate_->tileCollectionDelegate.lock());
    collectionDelegate_->didSelectItemsAt(this, { IndexPath { 0, tileNumber } });
    if (reported)
        scrollSelectionIntoView();
}

void TileCollection::scrollSelectionIntoView()
{
    const int64_t pitch = cellPitch();
    const int64_t firstRow = displayRow(currentlySelectedTile_);
    const int64_t lastRow = std::min(firstRow + int64_t(selectedTileIDs_.size()), numberOfRows()) - 1;
    const int64_t top = verticalScrollBar()->value();
    if (firstRow * pitch < top || (lastRow + 1) * pitch - 1 > top + viewport()->height())
        scrollToTile(currentlySelectedTile_);
}

void TileCollection::configure(TileDataPtr tileData)
{
    collectionDataSource_->tileData = tileData;
    setupColumnsAndRowsForViewer();
    updateScrollRange();
    collectionViewSet_ = true;
    collectionDelegate_->tileCollection = this;
    collectionDataSource_->tileCollection = this;
    forgetPictures();
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
    collectionDelegate_->numberOfRows = displayRowCount(arrangement_, int64_t(tiles->matrices().size()));
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
        forgetTile(n);
        setNeedsDisplay(n);
    }
}

void TileCollection::reloadData()
{
    forgetPictures();
    viewport()->update();
}

int TileCollection::cellPitchForWidth(int width)
{
    return std::max(2, width / int(columnsPerRow));
}

int TileCollection::shownScale() const
{
    if (viewerScale_ == 0)
        return 0;
    const int width = viewport()->width();
    int scale = viewerScale_;
    while (scale > 1 && columnsPerRow * cellPitchForScale(scale) > width)
        --scale;
    return scale;
}

int TileCollection::cellPitch() const
{
    const int scale = shownScale();
    return scale > 0 ? cellPitchForScale(scale) : cellPitchForWidth(viewport()->width());
}

int TileCollection::cellSide() const
{
    return cellPitch() - 1;
}

template<typename Change>
void TileCollection::keepingTopRow(Change change)
{
    const int64_t before = laidOutPitch_ > 0 ? laidOutPitch_ : cellPitch();
    const int64_t topRow = verticalScrollBar()->value() / before;
    change();
    const int64_t pitch = cellPitch();
    if (pitch != before)
        forgetPictures();
    updateScrollRange();
    if (pitch != before)
        verticalScrollBar()->setValue(int(std::min<int64_t>(topRow * pitch, verticalScrollBar()->maximum())));
}

void TileCollection::setViewerScale(int scale)
{
    if (scale < 0 || scale > maximumViewerScale) {
        qCWarning(mosavoLog).noquote() << "Viewer scale " + QString::number(scale) + " is not 0 to "
                + QString::number(maximumViewerScale);
        return;
    }
    if (scale == viewerScale_)
        return;
    keepingTopRow([&] { viewerScale_ = scale; });
    updateGeometry();
    viewport()->update();
}

int64_t TileCollection::topVisibleTile() const
{
    const int64_t count = collectionDataSource_->numberOfItemsInSection();
    for (int64_t row = verticalScrollBar()->value() / cellPitch(); row >= 0; --row) {
        // A row of 8x16 sprites may start with a filler cell; then the row above it is taken.
        for (int64_t column = 0; column < columnsPerRow; ++column) {
            const int64_t n = tileNumberAtDisplayIndex(arrangement_, row * columnsPerRow + column, count);
            if (n >= 0)
                return n;
        }
    }
    return 0;
}

QSize TileCollection::sizeHint() const
{
    if (viewerScale_ == 0)
        return QAbstractScrollArea::sizeHint();
    const int frame = 2 * frameWidth();
    const int width = int(columnsPerRow) * cellPitchForScale(viewerScale_) + verticalScrollBar()->sizeHint().width();
    return { width + frame, std::max(QAbstractScrollArea::sizeHint().height(), 8 * cellPitchForScale(viewerScale_)) };
}

QSize TileCollection::minimumSizeHint() const
{
    if (viewerScale_ == 0)
        return QAbstractScrollArea::minimumSizeHint();
    // The 16 columns at scale 1 at least.
    const int frame = 2 * frameWidth();
    return { int(columnsPerRow) * cellPitchForScale(1) + verticalScrollBar()->sizeHint().width() + frame,
        4 * cellPitchForScale(1) + frame };
}

int64_t TileCollection::numberOfRows() const
{
    return collectionDelegate_->numberOfColumns > 0 ? collectionDelegate_->numberOfRows : 0;
}

QRect TileCollection::cellRect(int64_t tileNumber) const
{
    const int64_t pitch = cellPitch();
    const int64_t row = displayRow(tileNumber);
    const int64_t column = displayColumnOfTile(arrangement_, tileNumber);
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
    if (tileNumber >= 0)
        rowPictures_.erase(displayRow(tileNumber));
    if (isShowingItem(tileNumber))
        viewport()->update(cellRect(tileNumber));
}

std::optional<int64_t> TileCollection::tileNumberAt(QPoint position) const
{
    const int64_t pitch = cellPitch();
    const int64_t y = int64_t(position.y()) + verticalScrollBar()->value();
    if (position.x() < 0 || y < 0)
        return std::nullopt;
    const int64_t column = position.x() / pitch;
    if (column >= columnsPerRow)
        return std::nullopt;
    const int64_t n = tileNumberAtDisplayIndex(
        arrangement_, (y / pitch) * columnsPerRow + column, collectionDataSource_->numberOfItemsInSection());
    if (n < 0)
        return std::nullopt;
    return n;
}

void TileCollection::scrollToTile(int64_t tileNumber)
{
    const int64_t y = std::max<int64_t>(0, displayRow(tileNumber)) * cellPitch();
    verticalScrollBar()->setValue(int(std::min<int64_t>(y, verticalScrollBar()->maximum())));
}

void TileCollection::updateScrollRange()
{
    const int64_t pitch = cellPitch();
    laidOutPitch_ = int(pitch);
    const int64_t height = numberOfRows() * pitch;
    const int64_t range = std::clamp<int64_t>(height - viewport()->height(), 0, INT32_MAX);
    verticalScrollBar()->setRange(0, int(range));
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setSingleStep(int(pitch));
}

void TileCollection::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    // The rows are composed for the width; the top display row stays at the top when the cells change size.
    forgetPictures();
    keepingTopRow([] {});
    viewport()->update();
}

void TileCollection::scrollContentsBy(int dx, int dy)
{
    viewport()->scroll(dx, dy);
}

void TileCollection::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        forgetPictures();
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

void TileCollection::mouseMoveEvent(QMouseEvent *event)
{
    const int64_t tile = tileNumberAt(event->position().toPoint()).value_or(-1);
    if (tile != hoveredTile_) {
        hoveredTile_ = tile;
        emit tileHovered(tile);
    }
    QAbstractScrollArea::mouseMoveEvent(event);
}

bool TileCollection::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::Leave && hoveredTile_ != -1) {
        hoveredTile_ = -1;
        emit tileHovered(-1);
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void TileCollection::mouseReleaseEvent(QMouseEvent *event)
{
    // The selection is made on press; the release of that click is consumed here.
    if (event->button() == Qt::LeftButton)
        event->accept();
    else
        QAbstractScrollArea::mouseReleaseEvent(event);
}

const uint8_t *TileCollection::tilePixels(int64_t tileNumber, const MatrixPtr &matrix)
{
    CachedTile &cached = tilePixels_[tileNumber];
    if (cached.source.expired() || cached.source.lock() != matrix) {
        cached.source = matrix;
        // As TileView draws it: one pixel per cell of an 8 x 8 matrix.
        cached.drawable = matrix && matrix->rows() == 8 && matrix->columns() == 8;
        if (cached.drawable)
            std::ranges::transform(matrix->cells(), cached.indices.begin(),
                [](int64_t index) { return index >= 0 && index < noColor ? uint8_t(index) : noColor; });
    }
    return cached.drawable ? cached.indices.data() : nullptr;
}

void TileCollection::forgetTile(int64_t tileNumber)
{
    tilePixels_.erase(tileNumber);
    if (tileNumber >= 0)
        rowPictures_.erase(displayRow(tileNumber));
}

void TileCollection::forgetPictures()
{
    tilePixels_.clear();
    rowPictures_.clear();
}

void TileCollection::forgetPicturesOutOfView()
{
    const int64_t pitch = cellPitch();
    const int64_t firstRow = verticalScrollBar()->value() / pitch;
    const int64_t lastRow = (verticalScrollBar()->value() + viewport()->height()) / pitch;
    // Keep a row either side, so that scrolling by a row does not compose it again.
    const auto outOfView = [&](int64_t row) { return row < firstRow - 1 || row > lastRow + 1; };
    const size_t rowsKept = size_t(lastRow - firstRow + 3);
    if (rowPictures_.size() > rowsKept)
        std::erase_if(rowPictures_, [&](const auto &entry) { return outOfView(entry.first); });
    if (tilePixels_.size() > rowsKept * columnsPerRow)
        std::erase_if(tilePixels_, [&](const auto &entry) { return outOfView(displayRow(entry.first)); });
}

const QImage &TileCollection::rowPicture(int64_t row, int64_t tileCount)
{
    QImage &picture = rowPictures_[row];
    if (picture.isNull())
        composeRow(row, tileCount, picture);
    return picture;
}

void TileCollection::composeRow(int64_t row, int64_t tileCount, QImage &picture)
{
    const int width = viewport()->width();
    const int64_t pitch = cellPitch();
    const int64_t side = pitch - 1;
    picture = QImage(width, int(pitch), QImage::Format_RGB32);
    if (picture.isNull())
        return;

    const QRgb background = palette().color(viewport()->backgroundRole()).rgb();
    CellColors emptyColors;
    emptyColors.fill(background);
    // A cell without a drawable tile shows the item's own background.
    static const std::array<uint8_t, 64> flatCell {};
    static const CellColors undrawableColors = [] {
        CellColors colors;
        colors.fill(qRgb(255, 255, 0));
        return colors;
    }();
    static const CellColors selectedUndrawableColors = [] {
        CellColors colors;
        colors.fill(TileView::overlaid(qRgb(255, 255, 0)));
        return colors;
    }();

    struct CellSource
    {
        const uint8_t *indices; // 64 colour indices, row after row
        const QRgb *colors; // by colour index
    };
    std::array<CellSource, columnsPerRow> cells;
    for (int64_t column = 0; column < columnsPerRow; ++column) {
        const int64_t n = tileNumberAtDisplayIndex(arrangement_, row * columnsPerRow + column, tileCount);
        if (n < 0) {
            cells[size_t(column)] = { flatCell.data(), emptyColors.data() };
            continue;
        }
        const TileItem item = collectionDataSource_->itemForIndexPath({ 0, n });
        if (!item.matrix)
            std::puts("Tile data is nil for TileItem");
        const uint8_t *indices = item.matrix ? tilePixels(n, item.matrix) : nullptr;
        if (indices)
            cells[size_t(column)] = { indices, (item.selected ? selectedTileColors_ : tileColors_).data() };
        else
            cells[size_t(column)]
                = { flatCell.data(), (item.selected ? selectedUndrawableColors : undrawableColors).data() };
    }

    // Screen column -> position in the line of 16 x 8 tile pixels; the gaps and the space right of the grid read the
    // background at the last position. Nearest neighbour, as TileView draws.
    constexpr int64_t gapPosition = columnsPerRow * 8;
    std::vector<uint16_t> sourceColumn(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x) {
        const int64_t column = x / pitch;
        const int64_t within = x % pitch;
        sourceColumn[size_t(x)] = uint16_t(
            column < columnsPerRow && within < side ? column * 8 + TileView::tilePixelAt(within, side) : gapPosition);
    }

    std::array<QRgb, gapPosition + 1> sourceLine;
    sourceLine[gapPosition] = background;
    int64_t previousTileLine = -1;
    for (int y = 0; y < int(side); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
        const int64_t tileLine = TileView::tilePixelAt(y, side);
        if (tileLine == previousTileLine) {
            std::memcpy(line, picture.constScanLine(y - 1), size_t(width) * sizeof(QRgb));
            continue;
        }
        previousTileLine = tileLine;
        for (int64_t column = 0; column < columnsPerRow; ++column) {
            const CellSource &cell = cells[size_t(column)];
            const uint8_t *from = cell.indices + tileLine * 8;
            QRgb *to = sourceLine.data() + column * 8;
            for (int x = 0; x < 8; ++x)
                to[x] = cell.colors[from[x]];
        }
        for (int x = 0; x < width; ++x)
            line[x] = sourceLine[sourceColumn[size_t(x)]];
    }
    for (int y = int(side); y < int(pitch); ++y)
        std::fill_n(reinterpret_cast<QRgb *>(picture.scanLine(y)), width, background);
}

void TileCollection::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    const QColor background = palette().color(viewport()->backgroundRole());
    const int64_t count = collectionDataSource_->numberOfItemsInSection();
    const int64_t rows = numberOfRows();
    if (count == 0 || rows == 0) {
        painter.fillRect(event->rect(), background);
        return;
    }
    const int64_t pitch = cellPitch();
    const int64_t scroll = verticalScrollBar()->value();
    for (const QRect &area : event->region()) {
        const int64_t firstRow = std::max<int64_t>(0, (area.top() + scroll) / pitch);
        const int64_t lastRow = (area.bottom() + scroll) / pitch;
        for (int64_t row = firstRow; row <= lastRow; ++row) {
            const QRect rowArea(0, int(row * pitch - scroll), viewport()->width(), int(pitch));
            const QRect target = area & rowArea;
            if (row >= rows)
                painter.fillRect(target, background);
            else
                painter.drawImage(target.topLeft(), rowPicture(row, count), target.translated(0, -rowArea.top()));
        }
    }
    // Marked tiles: a red triangle in the cell's top-right corner.
    if (!markedTiles_.empty()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(230, 40, 40));
        const int corner = std::max(3, int(pitch / 3));
        for (const int64_t tile : markedTiles_) {
            if (tile < 0 || tile >= count)
                continue;
            const QRect cell = cellRect(tile);
            if (!event->region().intersects(cell))
                continue;
            const QPoint points[3] = { cell.topRight() + QPoint(1, 0), cell.topRight() + QPoint(1 - corner, 0),
                cell.topRight() + QPoint(1, corner) };
            painter.drawPolygon(points, 3);
        }
    }
    forgetPicturesOutOfView();
}

void TileCollection::setMarkedTiles(std::set<int64_t> tiles)
{
    if (tiles == markedTiles_)
        return;
    markedTiles_ = std::move(tiles);
    viewport()->update();
}

} // namespace mosavo
