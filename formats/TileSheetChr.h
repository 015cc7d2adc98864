#pragma once

#include "formats/TileSheetPng.h"

#include "core/Bytes.h"
#include "core/TileList.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <variant>

namespace mosavo {

// Tile sheets to and from NES tile bytes directly, for large files: no tile objects are made, and no picture of the
// whole sheet is held where the program's own PNG reader and writer serve.

// The tiles of a PNG tile sheet in the NES format (16 bytes a tile, in tile-number order), with the sheet's size in
// 8x8 cells.
struct SheetChr
{
    Bytes chr;
    int64_t columns = 0;
    int64_t rows = 0;
    // As SheetTiles' colorMapping and quality.
    QString colorMapping;
    std::optional<ConversionQuality> quality;

    size_t tileCount() const { return chr.size() / 16; }
};

// The tiles of picture bytes by the rules of tilesFromPng (the same tiles, the same reasons), as NES bytes. A plain
// palette PNG (PalettePngReader) is read row by row.
std::variant<SheetChr, QString> chrFromPng(const Bytes &png, TileSheetOrder order,
    const std::optional<NamedTileColors> &subPalette = std::nullopt,
    const std::optional<Dithering> &lossy = std::nullopt);

// The PNG picture of tiles that tileSheetImage draws (the same pixels and colours), made row by row as a palette PNG
// of two bits a pixel (encodePalettePng2); or why it cannot be made. Tiles never decoded are drawn from their bytes.
std::variant<Bytes, QString> tileSheetPng(const TileList &tiles, const TileColors &colors, TileSheetLayout layout);

// Whether the 16 NES bytes of a tile are all colour 0.
bool isBlankChrTile(const uint8_t *bytes);

} // namespace mosavo
