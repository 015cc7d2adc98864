#include "formats/PictureCodec.h"
#include "formats/TileSheetPng.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

using namespace mosavo;

namespace {

QGuiApplication &application()
{
    static int argc = 1;
    static char name[] = "test_formats";
    static char *argv[] = { name, nullptr };
    static QGuiApplication app(argc, argv);
    return app;
}

Bytes png(const QImage &image)
{
    auto encoded = encodePng(image);
    EXPECT_TRUE(std::holds_alternative<Bytes>(encoded));
    return std::holds_alternative<Bytes>(encoded) ? std::get<Bytes>(encoded) : Bytes {};
}

SheetTiles read(const Bytes &bytes, const std::optional<NamedTileColors> &subPalette = std::nullopt)
{
    auto got = tilesFromPng(bytes, TileSheetOrder::rows8x8, subPalette);
    if (const auto *reason = std::get_if<QString>(&got)) {
        ADD_FAILURE() << reason->toStdString();
        return {};
    }
    return std::get<SheetTiles>(got);
}

// The colour indices of every pixel of a tile, row after row.
std::vector<int64_t> values(const SheetTiles &sheet, size_t tile = 0)
{
    if (tile >= sheet.tiles.size())
        return {};
    const auto cells = sheet.tiles[tile]->cells();
    return std::vector<int64_t>(cells.begin(), cells.end());
}

// A tile using all four colours: pixel (x, y) is (x + 2y) mod 4.
MatrixPtr fourColourTile()
{
    auto tile = Matrix::make(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            tile->values[y][size_t(x)] = (x + 2 * y) % 4;
    return tile;
}

QImage exported(const TileList &tiles, const TileColors &colors)
{
    auto image = tileSheetImage(tiles, colors, { 1, TileSheetOrder::rows8x8 });
    EXPECT_TRUE(std::holds_alternative<QImage>(image));
    return std::holds_alternative<QImage>(image) ? std::get<QImage>(image) : QImage();
}


} // namespace

// Kestova's own export reads back as it was written when it was saved meanwhile as an RGB or indexed picture, also
// where its colours fit another set too (black is colour 3 of the viewer's greys and colour 0 of the plain greys).
TEST(TileSheetPng, ExportsReadBackAfterAnRgbRoundTrip)
{
    application();
    auto dark = Matrix::make(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            dark->values[y][size_t(x)] = 3;
    const TileList tiles(std::vector<MatrixPtr> { dark });
    const QImage sheet = exported(tiles, viewerGreyColors());
    for (const QImage::Format format :
        { QImage::Format_Indexed8, QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_RGB888 }) {
        const SheetTiles back = read(png(format == QImage::Format_Indexed8 ? sheet : sheet.convertToFormat(format)));
        EXPECT_EQ(values(back), std::vector<int64_t>(64, 3)) << "format " << int(format);
    }
    // The plain greys still read without a palette when they are the only set that fits.
    const QImage plain = exported(TileList(std::vector<MatrixPtr> { fourColourTile() }), plainGreyColors);
    EXPECT_EQ(values(read(png(plain.convertToFormat(QImage::Format_RGB32)))), values(SheetTiles { { fourColourTile() }, 1, 1, {} }));
}
