#include "app/document/PictureFiles.h"

#include "app/support/AppTestSupport.h"

#include <QBuffer>
#include <QImageWriter>

#include <gtest/gtest.h>

using namespace kestova;
using namespace mosavo;

namespace {
// $0F $00 $10 $30 in the master table.
const NamedTileColors subPalette { { 0x000000, 0x666666, 0xADADAD, 0xFFFEFF }, QStringLiteral("sub-palette 2") };

Bytes pngBytes(const QImage &image)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(QImageWriter(&buffer, "png").write(image));
    return Bytes(data.begin(), data.end());
}

// An 8x8 picture whose column x has colour columns[x % size].
QImage stripes(const std::vector<QRgb> &columns, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(8, 8, format);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            image.setPixel(x, y, columns[size_t(x) % columns.size()]);
    return image;
}

std::variant<SheetTiles, QString> read(const QImage &image, const std::optional<NamedTileColors> &colors = subPalette)
{
    return tilesFromPng(pngBytes(image), TileSheetOrder::rows8x8, colors);
}

std::vector<int64_t> firstRow(const std::variant<SheetTiles, QString> &result)
{
    if (const auto *reason = std::get_if<QString>(&result)) {
        ADD_FAILURE() << reason->toStdString();
        return {};
    }
    const auto values = std::get<SheetTiles>(result).tiles.at(0)->values[0];
    return std::vector<int64_t>(values.begin(), values.end());
}

QString reasonOf(const std::variant<SheetTiles, QString> &result)
{
    const auto *reason = std::get_if<QString>(&result);
    return reason ? *reason : QStringLiteral("(read without complaint)");
}
} // namespace

// A picture from another program, in colours near those of the sub-palette, is read by nearest colour and says so;
// pictures in exact colours read as they always have.
TEST(PngNearestColour, NearColoursMapOneToOneAndSaySo)
{
    app_test::testApplication();
    const auto near = read(stripes({ qRgb(0xF0, 0xF0, 0xF0), qRgb(0x0A, 0x0A, 0x0A), qRgb(0x5C, 0x5C, 0x5C) }));
    EXPECT_EQ(firstRow(near), (std::vector<int64_t> { 3, 0, 1, 3, 0, 1, 3, 0 }));
    ASSERT_TRUE(std::holds_alternative<SheetTiles>(near));
    EXPECT_EQ(std::get<SheetTiles>(near).colorMapping,
        QStringLiteral(
            "the nearest colours of sub-palette 2: #F0F0F0 as #FFFEFF (colour 3), #0A0A0A as #000000 (colour "
            "0), #5C5C5C as #666666 (colour 1)"));

    // Transparent pixels stand for colour 0; a near black beside them would share it, but a grey does not.
    const auto clear = read(stripes({ qRgba(0, 0, 0, 0), qRgb(0xB0, 0xB0, 0xB0) }, QImage::Format_ARGB32));
    EXPECT_EQ(firstRow(clear), (std::vector<int64_t> { 0, 2, 0, 2, 0, 2, 0, 2 }));

    // Exact colours of the sub-palette and the plain greys keep their own rules.
    const auto exact = read(stripes({ qRgb(0x66, 0x66, 0x66), qRgb(0xFF, 0xFE, 0xFF) }));
    EXPECT_EQ(firstRow(exact), (std::vector<int64_t> { 1, 3, 1, 3, 1, 3, 1, 3 }));
    EXPECT_EQ(std::get<SheetTiles>(exact).colorMapping, QStringLiteral("the colours of sub-palette 2"));
    const auto greys = read(stripes({ qRgb(0x55, 0x55, 0x55), qRgb(0xFF, 0xFF, 0xFF) }));
    EXPECT_EQ(firstRow(greys), (std::vector<int64_t> { 1, 3, 1, 3, 1, 3, 1, 3 }));
    EXPECT_EQ(std::get<SheetTiles>(greys).colorMapping, QStringLiteral("the colours of the greys"));

    // Without a sub-palette there is nothing to be near to: the exact rule alone.
    EXPECT_TRUE(reasonOf(read(stripes({ qRgb(0x0A, 0x0A, 0x0A) }), std::nullopt))
                    .startsWith(QStringLiteral("pixel (0, 0) is #0A0A0A, which is not a colour of the greys")));
}

// Five colours, or two colours nearest to one colour of the sub-palette, are refused, naming the pixels.
TEST(PngNearestColour, RefusesFiveColoursAndTwoColoursToOne)
{
    app_test::testApplication();
    QString reason = reasonOf(read(stripes(
        { qRgb(0, 0, 0), qRgb(0x66, 0x66, 0x66), qRgb(0xAD, 0xAD, 0xAD), qRgb(0xFF, 0xFE, 0xFF), qRgb(0xFF, 0, 0) })));
    EXPECT_TRUE(reason.contains(QStringLiteral("nor do the picture's colours map one to one to the nearest colours of "
                                               "sub-palette 2: it has more than four colours (pixel (4, 0) is #FF0000, "
                                               "a fifth)")))
        << reason.toStdString();

    reason = reasonOf(read(stripes({ qRgb(0x10, 0x10, 0x10), qRgb(0xF0, 0xF0, 0xF0), qRgb(0x20, 0x20, 0x20) })));
    EXPECT_TRUE(reason.startsWith(QStringLiteral("pixel (0, 0) is #101010, which is not a colour of sub-palette 2")))
        << reason.toStdString();
    EXPECT_TRUE(reason.contains(QStringLiteral(": pixel (0, 0) is #101010 and pixel (2, 0) is #202020, and both are "
                                               "nearest to #000000 (colour 0)")))
        << reason.toStdString();

    // A transparent pixel holds colour 0, so a near black cannot have it too.
    reason = reasonOf(
        read(stripes({ qRgb(0x60, 0x60, 0x60), qRgba(0, 0, 0, 0), qRgb(0x08, 0x08, 0x08) }, QImage::Format_ARGB32)));
    EXPECT_TRUE(reason.contains(QStringLiteral("pixel (1, 0) is transparent and pixel (2, 0) is #080808, and both are "
                                               "nearest to #000000 (colour 0)")))
        << reason.toStdString();
}

// The rule reads pictures of any size (a picture pasted from the clipboard) as well as tile sheets.
TEST(PngNearestColour, PicturesOfAnySize)
{
    app_test::testApplication();
    QImage odd(5, 3, QImage::Format_RGB32);
    odd.fill(qRgb(0x61, 0x61, 0x61));
    odd.setPixel(4, 2, qRgb(0xFA, 0xFA, 0xFA));
    const auto mapped = pictureColorIndices(odd, subPalette);
    ASSERT_TRUE(std::holds_alternative<PictureIndices>(mapped)) << std::get<QString>(mapped).toStdString();
    const PictureIndices &picture = std::get<PictureIndices>(mapped);
    EXPECT_EQ(picture.width, 5);
    EXPECT_EQ(picture.height, 3);
    ASSERT_EQ(picture.values.size(), 15u);
    EXPECT_EQ(picture.values[0], 1);
    EXPECT_EQ(picture.values[14], 3);
    EXPECT_TRUE(picture.colorMapping.startsWith(QStringLiteral("the nearest colours of sub-palette 2")));
}
