#include "convert/LevelConversion.h"

#include "convert/ColorFitting.h"
#include "convert/PaletteFinder.h"
#include "convert/ScreenTilePlacement.h"
#include "convert/TileReducer.h"

#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>
#include <variant>

namespace mosavo {

namespace {

constexpr int roomWidth = screenPictureWidth;
constexpr int roomHeight = screenPictureHeight;
constexpr int blockSide = 16;
constexpr int cellSide = 8;
constexpr size_t backdropTriesAtMost = 16;
constexpr long backdropSearchSteps = 600000;

using ColorSet = std::set<uint8_t>;

LevelConversionResult refused(std::string error)
{
    return { std::nullopt, std::move(error) };
}

std::string colorsText(const ColorSet &colors)
{
    std::string text;
    for (uint8_t color : colors)
        text += (text.empty() ? "" : " ") + colorNumberText(color);
    return text;
}

ColorSet without(ColorSet set, uint8_t color)
{
    set.erase(color);
    return set;
}



// FNV-1a over a tile's 64 colour indices.
struct TileHash
{
    size_t operator()(const TileIndices &tile) const
    {
        uint64_t hash = 14695981039346656037ull;
        for (uint8_t value : tile)
            hash = (hash ^ value) * 1099511628211ull;
        return size_t(hash);
    }
};

// The sub-palettes found for the blocks' colour sets (transparent pixels left out), with the universal background
// colour the most used colour every four-colour block holds that lets the rest be packed; or why there are none.
std::variant<BackgroundSubPalettes, std::string> findLevelSubPalettes(
    const std::vector<ColorSet> &blocks, const std::array<long, 64> &uses)
{
    std::vector<uint8_t> candidates;
    for (int color = 0; color < 64; ++color)
        if (uses[size_t(color)] > 0)
            candidates.push_back(uint8_t(color));
    if (candidates.empty())
        candidates.push_back(0x0F);
    // The searches see each different colour set once.
    const std::set<ColorSet> distinct(blocks.begin(), blocks.end());
    for (const ColorSet &colors : distinct)
        if (colors.size() == 4)
            std::erase_if(candidates, [&](uint8_t color) { return !colors.contains(color); });
    if (candidates.empty())
        return std::string("no colour can be the universal background colour: it must be in every 16 x 16 block of "
                           "four colours, and those blocks share none");
    std::stable_sort(candidates.begin(), candidates.end(), [&](uint8_t a, uint8_t b) { return uses[a] > uses[b]; });
    long steps = backdropSearchSteps;
    for (size_t i = 0; i < candidates.size() && i < backdropTriesAtMost && steps > 0; ++i) {
        std::vector<ColorSet> sets;
        for (const ColorSet &colors : distinct)
            sets.push_back(without(colors, candidates[i]));
        if (const auto found = findSubPalettes(sets, 4, nullptr, &steps)) {
            BackgroundSubPalettes subPalettes {};
            for (size_t p = 0; p < 4; ++p) {
                subPalettes[p] = { candidates[i], 0x0F, 0x0F, 0x0F };
                if (p < found->size())
                    std::copy((*found)[p].begin(), (*found)[p].end(), subPalettes[p].begin() + 1);
            }
            return subPalettes;
        }
    }
    return "four background sub-palettes of three colours and the universal background colour "
        + colorNumberText(candidates.front()) + " cannot cover every 16 x 16 block of the level";
}

// The sub-palette (0-3) holding every colour of the set besides the backdrop, or -1.
int holdingSubPalette(const BackgroundSubPalettes &subPalettes, const ColorSet &colors)
{
    const ColorSet rest = without(colors, subPalettes[0][0]);
    for (int p = 0; p < 4; ++p)
        if (std::all_of(rest.begin(), rest.end(), [&](uint8_t color) {
                return std::find(subPalettes[size_t(p)].begin() + 1, subPalettes[size_t(p)].end(), color)
                    != subPalettes[size_t(p)].end();
            }))
            return p;
    return -1;
}

// Tile numbers for the level's distinct tiles: the same pixels where the table has them, else unused blank tiles.
std::string placeTiles(const std::vector<TileIndices> &tiles, const ScreenPictureRequest &request,
    LevelConversion &conversion, std::vector<int> &tileNumber)
{
    TableTilePlacement placed = placeTableTiles(tiles, request);
    conversion.reusedTiles += placed.reused;
    if (!placed.fits())
        return "the level needs " + std::to_string(placed.needed) + " new tiles, and pattern table "
            + std::to_string(request.patternTable & 1) + " has room for " + std::to_string(placed.room)
            + " (blank tiles that nothing in the document uses)";
    tileNumber = std::move(placed.tileNumbers);
    conversion.tileChanges = std::move(placed.changes);
    return {};
}

} // namespace

std::string levelBlockText(int roomsWide, int blockColumn, int blockRow)
{
    const int roomX = blockColumn / LevelMap::roomColumns;
    const int roomY = blockRow / LevelMap::roomRows;
    return "room " + std::to_string(roomY * roomsWide + roomX) + " (" + std::to_string(roomX) + ", "
        + std::to_string(roomY) + "), block (" + std::to_string(blockColumn % LevelMap::roomColumns) + ", "
        + std::to_string(blockRow % LevelMap::roomRows) + ")";
}

std::optional<std::string> levelPictureSizeRefusal(int width, int height)
{
    if (width > 0 && height > 0 && width % roomWidth == 0 && height % roomHeight == 0
        && width / roomWidth <= LevelMap::maximumRooms && height / roomHeight <= LevelMap::maximumRooms)
        return std::nullopt;
    return "the picture is " + std::to_string(width) + " x " + std::to_string(height)
        + " pixels; a level is made from whole rooms of 256 x 240 pixels, at most 16 x 16 rooms (4096 x 3840)";
}

LevelConversionResult convertLevelPicture(const ScreenPictureRequest &request)
{
    if (const auto refusal = levelPictureSizeRefusal(request.width, request.height))
        return refused(*refusal);
    if (request.rgba.size() < size_t(request.width) * size_t(request.height) * 4 || !request.displayColors
        || !request.patterns)
        return refused("the picture's pixels, the display colours or the pattern table are missing");
    auto read = pictureColorNumbers(request);
    if (auto *reason = std::get_if<std::string>(&read))
        return refused(std::move(*reason));
    const std::vector<uint8_t> numbers = std::move(std::get<PictureColorNumbers>(read).numbers);
    const int roomsWide = request.width / roomWidth;
    const int roomsHigh = request.height / roomHeight;
    const int blockColumns = request.width / blockSide;
    const int blockRows = request.height / blockSide;

    // The colours of every block, transparent pixels left out.
    std::vector<uint64_t> blockMasks(size_t(blockColumns * blockRows), 0);
    std::array<long, 64> uses {};
    for (int y = 0; y < request.height; ++y)
        for (int x = 0; x < request.width; ++x) {
            const uint8_t number = numbers[size_t(y) * size_t(request.width) + size_t(x)];
            if (number == transparentPixel)
                continue;
            blockMasks[size_t((y / blockSide) * blockColumns + x / blockSide)] |= uint64_t(1) << number;
            ++uses[number];
        }
    std::vector<ColorSet> blockColors(blockMasks.size());
    for (size_t block = 0; block < blockMasks.size(); ++block)
        for (uint8_t color = 0; color < 64; ++color)
            if (blockMasks[block] >> color & 1)
                blockColors[block].insert(color);
    for (size_t block = 0; block < blockColors.size(); ++block)
        if (blockColors[block].size() > 4)
            return refused(levelBlockText(roomsWide, int(block) % blockColumns, int(block) / blockColumns) + " uses "
                + colorsText(blockColors[block])
                + ": more than the universal background colour and three colours of one sub-palette");

    BackgroundSubPalettes subPalettes {};
    if (request.subPalettes) {
        // Matched as the pixels are read: a colour number that looks as another does counts as it.
        subPalettes = *request.subPalettes;
        for (BackgroundSubPalette &subPalette : subPalettes)
            for (uint8_t &number : subPalette)
                if (const auto same = request.displayColors->colorNumberOf(
                        request.displayColors->rgb(number & 0x3F, request.emphasis), request.emphasis))
                    number = *same;
    } else {
        auto found = findLevelSubPalettes(blockColors, uses);
        if (auto *reason = std::get_if<std::string>(&found))
            return refused(std::move(*reason));
        subPalettes = std::get<BackgroundSubPalettes>(found);
    }
    const uint8_t backdrop = subPalettes[0][0];
    std::vector<int> blockPalette(blockColors.size());
    for (size_t block = 0; block < blockColors.size(); ++block) {
        blockPalette[block] = holdingSubPalette(subPalettes, blockColors[block]);
        if (blockPalette[block] < 0)
            return refused(levelBlockText(roomsWide, int(block) % blockColumns, int(block) / blockColumns) + " uses "
                + colorsText(without(blockColors[block], backdrop)) + " besides the universal background colour "
                + colorNumberText(backdrop) + ", and no one background sub-palette holds them all");
    }

    LevelConversion conversion;
    conversion.subPalettes = request.subPalettes ? *request.subPalettes : subPalettes;
    conversion.set.name = request.name;
    conversion.set.patternTable = request.patternTable & 1;
    conversion.map = LevelMap::blank(request.name, 0, roomsWide, roomsHigh);

    // The colour index each colour number (or a transparent pixel) takes in each sub-palette: 0 for the universal
    // background colour, 1-3 for the sub-palette's own colours.
    std::array<std::array<uint8_t, 65>, 4> colorIndex {};
    for (size_t p = 0; p < 4; ++p)
        for (size_t number = 0; number < 64; ++number)
            if (number != backdrop)
                colorIndex[p][number] = uint8_t(
                    std::find(subPalettes[p].begin() + 1, subPalettes[p].end(), number) - subPalettes[p].begin());

    // Distinct tiles and blocks in the order first seen: rooms row by row, then each room's blocks row by row.
    std::unordered_map<TileIndices, int, TileHash> tileOf;
    std::vector<TileIndices> tiles;
    struct BlockKey
    {
        std::array<int, 4> tiles;
        int subPalette;
        auto operator<=>(const BlockKey &) const = default;
    };
    std::map<BlockKey, int> metatileOf;
    std::vector<BlockKey> metatiles;
    std::string firstPastMetatiles, firstPastTiles;
    for (int roomY = 0; roomY < roomsHigh; ++roomY)
        for (int roomX = 0; roomX < roomsWide; ++roomX)
            for (int row = 0; row < LevelMap::roomRows; ++row)
                for (int column = 0; column < LevelMap::roomColumns; ++column) {
                    const int blockColumn = roomX * LevelMap::roomColumns + column;
                    const int blockRow = roomY * LevelMap::roomRows + row;
                    const int palette = blockPalette[size_t(blockRow * blockColumns + blockColumn)];
                    const std::array<uint8_t, 65> &indexOf = colorIndex[size_t(palette)];
                    BlockKey key { {}, palette };
                    for (int corner = 0; corner < 4; ++corner) {
                        TileIndices pixels {};
                        const int left = blockColumn * blockSide + (corner % 2) * cellSide;
                        const int top = blockRow * blockSide + (corner / 2) * cellSide;
                        for (int y = 0; y < cellSide; ++y)
                            for (int x = 0; x < cellSide; ++x) {
                                pixels[size_t(y * cellSide + x)]
                                    = indexOf[numbers[size_t(top + y) * size_t(request.width) + size_t(left + x)]];
                            }
                        const auto [entry, added] = tileOf.emplace(pixels, int(tiles.size()));
                        if (added) {
                            tiles.push_back(pixels);
                            if (tiles.size() == size_t(PatternTables::tilesPerTable) + 1)
                                firstPastTiles = levelBlockText(roomsWide, blockColumn, blockRow);
                        }
                        key.tiles[size_t(corner)] = entry->second;
                    }
                    const auto [entry, added] = metatileOf.emplace(key, int(metatiles.size()));
                    if (added) {
                        metatiles.push_back(key);
                        if (metatiles.size() == MetatileSet::maximumMetatiles + 1)
                            firstPastMetatiles = levelBlockText(roomsWide, blockColumn, blockRow);
                    }
                    conversion.map.setAt(blockColumn, blockRow, uint8_t(entry->second & 0xFF));
                }
    if (metatiles.size() > MetatileSet::maximumMetatiles)
        return refused("the level needs " + std::to_string(metatiles.size())
            + " metatiles (different blocks), more than the 256 a set holds; the 257th is " + firstPastMetatiles);
    if (tiles.size() > size_t(PatternTables::tilesPerTable))
        return refused("the level needs " + std::to_string(tiles.size())
            + " different tiles, more than the 256 of a pattern table; the 257th is first in " + firstPastTiles);
    conversion.distinctTiles = int(tiles.size());
    std::vector<int> tileNumber;
    if (std::string error = placeTiles(tiles, request, conversion, tileNumber); !error.empty())
        return refused(std::move(error));
    for (const BlockKey &key : metatiles) {
        Metatile metatile;
        for (size_t corner = 0; corner < 4; ++corner)
            metatile.tiles[corner] = uint8_t(tileNumber[size_t(key.tiles[corner])]);
        metatile.subPalette = uint8_t(key.subPalette);
        conversion.set.metatiles.push_back(metatile);
    }
    return { std::move(conversion), {} };
}

} // namespace mosavo
