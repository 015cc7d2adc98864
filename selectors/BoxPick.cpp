#include "selectors/BoxPick.h"

#include <algorithm>
#include <cmath>

namespace mosavo {

PalettePick pickMapping(BoxPosition position, int palettesPerRow, int boxesPerRow, int paletteSize)
{
    if (palettesPerRow == 1)
        return { 0, position.x + position.y * boxesPerRow };
    const int size = std::max(paletteSize, 1);
    return { position.y * palettesPerRow + position.x / size, position.x % size };
}

int boxIndexAt(double position, double boxLength, int boxCount)
{
    if (boxCount < 1 || !(boxLength > 0.0) || !std::isfinite(boxLength) || !std::isfinite(position))
        return 0;
    // Rounded up, minus one: a remainder of zero (a boundary) stays with the box before it.
    double boxes = position / boxLength;
    if (std::fmod(position, boxLength) != 0.0)
        boxes += 1.0;
    boxes = std::clamp(boxes, 0.0, double(boxCount));
    return std::clamp(int(boxes) - 1, 0, boxCount - 1);
}

} // namespace mosavo
