#include "convert/ScreenTilePlacement.h"

#include <algorithm>
#include <map>

namespace mosavo {

TableTilePlacement placeTableTiles(const std::vector<TileIndices> &tiles, const ScreenPictureRequest &request)
{
    TableTilePlacement placement;
    // Tiles already in the pattern table are used as they are; the others take unused blank tiles.
    const int table = request.patternTable & 1;
    const int tilesInTable = std::clamp(request.tilesInTable, 0, PatternTables::tilesPerTable);
    std::map<TileIndices, int> existing;
    std::vector<bool> blank(static_cast<size_t>(tilesInTable));
    for (int tile = tilesInTable - 1; tile >= 0; --tile) {
        TileIndices pixels;
        const uint8_t *from = &request.patterns->pixels[size_t((table * PatternTables::tilesPerTable + tile) * 64)];
        std::copy_n(from, 64, pixels.begin());
        existing[pixels] = tile;
        blank[size_t(tile)] = std::all_of(pixels.begin(), pixels.end(), [](uint8_t v) { return v == 0; });
    }
    placement.tileNumbers.assign(tiles.size(), -1);
    std::bitset<256> taken = request.tilesInUse;
    for (size_t i = 0; i < tiles.size(); ++i)
        if (const auto found = existing.find(tiles[i]); found != existing.end()) {
            placement.tileNumbers[i] = found->second;
            taken.set(size_t(found->second));
            ++placement.reused;
        }
    std::vector<int> free;
    for (int tile = 0; tile < tilesInTable; ++tile)
        if (blank[size_t(tile)] && !taken[size_t(tile)])
            free.push_back(tile);
    placement.needed = tiles.size() - size_t(placement.reused);
    placement.room = free.size();
    if (!placement.fits())
        return placement;
    size_t next = 0;
    for (size_t i = 0; i < tiles.size(); ++i)
        if (placement.tileNumbers[i] < 0) {
            placement.tileNumbers[i] = free[next++];
            placement.changes.push_back({ placement.tileNumbers[i], tiles[i] });
        }
    std::sort(placement.changes.begin(), placement.changes.end(),
        [](const ScreenTileChange &a, const ScreenTileChange &b) { return a.tile < b.tile; });
    return placement;
}

ScreenTilePlacement placeScreenTiles(const std::vector<TileIndices> &tiles, const std::vector<int> &cellTile,
    const ScreenPictureRequest &request, ScreenConversion &conversion)
{
    const int table = request.patternTable & 1;
    const TableTilePlacement placed = placeTableTiles(tiles, request);
    ScreenTilePlacement placement;
    conversion.distinctTiles = int(tiles.size());
    conversion.reusedTiles = placed.reused;
    conversion.tileChanges.clear();
    placement.needed = placed.needed;
    placement.room = placed.room;
    if (placement.needed > 0 && std::clamp(request.tilesInTable, 0, PatternTables::tilesPerTable) == 0) {
        placement.error = "the picture needs " + std::to_string(placement.needed)
            + " new tiles, and the tiles end before pattern table " + std::to_string(table) + " (tiles "
            + std::to_string(table * 256) + "-" + std::to_string(table * 256 + 255) + " of the bank)";
        return placement;
    }
    if (!placed.fits()) {
        placement.error = "the picture needs " + std::to_string(placement.needed) + " new tiles, and pattern table "
            + std::to_string(table) + " has room for " + std::to_string(placement.room)
            + " (blank tiles that no screen or metasprite uses)";
        return placement;
    }
    conversion.tileChanges = placed.changes;
    for (int cell = 0; cell < Screen::tileCount; ++cell)
        conversion.screen.tiles[size_t(cell)] = uint8_t(placed.tileNumbers[size_t(cellTile[size_t(cell)])]);
    return placement;
}

} // namespace mosavo
