#include "viewer/TileArrangement.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

using namespace mosavo;

namespace {

// The tiles a run of display positions shows.
std::vector<int64_t> shown(TileArrangement arrangement, int64_t firstIndex, int64_t count, int64_t tileCount)
{
    std::vector<int64_t> tiles;
    for (int64_t d = firstIndex; d < firstIndex + count; ++d)
        tiles.push_back(tileNumberAtDisplayIndex(arrangement, d, tileCount));
    return tiles;
}

} // namespace

TEST(TileArrangementTest, DisplayRowsShowTheTilesOfEachArrangement)
{
    using V = std::vector<int64_t>;
    const struct
    {
        TileArrangement arrangement;
        int64_t tileCount;
        int64_t firstIndex; // display index of the first position of the run
        int64_t length;
        V tiles;
        int64_t rows;
    } cases[] = {
        // Row by row: the display index is the tile number.
        { TileArrangement::rows8x8, 512, 0, 4, { 0, 1, 2, 3 }, 32 },
        { TileArrangement::rows8x8, 512, 508, 4, { 508, 509, 510, 511 }, 32 },
        { TileArrangement::rows8x8, 20, 18, 4, { 18, 19, -1, -1 }, 2 },
        { TileArrangement::rows8x8, 16, 15, 2, { 15, -1 }, 1 },
        { TileArrangement::rows8x8, 0, 0, 2, { -1, -1 }, 0 },
        // 8x16 sprites: even tiles on the first row of a pair, the odd tile under each.
        { TileArrangement::sprites8x16, 512, 0, 16, { 0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30 }, 32 },
        { TileArrangement::sprites8x16, 512, 16, 16, { 1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23, 25, 27, 29, 31 },
            32 },
        { TileArrangement::sprites8x16, 512, 32, 3, { 32, 34, 36 }, 32 },
        { TileArrangement::sprites8x16, 512, 48, 3, { 33, 35, 37 }, 32 },
        { TileArrangement::sprites8x16, 512, 510, 2, { 509, 511 }, 32 },
        // 40 tiles: the second pair of rows shows 32-39 and then filler on both rows.
        { TileArrangement::sprites8x16, 40, 32, 6, { 32, 34, 36, 38, -1, -1 }, 4 },
        { TileArrangement::sprites8x16, 40, 48, 6, { 33, 35, 37, 39, -1, -1 }, 4 },
        // An odd count leaves a hole under the last tile.
        { TileArrangement::sprites8x16, 35, 32, 3, { 32, 34, -1 }, 4 },
        { TileArrangement::sprites8x16, 35, 48, 3, { 33, -1, -1 }, 4 },
        { TileArrangement::sprites8x16, 33, 32, 2, { 32, -1 }, 4 },
        { TileArrangement::sprites8x16, 33, 48, 1, { -1 }, 4 },
        { TileArrangement::sprites8x16, 1, 0, 2, { 0, -1 }, 2 },
        { TileArrangement::sprites8x16, 1, 16, 1, { -1 }, 2 },
        { TileArrangement::sprites8x16, 20, 8, 4, { 16, 18, -1, -1 }, 2 },
        { TileArrangement::sprites8x16, 20, 24, 4, { 17, 19, -1, -1 }, 2 },
        { TileArrangement::sprites8x16, 0, 0, 2, { -1, -1 }, 0 },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "arrangement " << int(c.arrangement) << ", " << c.tileCount
                                        << " tiles, from display index " << c.firstIndex);
        EXPECT_EQ(shown(c.arrangement, c.firstIndex, c.length, c.tileCount), c.tiles);
        EXPECT_EQ(displayRowCount(c.arrangement, c.tileCount), c.rows);
    }
    for (TileArrangement arrangement : { TileArrangement::rows8x8, TileArrangement::sprites8x16 }) {
        EXPECT_EQ(tileNumberAtDisplayIndex(arrangement, -1, 512), -1);
        EXPECT_EQ(displayRowCount(arrangement, -5), 0);
    }
}

TEST(TileArrangementTest, TileAndDisplayIndexAreInverseAndTheGridHoldsEveryTile)
{
    for (TileArrangement arrangement : { TileArrangement::rows8x8, TileArrangement::sprites8x16 }) {
        for (int64_t tileCount : { 0, 1, 2, 15, 16, 17, 31, 33, 35, 40, 63, 64, 100, 512, 8191 }) {
            SCOPED_TRACE(testing::Message() << "arrangement " << int(arrangement) << ", " << tileCount << " tiles");
            const int64_t positions = displayRowCount(arrangement, tileCount) * displayColumns;
            std::set<int64_t> tilesShown;
            for (int64_t d = 0; d < positions; ++d) {
                const int64_t tile = tileNumberAtDisplayIndex(arrangement, d, tileCount);
                if (tile < 0)
                    continue;
                ASSERT_LT(tile, tileCount);
                ASSERT_EQ(displayIndexOfTile(arrangement, tile, tileCount), d);
                ASSERT_EQ(displayRowOfTile(arrangement, tile), d / displayColumns);
                ASSERT_EQ(displayColumnOfTile(arrangement, tile), d % displayColumns);
                tilesShown.insert(tile);
            }
            // Each tile once, none left out; the last row (pair of rows) starts with a tile, so no row is all filler.
            EXPECT_EQ(int64_t(tilesShown.size()), tileCount);
            const int64_t rowsPerBand = arrangement == TileArrangement::sprites8x16 ? 2 : 1;
            if (tileCount > 0) {
                EXPECT_GE(
                    tileNumberAtDisplayIndex(arrangement, positions - rowsPerBand * displayColumns, tileCount), 0);
            }
            EXPECT_EQ(displayIndexOfTile(arrangement, tileCount, tileCount), -1);
            EXPECT_EQ(displayIndexOfTile(arrangement, -1, tileCount), -1);
        }
    }
    // Tiles 2k and 2k + 1 stand one above the other.
    for (int64_t k = 0; k < 256; ++k) {
        EXPECT_EQ(displayIndexOfTile(TileArrangement::sprites8x16, 2 * k + 1, 512)
                - displayIndexOfTile(TileArrangement::sprites8x16, 2 * k, 512),
            displayColumns);
    }
    EXPECT_EQ(displayRowOfTile(TileArrangement::sprites8x16, -3), -1);
    EXPECT_EQ(displayColumnOfTile(TileArrangement::rows8x8, -3), -1);
}
