#pragma once

#include "selectors/StandardBoxSelector.h"

namespace mosavo {

// Eight four-colour palettes in two rows of four; the pick chooses a palette, which is outlined in red.
class PaletteSelector : public StandardBoxSelector
{
    Q_OBJECT

public:
    explicit PaletteSelector(QWidget *parent = nullptr);
};

} // namespace mosavo
