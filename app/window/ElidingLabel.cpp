#include "app/window/ElidingLabel.h"

#include <QPainter>

namespace kestova {

ElidingLabel::ElidingLabel(QWidget *parent)
    : QLabel(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

QSize ElidingLabel::minimumSizeHint() const
{
    // Room for a few characters and the ellipsis; the rest of the text is what the window may take away.
    const QSize whole = QLabel::minimumSizeHint();
    return { std::min(whole.width(), fontMetrics().horizontalAdvance(QLatin1Char('M')) * 8), whole.height() };
}

void ElidingLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect area = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width());
    setToolTip(shown == text() ? QString() : text());
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(area, int(alignment()) | Qt::TextSingleLine, shown);
}

} // namespace kestova
