#include "core/SpriteLimits.h"

#include <gtest/gtest.h>

using namespace mosavo;

namespace {
Metasprite wide(const std::string &name, int count)
{
    Metasprite metasprite { name, {} };
    for (int i = 0; i < count; ++i)
        metasprite.sprites.push_back({ i * 8, 0, uint8_t(0x20 + i), 4 });
    return metasprite;
}
} // namespace

TEST(SpriteLimitsTest, NoRowOverEightSaysSo)
{
    const std::string report = spriteLimitsReport({ wide("hero", 8) }, { { 0, 100, 50 } }, 8);
    EXPECT_EQ(report, "1 placement, 8 sprites, 8x8.\nNo scanline has more than eight sprites.\n");
}

TEST(SpriteLimitsTest, OneWideMetaspriteNamesTheNinthSpriteOnTheRowsItsOamDumpOverflows)
{
    const Metasprite hero = wide("hero", 10);
    const std::string report = spriteLimitsReport({ hero }, { { 0, 16, 120 } }, 8);
    EXPECT_EQ(report, "1 placement, 10 sprites, 8x8.\n"
                      "Scanlines 121-128: 10 sprites, 2 not drawn: \"hero\" at 16, 120 sprite 8 (tile $28); "
                      "\"hero\" at 16, 120 sprite 9 (tile $29)\n");
    // The rows are those on which the PPU drops sprites of the same placement's OAM dump.
    const std::array<uint8_t, 256> oam = oamBytes(hero, 16, 120);
    const std::vector<PlacedSprite> fromOam = spritesFromOam(oam);
    const std::vector<ScanlineOverflow> overflows = scanlineOverflows(fromOam, 8, 0, 239);
    ASSERT_EQ(overflows.size(), 8u);
    EXPECT_EQ(overflows.front().row, 121);
    EXPECT_EQ(overflows.back().row, 128);

    // Sprites the OAM cannot hold (X past 255) are not counted, as they are not in the dump.
    const std::string offScreen = spriteLimitsReport({ hero }, { { 0, 200, 120 } }, 8);
    EXPECT_EQ(offScreen, "1 placement, 10 sprites, 8x8.\n"
                         "3 sprites are not in OAM (off the screen, X outside 0-255 or Y outside 0-238, or past the "
                         "64th) and not counted.\n"
                         "No scanline has more than eight sprites.\n");
}

TEST(SpriteLimitsTest, PlacementsTogetherOverflowWhereTheyOverlapInOamOrder)
{
    // Two metasprites of five, the second four rows lower: rows 105-108 hold ten sprites, the second's last two lose.
    const std::vector<Metasprite> metasprites { wide("a", 5), wide("b", 5) };
    const std::string report = spriteLimitsReport(metasprites, { { 0, 0, 100 }, { 1, 100, 104 } }, 8);
    EXPECT_EQ(report, "2 placements, 10 sprites, 8x8.\n"
                      "Scanlines 105-108: 10 sprites, 2 not drawn: \"b\" at 100, 104 sprite 3 (tile $23); "
                      "\"b\" at 100, 104 sprite 4 (tile $24)\n");
    // 8x16 sprites overlap for twelve rows; rows past the frame are not reported.
    const std::string tall = spriteLimitsReport(metasprites, { { 1, 0, 236 }, { 0, 0, 230 } }, 16);
    EXPECT_NE(tall.find("Scanlines 237-239: 10 sprites, 2 not drawn: \"a\" at 0, 230 sprite 3"), std::string::npos)
        << tall;
}

TEST(SpriteLimitsTest, PlacementsOfMissingMetaspritesAreLeftOut)
{
    const auto placed = placeMetasprites({ wide("a", 2) }, { { 3, 0, 0 }, { 0, 10, 20 }, { -1, 0, 0 } });
    ASSERT_EQ(placed.size(), 2u);
    EXPECT_EQ(placed[1].placement, 1);
    EXPECT_EQ(placed[1].index, 1);
    EXPECT_EQ(placed[1].sprite.x, 18);
    EXPECT_EQ(placed[1].sprite.y, 21);
}

TEST(Metasprite, OamOfSeveralPlacesThemInOrderAndCountsWhatIsLeftOut)
{
    Metasprite a { "a", { { 0, 0, 1, 4 }, { 8, 0, 2, 5 } } };
    Metasprite b { "b", { { -8, 4, 3, 6, true } } };
    OamLeftOut left;
    const std::vector<Metasprite> both = { a, b };
    const auto oam = oamBytes(both, { { 1, 20, 30 }, { 0, 250, 10 }, { 5, 0, 0 }, { 0, 100, 100 } }, &left);
    const uint8_t expected[] = { 34, 3, 0x42, 12, 10, 1, 0x00, 250, 100, 1, 0x00, 100, 100, 2, 0x01, 108 };
    EXPECT_TRUE(std::equal(std::begin(expected), std::end(expected), oam.begin()));
    EXPECT_EQ(left.offScreen, 1u) << "a's second sprite at x 258";
    EXPECT_EQ(oam[16], oamHiddenY);
    EXPECT_EQ(oamBytes(b, 20, 30), oamBytes(both, { { 1, 20, 30 } })) << "one placement is the OAM of one metasprite";

    // The 64 entries are shared: 40 sprites twice leave 16 out.
    Metasprite crowd { "crowd", std::vector<MetaspriteSprite>(40, MetaspriteSprite { 0, 0, 7, 4 }) };
    const auto full = oamBytes({ crowd }, { { 0, 10, 10 }, { 0, 50, 50 } }, &left);
    EXPECT_EQ(left.beyondOam, 16u);
    EXPECT_EQ(left.offScreen, 0u);
    EXPECT_EQ(full[39 * 4 + 3], 10);
    EXPECT_EQ(full[40 * 4 + 3], 50);
    EXPECT_EQ(full[63 * 4], 50);
}
