#pragma once

#include <QStyledItemDelegate>

namespace kestova {

// Draws a row of the animation's frame list: the metasprite's name at the left, shortened in the middle when the row
// is too narrow for it (so that names that differ at their end stay apart), and the frame's duration at the right.
// The row's text is the name; its duration is in durationRole.
class FrameItemDelegate : public QStyledItemDelegate
{
public:
    static constexpr int durationRole = Qt::UserRole + 1;

    using QStyledItemDelegate::QStyledItemDelegate;

    // The duration as the row shows it: "8 f" (frames of 1/60 s).
    static QString durationText(int duration);
    // The name as a row of the width shows it beside the duration text.
    static QString shownName(const QString &name, const QString &duration, const QFontMetrics &metrics, int width);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

} // namespace kestova
