#pragma once

#include "selectors/StandardBoxSelector.h"

namespace mosavo {

// The four colours of the palette used for painting, in one row; the picked box, outlined in red, is the paint colour
// slot. Shows a one-entry palette list.
class ColorSelector : public StandardBoxSelector
{
    Q_OBJECT

public:
    explicit ColorSelector(QWidget *parent = nullptr);
};

} // namespace mosavo
