#include "sprite/MetaspriteEditor.h"

#include "sprite/SpritePicture.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace mosavo {

namespace {
int floorDivide(int value, int by)
{
    return value >= 0 ? value / by : -((-value + by - 1) / by);
}
} // namespace

MetaspriteEditor::MetaspriteEditor(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    renderPicture();
}

void MetaspriteEditor::setMetasprite(const Metasprite &metasprite)
{
    metasprite_ = metasprite;
    std::vector<int> kept;
    for (int index : selection_)
        if (index < int(metasprite_.sprites.size()))
            kept.push_back(index);
    const bool changed = kept != selection_;
    selection_ = std::move(kept);
    grabbed_ = -1;
    renderPicture();
    if (changed)
        emit selectionChanged();
}

void MetaspriteEditor::setPatternTables(const PatternTables &patterns)
{
    *patterns_ = patterns;
    backgroundPicture_.reset();
    renderPicture();
}

void MetaspriteEditor::setPalette(const PaletteBytes &palette)
{
    palette_ = palette;
    backgroundPicture_.reset();
    renderPicture();
}

void MetaspriteEditor::setSpriteSettings(const SpriteSettings &settings)
{
    settings_ = settings;
    renderPicture();
}

void MetaspriteEditor::setBackground(std::optional<Screen> screen)
{
    background_ = std::move(screen);
    backgroundPicture_.reset();
    renderPicture();
}

void MetaspriteEditor::setOrigin(int x, int y)
{
    originX_ = x;
    originY_ = y;
    renderPicture();
}

void MetaspriteEditor::setZoom(int zoom)
{
    zoom_ = std::clamp(zoom, minimumZoom, maximumZoom);
    setFixedSize(sizeHint());
    updateGeometry();
    update();
}

void MetaspriteEditor::setSnap(int snap)
{
    snap_ = snap >= 8 ? 8 : 1;
}

void MetaspriteEditor::setSelection(std::vector<int> sprites)
{
    std::sort(sprites.begin(), sprites.end());
    sprites.erase(std::unique(sprites.begin(), sprites.end()), sprites.end());
    std::erase_if(sprites, [this](int i) { return i < 0 || i >= int(metasprite_.sprites.size()); });
    if (sprites == selection_)
        return;
    selection_ = std::move(sprites);
    update();
    emit selectionChanged();
}

void MetaspriteEditor::selectAll()
{
    std::vector<int> all(metasprite_.sprites.size());
    for (size_t i = 0; i < all.size(); ++i)
        all[i] = int(i);
    setSelection(std::move(all));
}

QRect MetaspriteEditor::rubberBand() const
{
    // Both corners inside, whichever way the band was dragged (QRect::normalized would leave them out).
    if (!banding_)
        return {};
    return QRect(QPoint(std::min(bandStart_.x(), bandEnd_.x()), std::min(bandStart_.y(), bandEnd_.y())),
        QPoint(std::max(bandStart_.x(), bandEnd_.x()), std::max(bandStart_.y(), bandEnd_.y())));
}

std::vector<int> MetaspriteEditor::spritesIn(const QRect &frameRect) const
{
    std::vector<int> inside;
    const std::vector<PlacedSprite> sprites = placedSprites();
    for (size_t i = 0; i < sprites.size(); ++i)
        if (frameRect.intersects(QRect(sprites[i].x, sprites[i].y, 8, settings_.height())))
            inside.push_back(int(i));
    return inside;
}

void MetaspriteEditor::setHovered(int sprite)
{
    if (sprite == hovered_)
        return;
    hovered_ = sprite;
    emit spriteHovered(sprite);
}

QSize MetaspriteEditor::sizeHint() const
{
    return { FramePicture::frameWidth * zoom_, FramePicture::frameHeight * zoom_ };
}

std::vector<PlacedSprite> MetaspriteEditor::placedSprites() const
{
    std::vector<PlacedSprite> sprites = placeMetasprite(metasprite_, originX_, originY_);
    if (grabbed_ >= 0)
        for (int index : selection_) {
            sprites[size_t(index)].x += dragOffset_.x();
            sprites[size_t(index)].y += dragOffset_.y();
        }
    return sprites;
}

void MetaspriteEditor::renderPicture()
{
    if (background_ && !backgroundPicture_)
        backgroundPicture_ = renderBackground(*patterns_, *background_, palette_);
    FramePicture picture = backgroundPicture_
        ? *backgroundPicture_
        : FramePicture::filled(FramePicture::frameWidth, FramePicture::frameHeight, FramePicture::transparentColor);
    const std::vector<PlacedSprite> sprites = placedSprites();
    drawSprites(picture, *patterns_, sprites, settings_, palette_);
    frameImage_ = framePictureImage(picture);
    overflows_ = scanlineOverflows(sprites, settings_.height(), 0, FramePicture::frameHeight - 1);
    if (width() != sizeHint().width() || height() != sizeHint().height())
        setFixedSize(sizeHint());
    update();
}

int MetaspriteEditor::spriteAt(int frameX, int frameY) const
{
    const std::vector<PlacedSprite> sprites = placedSprites();
    for (size_t i = 0; i < sprites.size(); ++i) {
        const PlacedSprite &sprite = sprites[i];
        if (frameX >= sprite.x && frameX < sprite.x + 8 && frameY >= sprite.y && frameY < sprite.y + settings_.height())
            return int(i);
    }
    return -1;
}

QPoint MetaspriteEditor::framePoint(QPointF widgetPoint) const
{
    return { int(std::floor(widgetPoint.x() / zoom_)), int(std::floor(widgetPoint.y() / zoom_)) };
}

QPointF MetaspriteEditor::widgetPoint(int frameX, int frameY) const
{
    return { double(frameX * zoom_), double(frameY * zoom_) };
}

void MetaspriteEditor::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(QRect(0, 0, FramePicture::frameWidth * zoom_, FramePicture::frameHeight * zoom_), frameImage_);

    // Overflowing rows: a red band over each run of rows with the same count, the count at the right.
    const QColor red(230, 30, 30);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(std::max(9, zoom_ * 4));
    painter.setFont(font);
    // The counts sit at the right of the part of the view that is seen (the view is wider than its scroll area).
    const QRect seen = visibleRegion().isEmpty() ? rect() : visibleRegion().boundingRect();
    const int labelRight = std::min(width(), seen.right() + 1);
    for (size_t i = 0; i < overflows_.size();) {
        size_t end = i + 1;
        while (end < overflows_.size() && overflows_[end].row == overflows_[end - 1].row + 1
            && overflows_[end].sprites.size() == overflows_[i].sprites.size())
            ++end;
        const int top = overflows_[i].row * zoom_;
        const int rows = int(end - i);
        const QRect band(0, top, width(), rows * zoom_);
        painter.fillRect(band, QColor(230, 30, 30, 70));
        painter.setPen(QPen(red, 1));
        painter.drawLine(band.topLeft(), band.topRight());
        painter.drawLine(band.bottomLeft(), band.bottomRight());
        const QString count = QString::number(overflows_[i].sprites.size());
        const QRect label(labelRight - 8 * zoom_ - 4, top, 8 * zoom_, std::max(rows * zoom_, font.pixelSize() + 2));
        painter.fillRect(label, red);
        painter.setPen(Qt::white);
        painter.drawText(label, Qt::AlignCenter, count);
        i = end;
    }

    const std::vector<PlacedSprite> sprites = placedSprites();
    const int spriteHeight = settings_.height();
    // The bounding box.
    const SpriteBox box = spriteBox(sprites, spriteHeight);
    if (!box.isEmpty()) {
        painter.setPen(QPen(QColor(40, 200, 255), 1, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(box.left * zoom_ - 0.5, box.top * zoom_ - 0.5, box.width * zoom_, box.height * zoom_));
    }
    // The selected sprites.
    painter.setPen(QPen(QColor(255, 220, 0), 2));
    for (int index : selection_) {
        const PlacedSprite &sprite = sprites[size_t(index)];
        painter.drawRect(QRect(sprite.x * zoom_, sprite.y * zoom_, 8 * zoom_, spriteHeight * zoom_));
    }
    // The rubber band.
    if (banding_) {
        const QRect band = rubberBand();
        painter.setPen(QPen(QColor(255, 220, 0), 1, Qt::DashLine));
        painter.setBrush(QColor(255, 220, 0, 40));
        painter.drawRect(QRectF(band.left() * zoom_ + 0.5, band.top() * zoom_ + 0.5, (band.width()) * zoom_ - 1,
            band.height() * zoom_ - 1));
        painter.setBrush(Qt::NoBrush);
    }
    // The origin: a cross through the top-left corner of its pixel.
    const int ox = originX_ * zoom_, oy = originY_ * zoom_;
    painter.setPen(QPen(QColor(255, 0, 255), 1));
    painter.drawLine(ox - 3 * zoom_, oy, ox + 3 * zoom_, oy);
    painter.drawLine(ox, oy - 3 * zoom_, ox, oy + 3 * zoom_);
}

QPoint MetaspriteEditor::snappedDragOffset(QPoint frame) const
{
    QPoint offset = frame - pressedAt_;
    // A click without a move leaves the sprites where they are, on the snap or not.
    if (offset.isNull())
        return offset;
    if (snap_ > 1 && grabbed_ >= 0) {
        // The grabbed sprite's offset from the origin lands on a multiple of the snap.
        const MetaspriteSprite &sprite = metasprite_.sprites[size_t(grabbed_)];
        const auto snapped = [this](int value) { return floorDivide(value + snap_ / 2, snap_) * snap_; };
        offset.setX(snapped(sprite.x + offset.x()) - sprite.x);
        offset.setY(snapped(sprite.y + offset.y()) - sprite.y);
    }
    return offset;
}

void MetaspriteEditor::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    const QPoint frame = framePoint(event->position());
    const int hit = spriteAt(frame.x(), frame.y());
    hovered_ = hit;
    const bool adding = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
    std::vector<int> selection = selection_;
    const bool wasSelected = std::find(selection.begin(), selection.end(), hit) != selection.end();
    pressedInGroup_ = false;
    if (hit < 0) {
        // Empty space: a rubber band starts (a click without a drag clears the selection, Shift or Ctrl keep it).
        banding_ = true;
        bandStart_ = bandEnd_ = frame;
        bandBase_ = adding ? selection_ : std::vector<int> {};
        if (!adding)
            selection.clear();
    } else if (adding) {
        if (wasSelected)
            std::erase(selection, hit);
        else
            selection.push_back(hit);
    } else if (!wasSelected) {
        selection = { hit };
    } else {
        pressedInGroup_ = selection.size() > 1;
    }
    setSelection(selection);
    const bool grabbedSelected = std::find(selection_.begin(), selection_.end(), hit) != selection_.end();
    grabbed_ = hit >= 0 && grabbedSelected ? hit : -1;
    pressedAt_ = frame;
    dragOffset_ = {};
}

void MetaspriteEditor::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint frame = framePoint(event->position());
    if (!(event->buttons() & Qt::LeftButton)) {
        setHovered(spriteAt(frame.x(), frame.y()));
        return;
    }
    if (banding_) {
        if (frame == bandEnd_)
            return;
        bandEnd_ = frame;
        std::vector<int> selection = bandBase_;
        const std::vector<int> inside = spritesIn(rubberBand());
        selection.insert(selection.end(), inside.begin(), inside.end());
        setSelection(selection);
        update();
        return;
    }
    if (grabbed_ < 0)
        return;
    const QPoint offset = snappedDragOffset(frame);
    if (offset == dragOffset_)
        return;
    dragOffset_ = offset;
    renderPicture();
    emit dragMoved(offset.x(), offset.y());
}

void MetaspriteEditor::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (banding_) {
        banding_ = false;
        update();
        return;
    }
    if (grabbed_ < 0)
        return;
    const QPoint offset = snappedDragOffset(framePoint(event->position()));
    const int grabbed = grabbed_;
    grabbed_ = -1;
    dragOffset_ = {};
    if (offset.isNull() || !delegate_) {
        renderPicture();
        // A click on one sprite of a selected group picks it out of the group.
        if (offset.isNull() && pressedInGroup_)
            setSelection({ grabbed });
        pressedInGroup_ = false;
        return;
    }
    pressedInGroup_ = false;
    const std::vector<int> moved = selection_;
    delegate_->moveSprites(this, moved, offset.x(), offset.y());
    renderPicture();
}

void MetaspriteEditor::leaveEvent(QEvent *event)
{
    setHovered(-1);
    QWidget::leaveEvent(event);
}

void MetaspriteEditor::moveEvent(QMoveEvent *event)
{
    // Scrolled: the overflow counts follow the part of the view that is seen.
    if (!overflows_.empty())
        update();
    QWidget::moveEvent(event);
}

namespace {
// The keys the editor takes for its selected sprites, with no modifier but Shift.
bool isSpriteKey(const QKeyEvent &event)
{
    if (event.modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier))
        return false;
    switch (event.key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
    case Qt::Key_H:
    case Qt::Key_V:
        return true;
    default:
        return false;
    }
}
} // namespace

bool MetaspriteEditor::event(QEvent *event)
{
    // Selected sprites take their keys before the window's shortcuts (Delete, H and V there act on tiles).
    if (event->type() == QEvent::ShortcutOverride && !selection_.empty() && delegate_
        && isSpriteKey(*static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void MetaspriteEditor::keyPressEvent(QKeyEvent *event)
{
    if (selection_.empty() || !delegate_) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int step = (event->modifiers() & Qt::ShiftModifier) ? 8 : 1;
    int dx = 0, dy = 0;
    switch (event->key()) {
    case Qt::Key_Left:
        dx = -step;
        break;
    case Qt::Key_Right:
        dx = step;
        break;
    case Qt::Key_Up:
        dy = -step;
        break;
    case Qt::Key_Down:
        dy = step;
        break;
    case Qt::Key_Delete:
    case Qt::Key_Backspace: {
        const std::vector<int> doomed = selection_;
        delegate_->deleteSprites(this, doomed);
        return;
    }
    case Qt::Key_H:
    case Qt::Key_V: {
        const std::vector<int> flipped = selection_;
        delegate_->flipSprites(this, flipped, event->key() == Qt::Key_H);
        return;
    }
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    const std::vector<int> moved = selection_;
    delegate_->moveSprites(this, moved, dx, dy);
}

} // namespace mosavo
