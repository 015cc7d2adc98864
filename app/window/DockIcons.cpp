#include "app/window/DockIcons.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>

namespace kestova {

namespace {

// Draws the glyph on a 16 x 16 grid.
void drawGlyph(QPainter &p, DockGlyph glyph, const QColor &ink)
{
    const QPen pen(ink, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    auto triangle = [&](QPointF a, QPointF b, QPointF c) {
        QPainterPath path;
        path.moveTo(a);
        path.lineTo(b);
        path.lineTo(c);
        path.closeSubpath();
        p.fillPath(path, ink);
    };
    switch (glyph) {
    case DockGlyph::add:
        p.drawLine(QPointF(8, 2.5), QPointF(8, 13.5));
        p.drawLine(QPointF(2.5, 8), QPointF(13.5, 8));
        break;
    case DockGlyph::duplicate:
        p.drawRect(QRectF(2.5, 2.5, 8, 8));
        p.fillRect(QRectF(5.5, 5.5, 8, 8), QApplication::palette().color(QPalette::Button));
        p.drawRect(QRectF(5.5, 5.5, 8, 8));
        break;
    case DockGlyph::rename: {
        QPainterPath pencil;
        pencil.moveTo(3, 13);
        pencil.lineTo(4, 10);
        pencil.lineTo(11, 3);
        pencil.lineTo(13, 5);
        pencil.lineTo(6, 12);
        pencil.closeSubpath();
        p.drawPath(pencil);
        break;
    }
    case DockGlyph::remove:
        p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
        break;
    case DockGlyph::up:
        triangle({ 8, 2.5 }, { 13.5, 8.5 }, { 2.5, 8.5 });
        p.drawLine(QPointF(8, 8), QPointF(8, 13.5));
        break;
    case DockGlyph::down:
        triangle({ 8, 13.5 }, { 13.5, 7.5 }, { 2.5, 7.5 });
        p.drawLine(QPointF(8, 2.5), QPointF(8, 8));
        break;
    case DockGlyph::flipHorizontally:
        triangle({ 1.5, 8 }, { 6.5, 3 }, { 6.5, 13 });
        triangle({ 14.5, 8 }, { 9.5, 3 }, { 9.5, 13 });
        p.drawLine(QPointF(8, 1.5), QPointF(8, 14.5));
        break;
    case DockGlyph::flipVertically:
        triangle({ 8, 1.5 }, { 3, 6.5 }, { 13, 6.5 });
        triangle({ 8, 14.5 }, { 3, 9.5 }, { 13, 9.5 });
        p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
        break;
    case DockGlyph::behind:
        p.fillRect(QRectF(2, 2, 8, 8), ink);
        p.setPen(QPen(ink, 1.2, Qt::DotLine));
        p.drawRect(QRectF(6.5, 6.5, 7, 7));
        break;
    case DockGlyph::front:
        p.drawRect(QRectF(6.5, 6.5, 7, 7));
        p.fillRect(QRectF(2, 2, 8, 8), ink);
        break;
    case DockGlyph::back:
        p.fillRect(QRectF(6, 6, 8, 8), ink);
        p.fillRect(QRectF(2, 2, 8, 8), QApplication::palette().color(QPalette::Button));
        p.drawRect(QRectF(2.5, 2.5, 7, 7));
        break;
    case DockGlyph::position:
        p.drawEllipse(QPointF(8, 8), 4.5, 4.5);
        p.drawLine(QPointF(8, 1), QPointF(8, 15));
        p.drawLine(QPointF(1, 8), QPointF(15, 8));
        break;
    case DockGlyph::play:
        triangle({ 4, 2.5 }, { 13, 8 }, { 4, 13.5 });
        break;
    case DockGlyph::pause:
        p.fillRect(QRectF(4, 3, 3, 10), ink);
        p.fillRect(QRectF(9, 3, 3, 10), ink);
        break;
    case DockGlyph::step:
        triangle({ 3, 2.5 }, { 10, 8 }, { 3, 13.5 });
        p.fillRect(QRectF(11, 3, 2.5, 10), ink);
        break;
    case DockGlyph::frameAdd:
        p.drawRect(QRectF(1.5, 3.5, 9, 9));
        p.drawLine(QPointF(12.5, 5), QPointF(12.5, 11));
        p.drawLine(QPointF(9.5, 8), QPointF(15.5, 8));
        break;
    }
}

QPixmap glyphPixmap(DockGlyph glyph, const QColor &ink, qreal ratio)
{
    QPixmap pixmap(int(16 * ratio), int(16 * ratio));
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    drawGlyph(painter, glyph, ink);
    return pixmap;
}

} // namespace

QIcon dockIcon(DockGlyph glyph)
{
    const QPalette palette = QApplication::palette();
    QIcon icon;
    for (const qreal ratio : { 1.0, 2.0 }) {
        icon.addPixmap(glyphPixmap(glyph, palette.color(QPalette::ButtonText), ratio), QIcon::Normal);
        icon.addPixmap(
            glyphPixmap(glyph, palette.color(QPalette::Disabled, QPalette::ButtonText), ratio), QIcon::Disabled);
    }
    return icon;
}

} // namespace kestova
