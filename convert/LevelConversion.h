#pragma once

#include "convert/ScreenConversion.h"
#include "core/LevelMap.h"
#include "core/MetatileSet.h"

#include <optional>
#include <string>
#include <vector>

namespace mosavo {

// A level made from a picture: its metatile set, its map (naming set 0; the caller renumbers it), the tiles to write
// into the pattern table and the four background sub-palettes.
struct LevelConversion
{
    MetatileSet set;
    LevelMap map;
    // Tiles to write before the level shows right, in tile order.
    std::vector<ScreenTileChange> tileChanges;
    BackgroundSubPalettes subPalettes {};
    // How many distinct tiles the level holds, and how many of them were found already in the pattern table.
    int distinctTiles = 0;
    int reusedTiles = 0;
};

// The level, or a text saying why there is none.
struct LevelConversionResult
{
    std::optional<LevelConversion> conversion;
    std::string error;

    explicit operator bool() const { return conversion.has_value(); }
};

// Why a picture of this size cannot become a level (it is not whole rooms of 256 x 240, or more than 16 x 16 rooms),
// or nothing: asked before its pixels are read.
std::optional<std::string> levelPictureSizeRefusal(int width, int height);

// Converts a picture of whole rooms into a level, reading its colours as convertScreenPicture does (request.width and
// height are those of the whole picture):
// - it is cut into 16 x 16 blocks; each block may use the universal background colour and three colours of one
//   sub-palette (the given ones, else four found for the whole level), else it is refused naming the room and block;
// - each distinct block (its four tiles' pixels and its sub-palette) becomes one metatile, in the order first seen:
//   rooms row by row, then the blocks of each room row by row; more than 256 is refused with the count, naming the
//   room and block of the first one past them;
// - tiles are shared by the whole level: a tile already in the pattern table is used as it is, new ones take the
//   blank tiles that tilesInUse does not mark; more than 256 distinct tiles, or more new ones than there is room for,
//   is refused with the counts.
LevelConversionResult convertLevelPicture(const ScreenPictureRequest &request);

// "room 3 (1, 0), block (5, 7)": a room by its number and its place among the rooms, a block by its place in the room.
std::string levelBlockText(int roomsWide, int blockColumn, int blockRow);

} // namespace mosavo
