#include "editor/MosavoArea.h"

#include "editor/Mosavo.h"

#include <QEvent>

#include <algorithm>

namespace mosavo {

MosavoArea::MosavoArea(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

Mosavo *MosavoArea::mosavo() const
{
    return findChild<Mosavo *>(QString(), Qt::FindDirectChildrenOnly);
}

int MosavoArea::editorSideFor(QSize area, ZoomSize zoom)
{
    const int pixels = int(pixelsPerSide(zoom));
    const int unit = std::max(pixels, int(pixelsPerSide(ZoomSize::x4)));
    const int fit = std::max(0, std::min(area.width(), area.height()));
    if (const int side = fit / unit * unit; side > 0)
        return side;
    return std::max(pixels, fit / pixels * pixels);
}

void MosavoArea::layOutEditor()
{
    Mosavo *editor = mosavo();
    if (!editor)
        return;
    const int side = editorSideFor(size(), editor->zoomSize());
    const QRect square((width() - side) / 2, (height() - side) / 2, side, side);
    if (editor->geometry() != square)
        editor->setGeometry(square);
}

bool MosavoArea::event(QEvent *event)
{
    const bool handled = QWidget::event(event);
    switch (event->type()) {
    case QEvent::LayoutRequest: // the editor's zoom changed
    case QEvent::ChildPolished:
    case QEvent::Show:
        layOutEditor();
        break;
    default:
        break;
    }
    return handled;
}

void MosavoArea::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layOutEditor();
}

} // namespace mosavo
