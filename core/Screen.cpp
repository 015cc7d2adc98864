#include "core/Screen.h"

#include <algorithm>
#include <bitset>

namespace mosavo {

int attributeByteIndex(int column, int row)
{
    return 8 * (row / 4) + column / 4;
}

int attributeShift(int column, int row)
{
    return ((row % 4) / 2) * 4 + ((column % 4) / 2) * 2;
}

int Screen::subPaletteAt(int column, int row) const
{
    return (attributes[size_t(attributeByteIndex(column, row))] >> attributeShift(column, row)) & 3;
}

void Screen::setSubPalette(int column, int row, int subPalette)
{
    uint8_t &byte = attributes[size_t(attributeByteIndex(column, row))];
    const int shift = attributeShift(column, row);
    byte = uint8_t((byte & ~(3 << shift)) | ((subPalette & 3) << shift));
}

Bytes Screen::nametableBytes() const
{
    Bytes bytes(tiles.begin(), tiles.end());
    bytes.insert(bytes.end(), attributes.begin(), attributes.end());
    return bytes;
}

int Screen::distinctTiles() const
{
    std::bitset<256> used;
    for (uint8_t tile : tiles)
        used.set(tile);
    return int(used.count());
}

std::bitset<256> tilesUsedByScreens(const std::vector<Screen> &screens, int table)
{
    std::bitset<256> used;
    for (const Screen &screen : screens)
        if (screen.patternTable == (table & 1))
            for (uint8_t tile : screen.tiles)
                used.set(tile);
    return used;
}

std::optional<Screen> screenFromNametable(const Bytes &bytes, std::string *whyNot)
{
    if (bytes.size() != size_t(Screen::nametableSize) && bytes.size() != size_t(Screen::tileCount)) {
        if (whyNot)
            *whyNot = "a nametable is 1024 bytes (or 960 without attributes), not " + std::to_string(bytes.size());
        return std::nullopt;
    }
    Screen screen;
    std::copy_n(bytes.begin(), Screen::tileCount, screen.tiles.begin());
    if (bytes.size() == size_t(Screen::nametableSize))
        std::copy_n(bytes.begin() + Screen::tileCount, Screen::attributeCount, screen.attributes.begin());
    return screen;
}

} // namespace mosavo
