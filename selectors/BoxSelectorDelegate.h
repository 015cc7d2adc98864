#pragma once

#include "selectors/BoxPick.h"

namespace mosavo {

class BoxSelector;

// Receives the picks the user makes in a box selector. Selectors hold their delegate weakly: when the delegate is a
// QObject the link clears itself when it is destroyed; any other delegate must be unset before it goes away.
class BoxSelectorDelegate
{
public:
    virtual ~BoxSelectorDelegate() = default;

    // Called once per mouse pick, after the selector has scheduled its repaint. `palette` is the palette index and the
    // box index within it, `boxSelected` the column and row of the picked box.
    virtual void selected(BoxSelector *boxSelector, PalettePick palette, BoxPosition boxSelected) = 0;
};

} // namespace mosavo
