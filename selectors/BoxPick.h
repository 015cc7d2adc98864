#pragma once

namespace mosavo {

// A pick in terms of palettes: the palette index and the box index within that palette.
struct PalettePick
{
    int number = 0;
    int box = 0;
    bool operator==(const PalettePick &) const = default;
};

// A pick in terms of the box grid: column x and row y, row 0 at the top.
struct BoxPosition
{
    int x = 0;
    int y = 0;
    bool operator==(const BoxPosition &) const = default;
};

// The palette and box shown at grid position `position` when `palettesPerRow` palettes of `paletteSize` boxes sit side
// by side. With one palette per row the grid reads as one palette, row by row: box = x + y * boxesPerRow. Otherwise
// number = y * palettesPerRow + x div paletteSize and box = x mod paletteSize. A palette size below 1 counts as 1.
PalettePick pickMapping(BoxPosition position, int palettesPerRow, int boxesPerRow, int paletteSize);

// The index of the box that holds `position` along one axis of `boxCount` boxes of `boxLength` each. A position
// exactly on a boundary between two boxes belongs to the box before it (left or above); the result is always clamped
// to 0 ... boxCount - 1, so the leading edge itself and positions outside the grid pick the nearest box. A box count
// below 1, a box length that is not positive or a position that is not finite give 0.
int boxIndexAt(double position, double boxLength, int boxCount);

} // namespace mosavo
