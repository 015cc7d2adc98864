#pragma once

#include "core/Bytes.h"
#include "core/Screen.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace mosavo {

// A rectangle of screen cells: column and row of its top-left cell, and its size in cells.
struct CellRect
{
    int column = 0;
    int row = 0;
    int columns = 0;
    int rows = 0;

    bool isEmpty() const { return columns <= 0 || rows <= 0; }
    bool contains(int c, int r) const { return c >= column && c < column + columns && r >= row && r < row + rows; }
    // The rectangle spanned by two cells (either corner first), cut to the screen.
    static CellRect spanning(int column1, int row1, int column2, int row2);
    // This rectangle cut to the screen.
    CellRect clipped() const;
    bool operator==(const CellRect &) const = default;
};

// A piece of a screen, tiles and sub-palettes together: the tile number and the sub-palette (0-3) of each cell, row
// by row.
struct ScreenRegion
{
    int columns = 0;
    int rows = 0;
    std::vector<uint8_t> tiles;
    std::vector<uint8_t> subPalettes;

    bool isEmpty() const { return columns <= 0 || rows <= 0; }
    bool operator==(const ScreenRegion &) const = default;
};

// A region as bytes, to pass between programs: columns, rows (one byte each), then the tile numbers and then the
// sub-palettes of the cells, row by row.
Bytes encodeRegion(const ScreenRegion &region);
// The region those bytes hold; nothing unless they are exactly such bytes of a region of 1-32 x 1-30 cells with
// sub-palettes 0-3.
std::optional<ScreenRegion> decodeRegion(const Bytes &bytes);

// The cells of the rectangle (cut to the screen).
ScreenRegion copyRegion(const Screen &screen, const CellRect &rect);
// Writes a region with its top-left cell at (column, row); cells falling off the screen are dropped. Sub-palettes are
// written too when withSubPalettes (a sub-palette covers 2 x 2 cells: the region's cells are written in order, so the
// last cell of the region in an area decides it).
void pasteRegion(Screen &screen, const ScreenRegion &region, int column, int row, bool withSubPalettes = true);
// Every cell of the rectangle (cut to the screen) shows the tile.
void fillTiles(Screen &screen, const CellRect &rect, uint8_t tile);
// Every cell of the rectangle (cut to the screen) takes the tile numbers of the region, repeated across and down from
// the rectangle's top-left cell; sub-palettes stay.
void fillWithPattern(Screen &screen, const CellRect &rect, const ScreenRegion &pattern);
// A region of tiles only (sub-palettes 0): rows of tile numbers, as a block selected in the tile viewer.
ScreenRegion tileBlock(int columns, int rows, const std::vector<uint8_t> &tiles);

} // namespace mosavo
