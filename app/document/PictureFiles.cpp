#include "app/document/PictureFiles.h"

#include "formats/PictureCodec.h"
#include "formats/TileSheetChr.h"

#include <cstring>

namespace kestova {

using namespace mosavo;

std::optional<FileError> writeTileSheetPng(
    const QString &path, const TileList &tiles, const TileColors &colors, TileSheetLayout layout)
{
    auto png = tileSheetPng(tiles, colors, layout);
    if (const auto *reason = std::get_if<QString>(&png))
        return FileError { path, *reason };
    return writeFileAtomically(path, std::get<Bytes>(png));
}

std::optional<FileError> writePngFile(const QString &path, const QImage &image)
{
    // Made in memory first, then written as bytes: a file that cannot take them all (a full disk) then says why, where
    // the PNG library would only say that a write failed.
    auto png = encodePng(image);
    if (const auto *reason = std::get_if<QString>(&png))
        return FileError { path, *reason };
    return writeFileAtomically(path, std::get<Bytes>(png));
}

std::variant<SheetTiles, FileError> readTilesFromPng(const QString &path, TileSheetOrder order,
    const std::optional<NamedTileColors> &subPalette, const std::optional<Dithering> &lossy)
{
    const ReadResult read = readWholeFile(path);
    if (read.error)
        return *read.error;
    auto tiles = tilesFromPng(read.bytes, order, subPalette, lossy);
    if (auto *reason = std::get_if<QString>(&tiles))
        return FileError { path, *reason };
    return std::move(std::get<SheetTiles>(tiles));
}

std::variant<SheetChr, FileError> readChrFromPng(const QString &path, TileSheetOrder order,
    const std::optional<NamedTileColors> &subPalette, const std::optional<Dithering> &lossy)
{
    ReadResult read = readWholeFile(path);
    if (read.error)
        return *read.error;
    auto chr = chrFromPng(read.bytes, order, subPalette, lossy);
    if (auto *reason = std::get_if<QString>(&chr))
        return FileError { path, *reason };
    return std::move(std::get<SheetChr>(chr));
}

std::vector<uint8_t> rgbaPixels(const QImage &image)
{
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    const size_t rowBytes = size_t(rgba.width()) * 4;
    std::vector<uint8_t> pixels(rowBytes * size_t(rgba.height()));
    for (int y = 0; y < rgba.height(); ++y)
        std::memcpy(pixels.data() + size_t(y) * rowBytes, rgba.constScanLine(y), rowBytes);
    return pixels;
}

} // namespace kestova
