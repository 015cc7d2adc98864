#pragma once

#include "core/PatternTables.h"
#include "core/Screen.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <vector>

namespace mosavo {

// Identical tiles of one pattern table merged for the screens that read from it.
struct TileDedup
{
    // For every tile number 0-255 of the table, the tile its uses go to: the first tile with the same pixels.
    std::array<uint8_t, 256> replacement {};
    // The tiles some screen used that are now no longer used, because an earlier identical tile stands in for them,
    // in increasing order.
    std::vector<int> freedTiles;
    // The screens with their tile numbers renumbered (screens of the other pattern table unchanged).
    std::vector<Screen> screens;

    // How many tiles the screens of the table used before and after.
    int tilesUsedBefore = 0;
    int tilesUsedAfter = 0;
};

// Merges the identical tiles of pattern table `table` (0 or 1) of `patterns`: every screen reading from it uses, for
// each tile, the first tile with the same pixels. The tiles themselves are not changed.
TileDedup removeDuplicateTiles(const PatternTables &patterns, int table, const std::vector<Screen> &screens);

} // namespace mosavo
