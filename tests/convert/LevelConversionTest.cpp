#include "convert/LevelConversion.h"
#include "convert/LossyLevelConversion.h"
#include "core/FrameRenderer.h"
#include "core/LevelPicture.h"

#include <gtest/gtest.h>

#include <random>

using namespace mosavo;

namespace {

// A level picture of whole rooms drawn in colour numbers, handed over as RGBA8 in the display colours.
struct LevelPicture
{
    int width = 0;
    int height = 0;
    std::vector<uint8_t> numbers;
    DisplayColors colors;

    LevelPicture(int roomsWide, int roomsHigh, uint8_t backdrop = 0x0F)
        : width(roomsWide * 256)
        , height(roomsHigh * 240)
        , numbers(size_t(width * height), backdrop)
    { }
    void set(int x, int y, uint8_t number) { numbers[size_t(y * width + x)] = number; }
    // Block (column, row) of the level filled with a pattern of the colours, varied by seed.
    void block(int column, int row, std::array<uint8_t, 4> palette, unsigned seed)
    {
        std::mt19937 random(seed);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                set(column * 16 + x, row * 16 + y, palette[random() % 4]);
    }
    std::vector<uint8_t> rgba() const
    {
        std::vector<uint8_t> bytes;
        bytes.reserve(numbers.size() * 4);
        for (uint8_t number : numbers) {
            const Rgb8 rgb = colors.rgb(number);
            bytes.insert(bytes.end(), { rgb.red, rgb.green, rgb.blue, 255 });
        }
        return bytes;
    }
};

struct LevelRun
{
    std::vector<uint8_t> rgba;
    PatternTables patterns;
    ScreenPictureRequest request;

    explicit LevelRun(const LevelPicture &picture)
        : rgba(picture.rgba())
    {
        request.rgba = rgba;
        request.width = picture.width;
        request.height = picture.height;
        request.displayColors = &picture.colors;
        request.patterns = &patterns;
        request.name = "level";
    }
    LevelConversionResult run() const { return convertLevelPicture(request); }
};

constexpr std::array<uint8_t, 4> red = { 0x0F, 0x06, 0x16, 0x26 };
constexpr std::array<uint8_t, 4> blue = { 0x0F, 0x01, 0x11, 0x21 };
constexpr std::array<uint8_t, 4> green = { 0x0F, 0x0A, 0x1A, 0x2A };

} // namespace

// The whole path: picture -> metatiles -> map -> each room's nametable drawn by the frame renderer, which must give
// back the picture's colour numbers pixel for pixel; blocks seen twice are one metatile, tiles shared across rooms.
TEST(LevelConversion, RoomsDrawnFromTheMetatilesAreThePicture)
{
    LevelPicture picture(3, 2);
    // Block kinds repeated over the rooms: 6 different patterns in three sub-palettes, one of them the blank block.
    const std::array<std::array<uint8_t, 4>, 3> palettes = { red, blue, green };
    for (int row = 0; row < 30; ++row)
        for (int column = 0; column < 48; ++column)
            if ((row * 7 + column * 3) % 7 != 0)
                picture.block(column, row, palettes[size_t((row + column) % 3)], unsigned((row + column) % 5));
    LevelRun run(picture);
    const auto result = run.run();
    ASSERT_TRUE(result) << result.error;
    const LevelConversion &level = *result.conversion;
    EXPECT_EQ(level.map.roomsWide, 3);
    EXPECT_EQ(level.map.roomsHigh, 2);
    // Five seeds in three palettes (seed and palette go together: (row + column) mod 15 picks both), and the blank.
    EXPECT_EQ(level.set.metatiles.size(), 16u);
    EXPECT_EQ(level.set.metatiles[0].tiles, (std::array<uint8_t, 4> { 0, 0, 0, 0 }));

    PatternTables patterns;
    for (const ScreenTileChange &change : level.tileChanges)
        std::copy(change.pixels.begin(), change.pixels.end(), patterns.pixels.begin() + change.tile * 64);
    PaletteBytes palette {};
    for (size_t p = 0; p < 4; ++p)
        std::copy(level.subPalettes[p].begin(), level.subPalettes[p].end(), palette.begin() + std::ptrdiff_t(p * 4));
    for (int room = 0; room < level.map.roomCount(); ++room) {
        // Each room's own .nam bytes, read back as a screen, drawn as the PPU would.
        const auto screen = screenFromNametable(roomScreen(level.map, level.set, room).nametableBytes());
        ASSERT_TRUE(screen);
        const FramePicture frame = renderBackground(patterns, *screen, palette);
        const int left = (room % 3) * 256, top = (room / 3) * 240;
        int wrong = 0;
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 256; ++x)
                wrong += frame.at(x, y) != picture.numbers[size_t((top + y) * picture.width + left + x)];
        EXPECT_EQ(wrong, 0) << "room " << room;
    }
    const FramePicture whole = renderLevel(patterns, level.map, level.set, palette);
    EXPECT_EQ(whole.colors, picture.numbers);
}

TEST(LevelConversion, BlocksAreNumberedInTheOrderFirstSeenAndTilesReused)
{
    LevelPicture picture(2, 1);
    picture.block(16, 0, red, 1); // room 1's first block, but seen after the whole of room 0
    picture.block(3, 2, blue, 1); // same pixels' indices, another sub-palette: another metatile, the same tiles
    picture.block(5, 2, red, 2);
    LevelRun run(picture);
    // Tile 7 of the table already holds the first tile of the red seed-1 block.
    const auto first = convertLevelPicture(run.request);
    ASSERT_TRUE(first) << first.error;
    const Metatile &redBlock = first.conversion->set.metatiles[3];
    ASSERT_EQ(first.conversion->set.metatiles.size(), 4u);
    EXPECT_EQ(first.conversion->map.at(3, 2), 1);
    EXPECT_EQ(first.conversion->map.at(5, 2), 2);
    EXPECT_EQ(first.conversion->map.at(16, 0), 3);
    EXPECT_EQ(first.conversion->set.metatiles[1].tiles, redBlock.tiles);
    EXPECT_NE(first.conversion->set.metatiles[1].subPalette, redBlock.subPalette);
    const int tiles = first.conversion->distinctTiles;
    const ScreenTileChange &seed = *std::find_if(first.conversion->tileChanges.begin(),
        first.conversion->tileChanges.end(), [&](const ScreenTileChange &c) { return c.tile == redBlock.tiles[0]; });
    std::copy(seed.pixels.begin(), seed.pixels.end(), run.patterns.pixels.begin() + 7 * 64);
    const auto again = run.run();
    ASSERT_TRUE(again) << again.error;
    EXPECT_EQ(again.conversion->distinctTiles, tiles);
    EXPECT_EQ(again.conversion->reusedTiles, 2); // the blank tile 0 and tile 7
    EXPECT_EQ(again.conversion->set.metatiles[3].tiles[0], 7);
}

TEST(LevelConversion, RefusalsNameTheRoomAndTheBlock)
{
    EXPECT_TRUE(levelPictureSizeRefusal(512, 480) == std::nullopt);
    for (const auto &[width, height] : std::vector<std::pair<int, int>> {
             { 300, 240 }, { 256, 100 }, { 0, 240 }, { 17 * 256, 240 }, { 256, 17 * 240 } }) {
        const auto refusal = levelPictureSizeRefusal(width, height);
        ASSERT_TRUE(refusal) << width << " x " << height;
        EXPECT_NE(refusal->find("whole rooms of 256 x 240"), std::string::npos);
    }

    LevelPicture fiveColours(2, 2);
    fiveColours.block(20, 17, red, 3);
    fiveColours.set(20 * 16, 17 * 16, 0x30);
    auto result = LevelRun(fiveColours).run();
    ASSERT_FALSE(result);
    EXPECT_NE(result.error.find("room 3 (1, 1), block (4, 2) uses"), std::string::npos) << result.error;

    LevelPicture twoPalettes(1, 1);
    twoPalettes.block(2, 1, red, 4);
    twoPalettes.block(3, 1, blue, 4);
    LevelRun given(twoPalettes);
    given.request.subPalettes = BackgroundSubPalettes { red, red, red, red };
    result = given.run();
    ASSERT_FALSE(result);
    EXPECT_NE(result.error.find("room 0 (0, 0), block (3, 1) uses $01 $11 $21"), std::string::npos) << result.error;
}

TEST(LevelConversion, MoreThan256MetatilesOrTilesIsRefusedWithTheCount)
{
    // 300 different blocks of one tile pattern each, with one tile shared by all: the metatiles overflow first.
    LevelPicture blocks(2, 1);
    for (int i = 0; i < 300; ++i) {
        const int column = i % 32, row = i / 32;
        for (int bit = 0; bit < 9; ++bit)
            if (i >> bit & 1)
                blocks.set(column * 16 + bit, row * 16, 0x16);
    }
    auto result = LevelRun(blocks).run();
    ASSERT_FALSE(result);
    EXPECT_NE(result.error.find("the level needs 300 metatiles"), std::string::npos) << result.error;
    EXPECT_NE(result.error.find("the 257th is room 1 (1, 0), block (4, 6)"), std::string::npos) << result.error;

    // 200 blocks of four different tiles each: few metatiles, too many tiles.
    LevelPicture tiles(1, 1);
    for (int i = 0; i < 200; ++i)
        for (int corner = 0; corner < 4; ++corner) {
            const int tile = i * 4 + corner + 1;
            for (int bit = 0; bit < 10; ++bit)
                if (tile >> bit & 1)
                    tiles.set(
                        (i % 16) * 16 + (corner % 2) * 8 + bit % 8, (i / 16) * 16 + (corner / 2) * 8 + bit / 8, 0x16);
        }
    result = LevelRun(tiles).run();
    ASSERT_FALSE(result);
    EXPECT_NE(result.error.find("the level needs 801 different tiles"), std::string::npos) << result.error;
}

// Any picture, converted: every room in one set of sub-palettes, the new tiles within the budget for the whole level,
// each metatile different from the others, and the level as the console shows it read back exactly as display colours
// of those sub-palettes.
TEST(LossyLevelConversion, RoomsShareSubPalettesAndTheTileBudget)
{
    LevelPicture picture(2, 1);
    std::vector<uint8_t> rgba(size_t(picture.width * picture.height * 4));
    std::mt19937 random(7);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const size_t at = size_t(y * picture.width + x) * 4;
            rgba[at] = uint8_t(x / 2 + random() % 16);
            rgba[at + 1] = uint8_t(y + random() % 16);
            rgba[at + 2] = uint8_t(128 + random() % 64);
            rgba[at + 3] = 255;
        }
    LevelRun run(picture);
    run.request.rgba = rgba;
    EXPECT_FALSE(convertLevelPicture(run.request)) << "the colours are not display colours";
    LossySettings settings;
    settings.maxTiles = 60;
    const auto result = convertLevelPictureLossy(run.request, settings);
    ASSERT_TRUE(result) << result.error;
    const LevelConversion &level = *result.conversion;
    EXPECT_LE(int(level.tileChanges.size()), 60);
    EXPECT_EQ(level.distinctTiles, int(level.tileChanges.size()) + level.reusedTiles);
    for (size_t a = 0; a < level.set.metatiles.size(); ++a)
        for (size_t b = a + 1; b < level.set.metatiles.size(); ++b)
            EXPECT_NE(level.set.metatiles[a], level.set.metatiles[b]) << a << "," << b;
    for (uint8_t cell : level.map.cells)
        ASSERT_LT(cell, level.set.metatiles.size());

    PatternTables patterns;
    for (const ScreenTileChange &change : level.tileChanges)
        std::copy(change.pixels.begin(), change.pixels.end(), patterns.pixels.begin() + change.tile * 64);
    PaletteBytes palette {};
    for (size_t p = 0; p < 4; ++p)
        std::copy(level.subPalettes[p].begin(), level.subPalettes[p].end(), palette.begin() + std::ptrdiff_t(p * 4));
    LevelPicture shown(2, 1);
    shown.numbers = renderLevel(patterns, level.map, level.set, palette).colors;
    LevelRun exact(shown);
    exact.request.subPalettes = level.subPalettes;
    const auto back = exact.run();
    ASSERT_TRUE(back) << back.error;
    EXPECT_LE(back.conversion->set.metatiles.size(), level.set.metatiles.size());
}
