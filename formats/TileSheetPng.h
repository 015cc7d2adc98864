#pragma once

#include "convert/Dithering.h"
#include "convert/PerceptualError.h"

#include "core/Bytes.h"
#include "core/Matrix.h"
#include "core/TileList.h"
#include "core/TileSheet.h"

#include <QImage>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <variant>
#include <vector>

namespace mosavo {

// Tiles to and from PNG tile sheets, for the command line and the window alike.

// The colours (0xRRGGBB) of colour index 0-3.
using TileColors = std::array<uint32_t, 4>;

// The viewer's grey palette: colour numbers 0x30, 0x10, 0x00, 0x0F (colour 0 lightest).
TileColors viewerGreyColors();
// The plain greys of a four-level picture, colour 0 darkest.
inline constexpr TileColors plainGreyColors = { 0x000000, 0x555555, 0xAAAAAA, 0xFFFFFF };

inline constexpr int defaultSheetColumns = 16;
// The most tiles one sheet holds either way (4 MiB of tile data).
inline constexpr int64_t maximumSheetTiles = 262144;
// The tallest picture the PNG writer accepts (libpng's limit for a side).
inline constexpr int64_t maximumSheetHeight = 1000000;

// The tallest picture that common image programs read; a taller sheet is laid out wider.
inline constexpr int64_t readableSheetHeight = 16384;

struct TileSheetLayout
{
    int64_t columns = defaultSheetColumns;
    TileSheetOrder order = TileSheetOrder::rows8x8;
};

// The height in pixels of a sheet of count tiles in that layout.
int64_t tileSheetHeight(TileSheetLayout layout, int64_t count);
// The fewest columns, from layout.columns up in steps of defaultSheetColumns, whose sheet of count tiles is at most
// readableSheetHeight tall (layout.columns when it already is; at most readableSheetHeight / 8 columns).
int64_t readableSheetColumns(TileSheetLayout layout, int64_t count);

// The picture of tiles, one image pixel per tile pixel: an indexed image whose colour table is the four colours;
// cells past the last tile are colour 0. The reason when it cannot be made (too tall).
std::variant<QImage, QString> tileSheetImage(const TileList &tiles, const TileColors &colors, TileSheetLayout layout);

// Colours an RGB picture may use besides the greys: a sub-palette, with a name for messages ("sub-palette 2").
struct NamedTileColors
{
    TileColors colors;
    QString name;
};

// The tiles of a PNG tile sheet, in tile-number order, with the sheet's size in 8x8 cells.
struct SheetTiles
{
    std::vector<MatrixPtr> tiles;
    int64_t columns = 0;
    int64_t rows = 0;
    // How the colours were read, for messages: "the colours of the greys", "the nearest colours of sub-palette 2:
    // #FE0000 as #F83800 (colour 1), ...".
    QString colorMapping;
    // For a lossy reading: how near the tiles come to the picture.
    std::optional<ConversionQuality> quality;
};

// The most tiles a lossy reading converts (a million pixels).
inline constexpr int64_t maximumLossySheetTiles = 16384;

// The colour index 0-3 of every pixel of a picture, row after row, and how the colours were read.
struct PictureIndices
{
    std::vector<uint8_t> values;
    int width = 0;
    int height = 0;
    QString colorMapping;
};

// The colour indices of a picture of any size, by the rules of tilesFromPng.
std::variant<PictureIndices, QString> pictureColorIndices(
    const QImage &image, const std::optional<NamedTileColors> &subPalette);

// Why a tile sheet picture of that size cannot be read in that order (not whole cells, more tiles than a sheet holds,
// or than a lossy reading converts), or nothing.
std::optional<QString> tileSheetSizeRefusal(TileSheetOrder order, const std::optional<Dithering> &lossy, QSize size);

// How the pixels of an indexed picture read, by the rules of pictureColorIndices, from its colour table (0xAARRGGBB)
// and the indices its pixels use: the colour index 0-3 of each index, and how the colours were read.
struct IndexedColorReading
{
    std::array<uint8_t, 256> values {};
    QString colorMapping;
};
IndexedColorReading indexedColorReading(const std::vector<uint32_t> &table, const std::array<bool, 256> &used,
    const std::optional<NamedTileColors> &subPalette);

// The colour indices of a tile sheet picture, by the rules of tilesFromPng, with its size in 8x8 cells.
struct SheetIndices
{
    PictureIndices picture;
    int64_t columns = 0;
    int64_t rows = 0;
    std::optional<ConversionQuality> quality;
};
std::variant<SheetIndices, QString> tileSheetIndices(const Bytes &png, TileSheetOrder order,
    const std::optional<NamedTileColors> &subPalette = std::nullopt,
    const std::optional<Dithering> &lossy = std::nullopt);

// Reads the tiles of PNG bytes. An indexed picture gives each pixel the low two bits of its colour index. Any other
// picture maps each colour exactly to the four colours of subPalette (when given), or of the plain greys, or of the
// viewer's greys, whichever set holds every colour; fully transparent pixels are colour 0. Failing that, with a
// subPalette, each colour goes to the colour of subPalette nearest to it when no two colours share one (pixels with
// alpha below 128 count as its colour 0; nearestColorMapping). Width and height must be multiples of 8 (the height of
// 16 for 8x16 sprites). The reason when the bytes are not such a picture: for colours, the first pixel that maps to no
// set and its colour, and why the nearest colours do not serve (a fifth colour, or two colours nearest to one).
// With lossy dithering, any picture (indexed or not) is instead brought to the four colours of subPalette (or of the
// viewer's greys), at most maximumLossySheetTiles tiles; its quality is then given.
std::variant<SheetTiles, QString> tilesFromPng(const Bytes &png, TileSheetOrder order,
    const std::optional<NamedTileColors> &subPalette = std::nullopt,
    const std::optional<Dithering> &lossy = std::nullopt);

// Whether a tile is all colour 0.
bool isBlankTile(const Matrix &tile);

} // namespace mosavo
