#include "core/ScreenRegion.h"

#include <gtest/gtest.h>

using namespace mosavo;

namespace {

// A screen whose tile at (c, r) is (c + r * 7) & 0xFF and whose sub-palette at each area is (area x + area y) & 3.
Screen numberedScreen()
{
    Screen screen;
    for (int r = 0; r < Screen::rows; ++r)
        for (int c = 0; c < Screen::columns; ++c) {
            screen.setTile(c, r, uint8_t((c + r * 7) & 0xFF));
            screen.setSubPalette(c, r, (c / 2 + r / 2) & 3);
        }
    return screen;
}

} // namespace

TEST(ScreenRegionTest, RectanglesSpanTwoCellsAndKeepToTheScreen)
{
    const struct
    {
        int c1, r1, c2, r2;
        CellRect expected;
    } cases[] = {
        { 3, 4, 3, 4, { 3, 4, 1, 1 } },
        { 10, 8, 6, 9, { 6, 8, 5, 2 } },
        { 30, 28, 40, 35, { 30, 28, 2, 2 } },
        { -3, -1, 1, 0, { 0, 0, 2, 1 } },
    };
    for (const auto &row : cases)
        EXPECT_EQ(CellRect::spanning(row.c1, row.r1, row.c2, row.r2), row.expected);
    EXPECT_TRUE((CellRect { 40, 0, 3, 3 }).clipped().isEmpty());
}

TEST(ScreenRegionTest, CopyAndPasteCarryTilesAndSubPalettes)
{
    const Screen source = numberedScreen();
    const ScreenRegion region = copyRegion(source, { 2, 4, 4, 2 });
    ASSERT_EQ(region.columns, 4);
    ASSERT_EQ(region.rows, 2);
    EXPECT_EQ(region.tiles[0], source.tileAt(2, 4));
    EXPECT_EQ(region.tiles[7], source.tileAt(5, 5));
    EXPECT_EQ(region.subPalettes[3], source.subPaletteAt(5, 4));

    // Pasted at an area boundary, the areas take the copied sub-palettes.
    Screen target;
    pasteRegion(target, region, 2, 4);
    EXPECT_EQ(copyRegion(target, { 2, 4, 4, 2 }), region);
    EXPECT_EQ(target.tileAt(1, 4), 0);
    EXPECT_EQ(target.tileAt(6, 4), 0);

    // Off the right and bottom edges: the cells that fall off are dropped.
    Screen edge;
    pasteRegion(edge, region, 30, 29);
    EXPECT_EQ(edge.tileAt(30, 29), region.tiles[0]);
    EXPECT_EQ(edge.tileAt(31, 29), region.tiles[1]);
    EXPECT_EQ(edge.tileAt(0, 0), 0);

    // Without sub-palettes only the tiles change.
    Screen tilesOnly;
    tilesOnly.setSubPalette(2, 4, 3);
    pasteRegion(tilesOnly, region, 2, 4, false);
    EXPECT_EQ(tilesOnly.subPaletteAt(2, 4), 3);
    EXPECT_EQ(tilesOnly.tileAt(3, 4), region.tiles[1]);
}

TEST(ScreenRegionTest, FillsRectanglesWithATileOrARepeatedPattern)
{
    Screen screen = numberedScreen();
    const uint8_t outside = screen.tileAt(4, 4);
    fillTiles(screen, { 0, 0, 4, 3 }, 9);
    EXPECT_EQ(screen.tileAt(0, 0), 9);
    EXPECT_EQ(screen.tileAt(3, 2), 9);
    EXPECT_EQ(screen.tileAt(4, 4), outside);

    Screen patterned;
    fillWithPattern(patterned, { 1, 1, 5, 3 }, tileBlock(2, 2, { 1, 2, 3, 4 }));
    const uint8_t expected[3][5] = { { 1, 2, 1, 2, 1 }, { 3, 4, 3, 4, 3 }, { 1, 2, 1, 2, 1 } };
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 5; ++c)
            EXPECT_EQ(patterned.tileAt(1 + c, 1 + r), expected[r][c]) << c << "," << r;
    EXPECT_EQ(patterned.tileAt(6, 1), 0);
    EXPECT_TRUE(tileBlock(2, 2, { 1, 2, 3 }).isEmpty());
}

TEST(ScreenRegionTest, RegionBytesComeBackAsTheRegionAndOnlyWellFormedOnesDecode)
{
    const ScreenRegion region { 3, 2, { 1, 2, 3, 4, 5, 6 }, { 0, 1, 2, 3, 0, 1 } };
    const Bytes bytes = encodeRegion(region);
    EXPECT_EQ(bytes, (Bytes { 3, 2, 1, 2, 3, 4, 5, 6, 0, 1, 2, 3, 0, 1 }));
    EXPECT_EQ(decodeRegion(bytes), region);
    const ScreenRegion whole { Screen::columns, Screen::rows, std::vector<uint8_t>(960, 0xFF),
        std::vector<uint8_t>(960, 3) };
    EXPECT_EQ(decodeRegion(encodeRegion(whole)), whole);

    const struct
    {
        Bytes bytes;
        const char *why;
    } refused[] = {
        { {}, "empty" },
        { { 1 }, "no row count" },
        { { 0, 1 }, "no columns" },
        { { 1, 0 }, "no rows" },
        { { 33, 1 }, "wider than a screen" },
        { { 1, 31 }, "taller than a screen" },
        { { 2, 1, 5, 6, 0 }, "a sub-palette short" },
        { { 1, 1, 5, 0, 0 }, "a byte too many" },
        { { 1, 1, 5, 4 }, "sub-palette 4" },
    };
    for (const auto &row : refused)
        EXPECT_FALSE(decodeRegion(row.bytes)) << row.why;
}
