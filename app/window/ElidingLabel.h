#pragma once

#include <QLabel>

namespace kestova {

// A one-line label that never widens its window: where its text does not fit, it is drawn elided in the middle (both
// ends stay readable) and shown whole as the tooltip. text() is always the whole text.
class ElidingLabel : public QLabel
{
public:
    explicit ElidingLabel(QWidget *parent = nullptr);

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace kestova
