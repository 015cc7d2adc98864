#include "selectors/ColorSelector.h"
#include "palette/DisplayColors.h"

#include <QPainter>

namespace mosavo {

ColorSelector::ColorSelector(QWidget *parent)
    : StandardBoxSelector({ .boxHighlighter = true,
                              .paletteHighlighter = false,
                              .palettesPerRow = 1,
                              .boxesPerRow = 4,
                              .numberOfRows = 1 },
        parent)
{ }

QString ColorSelector::colorNumberText(int64_t colorNumber)
{
    return QStringLiteral("$%1").arg(colorNumber, 2, 16, QLatin1Char('0')).toUpper();
}

std::optional<int64_t> ColorSelector::chosenColor() const
{
    const PalettePtr shown = paletteSelected();
    const int slot = currentBoxSelected();
    if (!shown || slot < 0 || size_t(slot) >= shown->palette().size())
        return std::nullopt;
    return shown->palette()[size_t(slot)].colorCode;
}

void ColorSelector::paintEvent(QPaintEvent *event)
{
    StandardBoxSelector::paintEvent(event);
    const PalettePtr shown = palettes().empty() ? nullptr : palettes().front();
    if (shown && boxSelectorDelegate()) {
        QPainter painter(this);
        const BoxDimension box = boxDimension();
        const auto &entries = shown->palette();
        for (size_t i = 0; i < entries.size() && i < size_t(std::max(boxesPerRow(), 0)); ++i) {
            const Color c = shownColor(entries[i]);
            // Dark text on light colours, light text on dark ones.
            const double light = 0.299 * c.red + 0.587 * c.green + 0.114 * c.blue;
            painter.setPen(light > 0.5 ? Qt::black : Qt::white);
            // In the top-left corner, so the middle of the box shows the colour plainly.
            painter.drawText(QRectF(box.width * double(i) + 3, 2, box.width - 4, box.height - 3),
                Qt::AlignLeft | Qt::AlignTop, colorNumberText(entries[i].colorCode));
        }
    }
    const int64_t chosen = chosenColor().value_or(-1);
    if (chosen != lastChosenColor_) {
        lastChosenColor_ = chosen;
        emit chosenColorChanged(chosen);
    }
}

} // namespace mosavo
