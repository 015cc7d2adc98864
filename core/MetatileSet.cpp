#include "core/MetatileSet.h"

namespace mosavo {

std::bitset<256> tilesUsedByMetatiles(const std::vector<MetatileSet> &sets, int table)
{
    std::bitset<256> used;
    for (const MetatileSet &set : sets)
        if (set.patternTable == table)
            for (const Metatile &metatile : set.metatiles)
                for (uint8_t tile : metatile.tiles)
                    used.set(tile);
    return used;
}

} // namespace mosavo
