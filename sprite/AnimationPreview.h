#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <vector>

namespace mosavo {

// Plays an animation: pictures shown for a number of frames of 1/60 s each, in a loop. While playing, a timer
// advances it one frame about 60 times a second; tick() and step() advance it by hand (tests use them, not time).
class AnimationPreview : public QWidget
{
    Q_OBJECT

public:
    struct Frame
    {
        QImage picture;
        int duration = 1; // frames of 1/60 s, at least 1
    };

    explicit AnimationPreview(QWidget *parent = nullptr);

    // New frames; the preview starts again from the first (still playing if it was).
    void setFrames(std::vector<Frame> frames);
    const std::vector<Frame> &frames() const { return frames_; }

    void play();
    void pause();
    bool isPlaying() const { return timer_.isActive(); }
    // One frame of 1/60 s: the next picture once the current one has been shown for its duration.
    void tick();
    // Straight to the next picture (the first after the last).
    void step();

    // The picture shown (position in frames()) and how many 1/60 s frames it has been shown.
    int currentFrame() const { return current_; }
    int elapsed() const { return elapsed_; }

    QSize sizeHint() const override { return { 128, 128 }; }

signals:
    void frameChanged(int frame);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void show(int frame);

    std::vector<Frame> frames_;
    int current_ = 0;
    int elapsed_ = 0;
    QTimer timer_;
};

} // namespace mosavo
