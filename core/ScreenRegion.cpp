#include "core/ScreenRegion.h"

#include <algorithm>

namespace mosavo {

CellRect CellRect::spanning(int column1, int row1, int column2, int row2)
{
    const int left = std::min(column1, column2);
    const int top = std::min(row1, row2);
    return CellRect { left, top, std::max(column1, column2) - left + 1, std::max(row1, row2) - top + 1 }.clipped();
}

CellRect CellRect::clipped() const
{
    const int left = std::max(column, 0);
    const int top = std::max(row, 0);
    const int right = std::min(column + columns, Screen::columns);
    const int bottom = std::min(row + rows, Screen::rows);
    if (right <= left || bottom <= top)
        return {};
    return { left, top, right - left, bottom - top };
}

Bytes encodeRegion(const ScreenRegion &region)
{
    Bytes bytes { uint8_t(region.columns), uint8_t(region.rows) };
    bytes.insert(bytes.end(), region.tiles.begin(), region.tiles.end());
    bytes.insert(bytes.end(), region.subPalettes.begin(), region.subPalettes.end());
    return bytes;
}

std::optional<ScreenRegion> decodeRegion(const Bytes &bytes)
{
    if (bytes.size() < 2)
        return std::nullopt;
    ScreenRegion region;
    region.columns = bytes[0];
    region.rows = bytes[1];
    const size_t cells = size_t(region.columns) * size_t(region.rows);
    if (region.columns < 1 || region.columns > Screen::columns || region.rows < 1 || region.rows > Screen::rows
        || bytes.size() != 2 + 2 * cells)
        return std::nullopt;
    region.tiles.assign(bytes.begin() + 2, bytes.begin() + 2 + std::ptrdiff_t(cells));
    region.subPalettes.assign(bytes.begin() + 2 + std::ptrdiff_t(cells), bytes.end());
    if (std::any_of(region.subPalettes.begin(), region.subPalettes.end(), [](uint8_t p) { return p > 3; }))
        return std::nullopt;
    return region;
}

ScreenRegion copyRegion(const Screen &screen, const CellRect &rect)
{
    const CellRect cut = rect.clipped();
    ScreenRegion region;
    region.columns = cut.columns;
    region.rows = cut.rows;
    for (int r = cut.row; r < cut.row + cut.rows; ++r)
        for (int c = cut.column; c < cut.column + cut.columns; ++c) {
            region.tiles.push_back(screen.tileAt(c, r));
            region.subPalettes.push_back(uint8_t(screen.subPaletteAt(c, r)));
        }
    return region;
}

void pasteRegion(Screen &screen, const ScreenRegion &region, int column, int row, bool withSubPalettes)
{
    if (region.tiles.size() != size_t(std::max(region.columns, 0) * std::max(region.rows, 0)))
        return;
    const bool subPalettes = withSubPalettes && region.subPalettes.size() == region.tiles.size();
    for (int r = 0; r < region.rows; ++r)
        for (int c = 0; c < region.columns; ++c) {
            const int x = column + c;
            const int y = row + r;
            if (x < 0 || y < 0 || x >= Screen::columns || y >= Screen::rows)
                continue;
            const size_t at = size_t(r * region.columns + c);
            screen.setTile(x, y, region.tiles[at]);
            if (subPalettes)
                screen.setSubPalette(x, y, region.subPalettes[at]);
        }
}

void fillTiles(Screen &screen, const CellRect &rect, uint8_t tile)
{
    const CellRect cut = rect.clipped();
    for (int r = cut.row; r < cut.row + cut.rows; ++r)
        for (int c = cut.column; c < cut.column + cut.columns; ++c)
            screen.setTile(c, r, tile);
}

void fillWithPattern(Screen &screen, const CellRect &rect, const ScreenRegion &pattern)
{
    if (pattern.isEmpty() || pattern.tiles.size() != size_t(pattern.columns * pattern.rows))
        return;
    const CellRect cut = rect.clipped();
    for (int r = cut.row; r < cut.row + cut.rows; ++r)
        for (int c = cut.column; c < cut.column + cut.columns; ++c) {
            const int pc = (c - cut.column) % pattern.columns;
            const int pr = (r - cut.row) % pattern.rows;
            screen.setTile(c, r, pattern.tiles[size_t(pr * pattern.columns + pc)]);
        }
}

ScreenRegion tileBlock(int columns, int rows, const std::vector<uint8_t> &tiles)
{
    ScreenRegion region;
    if (columns <= 0 || rows <= 0 || tiles.size() != size_t(columns * rows))
        return region;
    region.columns = columns;
    region.rows = rows;
    region.tiles = tiles;
    region.subPalettes.assign(tiles.size(), 0);
    return region;
}

} // namespace mosavo
