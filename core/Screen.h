#pragma once

#include "core/Bytes.h"

#include <array>
#include <cstdint>
#include <optional>
#include <bitset>
#include <string>
#include <vector>

namespace mosavo {

// One NES screen: a nametable of 32 x 30 tile numbers into one 256-tile pattern table, and the 64-byte attribute
// table that gives every 16 x 16 pixel area one of the four background sub-palettes.
struct Screen
{
    static constexpr int columns = 32;
    static constexpr int rows = 30;
    static constexpr int tileCount = columns * rows; // 960
    static constexpr int attributeCount = 64;
    static constexpr int nametableSize = tileCount + attributeCount; // 1024: a .nam file

    std::string name;
    int patternTable = 0; // 0: tiles 0-255 of the 8 KiB bank, 1: tiles 256-511
    std::array<uint8_t, tileCount> tiles {};
    std::array<uint8_t, attributeCount> attributes {};

    uint8_t tileAt(int column, int row) const { return tiles[size_t(row * columns + column)]; }
    void setTile(int column, int row, uint8_t tile) { tiles[size_t(row * columns + column)] = tile; }

    // The background sub-palette (0-3) of the 2 x 2 tile area holding tile (column, row).
    int subPaletteAt(int column, int row) const;
    void setSubPalette(int column, int row, int subPalette);

    // The 1024 bytes of a .nam file: the 960 tile numbers, then the 64 attribute bytes.
    Bytes nametableBytes() const;

    // The number of different tile numbers the nametable uses.
    int distinctTiles() const;

    bool operator==(const Screen &) const = default;
};

// Attribute byte 8 * (row / 4) + column / 4 covers the 4 x 4 tiles from its corner; within it bits 0-1 hold the
// top-left 2 x 2 tiles' sub-palette, 2-3 the top-right, 4-5 the bottom-left, 6-7 the bottom-right.
int attributeByteIndex(int column, int row);
int attributeShift(int column, int row);

// The tile numbers (0-255) that the screens reading from pattern table `table` use.
std::bitset<256> tilesUsedByScreens(const std::vector<Screen> &screens, int table);

// A screen from the bytes of a .nam file: 1024 bytes (tiles then attributes), or 960 bytes (tiles only, attributes
// 0). Nothing for any other size, with the reason in whyNot.
std::optional<Screen> screenFromNametable(const Bytes &bytes, std::string *whyNot = nullptr);

} // namespace mosavo
