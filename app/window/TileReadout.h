#pragma once

#include "core/INesHeader.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace kestova {

// Where the bytes of a tile sit in the file its tiles came from: an iNES ROM (the tiles are every byte after the
// 16-byte header, trainer and PRG-ROM included) or bare CHR data (no header).
struct TilePlace
{
    enum class Region {
        // Bare CHR data.
        chrData,
        // The 512-byte trainer between the header and PRG-ROM.
        trainer,
        prgRom,
        chrRom,
        // Past the sizes the header gives (a longer file, or a CHR-RAM board's file with bytes after PRG-ROM).
        pastHeaderSizes,
    };
    uint64_t fileOffset = 0;
    Region region = Region::chrData;
    // Within CHR-ROM or bare CHR data: the 8 KiB CHR bank and the 4 KiB pattern table (counted from the start of
    // CHR, so 4 KiB bank 2k and 2k + 1 are the pattern tables $0000 and $1000 of 8 KiB bank k).
    uint64_t chrBank = 0;
    uint64_t patternTable = 0;
    // Within CHR: the tile's number in its pattern table, $00-$FF (what a game writes into nametables and OAM), and the
    // 1 KiB and 2 KiB banks mappers such as MMC3 switch (counted from the start of CHR, as the 4 and 8 KiB ones).
    uint64_t tableTile = 0;
    uint64_t bank1KiB = 0;
    uint64_t bank2KiB = 0;
    // Within PRG-ROM: the 16 KiB PRG bank.
    uint64_t prgBank = 0;
};

// The place of tile number tile >= 0, for a ROM with that header or for bare CHR data without one.
// byteShift: tile 0 starts that many bytes past the header (or the start of CHR data); see View > Byte Offset.
TilePlace tilePlace(const std::optional<mosavo::INesHeader> &header, int64_t tile, uint64_t byteShift = 0);

// The pixel under the pointer in the editor: its position within the tile and its colour index.
struct PixelReadout
{
    int64_t x = 0;
    int64_t y = 0;
    int64_t colorIndex = 0;
};

// The status-bar line for the tile under the pointer, e.g. "Tile $1A0 (416), $A0 in its pattern table · offset $1A10
// (6672) · CHR bank 0 · pattern table $1000 (4 KiB bank 1) · pixel (3, 5) colour 2". When CHR is larger than one
// 8 KiB bank, the 2 KiB and 1 KiB banks follow the pattern table. A tile outside 0 ... tileCount - 1 says so.
QString tileReadout(const std::optional<mosavo::INesHeader> &header, int64_t tileCount, int64_t tile,
    const std::optional<PixelReadout> &pixel = std::nullopt, uint64_t byteShift = 0);

// "$1A0 (416)": a number in hex and in decimal.
QString hexAndDecimal(uint64_t value);

} // namespace kestova
