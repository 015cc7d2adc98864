#pragma once

#include <cstdint>

namespace mosavo {

// How the tile viewer lays tiles out in its grid of 16 columns.
enum class TileArrangement {
    // Tile n at row n / 16, column n % 16.
    rows8x8,
    // Display rows in pairs, so that each 8x16 sprite (tiles 2k and 2k + 1) stands upright: display row 2r, column c
    // shows tile 32r + 2c and display row 2r + 1 shows tile 32r + 2c + 1.
    sprites8x16,
};

// A display index is a grid position counted row by row from the top-left cell: row = index / 16, column = index % 16.
inline constexpr int64_t displayColumns = 16;

// The tile shown at a display index, or -1 when the position is before the first or past the last tile (filler).
int64_t tileNumberAtDisplayIndex(TileArrangement arrangement, int64_t displayIndex, int64_t tileCount);
// The display index of a tile, or -1 when the tile is not among the tileCount tiles.
int64_t displayIndexOfTile(TileArrangement arrangement, int64_t tileNumber, int64_t tileCount);
// The display row and column of a tile number >= 0, whether or not the tile exists (-1 for negative numbers).
int64_t displayRowOfTile(TileArrangement arrangement, int64_t tileNumber);
int64_t displayColumnOfTile(TileArrangement arrangement, int64_t tileNumber);
// Rows needed to show tileCount tiles: whole rows of 16, or whole pairs of rows for 8x16 sprites.
int64_t displayRowCount(TileArrangement arrangement, int64_t tileCount);

} // namespace mosavo
