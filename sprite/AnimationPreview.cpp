#include "sprite/AnimationPreview.h"

#include <QPainter>

#include <algorithm>

namespace mosavo {

AnimationPreview::AnimationPreview(QWidget *parent)
    : QWidget(parent)
{
    elapsedTimer_.start();
    clock_ = [this] { return elapsedTimer_.elapsed(); };
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(16);
    connect(&timer_, &QTimer::timeout, this, &AnimationPreview::catchUp);
    setMinimumSize(64, 64);
}

void AnimationPreview::setFrames(std::vector<Frame> frames)
{
    catchUp();
    frames_ = std::move(frames);
    for (Frame &frame : frames_)
        frame.duration = std::max(frame.duration, 1);
    if (current_ < int(frames_.size())) {
        elapsed_ = std::min(elapsed_, frames_[size_t(current_)].duration - 1);
        update();
    } else {
        show(0);
    }
}

void AnimationPreview::setClock(Clock clock)
{
    clock_ = std::move(clock);
    playedFrom_ = clock_();
    framesPlayed_ = 0;
}

void AnimationPreview::play()
{
    if (frames_.empty() || playing_)
        return;
    playing_ = true;
    playedFrom_ = clock_();
    framesPlayed_ = 0;
    timer_.start();
}

void AnimationPreview::pause()
{
    catchUp();
    playing_ = false;
    timer_.stop();
}

qint64 AnimationPreview::framesByClock() const
{
    return (clock_() - playedFrom_) * 60 / 1000;
}

void AnimationPreview::catchUp()
{
    if (!playing_ || frames_.empty())
        return;
    const qint64 due = framesByClock();
    qint64 frames = due - framesPlayed_;
    framesPlayed_ = due;
    // A whole loop comes back to where it started.
    qint64 loop = 0;
    for (const Frame &frame : frames_)
        loop += frame.duration;
    if (frames > loop)
        frames %= loop;
    for (; frames > 0; --frames)
        tick();
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
    // The largest whole magnification that fits, centred; a picture larger than the preview is made smaller to fit.
    const double fit = std::min(double(width()) / std::max(picture.width(), 1),
        double(height()) / std::max(picture.height(), 1));
    const QSize size = fit >= 1 ? picture.size() * int(fit) : (QSizeF(picture.size()) * fit).toSize().expandedTo({ 1, 1 });
    const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    painter.drawImage(target, picture);
}

} // namespace mosavo
