#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace mosavo {

// A 16 x 16 block of a level: 2 x 2 tiles of its set's pattern table, one background sub-palette (0-3) and a
// behaviour byte the game gives its own meaning (collision, say; 0 by default).
struct Metatile
{
    static constexpr int topLeft = 0;
    static constexpr int topRight = 1;
    static constexpr int bottomLeft = 2;
    static constexpr int bottomRight = 3;

    // Tile numbers (0-255) top-left, top-right, bottom-left, bottom-right.
    std::array<uint8_t, 4> tiles {};
    uint8_t subPalette = 0;
    uint8_t behaviour = 0;

    // Tile (x, y) of the block, x and y 0 or 1.
    uint8_t tileAt(int x, int y) const { return tiles[std::size_t(y * 2 + x)]; }

    bool operator==(const Metatile &) const = default;
};

} // namespace mosavo
