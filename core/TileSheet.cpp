#include "core/TileSheet.h"

namespace mosavo {

TileSheetCell tileSheetCell(TileSheetOrder order, int64_t columns, int64_t tileNumber)
{
    if (order == TileSheetOrder::rows8x8)
        return { tileNumber / columns, tileNumber % columns };
    const int64_t sprite = tileNumber / 2;
    return { (sprite / columns) * 2 + tileNumber % 2, sprite % columns };
}

int64_t tileSheetRows(TileSheetOrder order, int64_t columns, int64_t tileCount)
{
    if (tileCount <= 0)
        return 0;
    if (order == TileSheetOrder::rows8x8)
        return (tileCount + columns - 1) / columns;
    const int64_t sprites = (tileCount + 1) / 2;
    return (sprites + columns - 1) / columns * 2;
}

} // namespace mosavo
