#include "editor/Mosavo.h"
#include "palette/DisplayColors.h"

#include "core/MatrixBuilder.h"
#include "core/NESTileDataCollection.h"
#include "editor/MosavoError.h"
#include "editor/MosavoLogging.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

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

// Writes color into count pixels, four at a time where it can.
inline void fillRun(uint32_t *target, int64_t count, uint32_t color)
{
    if (count < 8) {
        for (int64_t i = 0; i < count; ++i)
            target[i] = color;
        return;
    }
    const uint32_t four[4] = { color, color, color, color };
    int64_t i = 0;
    for (; i + 4 <= count; i += 4)
        std::memcpy(target + i, four, sizeof four);
    for (; i < count; ++i)
        target[i] = color;
}

} // namespace

Mosavo::Mosavo(QWidget *parent)
    : QWidget(parent)
{
    // paintEvent covers every pixel of the view, so Qt need not clear it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

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
    // The side that gives every pixel whole screen pixels depends on the zoom (MosavoArea).
    updateGeometry();
    requestRedraw();
}

void Mosavo::setShowsGrid(bool shows)
{
    showsGrid_ = shows;
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
    const TileList &tiles = tileData_->matrices();
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
    const bool pick = event->button() == Qt::MiddleButton
        || (event->button() == Qt::LeftButton && (event->modifiers() & Qt::AltModifier));
    if (pick && !gestureActive_) {
        // The colour picker: the slot under the pointer becomes the paint slot; the block is not changed.
        const std::optional<Cell> cell = cellAt(event->position());
        const MatrixPtr block = bitmapCanvasForDrawing_ ? bitmapCanvasForDrawing_->matrix() : nullptr;
        if (cell && block && cell->x >= 0 && cell->y >= 0 && cell->x < block->columns() && cell->y < block->rows())
            emit colorPicked(block->values[cell->y][size_t(cell->x)]);
        return;
    }
    if ((event->button() != Qt::LeftButton && event->button() != Qt::RightButton) || gestureActive_) {
        event->ignore();
        return;
    }
    // The right button paints slot 0 (erases), whatever the paint slot.
    gestureButton_ = event->button();
    paintValue_ = gestureButton_ == Qt::RightButton ? 0 : colorFromPalette_;
    copyOriginalBitmapCanvasForDrawing();
    startingPositionForCursor_ = event->position();
    endingPositionForCursor_ = event->position();
    gestureActive_ = true;

    const std::optional<Cell> cell = cellAt(event->position());
    if (!bitmapCanvasForDrawing_ || !cell)
        return;
    Matrix &block = *bitmapCanvasForDrawing_->matrix();
    const auto cells = block.cells();
    pixelsAtPress_.assign(cells.begin(), cells.end());
    pressCell_ = *cell;
    lastCell_ = *cell;
    if (toolType_ == ToolType::fillBucket)
        pixels::floodFill(block, *cell, paintValue_);
    else
        bitmapCanvasForDrawing_->setColorID(paintValue_, cell->x, cell->y);
    requestRedraw();
}

void Mosavo::reportHover(QPointF position)
{
    const std::optional<Cell> cell = cellAt(position);
    const MatrixPtr block = bitmapCanvasForDrawing_ ? bitmapCanvasForDrawing_->matrix() : nullptr;
    const int64_t side = tileData_ ? dimensionForTiles() : 0;
    if (!cell || !block || side <= 0 || cell->x < 0 || cell->y < 0 || cell->x >= block->columns()
        || cell->y >= block->rows()) {
        if (hovering_)
            emit hoverEnded();
        hovering_ = false;
        return;
    }
    const int64_t tilesAcross = block->columns() / side;
    const size_t k = size_t((cell->y / side) * tilesAcross + cell->x / side);
    const int64_t tile = k < tileIDs_.size() ? tileIDs_[k] : -1;
    hovering_ = true;
    emit pixelHovered(tile, cell->x % side, cell->y % side, block->values[cell->y][size_t(cell->x)]);
}

void Mosavo::leaveEvent(QEvent *event)
{
    if (hovering_)
        emit hoverEnded();
    hovering_ = false;
    QWidget::leaveEvent(event);
}

void Mosavo::mouseMoveEvent(QMouseEvent *event)
{
    reportHover(event->position());
    if (!gestureActive_ || !(event->buttons() & gestureButton_)) {
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
    if (!gestureActive_ || event->button() != gestureButton_) {
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
    Matrix &block = *bitmapCanvasForDrawing_->matrix();
    switch (toolType_) {
    case ToolType::pencil:
        pixels::drawLine(block, lastCell_, cell, paintValue_);
        break;
    case ToolType::fillBucket:
        break;
    default: {
        const auto cells = block.cells();
        if (pixelsAtPress_.size() != cells.size())
            break; // the block was rebuilt during the gesture
        std::copy(pixelsAtPress_.begin(), pixelsAtPress_.end(), cells.begin());
        if (toolType_ == ToolType::straightLine)
            pixels::drawLine(block, pressCell_, cell, paintValue_);
        else if (toolType_ == ToolType::boxEmpty || toolType_ == ToolType::boxFilled)
            pixels::drawRectangle(block, pressCell_, cell, paintValue_, toolType_ == ToolType::boxFilled);
        else
            pixels::drawEllipse(block, pressCell_, cell, paintValue_, toolType_ == ToolType::circleFilled);
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
    const TileList &tiles = tileData_->matrices();
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

void Mosavo::layOutFrame(int side, int64_t canvasColumns, int64_t canvasRows, int64_t pixelsPerSide)
{
    const FrameLayout layout { side, canvasColumns, canvasRows, pixelsPerSide, lineWidthForPixels_, lineWidthForTiles_,
        showsGrid_ };
    if (layout == frameLayout_)
        return;
    frameLayout_ = layout;

    // Cell j of a grid of count cells covers the view pixels from boundary(j) up to boundary(j + 1).
    auto boundary = [side](int64_t j, int64_t count) { return int64_t(std::floor(double(j) * side / count + 0.5)); };
    auto mapCells = [&](std::vector<int32_t> &cellOfPixel, int64_t count) {
        cellOfPixel.assign(size_t(side), 0);
        for (int64_t j = 0; j < count; ++j)
            for (int64_t x = boundary(j, count); x < std::min<int64_t>(boundary(j + 1, count), side); ++x)
                cellOfPixel[size_t(x)] = int32_t(j);
    };
    columnStarts_.resize(size_t(canvasColumns) + 1);
    for (int64_t j = 0; j <= canvasColumns; ++j)
        columnStarts_[size_t(j)] = int32_t(std::clamp<int64_t>(boundary(j, canvasColumns), 0, side));
    mapCells(canvasRowOfPixel_, canvasRows);

    // A stroke of width w on a boundary covers round(w) pixels (at least one, as with anti-aliasing off), the
    // boundary's own pixel and those before and after it, as a line drawn on that boundary would.
    strokesOverPixel_.assign(size_t(side), 0);
    auto stroke = [&](int64_t j, double width) {
        const int64_t covered = !(width >= 1.0) ? 1 : std::llround(std::min(width, double(side)));
        const int64_t first = boundary(j, pixelsPerSide) - covered / 2;
        for (int64_t x = std::max<int64_t>(first, 0); x < std::min<int64_t>(first + covered, side); ++x)
            strokesOverPixel_[size_t(x)] = uint16_t(std::min(strokesOverPixel_[size_t(x)] + 1, 255));
    };
    if (showsGrid_) {
        for (int64_t j = 0; j <= pixelsPerSide; ++j)
            stroke(j, lineWidthForPixels_);
        for (int64_t j = 0; j <= pixelsPerSide; j += nesTileSide)
            stroke(j, lineWidthForTiles_);
    }
    strokedPixels_.clear();
    for (int x = 0; x < side; ++x)
        if (strokesOverPixel_[size_t(x)] != 0)
            strokedPixels_.push_back(x);

    // The runs of pixels of each canvas column that no stroke covers.
    unstrokedRuns_.clear();
    for (int64_t j = 0; j < canvasColumns; ++j) {
        for (int32_t x = columnStarts_[size_t(j)]; x < columnStarts_[size_t(j) + 1];) {
            if (strokesOverPixel_[size_t(x)] != 0) {
                ++x;
                continue;
            }
            PixelRun run { x, 0, int32_t(j) };
            while (x < columnStarts_[size_t(j) + 1] && strokesOverPixel_[size_t(x)] == 0) {
                ++run.length;
                ++x;
            }
            unstrokedRuns_.push_back(run);
        }
    }
}

void Mosavo::drawFrame(QPainter &painter, int side, int64_t pixels)
{
    // The colour of each colour index as the canvas paints it: opaque palette colours, transparent for an index
    // without a palette entry. Without a canvas the grids lie over the window's colour.
    static constexpr int64_t noCanvas = 0;
    const int64_t *indices = &noCanvas;
    int64_t columns = 1;
    int64_t rows = 1;
    bool opaque = true;
    indexColors_.clear();
    if (bitmapCanvasForDrawing_ && bitmapCanvasForDrawing_->palette()) {
        const Matrix &block = *bitmapCanvasForDrawing_->matrix();
        columns = block.columns();
        rows = block.rows();
        indices = block.cells().data();
        for (const ColorEntry &entry : bitmapCanvasForDrawing_->palette()->palette()) {
            const Color shown = shownColor(entry);
            indexColors_.push_back(qRgb(BitmapCanvas::toSample(shown.red), BitmapCanvas::toSample(shown.green),
                BitmapCanvas::toSample(shown.blue)));
        }
        bool unknown = false;
        for (const int64_t index : block.cells())
            unknown |= uint64_t(index) >= indexColors_.size();
        opaque &= !unknown;
    } else {
        const QRgb window = palette().color(QPalette::Window).rgba();
        indexColors_.push_back(qPremultiply(window));
        opaque &= qAlpha(window) == 255;
    }
    const auto colorOf = [this](int64_t index) -> uint32_t {
        return uint64_t(index) < indexColors_.size() ? indexColors_[size_t(index)] : 0u;
    };
    if (columns <= 0 || rows <= 0)
        return;
    layOutFrame(side, columns, rows, pixels);

    // Every grid stroke is the same colour, so a pixel under k strokes is that colour laid over it k times.
    const QRgb line = qPremultiply(lineColorBetweenTiles_.rgba());
    const int lineAlpha = qAlpha(line);
    const bool opaqueLine = lineAlpha == 255;
    opaque &= opaqueLine || strokedPixels_.empty();
    auto overlay = [line, lineAlpha](QRgb under, int times) -> QRgb {
        const int keep = 255 - lineAlpha;
        for (int i = 0; i < times; ++i)
            under = qRgba(qRed(line) + qRed(under) * keep / 255, qGreen(line) + qGreen(under) * keep / 255,
                qBlue(line) + qBlue(under) * keep / 255, qAlpha(line) + qAlpha(under) * keep / 255);
        return under;
    };
    // An opaque picture replaces what is under it outright, which spares blending every pixel.
    if (opaque)
        painter.setCompositionMode(QPainter::CompositionMode_Source);
    else
        painter.fillRect(rect(), palette().color(QPalette::Window));

    // One canvas row with the vertical grid lines over it, shared by all the view rows showing that canvas row. An
    // opaque line colour covers the same pixels in every row, so they are written once and only the runs of pixels
    // between them are filled for each row.
    composedRow_.assign(size_t(side), line);
    auto composeRow = [&](int32_t canvasRow) {
        const int64_t *rowIndices = indices + size_t(canvasRow) * size_t(columns);
        uint32_t *row = composedRow_.data();
        if (opaqueLine) {
            for (const PixelRun &run : unstrokedRuns_)
                fillRun(row + run.start, run.length, colorOf(rowIndices[run.column]));
            return;
        }
        for (int64_t j = 0; j < columns; ++j)
            fillRun(row + columnStarts_[size_t(j)], columnStarts_[size_t(j) + 1] - columnStarts_[size_t(j)],
                colorOf(rowIndices[j]));
        for (const int32_t x : strokedPixels_)
            row[x] = overlay(row[x], strokesOverPixel_[size_t(x)]);
    };

    // The view is drawn row by row from three one-row pictures: the current canvas row, a row of grid line, and a
    // canvas row under a translucent grid line. Drawing a row straight from them costs no more than copying it, so
    // no picture of the whole view is ever made.
    lineRow_.assign(size_t(side), line);
    overlaidRow_.resize(size_t(side));
    const auto wrap = [side](const std::vector<uint32_t> &row) {
        return QImage(reinterpret_cast<const uchar *>(row.data()), side, 1, qsizetype(side) * 4,
            QImage::Format_ARGB32_Premultiplied);
    };
    const QImage canvasRowImage = wrap(composedRow_);
    const QImage lineRowImage = wrap(lineRow_);
    const QImage overlaidRowImage = wrap(overlaidRow_);
    int32_t composedCanvasRow = -1;
    for (int y = 0; y < side; ++y) {
        const int32_t canvasRow = canvasRowOfPixel_[size_t(y)];
        if (canvasRow != composedCanvasRow) {
            composedCanvasRow = canvasRow;
            composeRow(canvasRow);
        }
        const uint16_t strokes = strokesOverPixel_[size_t(y)];
        if (strokes == 0) {
            painter.drawImage(QPoint(0, y), canvasRowImage);
        } else if (opaqueLine) {
            painter.drawImage(QPoint(0, y), lineRowImage);
        } else {
            for (int x = 0; x < side; ++x)
                overlaidRow_[size_t(x)] = overlay(composedRow_[size_t(x)], strokes);
            painter.drawImage(QPoint(0, y), overlaidRowImage);
        }
    }
}

void Mosavo::paintEvent(QPaintEvent *)
{
    // The view paints every one of its pixels (it is opaque to Qt); "drawing nothing" shows the window's colour.
    QPainter painter(this);
    if (!tileData_) {
        qCInfo(mosavoLog).noquote() << "dimension is not greater than 0";
        painter.fillRect(rect(), palette().color(QPalette::Window));
        return;
    }
    const int64_t pixels = pixelsPerSide(zoomSize_);
    if (double(width()) / double(pixels) != double(height()) / double(pixels)) {
        qCWarning(mosavoLog).noquote() << "ERROR dimension (width and height) of the view are not the same.";
        painter.fillRect(rect(), palette().color(QPalette::Window));
        return;
    }
    // The image scaled without smoothing, the pixel grid and the tile grid (whose lines are dimensionForTiles()
    // pixels apart) are composed row by row: much cheaper than stroking thousands of lines over a scaled image.
    if (dimensionForTiles() == nesTileSide)
        drawFrame(painter, width(), pixels);
}

} // namespace mosavo
