#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <vector>

namespace mosavo {

// Plays an animation: pictures shown for a number of frames of 1/60 s each, in a loop. While playing, the picture
// shown follows a clock: after t milliseconds of play, t * 60 / 1000 frames have passed; a timer of about 16 ms only
// looks at the clock and repaints. tick() and step() advance it by hand.
class AnimationPreview : public QWidget
{
    Q_OBJECT

public:
    struct Frame
    {
        QImage picture;
        int duration = 1; // frames of 1/60 s, at least 1
    };
    // Milliseconds, never decreasing.
    using Clock = std::function<qint64()>;

    explicit AnimationPreview(QWidget *parent = nullptr);

    // New frames (the same animation changed): the picture shown stays when it is still there, else the first is;
    // playing or paused stays as it was.
    void setFrames(std::vector<Frame> frames);
    const std::vector<Frame> &frames() const { return frames_; }

    // The clock play follows (by default a QElapsedTimer's).
    void setClock(Clock clock);

    // Play starts counting from the picture shown; without frames it does not start.
    void play();
    void pause();
    bool isPlaying() const { return playing_; }
    // While playing: shows the picture the clock says (the timer calls it).
    void catchUp();
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
    // Frames of 1/60 s played since play() by the clock.
    qint64 framesByClock() const;

    std::vector<Frame> frames_;
    int current_ = 0;
    int elapsed_ = 0;
    bool playing_ = false;
    QElapsedTimer elapsedTimer_;
    Clock clock_;
    // The clock when play started, and the frames of 1/60 s played since.
    qint64 playedFrom_ = 0;
    qint64 framesPlayed_ = 0;
    QTimer timer_;
};

} // namespace mosavo
