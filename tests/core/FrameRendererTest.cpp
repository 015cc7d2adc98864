#include "core/FrameRenderer.h"

#include <gtest/gtest.h>

using namespace mosavo;

namespace {
// Pattern tables where tile t of table 0 is filled with colour index (t % 4), and table 1's tiles with 3 - (t % 4);
// tile 5 of table 0 has index 1 in its left column only, tile 6 index 2 in its top row only.
PatternTables testPatterns()
{
    PatternTables patterns;
    for (int t = 0; t < PatternTables::tileCount; ++t)
        for (int i = 0; i < 64; ++i)
            patterns.pixels[size_t(t * 64 + i)] = uint8_t(t < 256 ? t % 4 : 3 - t % 4);
    for (int i = 0; i < 64; ++i) {
        patterns.pixels[size_t(5 * 64 + i)] = (i % 8 == 0) ? 1 : 0;
        patterns.pixels[size_t(6 * 64 + i)] = (i < 8) ? 2 : 0;
    }
    return patterns;
}

PaletteBytes testPalette()
{
    PaletteBytes palette;
    for (size_t i = 0; i < 32; ++i)
        palette[i] = uint8_t(0x01 + i); // distinct numbers: $01 universal, slot i of sub-palette p at 4p + i
    return palette;
}
} // namespace

TEST(FrameRenderer, BackgroundUsesAttributesAndTheUniversalColour)
{
    Screen screen;
    screen.setTile(0, 0, 3);   // index 3 everywhere
    screen.setTile(2, 0, 4);   // index 0: universal colour, whatever sub-palette 1's slot 0 holds
    screen.setSubPalette(2, 0, 1);
    screen.setTile(0, 2, 2);
    screen.setSubPalette(0, 2, 3);
    const FramePicture frame = renderBackground(testPatterns(), screen, testPalette());
    ASSERT_EQ(frame.width, 256);
    ASSERT_EQ(frame.height, 240);
    EXPECT_EQ(frame.at(0, 0), 0x01 + 3);          // sub-palette 0 slot 3
    EXPECT_EQ(frame.at(17, 3), 0x01);             // slot 0 of sub-palette 1 shows $3F00, not $3F04
    EXPECT_EQ(frame.at(5, 20), 0x01 + 12 + 2);    // sub-palette 3 slot 2
    screen.patternTable = 1;                      // the same numbers from table 1: index 3 - t % 4
    EXPECT_EQ(renderBackground(testPatterns(), screen, testPalette()).at(0, 0), 0x01);
}

TEST(FrameRenderer, SpritePriorityTransparencyAndBehindBackground)
{
    Screen screen; // tile 0 everywhere: background index 0; tile 3 at (0, 1), pixels (0-7, 8-15): index 3
    screen.setTile(0, 1, 3);
    PaletteBytes palette = testPalette();
    std::array<uint8_t, 256> oam {};
    for (size_t i = 0; i < 64; ++i)
        oam[i * 4] = 0xFF;
    auto put = [&](size_t entry, int y, int tile, int attributes, int x) {
        oam[entry * 4] = uint8_t(y);
        oam[entry * 4 + 1] = uint8_t(tile);
        oam[entry * 4 + 2] = uint8_t(attributes);
        oam[entry * 4 + 3] = uint8_t(x);
    };
    put(0, 9, 1, 0x20 | 1, 4);  // behind the background, sub-palette 5, index 1, rows 10-17, columns 4-11
    put(1, 9, 2, 2, 0);         // in front, sub-palette 6, index 2, columns 0-7: hidden by sprite 0 where they meet
    put(2, 30, 0, 0, 40);       // index 0 everywhere: transparent
    const SpriteSettings settings { false, 0 };
    const FramePicture frame = renderFrame(testPatterns(), &screen, &oam, settings, palette);
    EXPECT_EQ(frame.at(2, 10), palette[16 + 8 + 2]); // only sprite 1, in front of the opaque background
    EXPECT_EQ(frame.at(2, 9), palette[3]);           // a sprite at Y = 9 starts on row 10
    // Sprite 0 wins the overlap even though it is behind: background index 0 there, so it shows.
    EXPECT_EQ(frame.at(5, 16), palette[16 + 4 + 1]);
    EXPECT_EQ(frame.at(10, 12), palette[16 + 4 + 1]);
    // Over the opaque background sprite 0 is hidden, and its pixel still hides sprite 1: the background shows.
    EXPECT_EQ(frame.at(5, 12), palette[3]);
    EXPECT_EQ(frame.at(44, 33), palette[0]);
}

TEST(FrameRenderer, FlipsAndTallSpritesHalves)
{
    PatternTables patterns = testPatterns();
    PaletteBytes palette = testPalette();
    FramePicture canvas = FramePicture::filled(16, 16, FramePicture::transparentColor);
    // Tile 5: index 1 in column 0 only. Flipped horizontally it is in column 7.
    const PlacedSprite flippedH { 0, 0, 5, 0x40 };
    drawSprites(canvas, patterns, std::span(&flippedH, 1), { false, 0 }, palette);
    EXPECT_EQ(canvas.at(7, 3), palette[17]);
    EXPECT_EQ(canvas.at(0, 3), FramePicture::transparentColor);

    // 8x16: tile byte 6 -> top half tile 6 (index 2 in its top row), bottom half tile 7 (index 3 everywhere).
    canvas = FramePicture::filled(8, 16, FramePicture::transparentColor);
    const PlacedSprite tall { 0, 0, 6, 0 };
    drawSprites(canvas, patterns, std::span(&tall, 1), { true, 1 }, palette);
    EXPECT_EQ(canvas.at(3, 0), palette[18]);
    EXPECT_EQ(canvas.at(3, 1), FramePicture::transparentColor);
    EXPECT_EQ(canvas.at(3, 8), palette[19]);
    // Flipped vertically the halves swap and each is flipped: tile 7 on top, tile 6's top row lands on row 15.
    canvas = FramePicture::filled(8, 16, FramePicture::transparentColor);
    const PlacedSprite tallFlipped { 0, 0, 6, 0x80 };
    drawSprites(canvas, patterns, std::span(&tallFlipped, 1), { true, 0 }, palette);
    EXPECT_EQ(canvas.at(3, 0), palette[19]);
    EXPECT_EQ(canvas.at(3, 15), palette[18]);
    EXPECT_EQ(canvas.at(3, 14), FramePicture::transparentColor);
    // Bit 0 of the tile byte picks table 1: tile byte 7 -> table 1 tiles 6 and 7 (indices 1 and 0).
    canvas = FramePicture::filled(8, 16, FramePicture::transparentColor);
    const PlacedSprite tableOne { 0, 0, 7, 0 };
    drawSprites(canvas, patterns, std::span(&tableOne, 1), { true, 0 }, palette);
    EXPECT_EQ(canvas.at(0, 0), palette[17]);
    EXPECT_EQ(canvas.at(0, 8), FramePicture::transparentColor);
}

TEST(FrameRenderer, OnlyTheFirstEightSpritesOnARowAreDrawn)
{
    PatternTables patterns = testPatterns();
    PaletteBytes palette = testPalette();
    std::vector<PlacedSprite> sprites;
    for (int i = 0; i < 9; ++i)
        sprites.push_back({ i * 8, i == 8 ? 4 : 0, 3, 0 }); // the ninth starts 4 rows lower
    FramePicture canvas = FramePicture::filled(80, 16, FramePicture::transparentColor);
    drawSprites(canvas, patterns, sprites, { false, 0 }, palette);
    EXPECT_EQ(canvas.at(7 * 8, 2), palette[19]);                      // the eighth is drawn
    EXPECT_EQ(canvas.at(8 * 8, 5), FramePicture::transparentColor);   // the ninth vanishes on rows 4-7
    EXPECT_EQ(canvas.at(8 * 8, 9), palette[19]);                      // and shows where it is alone
    const auto overflows = scanlineOverflows(sprites, 8, 0, 239);
    ASSERT_EQ(overflows.size(), 4u);
    EXPECT_EQ(overflows.front().row, 4);
    EXPECT_EQ(overflows.back().row, 7);
    EXPECT_EQ(overflows.front().sprites.size(), 9u);
    EXPECT_EQ(overflows.front().dropped, std::vector<int> { 8 });
    EXPECT_EQ(mostSpritesOnOneRow(sprites, 8), 9);
    EXPECT_EQ(mostSpritesOnOneRow(sprites, 4), 8); // as 8x4 they would not meet

    // OAM order decides, not position: the ninth sprite vanishes though it is the leftmost.
    std::vector<PlacedSprite> leftmostLast;
    for (int i = 0; i < 8; ++i)
        leftmostLast.push_back({ 8 + i * 8, 0, 3, 0 });
    leftmostLast.push_back({ 0, 0, 3, 0 });
    canvas = FramePicture::filled(72, 8, FramePicture::transparentColor);
    drawSprites(canvas, patterns, leftmostLast, { false, 0 }, palette);
    EXPECT_EQ(canvas.at(3, 3), FramePicture::transparentColor); // the ninth in OAM order, leftmost
    EXPECT_EQ(canvas.at(8 * 8 + 3, 3), palette[19]); // the eighth, rightmost, shows
    const auto leftmostOverflows = scanlineOverflows(leftmostLast, 8, 0, 239);
    ASSERT_FALSE(leftmostOverflows.empty());
    EXPECT_EQ(leftmostOverflows.front().dropped, std::vector<int> { 8 });
}

TEST(FrameRenderer, SpritesPartlyAboveThePictureCountOnTheRowsTheyCover)
{
    PatternTables patterns = testPatterns();
    PaletteBytes palette = testPalette();
    std::vector<PlacedSprite> sprites;
    for (int i = 0; i < 9; ++i)
        sprites.push_back({ i * 8, -4, 3, 0 }); // rows -4 to 3
    sprites.push_back({ 0, 4, 3, 0 }); // starts on the row after the others end
    FramePicture canvas = FramePicture::filled(80, 16, FramePicture::transparentColor);
    drawSprites(canvas, patterns, sprites, { false, 0 }, palette);
    EXPECT_EQ(canvas.at(7 * 8, 0), palette[19]);
    EXPECT_EQ(canvas.at(8 * 8, 3), FramePicture::transparentColor); // the ninth is past the eighth on rows 0-3
    EXPECT_EQ(canvas.at(0, 4), palette[19]);
    const auto overflows = scanlineOverflows(sprites, 8, 0, 239);
    ASSERT_EQ(overflows.size(), 4u); // only the rows asked for
    EXPECT_EQ(overflows.front().row, 0);
    EXPECT_EQ(overflows.back().row, 3);
    EXPECT_EQ(overflows.back().sprites.size(), 9u);
    EXPECT_EQ(mostSpritesOnOneRow(sprites, 8), 9);
    EXPECT_EQ(scanlineOverflows(sprites, 8, -10, 239).size(), 8u);
}

TEST(Metasprite, TableBytesOamAndAttributes)
{
    Metasprite m { "m", { { -8, -1, 0x20, 5, true, false, false }, { 0, 8, 0x21, 7, false, true, true } } };
    EXPECT_EQ(metaspriteTableBytes(m), (Bytes { 0xF8, 0xFF, 0x20, 0x41, 0x00, 0x08, 0x21, 0xA3, 128 }));
    const auto oam = oamBytes(m, 100, 50);
    EXPECT_EQ(oam[0], 49);
    EXPECT_EQ(oam[1], 0x20);
    EXPECT_EQ(oam[2], 0x41);
    EXPECT_EQ(oam[3], 92);
    EXPECT_EQ(oam[4], 58);
    EXPECT_EQ(oam[7], 100);
    for (size_t i = 2; i < 64; ++i)
        EXPECT_EQ(oam[i * 4], oamHiddenY);
    MetaspriteSprite sprite;
    sprite.setAttributes(0xE2);
    EXPECT_EQ(sprite.subPalette, 6);
    EXPECT_TRUE(sprite.flipHorizontally && sprite.flipVertically && sprite.behindBackground);
    EXPECT_EQ(sprite.attributes(), 0xE2);
    // Drawn from the OAM, the metasprite lands one row below its placement.
    const auto placed = spritesFromOam(oam);
    EXPECT_EQ(placed[0].y, 50);
    EXPECT_EQ(placeMetasprite(m, 100, 50)[0].y, 49);
}

TEST(PatternTables, FromChrAndFromTilesAgree)
{
    Bytes chr(8192, 0);
    chr[16 * 3 + 0] = 0x80;     // tile 3 row 0: pixel 0 low bit
    chr[16 * 3 + 8] = 0x81;     // tile 3 row 0: pixel 0 high bit, pixel 7 high bit
    chr[16 * 300 + 15] = 0x01;  // tile 300 row 7 pixel 7: high bit
    const PatternTables tables = PatternTables::fromChr(chr);
    EXPECT_EQ(tables.pixel(3, 0, 0), 3);
    EXPECT_EQ(tables.pixel(3, 7, 0), 2);
    EXPECT_EQ(tables.pixel(300, 7, 7), 2);
    EXPECT_EQ(PatternTables::fromChr(std::span(chr).first(40)).pixel(3, 0, 0), 0); // tile 3 not reached
}
