#include "app/sprites/FrameItemDelegate.h"

#include <QApplication>
#include <QPainter>

namespace kestova {

namespace {
constexpr int padding = 4;
}

QString FrameItemDelegate::durationText(int duration)
{
    return QStringLiteral("%1 f").arg(duration);
}

QString FrameItemDelegate::shownName(
    const QString &name, const QString &duration, const QFontMetrics &metrics, int width)
{
    const int room = width - metrics.horizontalAdvance(duration) - 3 * padding;
    return metrics.elidedText(name, Qt::ElideMiddle, std::max(room, 0));
}

void FrameItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem row = option;
    initStyleOption(&row, index);
    const QString name = row.text;
    row.text.clear();
    QStyle *style = row.widget ? row.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &row, painter, row.widget);

    const QString duration = durationText(index.data(durationRole).toInt());
    const QRect text = option.rect.adjusted(padding, 0, -padding, 0);
    painter->save();
    painter->setPen(row.palette.color(row.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(
        text, Qt::AlignLeft | Qt::AlignVCenter, shownName(name, duration, option.fontMetrics, option.rect.width()));
    painter->drawText(text, Qt::AlignRight | Qt::AlignVCenter, duration);
    painter->restore();
}

} // namespace kestova
