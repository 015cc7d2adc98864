#pragma once

#include "app/document/FileIO.h"
#include "formats/TileSheetChr.h"
#include "formats/TileSheetPng.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

namespace kestova {

// Picture files: tile sheets and pictures written through a temporary file, tile sheets read from a file.

// Writes a picture as a PNG file through a temporary file: on failure the old file (if any) is left as it was.
std::optional<FileError> writePngFile(const QString &path, const QImage &image);
// The picture of tiles written as PNG to path, through a temporary file (nothing is left behind on failure).
std::optional<FileError> writeTileSheetPng(const QString &path, const mosavo::TileList &tiles,
    const mosavo::TileColors &colors, mosavo::TileSheetLayout layout);

// The tiles of a PNG tile sheet file, by the rules of tilesFromPng.
std::variant<mosavo::SheetTiles, FileError> readTilesFromPng(const QString &path, mosavo::TileSheetOrder order,
    const std::optional<mosavo::NamedTileColors> &subPalette = std::nullopt,
    const std::optional<mosavo::Dithering> &lossy = std::nullopt);

// The same tiles as NES bytes, read without making tile objects (chrFromPng).
std::variant<mosavo::SheetChr, FileError> readChrFromPng(const QString &path, mosavo::TileSheetOrder order,
    const std::optional<mosavo::NamedTileColors> &subPalette = std::nullopt,
    const std::optional<mosavo::Dithering> &lossy = std::nullopt);

// The pixels of an image as 8-bit red, green, blue, alpha (not premultiplied), row after row with no padding: as the
// picture conversions read them.
std::vector<uint8_t> rgbaPixels(const QImage &image);

} // namespace kestova
