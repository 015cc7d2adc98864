#include "formats/TileSheetPng.h"
#include "formats/PictureCodec.h"

#include <QGuiApplication>
#include <QtEndian>

#include <gtest/gtest.h>

#include <numeric>

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

// The same indexed picture with its colour table in another order (and unused colours added), as picture editors
// rewrite it: every pixel shows the colour it showed before.
QImage reordered(const QImage &indexed, const std::vector<int> &order)
{
    const QList<QRgb> table = indexed.colorTable();
    QList<QRgb> newTable(qsizetype(order.size()), qRgb(0x12, 0x34, 0x56));
    std::vector<int> newIndex(size_t(table.size()));
    for (size_t i = 0; i < order.size(); ++i)
        if (order[i] < table.size()) {
            newTable[qsizetype(i)] = table[order[i]];
            newIndex[size_t(order[i])] = int(i);
        }
    QImage image(indexed.size(), QImage::Format_Indexed8);
    image.setColorTable(newTable);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, uint(newIndex[size_t(indexed.pixelIndex(x, y))]));
    return image;
}

uint32_t crc32(const QByteArray &data)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (const char byte : data) {
        crc ^= uint8_t(byte);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void appendChunk(QByteArray &file, const char *type, const QByteArray &data)
{
    char length[4];
    qToBigEndian(uint32_t(data.size()), length);
    file.append(length, 4);
    const QByteArray body = QByteArray(type, 4) + data;
    file.append(body);
    char crc[4];
    qToBigEndian(crc32(body), crc);
    file.append(crc, 4);
}

// A greyscale PNG written byte by byte, as ImageMagick writes two-colour pictures: bit depth 1, colour type 0, one
// filter byte (none) before each row's packed pixels (1 white, 0 black).
Bytes bilevelPng(const std::vector<std::vector<int>> &rows)
{
    QByteArray file("\x89PNG\r\n\x1A\n", 8);
    QByteArray header(13, '\0');
    qToBigEndian(uint32_t(rows.front().size()), header.data());
    qToBigEndian(uint32_t(rows.size()), header.data() + 4);
    header[8] = 1;
    header[9] = 0;
    appendChunk(file, "IHDR", header);
    QByteArray raw;
    for (const std::vector<int> &row : rows) {
        raw.append('\0');
        QByteArray packed(qsizetype((row.size() + 7) / 8), '\0');
        for (size_t x = 0; x < row.size(); ++x)
            if (row[x])
                packed[qsizetype(x / 8)] = char(uint8_t(packed[qsizetype(x / 8)]) | (0x80u >> (x % 8)));
        raw.append(packed);
    }
    appendChunk(file, "IDAT", qCompress(raw).mid(4));
    appendChunk(file, "IEND", {});
    return Bytes(file.begin(), file.end());
}

} // namespace

// An indexed picture whose colours are a set's reads by colour whatever the order of its colour table; only a picture
// whose colours say nothing reads the low two bits of its indices, and says so.
TEST(TileSheetPng, IndexedPicturesReadByColourWhateverTheirColourTableOrder)
{
    application();
    const MatrixPtr tile = fourColourTile();
    const TileList tiles(std::vector<MatrixPtr> { tile });
    const std::vector<int64_t> original = values(SheetTiles { { tile }, 1, 1, {}, {} });
    const TileColors subPaletteColors = { 0x000000, 0xB53120, 0xEA9E22, 0xFCFCFC };
    const NamedTileColors subPalette { subPaletteColors, QStringLiteral("sub-palette 1") };
    for (const auto &[colors, given] : { std::pair { viewerGreyColors(), std::optional<NamedTileColors>() },
             std::pair { plainGreyColors, std::optional<NamedTileColors>() },
             std::pair { subPaletteColors, std::optional<NamedTileColors>(subPalette) } }) {
        const QImage sheet = exported(tiles, colors);
        for (const std::vector<int> &order : { std::vector<int> { 0, 1, 2, 3 }, std::vector<int> { 3, 2, 1, 0 },
                 std::vector<int> { 2, 0, 3, 1 }, std::vector<int> { 9, 1, 3, 9, 0, 2, 9, 9 } }) {
            const SheetTiles back = read(png(reordered(sheet, order)), given);
            EXPECT_EQ(values(back), original) << "table order " << order[0] << order[1] << order[2] << order[3];
            EXPECT_TRUE(back.colorMapping.startsWith(QStringLiteral("the colours of ")))
                << back.colorMapping.toStdString();
        }
    }

    // Colours of no set: the low two bits of the indices, and the mapping says so.
    QImage other(8, 8, QImage::Format_Indexed8);
    other.setColorTable(
        { qRgb(1, 2, 3), qRgb(40, 50, 60), qRgb(70, 80, 90), qRgb(100, 110, 120), qRgb(9, 9, 9), qRgb(8, 8, 8) });
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            other.setPixel(x, y, uint((x + y) % 6));
    const SheetTiles low = read(png(other));
    const std::vector<int64_t> got = values(low);
    ASSERT_EQ(got.size(), 64u);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(got[size_t(y * 8 + x)], ((x + y) % 6) & 3);
    EXPECT_TRUE(low.colorMapping.startsWith(QStringLiteral("the low two bits of its colour indices")))
        << low.colorMapping.toStdString();
    EXPECT_TRUE(low.colorMapping.contains(QStringLiteral("not those of"))) << low.colorMapping.toStdString();
}

// A bilevel greyscale picture reads as the same picture saved as 8-bit grey does: black colour 0, white colour 3.
TEST(TileSheetPng, BilevelPicturesReadAsTheirGreys)
{
    application();
    std::vector<std::vector<int>> rows(8, std::vector<int>(16, 0));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x)
            rows[size_t(y)][size_t(x)] = (x * 3 + y) % 5 < 2 ? 1 : 0;
    const SheetTiles bilevel = read(bilevelPng(rows));
    QImage grey(16, 8, QImage::Format_Grayscale8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x)
            grey.setPixel(x, y, rows[size_t(y)][size_t(x)] ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    const SheetTiles eightBit = read(png(grey));
    ASSERT_EQ(bilevel.tiles.size(), 2u);
    ASSERT_EQ(eightBit.tiles.size(), 2u);
    for (size_t tile = 0; tile < 2; ++tile) {
        EXPECT_EQ(values(bilevel, tile), values(eightBit, tile)) << "tile " << tile;
        const std::vector<int64_t> got = values(bilevel, tile);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                EXPECT_EQ(got[size_t(y * 8 + x)], rows[size_t(y)][size_t(int(tile) * 8 + x)] ? 3 : 0)
                    << "tile " << tile << " pixel " << x << "," << y;
    }
}

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
    EXPECT_EQ(values(read(png(plain.convertToFormat(QImage::Format_RGB32)))),
        values(SheetTiles { { fourColourTile() }, 1, 1, {}, {} }));
}
