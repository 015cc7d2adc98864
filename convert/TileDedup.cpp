#include "convert/TileDedup.h"

#include <cstring>
#include <map>
#include <string_view>

namespace mosavo {

TileDedup removeDuplicateTiles(const PatternTables &patterns, int table, const std::vector<Screen> &screens)
{
    TileDedup result;
    const int base = (table & 1) * PatternTables::tilesPerTable;
    // The first tile of each set of pixels, keyed by the 64 colour indices.
    std::map<std::string_view, int> firstOfPixels;
    for (int tile = 0; tile < PatternTables::tilesPerTable; ++tile) {
        const auto *pixels = reinterpret_cast<const char *>(&patterns.pixels[size_t((base + tile) * 64)]);
        const auto [found, inserted] = firstOfPixels.emplace(std::string_view(pixels, 64), tile);
        result.replacement[size_t(tile)] = uint8_t(inserted ? tile : found->second);
    }
    const std::bitset<256> before = tilesUsedByScreens(screens, table);
    result.screens = screens;
    for (Screen &screen : result.screens) {
        if (screen.patternTable != (table & 1))
            continue;
        for (uint8_t &tile : screen.tiles)
            tile = result.replacement[tile];
    }
    const std::bitset<256> after = tilesUsedByScreens(result.screens, table);
    for (int tile = 0; tile < 256; ++tile)
        if (before.test(size_t(tile)) && !after.test(size_t(tile)))
            result.freedTiles.push_back(tile);
    result.tilesUsedBefore = int(before.count());
    result.tilesUsedAfter = int(after.count());
    return result;
}

} // namespace mosavo
