#include "editor/Mosavo.h"

#include "core/MatrixBuilder.h"
#include "core/NESTileDataCollection.h"
#include "editor/MosavoError.h"
#include "editor/MosavoLogging.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace mosavo {

namespace {

constexpr int64_t nesTileSide = 8;

QString describe(const PalettePtr &palette)
{
    if (!palette)
        return QStringLiteral("absent");
    // size() only: reading a sub-palette's colours would draw random ones for a palette that has none yet.
    return QStringLiteral("palette of %1 colours").arg(palette->size());
}

QString describe(const TileDataPtr &tileData)
{
    if (!tileData)
        return QStringLiteral("absent");
    return QStringLiteral("tile data of %1 tiles").arg(tileData->totalNumberTiles());
}

} // namespace

Mosavo::Mosavo(QWidget *parent)
    : QWidget(parent)
{ }

Mosavo::~Mosavo() = default;

std::error_code Mosavo::setColorFromPalette(int64_t value)
{
    if (!colorPalette_ || value >= int64_t(colorPalette_->palette().size()))
        return MosavoError::paletteValueUnavailable;
    colorFromPalette_ = value;
    return {};
}

void Mosavo::setDatasource(MosavoDataSource *datasource)
{
    datasource_ = datasource ? datasource->weakReference() : std::weak_ptr<MosavoDataSource>();
}

void Mosavo::setZoomSize(ZoomSize zoomSize)
{
    zoomSize_ = zoomSize;
    requestRedraw();
}

void Mosavo::setLineColorBetweenTiles(const QColor &color)
{
    lineColorBetweenTiles_ = color;
    requestRedraw();
}

int64_t Mosavo::pixelsPerTile() const
{
    return tileData_ ? nesTileSide * nesTileSide : 0;
}

int64_t Mosavo::dimensionForTiles() const
{
    if (!tileData_) {
        qCInfo(mosavoLog).noquote() << "Number of pixels not set for the tileData type for pixel editor";
        return 0;
    }
    return nesTileSide;
}

std::error_code Mosavo::update()
{
    if (tileIDs_.empty()) {
        qCWarning(mosavoLog).noquote() << "ERROR: no tile data for editor";
        return MosavoError::tileIDUnavailable;
    }
    if (pixelsPerTile() == 0) {
        qCWarning(mosavoLog).noquote() << "Pixels per tile equals to 0";
        return MosavoError::tileDataNotConfiguredProperly;
    }
    copyOriginalBitmapCanvasForDrawing();
    if (!tileIDs_.empty()) {
        clearBitmapCanvas();
        requestRedraw();
    } else {
        qCWarning(mosavoLog).noquote() << "ERROR: failed to reset tiles to draw";
    }
    return {};
}

void Mosavo::clearBitmapCanvas()
{
    if (!colorPalette_ || !tileData_) {
        qCInfo(mosavoLog).noquote() << "ColorPalette: " + describe(colorPalette_);
        qCInfo(mosavoLog).noquote() << "TileData: " + describe(tileData_);
        return;
    }
    const int64_t n = tilesPerSide(zoomSize_);
    MatrixBuilder builder(n, n, nesTileSide, nesTileSide);
    const std::vector<MatrixPtr> &tiles = tileData_->matrices();
    const size_t shown = std::min(tileIDs_.size(), size_t(n * n));
    for (size_t k = 0; k < shown; ++k) {
        const int64_t tileNumber = tileIDs_[k];
        // Filler squares (no tile at this position) keep the builder's all-zero tile.
        if (tileNumber < 0 || tileNumber >= int64_t(tiles.size()) || !tiles[size_t(tileNumber)])
            continue;
        builder.matrices[k / size_t(n)][k % size_t(n)] = tiles[size_t(tileNumber)];
    }
    const MatrixPtr block = builder.createMatrix();
    if (!block)
        return;
    bitmapCanvasOriginal_ = BitmapCanvas::make(block, colorPalette_);
    bitmapCanvasForDrawing_ = BitmapCanvas::make(block, colorPalette_);
}

void Mosavo::copyOriginalBitmapCanvasForDrawing()
{
    if (!bitmapCanvasOriginal_ || !bitmapCanvasOriginal_->matrix() || !colorPalette_)
        return;
    bitmapCanvasForDrawing_ = BitmapCanvas::make(bitmapCanvasOriginal_->matrix(), colorPalette_);
}

double Mosavo::pixelSize() const
{
    if (!tileData_)
        return 0.0;
    return double(width()) / double(pixelsPerSide(zoomSize_));
}

std::optional<Cell> Mosavo::cellAt(QPointF position) const
{
    const double side = pixelSize();
    if (!(side > 0.0) || !std::isfinite(position.x()) || !std::isfinite(position.y()))
        return std::nullopt;
    // Far-away positions are pulled in; they stay outside the block and only clip the shapes drawn towards them.
    constexpr double limit = 1'000'000.0;
    const double x = std::clamp(std::trunc(position.x() / side), -limit, limit);
    const double y = std::clamp(std::trunc(position.y() / side), -limit, limit);
    return Cell { int64_t(x), int64_t(y) };
}

void Mosavo::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || gestureActive_) {
        event->ignore();
        return;
    }
    copyOriginalBitmapCanvasForDrawing();
    startingPositionForCursor_ = event->position();
    endingPositionForCursor_ = event->position();
    gestureActive_ = true;

    const std::optional<Cell> cell = cellAt(event->position());
    if (!bitmapCanvasForDrawing_ || !cell)
        return;
    Matrix &pixels = *bitmapCanvasForDrawing_->matrix();
    const auto cells = pixels.cells();
    pixelsAtPress_.assign(cells.begin(), cells.end());
    pressCell_ = *cell;
    lastCell_ = *cell;
    if (toolType_ == ToolType::fillBucket)
        pixels::floodFill(pixels, *cell, colorFromPalette_);
    else
        bitmapCanvasForDrawing_->setColorID(colorFromPalette_, cell->x, cell->y);
    requestRedraw();
}

void Mosavo::mouseMoveEvent(QMouseEvent *event)
{
    if (!gestureActive_ || !(event->buttons() & Qt::LeftButton)) {
        event->ignore();
        return;
    }
    endingPositionForCursor_ = event->position();
    if (const std::optional<Cell> cell = cellAt(event->position()))
        dragTo(*cell);
    requestRedraw();
}

void Mosavo::mouseReleaseEvent(QMouseEvent *event)
{
    if (!gestureActive_ || event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    gestureActive_ = false;
    // A release away from the last drag position ends the stroke or shape there.
    if (event->position() != endingPositionForCursor_) {
        endingPositionForCursor_ = event->position();
        if (const std::optional<Cell> cell = cellAt(event->position()))
            dragTo(*cell);
    }
    commit();
}

void Mosavo::dragTo(Cell cell)
{
    if (!bitmapCanvasForDrawing_ || cell == lastCell_)
        return;
    Matrix &pixels = *bitmapCanvasForDrawing_->matrix();
    switch (toolType_) {
    case ToolType::pencil:
        pixels::drawLine(pixels, lastCell_, cell, colorFromPalette_);
        break;
    case ToolType::fillBucket:
        break;
    default: {
        const auto cells = pixels.cells();
        if (pixelsAtPress_.size() != cells.size())
            break; // the block was rebuilt during the gesture
        std::copy(pixelsAtPress_.begin(), pixelsAtPress_.end(), cells.begin());
        if (toolType_ == ToolType::straightLine)
            pixels::drawLine(pixels, pressCell_, cell, colorFromPalette_);
        else if (toolType_ == ToolType::boxEmpty || toolType_ == ToolType::boxFilled)
            pixels::drawRectangle(pixels, pressCell_, cell, colorFromPalette_, toolType_ == ToolType::boxFilled);
        else
            pixels::drawEllipse(pixels, pressCell_, cell, colorFromPalette_, toolType_ == ToolType::circleFilled);
        break;
    }
    }
    lastCell_ = cell;
}

void Mosavo::commit()
{
    pixelsAtPress_.clear();
    if (!bitmapCanvasForDrawing_ || !colorPalette_ || !tileData_)
        return;
    const std::vector<MatrixPtr> &tiles = tileData_->matrices();
    if (tiles.empty() || !tiles.front())
        return;
    const Matrix configuration(tiles.front()->rows(), tiles.front()->columns());
    std::optional<std::vector<MatrixPtr>> edited
        = MatrixBuilder::convertToMatrices(*bitmapCanvasForDrawing_, configuration);
    if (!edited)
        return;
    auto collection = std::make_shared<NESTileDataCollection>(std::move(*edited));

    const MatrixPtr block = bitmapCanvasForDrawing_->matrix();
    bitmapCanvasOriginal_ = BitmapCanvas::make(block, colorPalette_);
    bitmapCanvasForDrawing_ = BitmapCanvas::make(block, colorPalette_);

    if (const std::shared_ptr<MosavoDataSource> receiver = datasource_.lock())
        receiver->updated(this, collection, tileIDs_);
    requestRedraw();
}

void Mosavo::rebuildGridLines(int64_t side, int64_t pixels)
{
    if (side == gridSide_ && pixels == gridPixelsPerSide_)
        return;
    gridSide_ = side;
    gridPixelsPerSide_ = pixels;
    const double length = double(side);
    const double step = length / double(pixels);
    pixelGridLines_.clear();
    tileGridLines_.clear();
    for (int64_t i = 0; i <= pixels; ++i) {
        const double at = double(i) * step;
        auto &lines = (i % nesTileSide == 0) ? tileGridLines_ : pixelGridLines_;
        lines.emplace_back(at, 0.0, at, length);
        lines.emplace_back(0.0, at, length, at);
    }
    // The tile grid's lines lie on pixel grid lines too; the pixel grid strokes them first, like every other line.
    pixelGridLines_.insert(pixelGridLines_.end(), tileGridLines_.begin(), tileGridLines_.end());
}

void Mosavo::paintEvent(QPaintEvent *)
{
    if (!tileData_) {
        qCInfo(mosavoLog).noquote() << "dimension is not greater than 0";
        return;
    }
    const int64_t pixels = pixelsPerSide(zoomSize_);
    if (double(width()) / double(pixels) != double(height()) / double(pixels)) {
        qCWarning(mosavoLog).noquote() << "ERROR dimension (width and height) of the view are not the same.";
        return;
    }

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);

    if (bitmapCanvasForDrawing_) {
        const Matrix &block = *bitmapCanvasForDrawing_->matrix();
        const QSize size(int(block.columns()), int(block.rows()));
        if (frame_.size() != size)
            frame_ = QImage(size, QImage::Format_RGBA8888);
        if (!frame_.isNull() && frame_.bytesPerLine() == size.width() * 4) {
            bitmapCanvasForDrawing_->renderInto(frame_.bits());
            painter.drawImage(QRectF(rect()), frame_);
        }
    }

    rebuildGridLines(width(), pixels);
    const int64_t tileSide = dimensionForTiles();
    QPen pen(lineColorBetweenTiles_);
    // With anti-aliasing off a stroke is at least one pixel wide: thinner widths draw as one-pixel lines.
    pen.setWidthF(lineWidthForPixels_ < 1.0 ? 0.0 : lineWidthForPixels_);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawLines(pixelGridLines_.data(), int(pixelGridLines_.size()));
    if (tileSide > 0) {
        pen.setWidthF(lineWidthForTiles_ < 1.0 ? 0.0 : lineWidthForTiles_);
        painter.setPen(pen);
        painter.drawLines(tileGridLines_.data(), int(tileGridLines_.size()));
    }
}

} // namespace mosavo
