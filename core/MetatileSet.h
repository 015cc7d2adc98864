#pragma once

#include "core/Metatile.h"

#include <bitset>
#include <string>
#include <vector>

namespace mosavo {

// The metatiles a map is laid out with: at most 256 (a map cell is one byte), all reading one pattern table.
struct MetatileSet
{
    static constexpr size_t maximumMetatiles = 256;

    std::string name;
    int patternTable = 0;
    std::vector<Metatile> metatiles;

    bool operator==(const MetatileSet &) const = default;
};

// The tile numbers (0-255) that the metatiles of the sets reading pattern table `table` show.
std::bitset<256> tilesUsedByMetatiles(const std::vector<MetatileSet> &sets, int table);

} // namespace mosavo
