#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <variant>
#include <vector>

namespace mosavo {

// The order in which a tile sheet (a picture of many tiles, a whole number of 8x8 cells) holds its tiles.
enum class TileSheetOrder {
    // Tile n at cell row n / columns, cell column n % columns.
    rows8x8,
    // 8x16 sprites: tiles 2k and 2k + 1 stand one above the other in sprite cell k, and the sprite cells run left to
    // right, then down, columns to a row.
    sprites8x16,
};

// A position on a tile sheet, counted in 8x8 cells from the top-left cell.
struct TileSheetCell
{
    int64_t row = 0;
    int64_t column = 0;
    bool operator==(const TileSheetCell &) const = default;
};

// The cell of tile number n >= 0 on a sheet columns (>= 1) cells wide.
TileSheetCell tileSheetCell(TileSheetOrder order, int64_t columns, int64_t tileNumber);
// Cell rows needed for tileCount tiles: whole rows, and whole pairs of rows for 8x16 sprites.
int64_t tileSheetRows(TileSheetOrder order, int64_t columns, int64_t tileCount);

// How a picture's colours (0xRRGGBB) become colour indices 0-3 when they are not exactly a palette's colours: each
// colour goes to the palette colour nearest to it (squared distance in RGB), and no two colours may share one.
struct NearestColorMapping
{
    // colorIndices[i] is the colour index of colors[i].
    std::vector<int> colorIndices;
};

// Why a picture's colours cannot be mapped one to one.
struct NearestColorRefusal
{
    enum class Reason {
        // More than four colours: `color` is the position of the fifth.
        tooManyColors,
        // Colours `color` and `other` (other < color) are both nearest to palette colour `slot`, and no one-to-one
        // choice among equally near palette colours parts them.
        sharedSlot,
    };
    Reason reason = Reason::tooManyColors;
    size_t color = 0;
    size_t other = 0;
    int slot = 0;
};

// Maps distinct colours (in the order a picture first shows them) onto the four colours of a palette by nearest
// colour, one to one. A colour equally near to several palette colours may take any of them; the first such choice,
// in palette order, that keeps the mapping one to one is taken. Exact matches have distance 0, so a picture in the
// palette's own colours maps to them.
std::variant<NearestColorMapping, NearestColorRefusal> nearestColorMapping(
    std::span<const uint32_t> colors, const std::array<uint32_t, 4> &palette);

// The squared distance of two colours (0xRRGGBB) in RGB.
int64_t colorDistance(uint32_t a, uint32_t b);

} // namespace mosavo
