#pragma once

#include "convert/ScreenConversion.h"
#include "convert/TileReducer.h"

#include <string>
#include <vector>

namespace mosavo {

// Where a screen's tiles went, or why they could not: how many new tiles it needed and how many the pattern table
// had room for.
struct ScreenTilePlacement
{
    std::string error;
    size_t needed = 0;
    size_t room = 0;

    explicit operator bool() const { return error.empty(); }
};

// Where distinct tiles go in the request's pattern table: for each tile, a tile with the same pixels where the table
// holds one, else (in tile order) a blank tile that tilesInUse does not mark; the new tiles, in tile order, once all
// fit. needed counts the new tiles, room the free blank tiles.
struct TableTilePlacement
{
    std::vector<int> tileNumbers;
    std::vector<ScreenTileChange> changes;
    int reused = 0;
    size_t needed = 0;
    size_t room = 0;

    bool fits() const { return needed <= room; }
};

TableTilePlacement placeTableTiles(const std::vector<TileIndices> &tiles, const ScreenPictureRequest &request);

// Gives each of a screen's distinct tiles a tile number of the request's pattern table: a tile with the same pixels
// where there is one, else a blank tile that tilesInUse does not mark, in tile order. Fills the conversion's screen
// tiles (cellTile: the position in tiles of every cell's tile), tileChanges (in tile order), distinctTiles and
// reusedTiles. Refused, with both counts, when the new tiles do not fit.
ScreenTilePlacement placeScreenTiles(const std::vector<TileIndices> &tiles, const std::vector<int> &cellTile,
    const ScreenPictureRequest &request, ScreenConversion &conversion);

} // namespace mosavo
