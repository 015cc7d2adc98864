#pragma once

#include "selectors/StandardBoxSelector.h"

#include <optional>

namespace mosavo {

// The four colours of the palette used for painting, in one row, each box labelled with its colour number ("$0F")
// in its top-left corner;
// the picked box, outlined in red, is the paint colour slot. Shows a one-entry palette list.
class ColorSelector : public StandardBoxSelector
{
    Q_OBJECT

public:
    explicit ColorSelector(QWidget *parent = nullptr);

    // The colour number in the chosen slot (currentBoxSelected of paletteSelected); none without one.
    std::optional<int64_t> chosenColor() const;
    // The label of a box: its colour number in hex, "$0F".
    static QString colorNumberText(int64_t colorNumber);

signals:
    // The colour in the chosen slot differs from the one shown at the last repaint (-1: none). The selector is
    // repainted whenever its slot or colours change, so this follows both.
    void chosenColorChanged(int64_t colorNumber);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int64_t lastChosenColor_ = -1;
};

} // namespace mosavo
