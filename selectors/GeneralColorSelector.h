#pragma once

#include "selectors/StandardBoxSelector.h"

namespace mosavo {

// The 64 colours of the NES master palette in display order, four to a row in sixteen rows, without highlighting;
// the pick chooses a colour number. Shows a one-entry list holding the master palette.
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
};

} // namespace mosavo
