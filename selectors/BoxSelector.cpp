#include "selectors/BoxSelector.h"
#include "palette/DisplayColors.h"

#include "editor/MosavoLogging.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <limits>

namespace mosavo {

namespace {
int paletteSize(const PalettePtr &palette, int absent)
{
    if (!palette)
        return absent;
    return int(std::clamp<int64_t>(palette->size(), 0, std::numeric_limits<int>::max()));
}

QColor toQColor(const Color &color)
{
    auto unit = [](double component) { return float(std::clamp(component, 0.0, 1.0)); };
    return QColor::fromRgbF(unit(color.red), unit(color.green), unit(color.blue), unit(color.alpha));
}
} // namespace

BoxSelector::BoxSelector(QWidget *parent)
    : QWidget(parent)
{ }

BoxSelectorProtocol *BoxSelector::linkedProtocol() const
{
    if (!boxSelectorDelegate()) {
        qCInfo(mosavoLog).noquote() << "BoxSelectorDelegate not set";
        return nullptr;
    }
    BoxSelectorProtocol *settings = boxSelectorProtocol();
    if (!settings)
        qCInfo(mosavoLog).noquote() << "BoxSelectorProtocol not set";
    return settings;
}

void BoxSelector::paintEvent(QPaintEvent *)
{
    BoxSelectorProtocol *settings = linkedProtocol();
    if (!settings)
        return;
    QPainter painter(this);
    if (!painter.isActive())
        return;

    const double viewWidth = width();
    const std::vector<PalettePtr> &palettes = settings->palettes();
    const int size = std::max(palettes.empty() ? 4 : paletteSize(palettes.front(), 4), 1);
    const BoxDimension box = settings->boxDimension();
    const int palettesPerRow = settings->palettesPerRow();
    // Tolerates rounding in the running x so that a row of exactly boxesPerRow boxes never wraps early.
    const double rightEdge = viewWidth + 1e-9 * std::max(viewWidth, 1.0);

    double x = 0.0;
    double y = 0.0;
    int paletteColumn = 0;
    int paletteRow = 0;
    painter.setPen(QPen(Qt::black, 1.0));
    for (const PalettePtr &palette : palettes) {
        if (palette) {
            for (const ColorEntry &entry : palette->palette()) {
                if (x + box.width > rightEdge) {
                    x = 0.0;
                    y += box.height;
                }
                painter.setBrush(toQColor(shownColor(entry)));
                painter.drawRect(QRectF(x, y, box.width, box.height));
                x += box.width;
            }
        }
        if (++paletteColumn == palettesPerRow) {
            paletteColumn = 0;
            ++paletteRow;
        }
        x = paletteColumn * size * box.width;
        y = paletteRow * box.height;
    }

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::red, 2.0));
    if (settings->boxHighlighter())
        painter.drawRect(QRectF(box.width * boxSelected_.x, box.height * boxSelected_.y, box.width, box.height));
    const PalettePick pick = pickMapping(boxSelected_, palettesPerRow, settings->boxesPerRow(), size);
    const int palettesAcross = settings->boxesPerRow() / size;
    if (settings->paletteHighlighter() && palettesAcross > 0) {
        const int row = pick.number / palettesAcross;
        const int column = pick.number - palettesAcross * row;
        painter.drawRect(QRectF(column * size * box.width, row * box.height, size * box.width, box.height));
    }
}

void BoxSelector::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    BoxSelectorProtocol *settings = linkedProtocol();
    if (!settings)
        return;
    const PalettePtr selected = settings->paletteSelected();
    if (!selected) {
        qCInfo(mosavoLog).noquote() << "palette selected not set for box selector protocol";
        return;
    }

    const BoxDimension box = settings->boxDimension();
    const QPointF at = event->position();
    boxSelected_ = { boxIndexAt(at.x(), box.width, settings->boxesPerRow()),
        boxIndexAt(at.y(), box.height, settings->numberOfRows()) };
    palette_ = pickMapping(boxSelected_, settings->palettesPerRow(), settings->boxesPerRow(), paletteSize(selected, 0));
    QWidget::update();
    // linkedProtocol() has checked the delegate.
    boxSelectorDelegate()->selected(this, palette_, boxSelected_);
}

} // namespace mosavo
