#pragma once

#include "app/cli/CliScreensTestSupport.h"

#include <QImage>

#include <random>

// Shared by the level tests: a level picture of known blocks, and the program's files read back.
namespace level_test {

using mosavo::Bytes;

// Three sub-palettes' colours (the universal background colour $0F first) and the master table's RGB of them.
inline constexpr std::array<std::array<int, 4>, 3> levelPalettes
    = { { { 0x0F, 0x06, 0x16, 0x26 }, { 0x0F, 0x01, 0x11, 0x21 }, { 0x0F, 0x0A, 0x1A, 0x2A } } };

// A picture of roomsWide x roomsHigh rooms whose 16 x 16 blocks repeat `kinds` patterns (kind 0 the blank block of
// colour $0F), each kind in one of the three sub-palettes: the kind of block (column, row) is kindOf(column, row).
inline int kindOf(int column, int row, int kinds)
{
    return (column * 5 + row * 3) % kinds;
}

inline QImage levelPicture(int roomsWide, int roomsHigh, int kinds)
{
    QImage image(roomsWide * 256, roomsHigh * 240, QImage::Format_RGB32);
    for (int row = 0; row < roomsHigh * 15; ++row)
        for (int column = 0; column < roomsWide * 16; ++column) {
            const int kind = kindOf(column, row, kinds);
            std::mt19937 random(static_cast<unsigned>(kind));
            const auto &palette = levelPalettes[size_t(kind % 3)];
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                    image.setPixel(column * 16 + x, row * 16 + y,
                        cli_screens_test::master(kind == 0 ? 0x0F : palette[random() % 4]));
        }
    return image;
}

// Colour index (0-3) of pixel (x, y) of tile `tile` of NES CHR bytes, decoded here on its own.
inline int chrPixel(const Bytes &chr, int tile, int x, int y)
{
    const uint8_t low = chr.at(size_t(tile * 16 + y));
    const uint8_t high = chr.at(size_t(tile * 16 + 8 + y));
    return ((low >> (7 - x)) & 1) | (((high >> (7 - x)) & 1) << 1);
}

} // namespace level_test
