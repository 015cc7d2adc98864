#include "selectors/GeneralColorSelector.h"

#include "editor/MosavoLogging.h"
#include "palette/Random.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

namespace mosavo {

GeneralColorSelector::GeneralColorSelector(QWidget *parent)
    : StandardBoxSelector({ .boxHighlighter = false,
                              .paletteHighlighter = false,
                              .palettesPerRow = 1,
                              .boxesPerRow = 4,
                              .numberOfRows = 16 },
        parent)
{ }

void GeneralColorSelector::setSelectedColor(int x, int y)
{
    const int rows = numberOfRows();
    if (x < 0 || y < 0 || x > rows || y > rows) {
        qCInfo(mosavoLog).noquote() << "Failed";
        return;
    }
    setBoxSelected({ x, y });
}

void GeneralColorSelector::randomlySelectColor()
{
    setBoxSelected({ int(randomUniform(boxesPerRow())), int(randomUniform(numberOfRows())) });
}

void GeneralColorSelector::setOutlinedColor(std::optional<int64_t> colorNumber)
{
    if (colorNumber == outlinedColor_)
        return;
    outlinedColor_ = colorNumber;
    QWidget::update();
}

std::optional<BoxPosition> GeneralColorSelector::boxOfColor(int64_t colorNumber) const
{
    const PalettePtr master = palettes().empty() ? nullptr : palettes().front();
    const int across = boxesPerRow();
    if (!master || across < 1)
        return std::nullopt;
    const auto &entries = master->palette();
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].colorCode == colorNumber)
            return BoxPosition { int(i % size_t(across)), int(i / size_t(across)) };
    return std::nullopt;
}

QString GeneralColorSelector::toolTipAt(QPointF position) const
{
    const PalettePtr master = palettes().empty() ? nullptr : palettes().front();
    const BoxDimension box = boxDimension();
    if (!master || position.x() < 0 || position.y() < 0 || position.x() >= width() || position.y() >= height())
        return {};
    const BoxPosition at { boxIndexAt(position.x(), box.width, boxesPerRow()),
        boxIndexAt(position.y(), box.height, numberOfRows()) };
    const size_t index = size_t(at.y) * size_t(boxesPerRow()) + size_t(at.x);
    const auto &entries = master->palette();
    if (index >= entries.size())
        return {};
    return QStringLiteral("$%1").arg(entries[index].colorCode, 2, 16, QLatin1Char('0')).toUpper();
}

bool GeneralColorSelector::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const QString text = toolTipAt(help->pos());
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, this);
        return true;
    }
    return StandardBoxSelector::event(event);
}

void GeneralColorSelector::paintEvent(QPaintEvent *event)
{
    StandardBoxSelector::paintEvent(event);
    if (!outlinedColor_ || !boxSelectorDelegate())
        return;
    const std::optional<BoxPosition> at = boxOfColor(*outlinedColor_);
    if (!at)
        return;
    QPainter painter(this);
    const BoxDimension box = boxDimension();
    const QRectF cell(box.width * at->x, box.height * at->y, box.width, box.height);
    // Black outside, white inside, so the outline shows on every colour.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 2.0));
    painter.drawRect(cell.adjusted(2, 2, -2, -2));
    painter.setPen(QPen(Qt::white, 1.0));
    painter.drawRect(cell.adjusted(3.5, 3.5, -3.5, -3.5));
}

} // namespace mosavo
