#include "selectors/ColorSelector.h"

namespace mosavo {

ColorSelector::ColorSelector(QWidget *parent)
    : StandardBoxSelector({ .boxHighlighter = true,
                              .paletteHighlighter = false,
                              .palettesPerRow = 1,
                              .boxesPerRow = 4,
                              .numberOfRows = 1 },
        parent)
{ }

} // namespace mosavo
