#include "sprite/AnimationPreview.h"

#include <QPainter>

#include <algorithm>

namespace mosavo {

AnimationPreview::AnimationPreview(QWidget *parent)
    : QWidget(parent)
{
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(16);
    connect(&timer_, &QTimer::timeout, this, &AnimationPreview::tick);
    setMinimumSize(64, 64);
}

void AnimationPreview::setFrames(std::vector<Frame> frames)
{
    frames_ = std::move(frames);
    for (Frame &frame : frames_)
        frame.duration = std::max(frame.duration, 1);
    show(0);
}

void AnimationPreview::play()
{
    if (!frames_.empty())
        timer_.start();
}

void AnimationPreview::pause()
{
    timer_.stop();
}

void AnimationPreview::tick()
{
    if (frames_.empty())
        return;
    if (++elapsed_ < frames_[size_t(current_)].duration)
        return;
    show((current_ + 1) % int(frames_.size()));
}

void AnimationPreview::step()
{
    if (!frames_.empty())
        show((current_ + 1) % int(frames_.size()));
}

void AnimationPreview::show(int frame)
{
    current_ = frame;
    elapsed_ = 0;
    update();
    emit frameChanged(frame);
}

void AnimationPreview::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (frames_.empty())
        return;
    const QImage &picture = frames_[size_t(current_)].picture;
    if (picture.isNull())
        return;
    // The largest whole magnification that fits, centred.
    const int scale = std::max(1, std::min(width() / std::max(picture.width(), 1), height() / std::max(picture.height(), 1)));
    const QSize size = picture.size() * scale;
    const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    painter.drawImage(target, picture);
}

} // namespace mosavo
