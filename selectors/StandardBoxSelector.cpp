#include "selectors/StandardBoxSelector.h"

namespace mosavo {

StandardBoxSelector::StandardBoxSelector(BoxSelectorLayout layout, QWidget *parent)
    : BoxSelector(parent)
    , layout_(layout)
{
    setBoxSelectorProtocol(this);
}

void StandardBoxSelector::resetToOriginallySelectedItem()
{
    currentBoxSelected_ = 0;
    currentPaletteSelected_ = 0;
    setBoxSelected({ 0, 0 });
}

void StandardBoxSelector::showPick(BoxPosition position)
{
    setBoxSelected(position);
    QWidget::update();
}

} // namespace mosavo
