#include "convert/LossyLevelConversion.h"

#include <map>

#include <algorithm>

namespace mosavo {

LevelConversionResult convertLevelPictureLossy(const ScreenPictureRequest &request, const LossySettings &settings)
{
    if (const auto refusal = levelPictureSizeRefusal(request.width, request.height))
        return { std::nullopt, *refusal };
    if (request.rgba.size() < size_t(request.width) * size_t(request.height) * 4 || !request.displayColors
        || !request.patterns)
        return { std::nullopt, "the picture's pixels, the display colours or the pattern table are missing" };
    const int roomsWide = request.width / screenPictureWidth;
    const int roomsHigh = request.height / screenPictureHeight;
    const int table = request.patternTable & 1;
    PatternTables patterns = *request.patterns;
    std::bitset<256> inUse = request.tilesInUse;
    std::optional<BackgroundSubPalettes> subPalettes = request.subPalettes;
    int budget = settings.maxTiles.value_or(PatternTables::tilesPerTable);
    LevelConversion level;
    std::vector<Screen> screens;
    std::vector<uint8_t> room(size_t(screenPictureWidth * screenPictureHeight * 4));
    for (int roomY = 0; roomY < roomsHigh; ++roomY)
        for (int roomX = 0; roomX < roomsWide; ++roomX) {
            const int number = roomY * roomsWide + roomX;
            const size_t rowBytes = size_t(screenPictureWidth) * 4;
            for (int y = 0; y < screenPictureHeight; ++y)
                std::copy_n(request.rgba.begin()
                        + std::ptrdiff_t((size_t(roomY * screenPictureHeight + y) * size_t(request.width)
                                             + size_t(roomX * screenPictureWidth))
                            * 4),
                    rowBytes, room.begin() + std::ptrdiff_t(size_t(y) * rowBytes));
            ScreenPictureRequest roomRequest = request;
            roomRequest.rgba = room;
            roomRequest.width = screenPictureWidth;
            roomRequest.height = screenPictureHeight;
            roomRequest.subPalettes = subPalettes;
            roomRequest.patterns = &patterns;
            roomRequest.tilesInUse = inUse;
            LossySettings roomSettings = settings;
            roomSettings.maxTiles = std::max(budget, 0);
            const ScreenConversionResult result = convertScreenPictureLossy(roomRequest, roomSettings);
            if (!result)
                return { std::nullopt, "room " + std::to_string(number) + ": " + result.error };
            const ScreenConversion &conversion = *result.conversion;
            if (!subPalettes)
                subPalettes = conversion.subPalettes;
            for (const ScreenTileChange &change : conversion.tileChanges)
                std::copy(change.pixels.begin(), change.pixels.end(),
                    patterns.pixels.begin()
                        + std::ptrdiff_t((table * PatternTables::tilesPerTable + change.tile) * 64));
            budget -= int(conversion.tileChanges.size());
            level.tileChanges.insert(
                level.tileChanges.end(), conversion.tileChanges.begin(), conversion.tileChanges.end());
            for (uint8_t tile : conversion.screen.tiles)
                inUse.set(tile);
            screens.push_back(conversion.screen);
        }
    level.subPalettes = *subPalettes;
    level.set.name = request.name;
    level.set.patternTable = table;
    level.map = LevelMap::blank(request.name, 0, roomsWide, roomsHigh);
    // Each distinct 2 x 2 area of the rooms' screens (its tiles and sub-palette) is a metatile, in the order first
    // seen.
    std::map<std::pair<std::array<uint8_t, 4>, int>, int> metatileOf;
    std::bitset<256> shown;
    std::string firstPast;
    for (int number = 0; number < int(screens.size()); ++number) {
        const Screen &screen = screens[size_t(number)];
        for (int row = 0; row < LevelMap::roomRows; ++row)
            for (int column = 0; column < LevelMap::roomColumns; ++column) {
                Metatile metatile;
                for (int y = 0; y < 2; ++y)
                    for (int x = 0; x < 2; ++x) {
                        metatile.tiles[size_t(y * 2 + x)] = screen.tileAt(column * 2 + x, row * 2 + y);
                        shown.set(metatile.tiles[size_t(y * 2 + x)]);
                    }
                metatile.subPalette = uint8_t(screen.subPaletteAt(column * 2, row * 2));
                const auto [entry, added] = metatileOf.emplace(
                    std::pair { metatile.tiles, int(metatile.subPalette) }, int(level.set.metatiles.size()));
                const int blockColumn = (number % roomsWide) * LevelMap::roomColumns + column;
                const int blockRow = (number / roomsWide) * LevelMap::roomRows + row;
                if (added) {
                    level.set.metatiles.push_back(metatile);
                    if (level.set.metatiles.size() == MetatileSet::maximumMetatiles + 1)
                        firstPast = levelBlockText(roomsWide, blockColumn, blockRow);
                }
                level.map.setAt(blockColumn, blockRow, uint8_t(entry->second & 0xFF));
            }
    }
    if (level.set.metatiles.size() > MetatileSet::maximumMetatiles)
        return { std::nullopt,
            "the level needs " + std::to_string(level.set.metatiles.size())
                + " metatiles (different blocks), more than the 256 a set holds; the 257th is " + firstPast };
    std::sort(level.tileChanges.begin(), level.tileChanges.end(),
        [](const ScreenTileChange &a, const ScreenTileChange &b) { return a.tile < b.tile; });
    level.distinctTiles = int(shown.count());
    level.reusedTiles = level.distinctTiles - int(level.tileChanges.size());
    return { std::move(level), {} };
}

} // namespace mosavo
