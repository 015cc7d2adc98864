#pragma once

#include "selectors/StandardBoxSelector.h"

#include <optional>

namespace mosavo {

// The 64 colours of the NES master palette in display order, four to a row in sixteen rows, without highlighting;
// the pick chooses a colour number. Shows a one-entry list holding the master palette. Each box's tooltip is its
// colour number ($00-$3F); one colour number (the colour in the chosen slot) can be outlined.
class GeneralColorSelector : public StandardBoxSelector
{
    Q_OBJECT

public:
    explicit GeneralColorSelector(QWidget *parent = nullptr);

    // Sets boxSelected to (x, y) when 0 <= x <= numberOfRows and 0 <= y <= numberOfRows; otherwise logs "Failed" and
    // changes nothing. For colour number n the caller passes x = n mod boxesPerRow, y = n div boxesPerRow. Does not
    // repaint.
    void setSelectedColor(int x, int y);
    // boxSelected = a uniformly drawn column below boxesPerRow and row below numberOfRows. Does not repaint.
    void randomlySelectColor();

    // The colour number whose box is outlined (in black and white, apart from the red of a pick); none by default.
    // Repaints when it changes.
    std::optional<int64_t> outlinedColor() const { return outlinedColor_; }
    void setOutlinedColor(std::optional<int64_t> colorNumber);
    // The grid position of the box showing a colour number; none when the master palette does not show it.
    std::optional<BoxPosition> boxOfColor(int64_t colorNumber) const;
    // The colour number shown at a view position, as "$16"; empty where no colour is shown.
    QString toolTipAt(QPointF position) const;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    std::optional<int64_t> outlinedColor_;
};

} // namespace mosavo
