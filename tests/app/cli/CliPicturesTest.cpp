#include "core/FrameRenderer.h"
#include "palette/DisplayColors.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "app/cli/CliScreensTestSupport.h"

using namespace cli_screens_test;

namespace {

// A title screen: four sub-palettes drawn in stripes of all four colour indices, one sub-palette an area in turn.
mosavo::FramePicture titleFrame()
{
    mosavo::PatternTables patterns;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            patterns.pixels[size_t(64 + y * 8 + x)] = uint8_t((x / 2 + y / 4) % 4);
    mosavo::Screen screen;
    screen.tiles.fill(1);
    for (int row = 0; row < mosavo::Screen::rows; row += 2)
        for (int column = 0; column < mosavo::Screen::columns; column += 2)
            screen.setSubPalette(column, row, (row / 2 + column / 2) % 4);
    const mosavo::PaletteBytes palette { 0x0F, 0x16, 0x27, 0x38, 0x0F, 0x01, 0x11, 0x21, 0x0F, 0x1A, 0x2A, 0x3A, 0x0F,
        0x00, 0x10, 0x30 };
    return mosavo::renderBackground(patterns, screen, palette);
}

// The master colours as an emulator with its hue turned, its saturation scaled and another display gamma shows them
// (NTSC's YIQ, rounded to 8 bits).
QRgb shifted(int number, double hueDegrees, double saturation, double gamma)
{
    const mosavo::Rgb8 c = mosavo::DisplayColors().rgb(number);
    const double r = c.red / 255.0, g = c.green / 255.0, b = c.blue / 255.0;
    const double y = 0.299 * r + 0.587 * g + 0.114 * b;
    const double i = 0.596 * r - 0.274 * g - 0.322 * b, q = 0.211 * r - 0.523 * g + 0.312 * b;
    const double angle = hueDegrees * std::numbers::pi / 180.0;
    const double i2 = saturation * (i * std::cos(angle) - q * std::sin(angle));
    const double q2 = saturation * (i * std::sin(angle) + q * std::cos(angle));
    const auto channel
        = [gamma](double v) { return int(std::lround(255.0 * std::pow(std::clamp(v, 0.0, 1.0), gamma / 2.2))); };
    return qRgb(channel(y + 0.956 * i2 + 0.621 * q2), channel(y - 0.272 * i2 - 0.647 * q2),
        channel(y - 1.106 * i2 + 1.703 * q2));
}

QImage screenshot(const mosavo::FramePicture &frame, double hue, double saturation, double gamma)
{
    QImage image(256, 240, QImage::Format_RGB32);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 256; ++x)
            image.setPixel(x, y, shifted(frame.at(x, y), hue, saturation, gamma));
    return image;
}

// A generated photograph: a sky gradient over rolling hills.
QImage photograph()
{
    QImage image(256, 240, QImage::Format_RGB32);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 256; ++x) {
            const double ridge = 140 + 25 * std::sin(x / 30.0) + 10 * std::sin(x / 7.0);
            image.setPixel(x, y,
                y < ridge ? qRgb(80 + y / 2, 140 + y / 4, 240)
                          : qRgb(40 + (x * y) % 50, 120 - int(y - ridge) / 3, 30 + (x ^ y) % 30));
        }
    return image;
}

} // namespace

TEST_F(CliScreens, EmulatorScreenshotsInEveryPictureFormatComeBackInTheConsolesColours)
{
    const mosavo::FramePicture frame = titleFrame();
    QImage expected(256, 240, QImage::Format_RGB32);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 256; ++x)
            expected.setPixel(x, y, master(frame.at(x, y)));
    const QImage shot = screenshot(frame, 9.0, 0.88, 2.35);
    // The same screenshot as PNG and BMP (lossless); a JPEG of it is read too.
    ASSERT_TRUE(shot.save(path(QStringLiteral("shot.png"))));
    ASSERT_TRUE(shot.save(path(QStringLiteral("shot.bmp"))));
    for (const QString &name : { QStringLiteral("shot.png"), QStringLiteral("shot.bmp") }) {
        SCOPED_TRACE(name.toStdString());
        const QString doc = path(name + QStringLiteral(".kestova"));
        const ProgramRun import
            = runProgram({ QStringLiteral("--import-screen-png"), path(name), QStringLiteral("--output"), doc });
        ASSERT_EQ(import.exitCode, 0) << import.err.toStdString();
        const QString back = path(name + QStringLiteral(".back.png"));
        const ProgramRun exported = runProgram({ QStringLiteral("--export-screen-png"), back, doc });
        ASSERT_EQ(exported.exitCode, 0) << exported.err.toStdString();
        EXPECT_EQ(QImage(back).convertToFormat(QImage::Format_RGB32), expected);
    }
    // Matching one colour at a time would not do: the plain nearest display colour of some is another.
    ASSERT_TRUE(shot.save(path(QStringLiteral("shot.jpg")), "JPEG", 95));
    const ProgramRun jpeg = runProgram({ QStringLiteral("--import-screen-png"), path(QStringLiteral("shot.jpg")),
        QStringLiteral("--output"), path(QStringLiteral("jpeg.kestova")), QStringLiteral("--lossy") });
    EXPECT_EQ(jpeg.exitCode, 0) << jpeg.err.toStdString();
}

TEST_F(CliScreens, LossyImportsReportTheirTilesAndErrorAndKeepTheBudget)
{
    ASSERT_TRUE(photograph().save(path(QStringLiteral("photo.png"))));
    const QString doc = path(QStringLiteral("photo.kestova"));
    // Exact reading refuses it, naming a pixel, the nearest colour and --lossy.
    const ProgramRun exact = runProgram(
        { QStringLiteral("--import-screen-png"), path(QStringLiteral("photo.png")), QStringLiteral("--output"), doc });
    EXPECT_EQ(exact.exitCode, 1);
    EXPECT_TRUE(exact.err.contains("too far from every display colour") && exact.err.contains("the nearest is $")
        && exact.err.contains("--lossy"))
        << exact.err.toStdString();
    EXPECT_FALSE(QFile::exists(doc));

    const ProgramRun lossy = runProgram({ QStringLiteral("--import-screen-png"), path(QStringLiteral("photo.png")),
        QStringLiteral("--output"), doc, QStringLiteral("--lossy"), QStringLiteral("--dither"),
        QStringLiteral("ordered"), QStringLiteral("--max-tiles"), QStringLiteral("64") });
    ASSERT_EQ(lossy.exitCode, 0) << lossy.err.toStdString();
    EXPECT_TRUE(lossy.err.contains("photo.png: converted (lossy): ") && lossy.err.contains("perceptual error mean")
        && lossy.err.contains("in the 16 x 16 area at ("))
        << lossy.err.toStdString();
    const ProgramRun info = runProgram({ QStringLiteral("--info"), doc });
    ASSERT_EQ(info.exitCode, 0) << info.err.toStdString();
    const QJsonObject json = QJsonDocument::fromJson(info.out).object();
    ASSERT_EQ(json[QStringLiteral("screens")].toArray().size(), 1);
    EXPECT_LE(json[QStringLiteral("screens")].toArray()[0].toObject()[QStringLiteral("distinctTiles")].toInt(), 65);

    // Sprites and tile sheets too.
    QImage figure(24, 16, QImage::Format_ARGB32);
    figure.fill(Qt::transparent);
    for (int y = 2; y < 14; ++y)
        for (int x = 3; x < 21; ++x)
            figure.setPixel(x, y, qRgb(200 - x * 5, 60 + y * 8, 90));
    ASSERT_TRUE(figure.save(path(QStringLiteral("figure.png"))));
    const ProgramRun sprite = runProgram({ QStringLiteral("--import-sprite-png"), path(QStringLiteral("figure.png")),
        QStringLiteral("--output"), path(QStringLiteral("sprite.kestova")), QStringLiteral("--lossy"),
        QStringLiteral("--dither"), QStringLiteral("diffusion") });
    ASSERT_EQ(sprite.exitCode, 0) << sprite.err.toStdString();
    EXPECT_TRUE(sprite.err.contains("figure.png: converted (lossy): ")) << sprite.err.toStdString();
    ASSERT_TRUE(photograph().save(path(QStringLiteral("sheet.jpg")), "JPEG", 80));
    const ProgramRun sheet = runProgram({ QStringLiteral("--import-png"), path(QStringLiteral("sheet.jpg")),
        QStringLiteral("--output"), path(QStringLiteral("sheet.chr")), QStringLiteral("--lossy") });
    ASSERT_EQ(sheet.exitCode, 0) << sheet.err.toStdString();
    EXPECT_EQ(QFile(path(QStringLiteral("sheet.chr"))).size(), 32 * 30 * 16);
    EXPECT_TRUE(sheet.err.contains("sheet.jpg: converted (lossy): 960 tiles")) << sheet.err.toStdString();
}

TEST_F(CliScreens, PictureOptionsAndFilesThatAreNoPictureAreRefusedClearly)
{
    ASSERT_TRUE(photograph().save(path(QStringLiteral("photo.png"))));
    const QString out = path(QStringLiteral("out.kestova"));
    struct Case
    {
        QStringList arguments;
        int exitCode;
        QString message;
    };
    Bytes tiff = { 'I', 'I', '*', 0, 8, 0, 0, 0 };
    tiff.resize(64, 0);
    write(QStringLiteral("scan.tif"), tiff);
    // A GIF (one transparent pixel) is read: it has nothing drawn for a sprite.
    write(QStringLiteral("pixel.gif"),
        Bytes { 'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0x21, 0xF9, 4, 1, 0, 0,
            0, 0, 0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 1, 0, 0x3B });
    const std::vector<Case> cases = {
        { { QStringLiteral("--import-sprite-png"), path(QStringLiteral("pixel.gif")), QStringLiteral("--output"), out },
            1, QStringLiteral("pixel.gif: the picture has nothing drawn in it") },
        { { QStringLiteral("--import-screen-png"), path(QStringLiteral("photo.png")), QStringLiteral("--output"), out,
              QStringLiteral("--dither"), QStringLiteral("ordered") },
            2, QStringLiteral("--dither goes with --lossy") },
        { { QStringLiteral("--import-screen-png"), path(QStringLiteral("photo.png")), QStringLiteral("--output"), out,
              QStringLiteral("--lossy"), QStringLiteral("--dither"), QStringLiteral("lots") },
            2, QStringLiteral("--dither") },
        { { QStringLiteral("--import-png"), path(QStringLiteral("photo.png")), QStringLiteral("--output"), out,
              QStringLiteral("--lossy"), QStringLiteral("--max-tiles"), QStringLiteral("5") },
            2, QStringLiteral("--max-tiles goes with --import-screen-png and --import-sprite-png") },
        { { QStringLiteral("--import-screen-png"), path(QStringLiteral("scan.tif")), QStringLiteral("--output"), out,
              QStringLiteral("--lossy") },
            1,
            QStringLiteral("scan.tif: not a PNG picture (64 bytes without the PNG signature): it is a TIFF picture; "
                           "PNG, BMP, GIF and JPEG pictures are read") },
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.arguments.join(u' ').toStdString());
        const ProgramRun run = runProgram(row.arguments);
        EXPECT_EQ(run.exitCode, row.exitCode);
        EXPECT_TRUE(QString::fromUtf8(run.err).contains(row.message)) << run.err.toStdString();
        EXPECT_FALSE(QFile::exists(out));
    }
}
