#include "screen/ScreenEditor.h"

#include "palette/DisplayColors.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace mosavo {

namespace {
constexpr int frameWidth = FramePicture::frameWidth;
constexpr int frameHeight = FramePicture::frameHeight;

// Whether a drag with the tool outlines the rectangle from its first cell to its last.
bool draggesRectangle(ScreenTool tool)
{
    return tool == ScreenTool::select || tool == ScreenTool::fill || tool == ScreenTool::pick;
}
} // namespace

ScreenEditor::ScreenEditor(QWidget *parent)
    : QWidget(parent)
    , frame_(FramePicture::filled(frameWidth, frameHeight, 0))
{
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setScale(2);
    composeAll();
}

namespace {
std::optional<ScreenRegionKey> regionKeyOf(const QKeyEvent &event)
{
    if (event.matches(QKeySequence::Copy))
        return ScreenRegionKey::copy;
    if (event.matches(QKeySequence::Cut))
        return ScreenRegionKey::cut;
    if (event.matches(QKeySequence::Paste))
        return ScreenRegionKey::paste;
    if ((event.key() == Qt::Key_Delete || event.key() == Qt::Key_Backspace)
        && !(event.modifiers() & ~Qt::KeypadModifier))
        return ScreenRegionKey::clear;
    return std::nullopt;
}
} // namespace

bool ScreenEditor::event(QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride && !selection_.isEmpty()
        && regionKeyOf(*static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void ScreenEditor::keyPressEvent(QKeyEvent *event)
{
    const auto key = selection_.isEmpty() ? std::nullopt : regionKeyOf(*event);
    if (!key) {
        QWidget::keyPressEvent(event);
        return;
    }
    emit regionKeyPressed(*key);
}

void ScreenEditor::setScreen(const Screen &screen)
{
    screen_ = screen;
    composeAll();
}

void ScreenEditor::updateScreen(const Screen &screen)
{
    const bool tableChanged = screen.patternTable != screen_.patternTable;
    const Screen old = screen_;
    screen_ = screen;
    if (tableChanged) {
        composeAll();
        return;
    }
    bool hoveredChanged = false;
    for (int row = 0; row < Screen::rows; ++row)
        for (int column = 0; column < Screen::columns; ++column)
            if (old.tileAt(column, row) != screen.tileAt(column, row)
                || old.subPaletteAt(column, row) != screen.subPaletteAt(column, row)) {
                updateCell(column, row);
                hoveredChanged = hoveredChanged || QPoint(column, row) == hovered_;
            }
    // What is said of the cell under the pointer follows its change (a stamp under it, an undo).
    if (hoveredChanged)
        emit cellHovered(hovered_.x(), hovered_.y());
}

void ScreenEditor::setPatternTables(const PatternTables &patterns)
{
    patterns_ = patterns;
    composeAll();
}

void ScreenEditor::updateTiles(const PatternTables &patterns, const std::vector<int> &changedTiles)
{
    patterns_ = patterns;
    // Which of the screen's tile numbers (0-255 of its table) changed.
    std::array<bool, 256> changed {};
    bool any = false;
    const int base = (screen_.patternTable & 1) * PatternTables::tilesPerTable;
    for (int tile : changedTiles)
        if (tile >= base && tile < base + PatternTables::tilesPerTable) {
            changed[size_t(tile - base)] = true;
            any = true;
        }
    if (!any)
        return;
    for (int row = 0; row < Screen::rows; ++row)
        for (int column = 0; column < Screen::columns; ++column)
            if (changed[screen_.tileAt(column, row)])
                updateCell(column, row);
}

void ScreenEditor::setPalette(const PaletteBytes &palette)
{
    if (palette == palette_)
        return;
    palette_ = palette;
    composeAll();
}

void ScreenEditor::refreshColors()
{
    composeAll();
}

void ScreenEditor::setScale(int scale)
{
    scale = std::clamp(scale, 1, maximumScale);
    if (scale == scale_ && !image_.isNull())
        return;
    scale_ = scale;
    image_ = QImage(frameWidth * scale_, frameHeight * scale_, QImage::Format_RGB32);
    setFixedSize(image_.size());
    composeAll();
}

void ScreenEditor::setShowsTileGrid(bool on)
{
    tileGrid_ = on;
    update();
}

void ScreenEditor::setShowsAttributeGrid(bool on)
{
    attributeGrid_ = on;
    update();
}

void ScreenEditor::setShowsAttributeByteGrid(bool on)
{
    attributeByteGrid_ = on;
    update();
}

void ScreenEditor::setTool(ScreenTool tool)
{
    tool_ = tool;
    update();
}

void ScreenEditor::setStampSize(int columns, int rows)
{
    stampColumns_ = std::max(1, columns);
    stampRows_ = std::max(1, rows);
    update();
}

void ScreenEditor::setSelection(const CellRect &cells)
{
    const CellRect cut = cells.clipped();
    if (cut == selection_)
        return;
    update(cellsRect(selection_).adjusted(-2, -2, 2, 2));
    selection_ = cut;
    update(cellsRect(selection_).adjusted(-2, -2, 2, 2));
}

QPoint ScreenEditor::cellAt(QPoint position) const
{
    const int pitch = 8 * scale_;
    if (position.x() < 0 || position.y() < 0)
        return { -1, -1 };
    const int column = position.x() / pitch;
    const int row = position.y() / pitch;
    if (column >= Screen::columns || row >= Screen::rows)
        return { -1, -1 };
    return { column, row };
}

QRect ScreenEditor::cellRect(int column, int row) const
{
    const int pitch = 8 * scale_;
    return { column * pitch, row * pitch, pitch, pitch };
}

QRect ScreenEditor::cellsRect(const CellRect &cells) const
{
    if (cells.isEmpty())
        return {};
    const int pitch = 8 * scale_;
    return { cells.column * pitch, cells.row * pitch, cells.columns * pitch, cells.rows * pitch };
}

QImage ScreenEditor::picture() const
{
    QImage picture(frameWidth, frameHeight, QImage::Format_RGB32);
    for (int y = 0; y < frameHeight; ++y) {
        auto *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < frameWidth; ++x)
            line[x] = colorTable_[frame_.at(x, y) & 0x3F];
    }
    return picture;
}

QString ScreenEditor::describeCell(const Screen &screen, int column, int row)
{
    if (column < 0 || row < 0 || column >= Screen::columns || row >= Screen::rows)
        return {};
    const int tile = screen.tileAt(column, row);
    const int byte = attributeByteIndex(column, row);
    auto hex = [](int value, int digits) {
        return QString::number(value, 16).rightJustified(digits, QLatin1Char('0')).toUpper();
    };
    return QStringLiteral("Tile $%1 (%2) of pattern table %3 | cell %4, %5 | attribute area %6, %7 (sub-palette %8) | "
                          "attribute byte %9 ($%10)")
        .arg(hex(tile, 2))
        .arg(tile)
        .arg(screen.patternTable)
        .arg(column)
        .arg(row)
        .arg(column / 2)
        .arg(row / 2)
        .arg(screen.subPaletteAt(column, row))
        .arg(byte)
        .arg(hex(0x23C0 + byte, 4));
}

QSize ScreenEditor::sizeHint() const
{
    return image_.size();
}

void ScreenEditor::updateColorTable()
{
    const DisplayColors &colors = currentDisplayColors();
    const int emphasis = currentDisplayEmphasis();
    for (int number = 0; number < 64; ++number)
        colorTable_[size_t(number)] = 0xFF000000u | colors.rgb24(number, emphasis);
}

void ScreenEditor::composeAll()
{
    updateColorTable();
    for (int row = 0; row < Screen::rows; ++row)
        for (int column = 0; column < Screen::columns; ++column)
            composeCell(column, row);
    update();
}

void ScreenEditor::composeCell(int column, int row)
{
    ++composedCells_;
    renderBackgroundCell(frame_, patterns_, screen_, palette_, column, row);
    const int pitch = 8 * scale_;
    for (int y = 0; y < 8; ++y) {
        const uint8_t *source = &frame_.colors[size_t((row * 8 + y) * frameWidth + column * 8)];
        auto *first = reinterpret_cast<QRgb *>(image_.scanLine(row * pitch + y * scale_)) + column * pitch;
        QRgb *out = first;
        for (int x = 0; x < 8; ++x) {
            const QRgb color = colorTable_[source[x] & 0x3F];
            for (int k = 0; k < scale_; ++k)
                *out++ = color;
        }
        for (int k = 1; k < scale_; ++k)
            std::copy(first, first + pitch,
                reinterpret_cast<QRgb *>(image_.scanLine(row * pitch + y * scale_ + k)) + column * pitch);
    }
}

void ScreenEditor::updateCell(int column, int row)
{
    composeCell(column, row);
    update(cellRect(column, row));
}

void ScreenEditor::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect area = event->rect();
    painter.drawImage(area.topLeft(), image_, area);

    const int pitch = 8 * scale_;
    // Grid lines as one-pixel rectangles: span fills, far cheaper than stroked lines.
    // A line a coarser grid draws is left to it.
    const int coarser[] = { attributeGrid_ ? 2 : attributeByteGrid_ ? 4 : 0, attributeByteGrid_ ? 4 : 0, 0 };
    auto drawGrid = [&](int step, const QColor &color) {
        const int spacing = pitch * step;
        const int skip = pitch * coarser[step == 1 ? 0 : step == 2 ? 1 : 2];
        for (int x = (area.left() / spacing) * spacing; x <= area.right(); x += spacing)
            if (skip == 0 || x % skip != 0)
                painter.fillRect(QRect(x, area.top(), 1, area.height()), color);
        for (int y = (area.top() / spacing) * spacing; y <= area.bottom(); y += spacing)
            if (skip == 0 || y % skip != 0)
                painter.fillRect(QRect(area.left(), y, area.width(), 1), color);
    };
    if (tileGrid_)
        drawGrid(1, QColor(96, 96, 96));
    if (attributeGrid_)
        drawGrid(2, QColor(80, 160, 255));
    if (attributeByteGrid_)
        drawGrid(4, QColor(255, 200, 40));

    // The rectangle being dragged out, or the selection.
    const CellRect band = dragging_ && draggesRectangle(dragTool_)
        ? CellRect::spanning(anchor_.x(), anchor_.y(), last_.x(), last_.y())
        : selection_;
    if (!band.isEmpty()) {
        const QRect r = cellsRect(band).adjusted(0, 0, -1, -1);
        painter.setPen(QPen(Qt::white, 1, Qt::SolidLine));
        painter.drawRect(r);
        painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
        painter.drawRect(r);
    }
    // Where the stamp would go.
    if (tool_ == ScreenTool::stamp && hovered_.x() >= 0) {
        const QRect r = cellsRect(CellRect { hovered_.x(), hovered_.y(), stampColumns_, stampRows_ }.clipped());
        painter.setPen(QPen(QColor(255, 64, 64), 1));
        painter.drawRect(r.adjusted(0, 0, -1, -1));
    }
}

void ScreenEditor::setHovered(QPoint cell)
{
    if (cell == hovered_)
        return;
    auto outline = [this](QPoint at) {
        if (at.x() >= 0)
            update(cellsRect(CellRect { at.x(), at.y(), stampColumns_, stampRows_ }.clipped()).adjusted(-1, -1, 1, 1));
    };
    if (tool_ == ScreenTool::stamp) {
        outline(hovered_);
        outline(cell);
    }
    hovered_ = cell;
    emit cellHovered(cell.x(), cell.y());
}

void ScreenEditor::mousePressEvent(QMouseEvent *event)
{
    const QPoint cell = cellAt(event->position().toPoint());
    if (cell.x() < 0 || dragging_)
        return;
    if (event->button() == Qt::RightButton) {
        // The right button picks, whatever the tool.
        if (delegate_)
            delegate_->screenGestureBegan(this, ScreenTool::pick, cell.x(), cell.y());
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    dragging_ = true;
    dragTool_ = tool_;
    anchor_ = last_ = cell;
    if (draggesRectangle(dragTool_))
        update();
    if (delegate_)
        delegate_->screenGestureBegan(this, dragTool_, cell.x(), cell.y());
}

void ScreenEditor::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint position = event->position().toPoint();
    const QPoint cell = cellAt(position);
    setHovered(cell);
    if (!dragging_)
        return;
    // While dragging, a position off the screen counts as the nearest cell.
    const QPoint clamped(std::clamp(position.x() / (8 * scale_), 0, Screen::columns - 1),
        std::clamp(position.y() / (8 * scale_), 0, Screen::rows - 1));
    if (clamped == last_)
        return;
    const CellRect before = CellRect::spanning(anchor_.x(), anchor_.y(), last_.x(), last_.y());
    const QPoint from = last_;
    last_ = clamped;
    if (draggesRectangle(dragTool_)) {
        const CellRect after = CellRect::spanning(anchor_.x(), anchor_.y(), last_.x(), last_.y());
        update(cellsRect(before).united(cellsRect(after)).adjusted(-2, -2, 2, 2));
        if (delegate_)
            delegate_->screenGestureMoved(this, dragTool_, clamped.x(), clamped.y());
        return;
    }
    // A stroke: every cell on the line from the last one, however fast the pointer went (Bresenham over cells).
    const int dx = std::abs(clamped.x() - from.x()), sx = from.x() < clamped.x() ? 1 : -1;
    const int dy = -std::abs(clamped.y() - from.y()), sy = from.y() < clamped.y() ? 1 : -1;
    int error = dx + dy;
    QPoint at = from;
    while (at != clamped) {
        const int doubled = 2 * error;
        if (doubled >= dy) {
            error += dy;
            at.rx() += sx;
        }
        if (doubled <= dx) {
            error += dx;
            at.ry() += sy;
        }
        if (delegate_)
            delegate_->screenGestureMoved(this, dragTool_, at.x(), at.y());
    }
}

void ScreenEditor::mouseReleaseEvent(QMouseEvent *event)
{
    if (!dragging_ || event->button() != Qt::LeftButton)
        return;
    dragging_ = false;
    const CellRect cells = CellRect::spanning(anchor_.x(), anchor_.y(), last_.x(), last_.y());
    if (dragTool_ == ScreenTool::select) {
        setSelection(cells);
        emit selectionChanged(selection_);
    }
    update();
    if (delegate_)
        delegate_->screenGestureEnded(this, dragTool_, cells);
}

void ScreenEditor::leaveEvent(QEvent *event)
{
    setHovered({ -1, -1 });
    QWidget::leaveEvent(event);
}

} // namespace mosavo
