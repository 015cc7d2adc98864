#include "convert/SpriteConversion.h"
#include "convert/MetaspriteExport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>

using namespace mosavo;

namespace {

const DisplayColors masterColors;

// A picture drawn in characters: '.' transparent, every other character the colour number the map gives it.
struct TestPicture
{
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
    std::vector<int> numbers; // -1 transparent

    RgbaPicture view() const { return { width, height, rgba }; }
};

const std::map<char, uint8_t> defaultColors = { { 'r', 0x16 }, { 'w', 0x20 }, { 'k', 0x0F }, { 'b', 0x12 },
    { 'g', 0x1A }, { 'y', 0x28 }, { 'p', 0x24 }, { 'o', 0x27 } };

TestPicture picture(const std::vector<std::string> &rows, const std::map<char, uint8_t> &colors = defaultColors)
{
    TestPicture p;
    p.height = int(rows.size());
    p.width = int(rows.front().size());
    for (const std::string &row : rows)
        for (const char c : row) {
            if (c == '.') {
                p.rgba.insert(p.rgba.end(), { 0, 0, 0, 0 });
                p.numbers.push_back(-1);
                continue;
            }
            const uint8_t number = colors.at(c);
            const Rgb8 rgb = masterColors.rgb(number);
            p.rgba.insert(p.rgba.end(), { rgb.red, rgb.green, rgb.blue, 255 });
            p.numbers.push_back(number);
        }
    return p;
}

// An asymmetric 8x8 cell: no flip of it equals another.
const std::vector<std::string> cellA
    = { "rr......", "rw......", "r.w.....", "r..k....", "r.......", "rrrr....", "........", "......kk" };

std::vector<std::string> flip(const std::vector<std::string> &cell, bool horizontally, bool vertically)
{
    std::vector<std::string> out = cell;
    if (vertically)
        std::reverse(out.begin(), out.end());
    if (horizontally)
        for (std::string &row : out)
            std::reverse(row.begin(), row.end());
    return out;
}

// Cells side by side.
std::vector<std::string> besides(const std::vector<std::vector<std::string>> &cells)
{
    std::vector<std::string> rows(cells.front().size());
    for (const auto &cell : cells)
        for (size_t y = 0; y < rows.size(); ++y)
            rows[y] += cell[y];
    return rows;
}

const std::vector<std::string> emptyCell(8, "........");

SpriteConversionSettings settings(bool tall = false)
{
    SpriteConversionSettings s;
    s.tall = tall;
    s.displayColors = &masterColors;
    s.name = "hero";
    return s;
}

PaletteBytes paletteOf(const SpriteConversion &result)
{
    PaletteBytes palette {};
    palette.fill(0x0F);
    for (size_t k = 0; k < result.subPalettes.size(); ++k)
        for (size_t c = 0; c < 3; ++c)
            palette[16 + 4 * k + 1 + c] = result.subPalettes[k][c];
    return palette;
}

// Draws the result through the renderer with its origin where the picture had it: it must give the picture back.
void expectDrawsThePicture(
    const TestPicture &p, const PatternTables &bank, const SpriteConversion &result, const SpriteConversionSettings &s)
{
    PatternTables drawn = bank;
    for (const TileChange &change : result.tileChanges)
        std::copy(change.pixels.begin(), change.pixels.end(), drawn.pixels.begin() + change.tile * 64);
    const SpriteSettings sprites { s.tall, s.patternTable };
    const FramePicture frame = metaspritePicture(
        drawn, *result.metasprite, sprites, paletteOf(result), p.width, p.height, s.originX, s.originY);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const int want = p.numbers[size_t(y * p.width + x)];
            EXPECT_EQ(frame.at(x, y), want < 0 ? FramePicture::transparentColor : uint8_t(want))
                << "pixel (" << x << ", " << y << ")";
        }
}

PatternTables bankWithTile(int tile, const std::vector<std::string> &cell, const std::map<char, uint8_t> &indices)
{
    PatternTables bank;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            bank.pixels[size_t(tile * 64 + y * 8 + x)]
                = cell[size_t(y)][size_t(x)] == '.' ? 0 : indices.at(cell[size_t(y)][size_t(x)]);
    return bank;
}

} // namespace

TEST(SpriteConversion, ReusesTilesFlippedEveryWayAndSkipsEmptyCells)
{
    // Tile 256 (pattern table 1, tile 0) already holds a drawing; the picture's cell of it reuses it unflipped. Cell
    // A needs a new tile: tile 1 is marked in use, so it goes to tile 2, and its three flips reuse that tile.
    const std::vector<std::string> cellB
        = { "bbbbbbbb", "b......b", "b......b", "bbbbbbbb", "........", "........", "........", "........" };
    const PatternTables bank = bankWithTile(256, cellB, { { 'b', 1 } });
    const TestPicture p = picture(besides(
        { cellA, emptyCell, flip(cellA, true, false), flip(cellA, false, true), flip(cellA, true, true), cellB }));
    std::bitset<256> inUse;
    inUse.set(1);
    SpriteConversionSettings s = settings();
    s.originX = 4;
    s.originY = 2;
    const auto result = convertSpritePicture(p.view(), bank, inUse, s);
    ASSERT_TRUE(result) << result.error;

    const auto &sprites = result.metasprite->sprites;
    ASSERT_EQ(sprites.size(), 5u) << "the empty cell makes no sprite";
    struct Expected
    {
        int x;
        uint8_t tile;
        bool h, v;
    };
    const Expected expected[] = { { -4, 2, false, false }, { 12, 2, true, false }, { 20, 2, false, true },
        { 28, 2, true, true }, { 36, 0, false, false } };
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(sprites[i].x, expected[i].x) << i;
        EXPECT_EQ(sprites[i].y, -2) << i;
        EXPECT_EQ(sprites[i].tile, expected[i].tile) << i;
        EXPECT_EQ(sprites[i].flipHorizontally, expected[i].h) << i;
        EXPECT_EQ(sprites[i].flipVertically, expected[i].v) << i;
    }
    EXPECT_EQ(result.metasprite->name, "hero");
    ASSERT_EQ(result.tileChanges.size(), 1u);
    EXPECT_EQ(result.tileChanges[0].tile, 258);
    expectDrawsThePicture(p, bank, result, s);
}

TEST(SpriteConversion, TallCellsUsePairsAndAVerticalFlipSwapsTheHalves)
{
    // An 8x16 cell whose halves differ, its vertical flip and its horizontal flip: one new pair in pattern table 0,
    // reused with the flips. The pair of the table's first blank tile (tiles 0 and 1) stays for the screens: the new
    // pair is tiles 2 and 3 (tile byte 2).
    std::vector<std::string> tall = cellA;
    const auto lower = flip(cellA, true, false);
    tall.insert(tall.end(), lower.begin(), lower.end());
    tall[15] = "rrrrrrrr";
    const TestPicture p = picture(besides({ tall, flip(tall, false, true), flip(tall, true, false) }));
    SpriteConversionSettings s = settings(true);
    s.patternTable = 0;
    const PatternTables bank;
    const auto result = convertSpritePicture(p.view(), bank, {}, s);
    ASSERT_TRUE(result) << result.error;
    const auto &sprites = result.metasprite->sprites;
    ASSERT_EQ(sprites.size(), 3u);
    EXPECT_EQ(sprites[0].tile, 2);
    EXPECT_EQ(sprites[1].tile, 2);
    EXPECT_TRUE(sprites[1].flipVertically);
    EXPECT_FALSE(sprites[1].flipHorizontally);
    EXPECT_TRUE(sprites[2].flipHorizontally);
    ASSERT_EQ(result.tileChanges.size(), 2u);
    EXPECT_EQ(result.tileChanges[0].tile, 2);
    EXPECT_EQ(result.tileChanges[1].tile, 3);
    expectDrawsThePicture(p, bank, result, s);

    // In pattern table 1 the tile byte's bit 0 says so.
    s.patternTable = 1;
    const auto inTableOne = convertSpritePicture(p.view(), bank, {}, s);
    ASSERT_TRUE(inTableOne) << inTableOne.error;
    EXPECT_EQ(inTableOne.metasprite->sprites[0].tile, 3);
    EXPECT_EQ(inTableOne.tileChanges[0].tile, 258);
    expectDrawsThePicture(p, bank, inTableOne, s);
}

// The first blank tile of the sprite pattern table is the blank tile every nametable of a game draws with: new tiles
// never go there, whether or not a screen of the document uses it; further blank tiles are free.
TEST(SpriteConversion, TheFirstBlankTileOfATableStaysForTheScreens)
{
    const TestPicture p = picture(cellA);
    SpriteConversionSettings s = settings();
    s.patternTable = 0;
    const auto onBlankTable = convertSpritePicture(p.view(), PatternTables {}, {}, s);
    ASSERT_TRUE(onBlankTable) << onBlankTable.error;
    EXPECT_EQ(onBlankTable.metasprite->sprites[0].tile, 1);
    ASSERT_EQ(onBlankTable.tileChanges.size(), 1u);
    EXPECT_EQ(onBlankTable.tileChanges[0].tile, 1);

    // Tiles 0-4 drawn: tile 5 is the first blank one and stays; the new tile is 6.
    PatternTables drawn;
    for (int tile = 0; tile < 5; ++tile)
        drawn.pixels[size_t(tile * 64 + tile)] = 2;
    const auto afterDrawn = convertSpritePicture(p.view(), drawn, {}, s);
    ASSERT_TRUE(afterDrawn) << afterDrawn.error;
    EXPECT_EQ(afterDrawn.tileChanges[0].tile, 6);

    // A table with one blank tile has none free.
    PatternTables full;
    for (int tile = 0; tile < 255; ++tile)
        full.pixels[size_t(tile * 64)] = 1;
    const auto none = convertSpritePicture(p.view(), full, {}, s);
    EXPECT_FALSE(none);
}

TEST(SpriteConversion, FindsSubPalettesOrUsesTheGivenOnes)
{
    // Two cells of different colours: found, they get two sub-palettes; given, each takes the one holding its colours.
    const std::vector<std::string> blue
        = { "bbbbbbbb", "bggggggb", "b......b", "bbbbbbbb", "........", "........", "........", "........" };
    const TestPicture p = picture(besides({ cellA, blue }));
    const PatternTables bank;
    auto s = settings();
    const auto found = convertSpritePicture(p.view(), bank, {}, s);
    ASSERT_TRUE(found) << found.error;
    EXPECT_EQ(found.subPalettes.size(), 2u);
    EXPECT_NE(found.metasprite->sprites[0].subPalette, found.metasprite->sprites[1].subPalette);
    expectDrawsThePicture(p, bank, found, s);

    s.subPalettes = std::vector<SubPaletteColors> { { 0x01, 0x02, 0x03 }, { 0x1A, 0x12, 0x30 }, { 0x20, 0x0F, 0x16 },
        { 0x04, 0x05, 0x06 } };
    const auto given = convertSpritePicture(p.view(), bank, {}, s);
    ASSERT_TRUE(given) << given.error;
    EXPECT_EQ(given.metasprite->sprites[0].subPalette, 6);
    EXPECT_EQ(given.metasprite->sprites[1].subPalette, 5);
    EXPECT_EQ(given.subPalettes, *s.subPalettes);
    // Colour index = position in the sub-palette + 1: red is colour 3 of sub-palette 6.
    EXPECT_EQ(given.tileChanges[0].pixels[0], 3);
    expectDrawsThePicture(p, bank, given, s);
}

TEST(SpriteConversion, KeptSubPalettesStayAndTheFoundOnesTakeTheFreePlaces)
{
    const std::vector<std::string> blue
        = { "bbbbbbbb", "bggggggb", "b......b", "bbbbbbbb", "........", "........", "........", "........" };
    const TestPicture p = picture(besides({ cellA, blue }));
    const PatternTables bank;
    auto s = settings();
    // Sub-palette 5 is kept and holds cell A's colours; 4 is free (other colours), 6 and 7 have none.
    s.currentSubPalettes
        = { SubPaletteColors { 0x01, 0x02, 0x03 }, SubPaletteColors { 0x16, 0x20, 0x0F }, std::nullopt, std::nullopt };
    s.keptSubPalettes.set(1);
    const auto result = convertSpritePicture(p.view(), bank, {}, s);
    ASSERT_TRUE(result) << result.error;
    ASSERT_EQ(result.subPalettes.size(), 2u);
    EXPECT_EQ(result.subPalettes[1], (SubPaletteColors { 0x16, 0x20, 0x0F })) << "the kept one as it was";
    EXPECT_EQ(result.metasprite->sprites[0].subPalette, 5);
    EXPECT_EQ(result.metasprite->sprites[1].subPalette, 4) << "the blue cell's colours take the free place 4";
    EXPECT_EQ(std::set<uint8_t>(result.subPalettes[0].begin(), result.subPalettes[0].end()),
        (std::set<uint8_t> { 0x12, 0x1A }));
    expectDrawsThePicture(p, bank, result, s);

    // A picture the kept one holds alone leaves the free place 4 its colours.
    const auto alone = convertSpritePicture(picture(cellA).view(), bank, {}, s);
    ASSERT_TRUE(alone) << alone.error;
    EXPECT_EQ(alone.subPalettes, (std::vector<SubPaletteColors> { { 0x01, 0x02, 0x03 }, { 0x16, 0x20, 0x0F } }));

    // Every place kept and none holding the blue cell: refused, naming it.
    s.currentSubPalettes = { SubPaletteColors { 0x01, 0x02, 0x03 }, SubPaletteColors { 0x16, 0x20, 0x0F },
        SubPaletteColors { 0x04, 0x05, 0x06 }, SubPaletteColors { 0x07, 0x08, 0x09 } };
    s.keptSubPalettes.set();
    const auto refused = convertSpritePicture(p.view(), bank, {}, s);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error,
        "the document's metasprites use every sprite sub-palette, and none of them holds the colours of the 8x8 "
        "cell at pixel (8, 0) ($12, $1A) (give a palette to choose the "
        "sub-palettes)");
}

TEST(SpriteConversion, TheUniversalBackgroundColourIsEmptyOnlyInPicturesWithoutTransparency)
{
    // An opaque picture on black, black the backdrop: its black pixels vanish and a cell of nothing but black makes
    // no sprite.
    std::vector<std::string> opaqueA = cellA;
    for (std::string &row : opaqueA)
        std::replace(row.begin(), row.end(), '.', 'k');
    const std::vector<std::string> black(8, "kkkkkkkk");
    const TestPicture p = picture(besides({ black, opaqueA }));
    auto s = settings();
    s.universalBackground = 0x0F;
    const auto result = convertSpritePicture(p.view(), PatternTables {}, {}, s);
    ASSERT_TRUE(result) << result.error;
    ASSERT_EQ(result.metasprite->sprites.size(), 1u);
    EXPECT_EQ(result.metasprite->sprites[0].x, 8);
    const SubPaletteColors &colors = result.subPalettes.front();
    EXPECT_EQ(std::count(colors.begin(), colors.end(), uint8_t(0x0F)), 0) << "black is no sprite colour";
    EXPECT_EQ(result.tileChanges[0].pixels[7 * 8 + 7], 0) << "the black corner of cell A is transparent";

    // The backdrop is matched by display colour: $30 shows the white of $20, so an opaque picture's white is empty
    // and not a fourth colour beside red, blue and black.
    const std::vector<std::string> onWhite
        = { "wwwwwwww", "wrrwwwww", "wrbwwwww", "wrbkwwww", "wwwwwwww", "wwwwwwww", "wwwwwwww", "wwwwwwww" };
    s.universalBackground = 0x30;
    const auto white = convertSpritePicture(picture(onWhite).view(), PatternTables {}, {}, s);
    ASSERT_TRUE(white) << white.error;
    ASSERT_EQ(white.metasprite->sprites.size(), 1u);
    EXPECT_EQ(white.tileChanges[0].pixels[0], 0) << "white is the backdrop";

    // A picture with transparency is read by its alpha alone: the white eyes of a character on a transparent ground
    // stay drawn although the universal background colour is white.
    const std::vector<std::string> eyes
        = { "........", ".kkkkkk.", ".kwkkwk.", ".kwkkwk.", ".kkkkkk.", ".krrrrk.", ".kkkkkk.", "........" };
    const auto drawn = convertSpritePicture(picture(eyes).view(), PatternTables {}, {}, s);
    ASSERT_TRUE(drawn) << drawn.error;
    ASSERT_EQ(drawn.metasprite->sprites.size(), 1u);
    const SubPaletteColors &used = drawn.subPalettes[size_t(drawn.metasprite->sprites[0].subPalette - 4)];
    EXPECT_NE(
        std::find_if(used.begin(), used.end(), [](uint8_t n) { return masterColors.rgb(n) == masterColors.rgb(0x20); }),
        used.end())
        << "white is one of the sprite's colours";
    EXPECT_NE(drawn.tileChanges[0].pixels[2 * 8 + 2], 0) << "the eye is drawn";
    EXPECT_EQ(drawn.tileChanges[0].pixels[0], 0) << "the transparent corner stays empty";
}

TEST(SpriteConversion, RefusesNamingThePixelTheCellOrTheCounts)
{
    struct Case
    {
        const char *what;
        TestPicture picture;
        std::function<void(SpriteConversionSettings &, std::bitset<256> &)> setUp;
        std::string error;
    };
    TestPicture partly = picture(cellA);
    partly.rgba[(2 * 8 + 2) * 4 + 3] = 128;
    TestPicture foreign = picture(cellA);
    foreign.rgba[(3 * 8 + 3) * 4 + 0] = 0x12; // #123456 is no display colour
    foreign.rgba[(3 * 8 + 3) * 4 + 1] = 0x34;
    foreign.rgba[(3 * 8 + 3) * 4 + 2] = 0x56;
    const std::vector<std::string> four
        = { "rwkb....", "........", "........", "........", "........", "........", "........", "........" };
    // Five cells of three colours each, no two sharing one: four sub-palettes cannot hold them.
    std::vector<std::vector<std::string>> five;
    const std::map<char, uint8_t> many = { { 'a', 0x01 }, { 'b', 0x02 }, { 'c', 0x03 }, { 'd', 0x11 }, { 'e', 0x12 },
        { 'f', 0x13 }, { 'g', 0x21 }, { 'h', 0x22 }, { 'i', 0x23 }, { 'j', 0x31 }, { 'k', 0x32 }, { 'l', 0x33 },
        { 'm', 0x14 }, { 'n', 0x15 }, { 'o', 0x16 } };
    for (const char *colors : { "abc", "def", "ghi", "jkl", "mno" })
        five.push_back({ std::string(colors) + ".....", "........", "........", "........", "........", "........",
            "........", "........" });
    // 136 pixels wide: the last cell starts at x = 128, one past the farthest offset.
    std::vector<std::vector<std::string>> wide(17, emptyCell);
    wide.front() = cellA;
    wide.back() = cellA;
    wide.back()[0] = "r.......";
    const std::vector<std::string> otherCell
        = { "r.......", "........", "........", "........", "........", "........", "........", "........" };

    const Case cases[] = {
        { "partly transparent", partly, nullptr,
            "pixel (2, 2) is partly transparent (alpha 128); a pixel must be transparent (alpha 0) or opaque" },
        { "not a display colour", foreign, nullptr,
            "pixel (3, 3) is #123456, which is none of the 64 display colours" },
        { "four colours", picture(four), nullptr,
            "the 8x8 cell at pixel (0, 0) has 4 colours ($0F, $12, $16, $20); a sprite shows at most three besides "
            "transparent" },
        { "no sub-palette holds it", picture(cellA),
            [](SpriteConversionSettings &s, std::bitset<256> &) {
                s.subPalettes = std::vector<SubPaletteColors> { { 0x16, 0x20, 0x01 }, { 0x0F, 0x20, 0x02 } };
            },
            "the 8x8 cell at pixel (0, 0) has the colours $0F, $16, $20, which no one of the sprite sub-palettes 4-7 "
            "holds" },
        { "five disjoint sets", picture(besides(five), many), nullptr,
            "the cells' colours do not fit in four sprite sub-palettes of three colours; the 8x8 cell at pixel (32, 0) "
            "($14, $15, $16) is the first that does not" },
        { "offset too far", picture(besides(wide)), nullptr,
            "the 8x8 cell at pixel (128, 0) lies at offset (128, 0) from the origin (0, 0); offsets must be "
            "-127..127 across (a metasprite table would read -128 as its end) and -128..127 down" },
        { "x offset -128", picture(cellA), [](SpriteConversionSettings &s, std::bitset<256> &) { s.originX = 128; },
            "the 8x8 cell at pixel (0, 0) lies at offset (-128, 0) from the origin (128, 0); offsets must be "
            "-127..127 across (a metasprite table would read -128 as its end) and -128..127 down" },
        { "too few tiles", picture(besides({ cellA, otherCell, flip(cellA, true, false) })),
            [](SpriteConversionSettings &, std::bitset<256> &inUse) {
                inUse.set();
                inUse.reset(200);
            },
            "the picture needs 2 new tiles, and pattern table 1 has only 1 blank tiles that no screen or metasprite "
            "uses" },
        { "too few pairs", picture(besides({ cellA, otherCell })),
            [](SpriteConversionSettings &s, std::bitset<256> &inUse) {
                s.tall = true;
                inUse.set();
            },
            "the picture needs 2 new pairs of tiles, and pattern table 1 has only 0 pairs of blank tiles (an even tile "
            "and the next) that no screen or metasprite uses" },
        { "nothing drawn", picture(emptyCell), nullptr,
            "the picture has nothing drawn in it (every pixel is transparent)" },
    };
    for (const Case &c : cases) {
        SpriteConversionSettings s = settings();
        std::bitset<256> inUse;
        if (c.setUp)
            c.setUp(s, inUse);
        const auto result = convertSpritePicture(c.picture.view(), PatternTables {}, inUse, s);
        EXPECT_FALSE(result) << c.what;
        EXPECT_EQ(result.error, c.error) << c.what;
    }
    // The farthest offsets a metasprite table holds: -127 across, -128 down.
    SpriteConversionSettings farthest = settings();
    farthest.originX = 127;
    farthest.originY = 128;
    const auto edge = convertSpritePicture(picture(cellA).view(), PatternTables {}, {}, farthest);
    ASSERT_TRUE(edge) << edge.error;
    EXPECT_EQ(edge.metasprite->sprites.front().x, -127);
    EXPECT_EQ(edge.metasprite->sprites.front().y, -128);
}

TEST(SpriteConversion, TilesInUseCountScreensAndMetaspritesOfTheTable)
{
    Screen screen;
    screen.patternTable = 1;
    screen.setTile(3, 4, 0x21);
    Screen other; // table 0: does not count
    other.setTile(0, 0, 0x40);
    Metasprite metasprite;
    metasprite.sprites = { { 0, 0, 0x10 }, { 8, 0, 0x33 } };
    const auto small = spriteTableTilesInUse({ screen, other }, { metasprite }, false, 1);
    EXPECT_TRUE(small.test(0x21) && small.test(0x10) && small.test(0x33) && small.test(0x00));
    EXPECT_FALSE(small.test(0x40));
    EXPECT_EQ(small.count(), 4u) << "the screen's blank tile 0 counts as used too";
    // 8x16: 0x33 picks table 1 and uses 0x32 and 0x33; 0x10 picks table 0.
    const auto tall = spriteTableTilesInUse({}, { metasprite }, true, 1);
    EXPECT_TRUE(tall.test(0x32) && tall.test(0x33));
    EXPECT_EQ(tall.count(), 2u);
}

TEST(SpriteConversion, AGivenPaletteDecidesBetweenColoursThatLookTheSame)
{
    // $30 looks as $20 does: with a sub-palette holding $30 the white pixels are read as $30, not refused as $20.
    const std::vector<std::string> white(8, "ww......");
    const TestPicture p = picture(white, { { 'w', 0x30 } });
    auto s = settings();
    s.subPalettes = std::vector<SubPaletteColors> { { 0x16, 0x27, 0x30 } };
    const auto result = convertSpritePicture(p.view(), PatternTables {}, {}, s);
    ASSERT_TRUE(result) << result.error;
    EXPECT_EQ(result.metasprite->sprites[0].subPalette, 4);
    EXPECT_EQ(result.tileChanges[0].pixels[0], 3);
}
