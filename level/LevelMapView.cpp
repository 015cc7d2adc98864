#include "level/LevelMapView.h"

#include "core/LevelPicture.h"
#include "palette/DisplayColors.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace mosavo {

namespace {

constexpr int blockSide = 16;

// A picture of colour numbers in the display colours.
QImage displayImage(const FramePicture &picture)
{
    const DisplayColors &colors = currentDisplayColors();
    const int emphasis = currentDisplayEmphasis();
    QImage image(picture.width, picture.height, QImage::Format_RGB32);
    for (int y = 0; y < picture.height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < picture.width; ++x)
            line[x] = 0xFF000000u | colors.rgb24(picture.at(x, y) & 0x3F, emphasis);
    }
    return image;
}

} // namespace

LevelMapView::LevelMapView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("levelMapView"));
    setMouseTracking(true);
    map_ = LevelMap::blank({}, 0, 1, 1);
}

void LevelMapView::setLevel(
    const PatternTables &patterns, const LevelMap &map, const MetatileSet &set, const PaletteBytes &palette)
{
    const bool resized = map.roomsWide != map_.roomsWide || map.roomsHigh != map_.roomsHigh;
    map_ = map;
    set_ = set;
    image_ = displayImage(renderLevel(patterns, map_, set_, palette));
    if (resized)
        updateGeometry();
    resize(sizeHint());
    update();
}

void LevelMapView::setScale(int scale)
{
    scale_ = std::clamp(scale, 1, 4);
    updateGeometry();
    resize(sizeHint());
    update();
}

void LevelMapView::setShowsGrid(bool shown)
{
    grid_ = shown;
    update();
}

void LevelMapView::setShowsBehaviour(bool shown)
{
    behaviour_ = shown;
    update();
}

QSize LevelMapView::sizeHint() const
{
    return QSize(map_.columns() * blockSide * scale_, map_.rows() * blockSide * scale_);
}

QRect LevelMapView::cellRect(int column, int row) const
{
    const int side = blockSide * scale_;
    return QRect(column * side, row * side, side, side);
}

QPoint LevelMapView::cellAt(QPoint position) const
{
    const int side = blockSide * scale_;
    if (position.x() < 0 || position.y() < 0)
        return { -1, -1 };
    const int column = position.x() / side, row = position.y() / side;
    if (column >= map_.columns() || row >= map_.rows())
        return { -1, -1 };
    return { column, row };
}

void LevelMapView::setDraggedRectangle(const QRect &cells)
{
    dragged_ = cells;
    update();
}

void LevelMapView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().window());
    const QRect area = event->rect();
    const QRect source(area.x() / scale_, area.y() / scale_, area.width() / scale_ + 2, area.height() / scale_ + 2);
    painter.drawImage(QRect(source.topLeft() * scale_, source.size() * scale_), image_, source);
    const int side = blockSide * scale_;
    const int first = std::max(0, area.left() / side), last = std::min(map_.columns() - 1, area.right() / side);
    const int top = std::max(0, area.top() / side), bottom = std::min(map_.rows() - 1, area.bottom() / side);
    if (behaviour_) {
        QFont font = painter.font();
        font.setPixelSize(std::max(7, side / 3));
        painter.setFont(font);
        const std::vector<uint8_t> behaviours = behaviourCells(map_, set_);
        for (int row = top; row <= bottom; ++row)
            for (int column = first; column <= last; ++column)
                if (const uint8_t value = behaviours[size_t(row * map_.columns() + column)]) {
                    const QRect cell = cellRect(column, row);
                    painter.fillRect(cell, QColor(255, 0, 0, 70));
                    painter.setPen(Qt::white);
                    painter.drawText(cell, Qt::AlignCenter, QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')));
                }
    }
    if (grid_) {
        painter.setPen(QColor(128, 128, 128, 110));
        for (int column = first; column <= last + 1; ++column)
            painter.drawLine(column * side, top * side, column * side, (bottom + 1) * side);
        for (int row = top; row <= bottom + 1; ++row)
            painter.drawLine(first * side, row * side, (last + 1) * side, row * side);
    }
    // The rooms' boundaries, always.
    painter.setPen(QPen(QColor(255, 200, 0), 1));
    for (int room = 1; room < map_.roomsWide; ++room)
        painter.drawLine(room * LevelMap::roomColumns * side, 0, room * LevelMap::roomColumns * side, height());
    for (int room = 1; room < map_.roomsHigh; ++room)
        painter.drawLine(0, room * LevelMap::roomRows * side, width(), room * LevelMap::roomRows * side);
    if (!dragged_.isEmpty()) {
        painter.setPen(QPen(Qt::white, 2, Qt::DashLine));
        painter.drawRect(QRect(cellRect(dragged_.left(), dragged_.top()).topLeft(),
            cellRect(dragged_.right(), dragged_.bottom()).bottomRight()));
    }
}

void LevelMapView::mousePressEvent(QMouseEvent *event)
{
    const QPoint cell = cellAt(event->position().toPoint());
    if (cell.x() < 0)
        return;
    held_ = true;
    lastCell_ = cell;
    emit cellPressed(cell.x(), cell.y(), event->button(), event->modifiers());
}

void LevelMapView::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint cell = cellAt(event->position().toPoint());
    if (cell.x() < 0)
        return;
    emit cellHovered(cell.x(), cell.y());
    if (held_ && cell != lastCell_) {
        lastCell_ = cell;
        emit cellDragged(cell.x(), cell.y());
    }
}

void LevelMapView::mouseReleaseEvent(QMouseEvent *event)
{
    if (!held_)
        return;
    held_ = false;
    const QPoint cell = cellAt(event->position().toPoint());
    emit cellReleased(cell.x() < 0 ? lastCell_.x() : cell.x(), cell.x() < 0 ? lastCell_.y() : cell.y());
}

} // namespace mosavo
