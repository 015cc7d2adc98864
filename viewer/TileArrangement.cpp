#include "viewer/TileArrangement.h"

namespace mosavo {

namespace {

// Without a count: the tile at any display index >= 0 (the mapping is a bijection of the non-negative integers).
int64_t tileAt(TileArrangement arrangement, int64_t displayIndex)
{
    if (arrangement == TileArrangement::rows8x8)
        return displayIndex;
    const int64_t row = displayIndex / displayColumns;
    const int64_t column = displayIndex % displayColumns;
    return (row / 2) * 2 * displayColumns + 2 * column + row % 2;
}

} // namespace

int64_t tileNumberAtDisplayIndex(TileArrangement arrangement, int64_t displayIndex, int64_t tileCount)
{
    if (displayIndex < 0)
        return -1;
    const int64_t tile = tileAt(arrangement, displayIndex);
    return tile < tileCount ? tile : -1;
}

int64_t displayIndexOfTile(TileArrangement arrangement, int64_t tileNumber, int64_t tileCount)
{
    if (tileNumber < 0 || tileNumber >= tileCount)
        return -1;
    return displayRowOfTile(arrangement, tileNumber) * displayColumns + displayColumnOfTile(arrangement, tileNumber);
}

int64_t displayRowOfTile(TileArrangement arrangement, int64_t tileNumber)
{
    if (tileNumber < 0)
        return -1;
    if (arrangement == TileArrangement::rows8x8)
        return tileNumber / displayColumns;
    return (tileNumber / (2 * displayColumns)) * 2 + tileNumber % 2;
}

int64_t displayColumnOfTile(TileArrangement arrangement, int64_t tileNumber)
{
    if (tileNumber < 0)
        return -1;
    if (arrangement == TileArrangement::rows8x8)
        return tileNumber % displayColumns;
    return (tileNumber % (2 * displayColumns)) / 2;
}

int64_t displayRowCount(TileArrangement arrangement, int64_t tileCount)
{
    if (tileCount <= 0)
        return 0;
    if (arrangement == TileArrangement::rows8x8)
        return (tileCount + displayColumns - 1) / displayColumns;
    return 2 * ((tileCount + 2 * displayColumns - 1) / (2 * displayColumns));
}

} // namespace mosavo
