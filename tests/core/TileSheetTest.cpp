#include "core/TileSheet.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

using namespace mosavo;

TEST(TileSheet, CellsOfBothOrders)
{
    struct Case
    {
        TileSheetOrder order;
        int64_t columns;
        int64_t tile;
        TileSheetCell cell;
    };
    const Case cases[] = {
        { TileSheetOrder::rows8x8, 16, 0, { 0, 0 } },
        { TileSheetOrder::rows8x8, 16, 15, { 0, 15 } },
        { TileSheetOrder::rows8x8, 16, 16, { 1, 0 } },
        { TileSheetOrder::rows8x8, 3, 7, { 2, 1 } },
        // 8x16: tile 2k on top of tile 2k + 1, sprites left to right.
        { TileSheetOrder::sprites8x16, 16, 0, { 0, 0 } },
        { TileSheetOrder::sprites8x16, 16, 1, { 1, 0 } },
        { TileSheetOrder::sprites8x16, 16, 2, { 0, 1 } },
        { TileSheetOrder::sprites8x16, 16, 31, { 1, 15 } },
        { TileSheetOrder::sprites8x16, 16, 32, { 2, 0 } },
        { TileSheetOrder::sprites8x16, 16, 35, { 3, 1 } },
        { TileSheetOrder::sprites8x16, 1, 5, { 5, 0 } },
        { TileSheetOrder::sprites8x16, 3, 7, { 3, 0 } },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(
            testing::Message() << "order " << int(c.order) << ", columns " << c.columns << ", tile " << c.tile);
        EXPECT_EQ(tileSheetCell(c.order, c.columns, c.tile), c.cell);
    }
}

TEST(TileSheet, RowsCoverEveryTileAndEachCellHoldsOne)
{
    for (TileSheetOrder order : { TileSheetOrder::rows8x8, TileSheetOrder::sprites8x16 })
        for (int64_t columns : { 1, 3, 16 })
            for (int64_t count : { 0, 1, 2, 15, 16, 17, 33, 166 }) {
                SCOPED_TRACE(testing::Message() << int(order) << " " << columns << " " << count);
                const int64_t rows = tileSheetRows(order, columns, count);
                std::set<std::pair<int64_t, int64_t>> used;
                for (int64_t n = 0; n < count; ++n) {
                    const TileSheetCell cell = tileSheetCell(order, columns, n);
                    EXPECT_LT(cell.row, rows);
                    EXPECT_LT(cell.column, columns);
                    EXPECT_TRUE(used.insert({ cell.row, cell.column }).second) << "tile " << n;
                }
                if (order == TileSheetOrder::sprites8x16) {
                    EXPECT_EQ(rows % 2, 0);
                }
            }
    EXPECT_EQ(tileSheetRows(TileSheetOrder::rows8x8, 16, 166), 11);
    EXPECT_EQ(tileSheetRows(TileSheetOrder::sprites8x16, 16, 166), 12);
    EXPECT_EQ(tileSheetRows(TileSheetOrder::sprites8x16, 16, 32), 2);
}
