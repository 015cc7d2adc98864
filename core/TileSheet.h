#pragma once

#include <cstdint>

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

} // namespace mosavo
