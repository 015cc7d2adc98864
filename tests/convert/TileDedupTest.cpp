#include "convert/TileDedup.h"

#include <gtest/gtest.h>

using namespace mosavo;

namespace {

// Tile `tile` (0-511) filled with colour index `value`, with one pixel of 3 at `mark` when mark >= 0.
void paint(PatternTables &patterns, int tile, uint8_t value, int mark = -1)
{
    for (int i = 0; i < 64; ++i)
        patterns.pixels[size_t(tile * 64 + i)] = value;
    if (mark >= 0)
        patterns.pixels[size_t(tile * 64 + mark)] = 3;
}

} // namespace

TEST(TileDedupTest, MergesIdenticalTilesIntoTheFirstAndRenumbersTheScreens)
{
    PatternTables patterns;
    // Table 0: tiles 1, 4 and 7 are identical; 2 differs from them in one pixel; 0, 3, 5, 6 and 8 on are blank.
    paint(patterns, 1, 1);
    paint(patterns, 4, 1);
    paint(patterns, 7, 1);
    paint(patterns, 2, 1, 63);
    // Table 1 has the same pixels as table 0's tile 4 at its tile 4: another table, not merged.
    paint(patterns, 256 + 9, 2);
    paint(patterns, 256 + 10, 2);

    Screen first;
    first.setTile(0, 0, 4);
    first.setTile(1, 0, 7);
    first.setTile(2, 0, 2);
    first.setTile(3, 0, 5); // blank: becomes tile 0
    Screen second;
    second.setTile(5, 5, 7);
    Screen otherTable;
    otherTable.patternTable = 1;
    otherTable.setTile(0, 0, 10);

    const TileDedup result = removeDuplicateTiles(patterns, 0, { first, second, otherTable });
    EXPECT_EQ(result.replacement[4], 1);
    EXPECT_EQ(result.replacement[7], 1);
    EXPECT_EQ(result.replacement[1], 1);
    EXPECT_EQ(result.replacement[2], 2);
    EXPECT_EQ(result.replacement[5], 0);
    EXPECT_EQ(result.replacement[255], 0);
    ASSERT_EQ(result.screens.size(), 3u);
    EXPECT_EQ(result.screens[0].tileAt(0, 0), 1);
    EXPECT_EQ(result.screens[0].tileAt(1, 0), 1);
    EXPECT_EQ(result.screens[0].tileAt(2, 0), 2);
    EXPECT_EQ(result.screens[0].tileAt(3, 0), 0);
    EXPECT_EQ(result.screens[1].tileAt(5, 5), 1);
    // The other table's screen is untouched, although its tiles 9 and 10 are identical.
    EXPECT_EQ(result.screens[2], otherTable);
    // Used before: 0, 2, 4, 5, 7; after: 0, 1, 2.
    EXPECT_EQ(result.freedTiles, (std::vector<int> { 4, 5, 7 }));
    EXPECT_EQ(result.tilesUsedBefore, 5);
    EXPECT_EQ(result.tilesUsedAfter, 3);
    // Attributes and names stay.
    EXPECT_EQ(result.screens[0].attributes, first.attributes);
}

TEST(TileDedupTest, DistinctTilesAndTheSecondTableAreKept)
{
    PatternTables patterns;
    // Every tile of table 1 differs: one pixel of colour index 1 + tile / 64 at position tile % 64.
    for (int tile = 0; tile < 256; ++tile)
        patterns.pixels[size_t((256 + tile) * 64 + tile % 64)] = uint8_t(1 + tile / 64);
    Screen screen;
    screen.patternTable = 1;
    for (int i = 0; i < Screen::tileCount; ++i)
        screen.tiles[size_t(i)] = uint8_t(i % 256);
    const TileDedup result = removeDuplicateTiles(patterns, 1, { screen });
    EXPECT_EQ(result.screens[0], screen);
    EXPECT_TRUE(result.freedTiles.empty());
    EXPECT_EQ(result.tilesUsedAfter, 256);
}
