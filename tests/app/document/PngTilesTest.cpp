#include "app/document/PictureFiles.h"
#include "core/ConsoleDataFactory.h"
#include "core/NESTileDataCollection.h"
#include "palette/NESColors.h"

#include "app/support/AppTestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>

#include <gtest/gtest.h>

using namespace kestova;
using namespace mosavo;

namespace {

const QString dataDir = QStringLiteral(KESTOVA_TEST_DATA);

Bytes fileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    return Bytes(data.begin(), data.end());
}

Bytes pngBytes(const QImage &image)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    EXPECT_TRUE(writer.write(image)) << writer.errorString().toStdString();
    return Bytes(data.begin(), data.end());
}

// The NES bytes of tiles.
Bytes tileBytes(const std::vector<MatrixPtr> &tiles)
{
    return NESTileDataCollection(tiles).consoleFormattedPixelData().value_or(Bytes {});
}

std::variant<SheetTiles, QString> roundTrip(
    const QImage &image, TileSheetOrder order, const std::optional<NamedTileColors> &colors = std::nullopt)
{
    return tilesFromPng(pngBytes(image), order, colors);
}

QString reasonOf(const std::variant<SheetTiles, QString> &result)
{
    const auto *reason = std::get_if<QString>(&result);
    return reason ? *reason : QStringLiteral("(read without complaint)");
}

// Every tile file of the test data: bare CHR and ROM images.
QStringList tileFiles()
{
    QStringList files;
    for (const char *folder : { "chr", "roms" })
        for (const QString &name : QDir(dataDir + u'/' + QLatin1String(folder)).entryList(QDir::Files, QDir::Name))
            files << dataDir + u'/' + QLatin1String(folder) + u'/' + name;
    return files;
}

QImage sheet(const TileList &tiles, const TileColors &colors, TileSheetOrder order)
{
    auto made = tileSheetImage(tiles, colors, { defaultSheetColumns, order });
    const auto *image = std::get_if<QImage>(&made);
    return image ? *image : QImage();
}

} // namespace

// Export then import gives back every tile byte of every file, as indexed and as RGB pictures, in both orders; the
// padding of the last row comes back as blank tiles.
TEST(PngTiles, EveryTestFileRoundTripsIndexedAndRgbInBothOrders)
{
    app_test::testApplication();
    const TileColors subPalette = { nesRgb(0x0F), nesRgb(0x16), nesRgb(0x27), nesRgb(0x30) };
    const QStringList files = tileFiles();
    ASSERT_GE(files.size(), 20);
    for (const QString &path : files) {
        const TileDataPtr tiles = ConsoleDataFactory::generate(fileBytes(path));
        if (!tiles)
            continue; // a ROM without CHR tiles of its own still has PRG tiles; only nothing at all is skipped
        const Bytes original = tileBytes(tiles->matrices().toVector());
        for (TileSheetOrder order : { TileSheetOrder::rows8x8, TileSheetOrder::sprites8x16 }) {
            const QImage indexed = sheet(tiles->matrices(), subPalette, order);
            ASSERT_FALSE(indexed.isNull()) << path.toStdString();
            EXPECT_EQ(indexed.format(), QImage::Format_Indexed8);
            EXPECT_EQ(indexed.colorCount(), 4);
            EXPECT_EQ(indexed.width(), 128);

            const std::pair<QImage, std::optional<NamedTileColors>> pictures[] = {
                { indexed, std::nullopt },
                { indexed.convertToFormat(QImage::Format_RGB32), NamedTileColors { subPalette, "sub-palette 0" } },
            };
            for (const auto &[picture, colors] : pictures) {
                SCOPED_TRACE(testing::Message()
                    << path.toStdString() << ", order " << int(order) << ", format " << picture.format());
                const auto read = roundTrip(picture, order, colors);
                const auto *got = std::get_if<SheetTiles>(&read);
                ASSERT_NE(got, nullptr) << reasonOf(read).toStdString();
                EXPECT_EQ(got->columns, 16);
                const Bytes back = tileBytes(got->tiles);
                ASSERT_GE(back.size(), original.size());
                EXPECT_TRUE(std::equal(original.begin(), original.end(), back.begin()));
                EXPECT_TRUE(std::all_of(
                    back.begin() + qsizetype(original.size()), back.end(), [](uint8_t b) { return b == 0; }));
            }
        }
    }
}

// RGB pictures in either set of greys read without a palette; the plain greys count from black, the viewer's from
// white.
TEST(PngTiles, GreyPicturesAndTransparentPixels)
{
    app_test::testApplication();
    const TileDataPtr tiles = ConsoleDataFactory::generate(fileBytes(dataDir + "/chr/nesert_sprite.chr"));
    ASSERT_TRUE(tiles);
    const Bytes original = tileBytes(tiles->matrices().toVector());
    for (const TileColors &greys : { plainGreyColors, viewerGreyColors() }) {
        const QImage rgb
            = sheet(tiles->matrices(), greys, TileSheetOrder::rows8x8).convertToFormat(QImage::Format_ARGB32);
        const auto read = roundTrip(rgb, TileSheetOrder::rows8x8);
        ASSERT_TRUE(std::holds_alternative<SheetTiles>(read)) << reasonOf(read).toStdString();
        EXPECT_EQ(tileBytes(std::get<SheetTiles>(read).tiles), original);
    }
    EXPECT_EQ(viewerGreyColors(), (TileColors { 0xECEEEC, 0x989698, 0x545454, 0x000000 }));

    // A fully transparent pixel is colour 0 whatever its colour; a plain grey picture with one.
    QImage picture(8, 8, QImage::Format_ARGB32);
    picture.fill(QColor(0x55, 0x55, 0x55));
    picture.setPixel(3, 2, qRgba(0x12, 0x34, 0x56, 0));
    const auto read = roundTrip(picture, TileSheetOrder::rows8x8);
    ASSERT_TRUE(std::holds_alternative<SheetTiles>(read)) << reasonOf(read).toStdString();
    const MatrixPtr &tile = std::get<SheetTiles>(read).tiles.at(0);
    EXPECT_EQ(tile->values[2][3], 0);
    EXPECT_EQ(tile->values[0][0], 1);
}

// An indexed picture gives each pixel the low two bits of its index, whatever the palette's colours; the real sheets
// of the test data give the CHR-ROM of their games.
TEST(PngTiles, IndexedPicturesUseTheLowTwoBitsOfTheIndex)
{
    app_test::testApplication();
    QImage picture(8, 8, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < 8; ++i)
        table << qRgb(i * 30, 200, 7);
    picture.setColorTable(table);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            picture.setPixel(x, y, uint((x + y) % 8));
    const auto read = roundTrip(picture, TileSheetOrder::rows8x8);
    ASSERT_TRUE(std::holds_alternative<SheetTiles>(read)) << reasonOf(read).toStdString();
    const MatrixPtr &tile = std::get<SheetTiles>(read).tiles.at(0);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(tile->values[y][x], ((x + y) % 8) & 3) << x << "," << y;

    const Bytes vaus = fileBytes(dataDir + "/roms/vaus-test.nes");
    const Bytes dpcm = fileBytes(dataDir + "/roms/dpcmletterbox.nes");
    struct Sheet
    {
        const char *png;
        TileSheetOrder order;
        const Bytes &rom;
        size_t offset;
    };
    const Sheet sheets[] = {
        { "/png/vaus-test_bggfx.png", TileSheetOrder::rows8x8, vaus, 16400 },
        { "/png/vaus-test_spritegfx.png", TileSheetOrder::rows8x8, vaus, 20496 },
        { "/png/dpcmletterbox_ac16.png", TileSheetOrder::sprites8x16, dpcm, 16400 },
    };
    for (const Sheet &s : sheets) {
        SCOPED_TRACE(s.png);
        const auto got = readTilesFromPng(dataDir + s.png, s.order);
        ASSERT_TRUE(std::holds_alternative<SheetTiles>(got));
        const Bytes bytes = tileBytes(std::get<SheetTiles>(got).tiles);
        ASSERT_EQ(bytes.size(), 4096u);
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), s.rom.begin() + qsizetype(s.offset)));
    }
}

// Pictures that are not tile sheets are refused with the reason: a fifth colour names its first pixel and colour,
// sizes that are not whole tiles name the size, and data that is not PNG says so.
TEST(PngTiles, RefusesFifthColoursOddSizesAndOtherData)
{
    app_test::testApplication();
    const TileColors subPalette = { 0x000000, 0x545454, 0x989698, 0xECEEEC };
    QImage five(16, 16, QImage::Format_RGB32);
    five.fill(QColor(0x54, 0x54, 0x54));
    five.setPixel(12, 9, qRgb(0x12, 0x34, 0x56));
    five.setPixel(3, 14, qRgb(0xFF, 0, 0));
    auto read = roundTrip(five, TileSheetOrder::rows8x8, NamedTileColors { subPalette, "sub-palette 3" });
    QString reason = reasonOf(read);
    EXPECT_TRUE(reason.startsWith("pixel (12, 9) is #123456, which is not a colour of sub-palette 3 (#000000 #545454 "
                                  "#989698 #ECEEEC)"))
        << reason.toStdString();
    EXPECT_TRUE(reason.contains("the greys (#000000 #555555 #AAAAAA #FFFFFF)")) << reason.toStdString();

    // Without a palette the mix of two grey sets has no set that holds it: the pixel where the longest run ends.
    QImage mixed(8, 8, QImage::Format_RGB32);
    mixed.fill(QColor(0x55, 0x55, 0x55));
    mixed.setPixel(6, 5, qRgb(0xEC, 0xEE, 0xEC));
    reason = reasonOf(roundTrip(mixed, TileSheetOrder::rows8x8));
    EXPECT_TRUE(reason.startsWith("pixel (6, 5) is #ECEEEC")) << reason.toStdString();

    // Half transparent.
    QImage glass(8, 8, QImage::Format_ARGB32);
    glass.fill(QColor(0, 0, 0));
    glass.setPixel(1, 0, qRgba(0xFF, 0xFF, 0xFF, 0x80));
    reason = reasonOf(roundTrip(glass, TileSheetOrder::rows8x8));
    EXPECT_TRUE(reason.startsWith("pixel (1, 0) is #FFFFFF with alpha 128")) << reason.toStdString();

    // The real RGBA sheet of the test data uses greys of its own (65 66 65, B0 B1 B0), which are neither set.
    const auto real = readTilesFromPng(dataDir + "/png/nesert_sprite.png", TileSheetOrder::rows8x8);
    ASSERT_TRUE(std::holds_alternative<FileError>(real));
    EXPECT_TRUE(std::get<FileError>(real).reason.startsWith("pixel (2, 8) is #656665"))
        << std::get<FileError>(real).reason.toStdString();

    const std::pair<QSize, TileSheetOrder> sizes[] = {
        { QSize(12, 8), TileSheetOrder::rows8x8 },
        { QSize(8, 20), TileSheetOrder::rows8x8 },
        { QSize(16, 8), TileSheetOrder::sprites8x16 },
    };
    for (const auto &[size, order] : sizes) {
        QImage odd(size, QImage::Format_RGB32);
        odd.fill(Qt::black);
        reason = reasonOf(roundTrip(odd, order));
        EXPECT_TRUE(
            reason.startsWith(QStringLiteral("the picture is %1x%2 pixels").arg(size.width()).arg(size.height())))
            << reason.toStdString();
        EXPECT_TRUE(reason.contains(order == TileSheetOrder::sprites8x16 ? "of 16 pixels high" : "multiple of 8"));
    }

    Bytes truncated = pngBytes(five);
    truncated.resize(truncated.size() / 2);
    const std::pair<Bytes, QString> others[] = {
        { Bytes {}, "not a PNG picture (0 bytes" },
        { fileBytes(dataDir + "/chr/sprite.chr"), "not a PNG picture (4096 bytes without the PNG signature)" },
        { Bytes(truncated.begin(), truncated.begin() + 20), "cannot be read as PNG" },
        { truncated, "cannot be read as PNG" },
    };
    for (const auto &[bytes, expected] : others) {
        reason = reasonOf(tilesFromPng(bytes, TileSheetOrder::rows8x8));
        EXPECT_TRUE(reason.startsWith(expected)) << reason.toStdString();
    }
}
