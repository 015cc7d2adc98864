#include "core/GraphicsArchive.h"
#include "core/Screen.h"

#include <gtest/gtest.h>

#include <random>

using namespace mosavo;

// Attribute byte and bit positions for the corners of one 32 x 32 pixel area and the short last row.
TEST(ScreenAttributes, BytesAndBitsFollowThePpuLayout)
{
    struct Case { int column, row, byte, shift; };
    const Case cases[] = { { 0, 0, 0, 0 },   { 1, 1, 0, 0 },   { 2, 0, 0, 2 },  { 3, 1, 0, 2 },  { 0, 2, 0, 4 },
                           { 1, 3, 0, 4 },   { 2, 2, 0, 6 },   { 3, 3, 0, 6 },  { 4, 0, 1, 0 },  { 31, 0, 7, 2 },
                           { 0, 4, 8, 0 },   { 5, 6, 9, 4 },   { 31, 29, 63, 2 }, { 0, 28, 56, 0 } };
    for (const Case &c : cases) {
        EXPECT_EQ(attributeByteIndex(c.column, c.row), c.byte) << c.column << "," << c.row;
        EXPECT_EQ(attributeShift(c.column, c.row), c.shift) << c.column << "," << c.row;
    }
}

TEST(ScreenAttributes, PackingKnownBytes)
{
    Screen screen;
    screen.setSubPalette(0, 0, 1); // top left
    screen.setSubPalette(2, 0, 2); // top right
    screen.setSubPalette(0, 2, 3); // bottom left
    screen.setSubPalette(3, 3, 1); // bottom right
    EXPECT_EQ(screen.attributes[0], 0b01'11'10'01);
    // Every tile of a 2 x 2 area reads the same two bits, and rewriting one area leaves the others.
    EXPECT_EQ(screen.subPaletteAt(1, 1), 1);
    EXPECT_EQ(screen.subPaletteAt(3, 1), 2);
    EXPECT_EQ(screen.subPaletteAt(1, 3), 3);
    screen.setSubPalette(1, 0, 0);
    EXPECT_EQ(screen.attributes[0], 0b01'11'10'00);
    screen.attributes[63] = 0xE4; // the last row of bytes covers rows 28-29: only its top half is on screen
    EXPECT_EQ(screen.subPaletteAt(28, 28), 0);
    EXPECT_EQ(screen.subPaletteAt(30, 29), 1);
}

TEST(ScreenNametable, RoundTripsAndRefusesOtherSizes)
{
    std::mt19937 random(7);
    for (int run = 0; run < 20; ++run) {
        Bytes bytes(1024);
        for (uint8_t &b : bytes)
            b = uint8_t(random());
        auto screen = screenFromNametable(bytes);
        ASSERT_TRUE(screen);
        EXPECT_EQ(screen->nametableBytes(), bytes);
    }
    Bytes tilesOnly(960, 0x24);
    auto screen = screenFromNametable(tilesOnly);
    ASSERT_TRUE(screen);
    EXPECT_EQ(screen->tileAt(31, 29), 0x24);
    EXPECT_EQ(screen->attributes, decltype(screen->attributes) {});
    EXPECT_EQ(screen->distinctTiles(), 1);
    Screen other;
    other.patternTable = 1;
    other.setTile(0, 0, 7);
    const auto used = tilesUsedByScreens({ *screen, other }, 1);
    EXPECT_TRUE(used.test(0) && used.test(7));
    EXPECT_FALSE(used.test(0x24));
    EXPECT_EQ(tilesUsedByScreens({ *screen, other }, 0).count(), 1u);
    std::string why;
    EXPECT_FALSE(screenFromNametable(Bytes(1023), &why));
    EXPECT_NE(why.find("1023"), std::string::npos);
}

TEST(GraphicsArchive, ScreensMetaspritesAndAnimationsRoundTrip)
{
    Screen screen;
    screen.name = "title";
    screen.patternTable = 1;
    screen.setTile(3, 4, 0x41);
    screen.attributes[9] = 0x1B;
    Metasprite hero { "hero", { { -8, -16, 0x10, 5, true, false, false }, { 0, 127, 0xFF, 7, false, true, true } } };
    Animation walk { "walk", { { 0, 8 }, { 0, 12 } } };
    auto screens = decodeScreens(encodeScreens({ screen }));
    auto metasprites = decodeMetasprites(encodeMetasprites({ hero }));
    auto animations = decodeAnimations(encodeAnimations({ walk }), 1);
    ASSERT_TRUE(screens && metasprites && animations);
    EXPECT_EQ(screens->front(), screen);
    EXPECT_EQ(metasprites->front(), hero);
    EXPECT_EQ(animations->front(), walk);
}

TEST(GraphicsArchive, RefusesFieldsOfTheWrongKindOrSize)
{
    std::string why;
    ArchiveRecord screen = encodeScreen(Screen {});
    screen["Tiles"] = ArchiveRecord::binary(Bytes(959));
    EXPECT_FALSE(decodeScreens(ArchiveRecord::array({ screen }), &why));
    EXPECT_NE(why.find("Tiles"), std::string::npos);
    screen = encodeScreen(Screen {});
    screen["PatternTable"] = 2;
    EXPECT_FALSE(decodeScreen(screen, &why));
    EXPECT_FALSE(decodeScreens(ArchiveRecord::object(), &why));

    ArchiveRecord sprite = encodeMetasprite({ "m", { MetaspriteSprite {} } });
    sprite["Sprites"][0]["X"] = 128;
    EXPECT_FALSE(decodeMetasprite(sprite, &why));
    EXPECT_NE(why.find("sprite 0"), std::string::npos);
    sprite["Sprites"][0] = "text";
    EXPECT_FALSE(decodeMetasprite(sprite, &why));

    ArchiveRecord animation = encodeAnimation({ "a", { { 2, 1 } } });
    EXPECT_FALSE(decodeAnimation(animation, 2, &why)); // only metasprites 0 and 1 exist
    EXPECT_TRUE(decodeAnimation(animation, 3, &why));
    animation["Frames"][0]["Duration"] = 0;
    EXPECT_FALSE(decodeAnimation(animation, 3, &why));
}
