#pragma once

#include "core/Bytes.h"
#include "core/TileData.h"

#include <array>
#include <cstdint>
#include <span>

namespace mosavo {

// The 512 tiles of one 8 KiB CHR bank, the PPU's two pattern tables ($0000 and $1000), as colour indices 0-3.
struct PatternTables
{
    static constexpr int tileCount = 512;
    static constexpr int tilesPerTable = 256;
    static constexpr size_t bankSize = 8192;

    std::array<uint8_t, tileCount * 64> pixels {};

    // Pixel (x, y) of tile 0-511 (256 and on: pattern table 1).
    uint8_t pixel(int tile, int x, int y) const { return pixels[size_t(tile * 64 + y * 8 + x)]; }

    // Tile index 0-511 from a tile matrix (cells above 3 count as 3, as the codec writes them).
    void setTile(int index, const Matrix &tile);

    // Tiles from NES bytes (16 a tile), from the start of chr; tiles the bytes do not reach stay blank.
    static PatternTables fromChr(std::span<const uint8_t> chr);
    // Tiles firstTile .. firstTile + 511 of a tile collection; tiles beyond its end stay blank.
    static PatternTables fromTiles(const TileData &tiles, int64_t firstTile);
};

} // namespace mosavo
