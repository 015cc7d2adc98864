#include "level/MetatileSetView.h"

#include "core/LevelPicture.h"
#include "palette/DisplayColors.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace mosavo {

MetatileSetView::MetatileSetView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("metatileSetView"));
}

void MetatileSetView::setSet(const PatternTables &patterns, const MetatileSet &set, const PaletteBytes &palette)
{
    count_ = int(set.metatiles.size());
    const FramePicture picture = renderMetatileSet(patterns, set, palette, columns);
    const DisplayColors &colors = currentDisplayColors();
    image_ = QImage(picture.width, picture.height, QImage::Format_RGB32);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            image_.setPixel(x, y, 0xFF000000u | colors.rgb24(picture.at(x, y) & 0x3F, currentDisplayEmphasis()));
    if (chosen_ >= count_)
        chosen_ = count_ - 1;
    updateGeometry();
    resize(sizeHint());
    update();
}

void MetatileSetView::setChosen(int metatile)
{
    chosen_ = std::clamp(metatile, -1, count_ - 1);
    update();
}

void MetatileSetView::setUsed(std::vector<bool> used)
{
    used_ = std::move(used);
    update();
}

QRect MetatileSetView::metatileRect(int metatile) const
{
    return QRect((metatile % columns) * cellSide, (metatile / columns) * cellSide, cellSide, cellSide);
}

QSize MetatileSetView::sizeHint() const
{
    return QSize(columns * cellSide, std::max(1, (count_ + columns - 1) / columns) * cellSide);
}

void MetatileSetView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.drawImage(QRect(0, 0, image_.width() * 2, image_.height() * 2), image_);
    painter.setPen(QPen(QColor(255, 60, 60), 2));
    for (int i = 0; i < count_; ++i)
        if (size_t(i) < used_.size() && !used_[size_t(i)]) {
            const QRect cell = metatileRect(i).adjusted(4, 4, -4, -4);
            painter.drawLine(cell.topLeft(), cell.bottomRight());
        }
    if (chosen_ >= 0) {
        painter.setPen(QPen(Qt::white, 2));
        painter.drawRect(metatileRect(chosen_).adjusted(1, 1, -1, -1));
    }
}

void MetatileSetView::mousePressEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    const int metatile = (at.y() / cellSide) * columns + at.x() / cellSide;
    if (at.x() < 0 || at.x() >= columns * cellSide || metatile >= count_)
        return;
    setChosen(metatile);
    emit metatileChosen(metatile);
}

} // namespace mosavo
