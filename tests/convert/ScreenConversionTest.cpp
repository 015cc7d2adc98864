#include "convert/ScreenConversion.h"
#include "core/FrameRenderer.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

using namespace mosavo;

namespace {

// A 256 x 240 picture drawn in colour numbers, given as RGBA8 in the display colours.
struct Picture
{
    std::vector<uint8_t> numbers = std::vector<uint8_t>(size_t(256 * 240), 0x0F);
    DisplayColors colors;

    void fill(int x0, int y0, int width, int height, uint8_t number)
    {
        for (int y = y0; y < y0 + height; ++y)
            for (int x = x0; x < x0 + width; ++x)
                numbers[size_t(y * 256 + x)] = number;
    }
    void set(int x, int y, uint8_t number) { numbers[size_t(y * 256 + x)] = number; }

    std::vector<uint8_t> rgba() const
    {
        std::vector<uint8_t> bytes;
        for (uint8_t number : numbers) {
            const Rgb8 rgb = colors.rgb(number);
            bytes.insert(bytes.end(), { rgb.red, rgb.green, rgb.blue, 255 });
        }
        return bytes;
    }
};

struct Conversion
{
    std::vector<uint8_t> rgba;
    PatternTables patterns;
    ScreenPictureRequest request;

    explicit Conversion(const Picture &picture, int width = 256, int height = 240)
        : rgba(picture.rgba())
    {
        request.rgba = rgba;
        request.width = width;
        request.height = height;
        request.displayColors = &picture.colors;
        request.patterns = &patterns;
    }

    ScreenConversionResult run() const { return convertScreenPicture(request); }
};

BackgroundSubPalettes givenPalettes()
{
    return { { { 0x0F, 0x16, 0x27, 0x38 }, { 0x0F, 0x01, 0x11, 0x21 }, { 0x0F, 0x1A, 0x2A, 0x3A },
        { 0x0F, 0x06, 0x07, 0x08 } } };
}

// The screen as the PPU draws it, with the conversion's tiles written into the pattern tables.
FramePicture rendered(const ScreenConversion &conversion, PatternTables patterns)
{
    for (const ScreenTileChange &change : conversion.tileChanges)
        std::copy(change.pixels.begin(), change.pixels.end(),
            patterns.pixels.begin() + (conversion.screen.patternTable * 256 + change.tile) * 64);
    PaletteBytes palette {};
    for (size_t p = 0; p < 4; ++p)
        for (size_t i = 0; i < 4; ++i)
            palette[p * 4 + i] = conversion.subPalettes[p][i];
    return renderBackground(patterns, conversion.screen, palette);
}

void expectDrawsThePicture(const ScreenConversion &conversion, const PatternTables &patterns, const Picture &picture)
{
    const FramePicture frame = rendered(conversion, patterns);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 256; ++x)
            ASSERT_EQ(frame.at(x, y), picture.numbers[size_t(y * 256 + x)]) << "pixel " << x << ", " << y;
}

} // namespace

TEST(ScreenConversion, GivenPalettesPlaceTilesAttributesAndShareIdenticalCells)
{
    Picture picture;
    picture.fill(0, 0, 16, 16, 0x16); // area (0, 0): sub-palette 0, colour 1 everywhere
    picture.fill(16, 0, 8, 8, 0x21); // area (16, 0): sub-palette 1, colour 3
    picture.set(17, 9, 0x01);
    picture.fill(240, 224, 16, 16, 0x3A); // the last area: sub-palette 2
    picture.fill(32, 32, 16, 16, 0x16); // the same cells as area (0, 0)
    Conversion conversion(picture);
    conversion.request.subPalettes = givenPalettes();
    conversion.request.patternTable = 1;
    conversion.request.name = "title";
    const auto result = conversion.run();
    ASSERT_TRUE(result) << result.error;
    const ScreenConversion &made = *result.conversion;
    EXPECT_EQ(made.screen.name, "title");
    EXPECT_EQ(made.screen.patternTable, 1);
    EXPECT_EQ(made.subPalettes, givenPalettes());
    EXPECT_EQ(made.screen.subPaletteAt(0, 0), 0);
    EXPECT_EQ(made.screen.subPaletteAt(2, 1), 1);
    EXPECT_EQ(made.screen.subPaletteAt(31, 29), 2);
    EXPECT_EQ(made.screen.subPaletteAt(4, 4), 0);
    // Blank, all colour 1, all colour 3 (in sub-palettes 1 and 2 alike) and the one-pixel tile: four distinct
    // tiles, blank tile 0 already in the (blank) pattern table.
    EXPECT_EQ(made.distinctTiles, 4);
    EXPECT_EQ(made.reusedTiles, 1);
    ASSERT_EQ(made.tileChanges.size(), 3u);
    EXPECT_EQ(made.screen.tileAt(2, 0), made.screen.tileAt(31, 29));
    EXPECT_EQ(made.screen.tileAt(0, 0), made.screen.tileAt(1, 1));
    EXPECT_EQ(made.screen.tileAt(0, 0), made.screen.tileAt(4, 4));
    EXPECT_EQ(made.screen.tileAt(3, 0), 0);
    EXPECT_NE(made.screen.tileAt(0, 0), made.screen.tileAt(2, 0));
    expectDrawsThePicture(made, conversion.patterns, picture);
}

TEST(ScreenConversion, NewTilesReuseThePatternTableThenTakeBlankTilesNoScreenUses)
{
    Picture picture;
    picture.fill(0, 0, 8, 8, 0x27); // colour 2 of sub-palette 0
    picture.fill(8, 0, 8, 8, 0x38); // colour 3
    Conversion conversion(picture);
    conversion.request.subPalettes = givenPalettes();
    // Tile 5 of table 0 is all colour 3 already; tile 0 is used by a screen, tile 1 is not blank.
    std::fill_n(conversion.patterns.pixels.begin() + 5 * 64, 64, 3);
    std::fill_n(conversion.patterns.pixels.begin() + 1 * 64, 64, 1);
    conversion.request.tilesInUse.set(0);
    const auto result = conversion.run();
    ASSERT_TRUE(result) << result.error;
    const ScreenConversion &made = *result.conversion;
    EXPECT_EQ(made.screen.tileAt(1, 0), 5);
    // The blank cells find blank tile 0 (identical, so shared even though a screen uses it); the new tile takes 2.
    EXPECT_EQ(made.screen.tileAt(2, 0), 0);
    EXPECT_EQ(made.screen.tileAt(0, 0), 2);
    ASSERT_EQ(made.tileChanges.size(), 1u);
    EXPECT_EQ(made.tileChanges[0].tile, 2);
    EXPECT_EQ(made.tileChanges[0].pixels[0], 2);
    expectDrawsThePicture(made, conversion.patterns, picture);
}

TEST(ScreenConversion, FoundPalettesShareTheBackdropEveryAreaCanShare)
{
    Picture picture;
    picture.fill(0, 0, 256, 240, 0x21);
    // Four-colour areas all holding $21; five different colour groups besides it.
    const uint8_t groups[5][3]
        = { { 0x16, 0x27, 0x38 }, { 0x01, 0x11, 0x38 }, { 0x1A, 0x2A, 0x3A }, { 0x06, 0x07, 0x08 }, { 0x16, 0x27 } };
    for (int g = 0; g < 5; ++g)
        for (int c = 0; c < 3 && groups[g][c]; ++c)
            picture.fill(g * 32 + c * 4, 16 * g, 4, 4, groups[g][c]);
    Conversion conversion(picture);
    const auto result = conversion.run();
    ASSERT_TRUE(result) << result.error;
    const ScreenConversion &made = *result.conversion;
    for (const BackgroundSubPalette &palette : made.subPalettes)
        EXPECT_EQ(palette[0], 0x21);
    EXPECT_EQ(made.screen.subPaletteAt(16, 8), made.screen.subPaletteAt(0, 0)) << "the subset shares a sub-palette";
    expectDrawsThePicture(made, conversion.patterns, picture);
}

TEST(ScreenConversion, RandomPicturesOfFourPalettesDrawBackExactly)
{
    std::mt19937 engine(11);
    for (int round = 0; round < 5; ++round) {
        Picture picture;
        const BackgroundSubPalettes palettes = givenPalettes();
        for (int area = 0; area < 16 * 15; ++area) {
            const BackgroundSubPalette &palette = palettes[engine() % 4];
            // Cells of a few patterns, so that many tiles repeat.
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                    picture.set((area % 16) * 16 + x, (area / 16) * 16 + y, palette[(x / 4 + y / 4 + area % 3) % 4]);
        }
        Conversion conversion(picture);
        if (round % 2)
            conversion.request.subPalettes = palettes;
        const auto result = conversion.run();
        ASSERT_TRUE(result) << result.error;
        expectDrawsThePicture(*result.conversion, conversion.patterns, picture);
    }
}

TEST(ScreenConversion, RefusalsNameWhatIsWrong)
{
    struct Case
    {
        const char *what;
        std::function<void(Picture &)> draw;
        bool palettesGiven;
        std::string message;
    };
    const std::vector<Case> cases = {
        { "five colours in one area",
            [](Picture &p) {
                p.fill(16, 16, 2, 2, 0x16);
                p.fill(18, 16, 2, 2, 0x27);
                p.fill(20, 16, 2, 2, 0x38);
                p.fill(22, 16, 2, 2, 0x01);
            },
            false,
            "the 16 x 16 area at (16, 16) uses 5 colours, $01 $0F $16 $27 $38: more than the universal "
            "background colour and three colours of one sub-palette" },
        { "colours of two sub-palettes",
            [](Picture &p) {
                p.set(40, 50, 0x16);
                p.set(41, 50, 0x01);
            },
            true,
            "the 16 x 16 area at (32, 48) uses $01 $16 besides the universal background colour $0F, and no "
            "background sub-palette holds them all" },
        { "four colours besides the backdrop",
            [](Picture &p) {
                p.set(0, 0, 0x16);
                p.set(1, 0, 0x27);
                p.set(2, 0, 0x38);
                p.set(3, 0, 0x01);
            },
            true,
            "the 16 x 16 area at (0, 0) uses $01 $0F $16 $27 $38: more than the universal background colour $0F "
            "and three colours of one sub-palette" },
        { "no shared backdrop",
            [](Picture &p) {
                p.fill(0, 0, 16, 16, 0x01);
                p.set(0, 0, 0x11);
                p.set(1, 0, 0x21);
                p.set(2, 0, 0x31);
                p.fill(16, 0, 16, 16, 0x02);
                p.set(16, 0, 0x12);
                p.set(17, 0, 0x22);
                p.set(18, 0, 0x32);
            },
            false,
            "no colour can be the universal background colour: it must be in every 16 x 16 area of four "
            "colours, and the 16 x 16 areas at (0, 0) ($01 $11 $21 $31), (16, 0) ($02 $12 $22 $32) share none" },
        { "five palettes needed",
            [](Picture &p) {
                for (int g = 0; g < 5; ++g) {
                    p.set(g * 16, 0, uint8_t(0x11 + g));
                    p.set(g * 16 + 1, 0, uint8_t(0x21 + g));
                    p.set(g * 16 + 2, 0, uint8_t(0x31 + g));
                }
            },
            false,
            "four background sub-palettes of three colours and the universal background colour $0F cannot "
            "cover every 16 x 16 area: the 16 x 16 area at (64, 0) ($15 $25 $35) would not fit" },
        { "no room",
            [](Picture &p) {
                for (int t = 0; t < 20; ++t)
                    p.set(t * 8 + t % 8, t / 8, 0x16);
            },
            true,
            "the picture needs 20 new tiles, and pattern table 0 has room for 14 (blank tiles that no screen or "
            "metasprite uses)" },
    };
    for (const Case &row : cases) {
        Picture picture;
        row.draw(picture);
        Conversion conversion(picture);
        // Room for 14 new tiles: 16 tiles in the table, tile 3 used by a screen and tile 0 taken by the blank cells.
        conversion.request.tilesInTable = 16;
        conversion.request.tilesInUse.set(3);
        if (row.palettesGiven)
            conversion.request.subPalettes = givenPalettes();
        const auto result = conversion.run();
        EXPECT_FALSE(result) << row.what;
        EXPECT_EQ(result.error, row.message) << row.what;
    }
}

TEST(ScreenConversion, ColoursOutsideTheDisplayColoursAndWrongSizesAreRefused)
{
    Picture picture;
    std::vector<uint8_t> rgba = picture.rgba();
    const size_t at = (7 * 256 + 44) * 4;
    rgba[at] = 0x12;
    rgba[at + 1] = 0x34;
    rgba[at + 2] = 0x56;
    PatternTables patterns;
    ScreenPictureRequest request;
    request.rgba = rgba;
    request.width = 256;
    request.height = 240;
    request.displayColors = &picture.colors;
    request.patterns = &patterns;
    EXPECT_EQ(convertScreenPicture(request).error,
        "pixel (44, 7) is #123456, which is not one of the display colours (colours must match exactly)");
    // A fully transparent pixel of any colour is the universal background colour.
    rgba[at + 3] = 0;
    EXPECT_TRUE(convertScreenPicture(request));

    // Another display palette: the master table's colours no longer match.
    const Bytes file(192, 0x40);
    const DisplayColors other = *DisplayColors::fromFile(file).colors;
    request.displayColors = &other;
    EXPECT_EQ(convertScreenPicture(request).error.substr(0, 17), "pixel (0, 0) is #");
    request.width = 128;
    EXPECT_EQ(convertScreenPicture(request).error,
        "the picture is 128 x 240 pixels; a screen is made from a picture of 256 x 240");
}

TEST(ScreenConversionColors, AGivenPaletteDecidesBetweenColoursThatLookTheSame)
{
    // $20 and $30 are the same white: a picture read with a palette holding $30 is read as $30.
    Picture picture;
    picture.fill(0, 0, 8, 8, 0x30);
    Conversion conversion(picture);
    BackgroundSubPalettes given = givenPalettes();
    given[1] = { 0x0F, 0x00, 0x10, 0x30 };
    conversion.request.subPalettes = given;
    const auto result = conversion.run();
    ASSERT_TRUE(result) << result.error;
    EXPECT_EQ(result.conversion->screen.subPaletteAt(0, 0), 1);
    // Without one the lowest number stands, as before.
    EXPECT_EQ(DisplayColors().colorNumberOf(DisplayColors().rgb(0x30)), 0x20);
}
