#include "selectors/PaletteSelector.h"

namespace mosavo {

PaletteSelector::PaletteSelector(QWidget *parent)
    : StandardBoxSelector({ .boxHighlighter = false,
                              .paletteHighlighter = true,
                              .palettesPerRow = 4,
                              .boxesPerRow = 16,
                              .numberOfRows = 2 },
        parent)
{ }

} // namespace mosavo
