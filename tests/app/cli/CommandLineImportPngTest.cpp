#include "app/cli/CommandLine.h"
#include "app/document/EditorViewControllerSettings.h"
#include "core/ConsoleDataFactory.h"
#include "palette/NESColors.h"
#include "palette/NESPalette.h"
#include "palette/PaletteFactory.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>

#include "app/cli/CommandLineTestSupport.h"

using namespace command_line_test;

// A picture's tiles replace only the tiles from --at on: the header, every other byte and the length stay. Without
// FILE the output is the picture's tiles as bare CHR data; a sheet exported from a file and imported into it gives
// the file back byte for byte, in both orders.
TEST(CommandLine, ImportPngReplacesOnlyTheTargetTilesAndRoundTrips)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString importPng = QStringLiteral("--import-png");
    const QString output = temp.filePath(QStringLiteral("out.nes"));
    const QByteArray rom = readFile(testFile("roms/example.nes"));
    const QByteArray vaus = readFile(testFile("roms/vaus-test.nes"));
    const QByteArray background = vaus.mid(16400, 4096); // CHR-ROM's first half: what vaus-test_bggfx.png holds

    ProcessResult run = runKestova({ importPng, testFile("png/vaus-test_bggfx.png"), QStringLiteral("--output"), output,
        QStringLiteral("--at"), QStringLiteral("1030"), testFile("roms/example.nes") });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty() && run.err.isEmpty());
    const QByteArray changed = readFile(output);
    ASSERT_EQ(changed.size(), rom.size());
    const qsizetype start = 16 + 1030 * 16;
    EXPECT_EQ(changed.left(start), rom.left(start));
    EXPECT_EQ(changed.mid(start, 4096), background);
    EXPECT_EQ(changed.mid(start + 4096), rom.mid(start + 4096));

    // Bare CHR data out; --at defaults to 0 in a CHR file.
    run = runKestova({ importPng, testFile("png/dpcmletterbox_ac16.png"), QStringLiteral("--tall"),
        QStringLiteral("--output"), output });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(readFile(output), readFile(testFile("roms/dpcmletterbox.nes")).mid(16400, 4096));
    run = runKestova({ importPng, testFile("png/vaus-test_spritegfx.png"), QStringLiteral("--output"), output,
        testFile("chr/Alpha.chr") });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(readFile(output), vaus.mid(16400 + 4096, 4096) + readFile(testFile("chr/Alpha.chr")).mid(4096));

    // Export and import back: every byte, a partial last row of 166 tiles too, and an RGB sheet read through a
    // 16-byte palette file.
    const QString picture = temp.filePath(QStringLiteral("sheet.png"));
    const QString halfPalette = temp.filePath(QStringLiteral("bg.pal"));
    writeFile(halfPalette, QByteArray::fromHex("0f00102030162738") + QByteArray(8, '\x0F'));
    for (const char *file : { "roms/hello_mmc1.nes", "roms/nes15-NTSC.nes", "chr/boing_bg.chr" })
        for (const bool tall : { false, true }) {
            SCOPED_TRACE(testing::Message() << file << (tall ? " 8x16" : " 8x8"));
            QStringList exportArguments { QStringLiteral("--export-png"), picture, testFile(file) };
            QStringList importArguments { importPng, picture, QStringLiteral("--output"), output, testFile(file) };
            if (tall) {
                exportArguments.prepend(QStringLiteral("--tall"));
                importArguments.prepend(QStringLiteral("--tall"));
            }
            ASSERT_EQ(runKestova(exportArguments).exitCode, 0);
            run = runKestova(importArguments);
            ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
            EXPECT_EQ(readFile(output), readFile(testFile(file)));
        }
    QImage rgb(QImage(testFile("png/vaus-test_bggfx.png")).convertToFormat(QImage::Format_Indexed8));
    rgb.setColorTable({ qRgb(0x54, 0x54, 0x54), qRgb(0x98, 0x96, 0x98), qRgb(0x00, 0x00, 0x00),
        qRgb(0xEC, 0xEE, 0xEC) }); // sub-palette 1 of the half file: 0x00 0x10 0x0F 0x30... in its own order
    ASSERT_TRUE(rgb.convertToFormat(QImage::Format_RGB32).save(picture, "PNG"));
    writeFile(halfPalette, QByteArray::fromHex("0f0f0f0f00100f20") + QByteArray(8, '\x0F'));
    run = runKestova({ importPng, picture, QStringLiteral("--palette"), halfPalette, QStringLiteral("--sub-palette"),
        QStringLiteral("1"), QStringLiteral("--output"), output });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(readFile(output), background);
}

// Pictures that cannot be used fail with one line naming the file and the reason, and leave no output behind (an
// earlier file of that name stays as it was).
TEST(CommandLine, ImportPngRefusalsLeaveNoOutput)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString importPng = QStringLiteral("--import-png");
    QImage five(16, 8, QImage::Format_RGB32);
    five.fill(Qt::white);
    five.setPixel(9, 3, qRgb(0x12, 0x34, 0x56));
    const QString fifth = temp.filePath(QStringLiteral("five.png"));
    ASSERT_TRUE(five.save(fifth, "PNG"));
    QImage oddImage(8, 8, QImage::Format_RGB32);
    oddImage.fill(Qt::black);
    const QString odd = temp.filePath(QStringLiteral("odd.png"));
    ASSERT_TRUE(oddImage.copy(0, 0, 8, 12).save(odd, "PNG"));
    const QString single = temp.filePath(QStringLiteral("single.png"));
    ASSERT_TRUE(oddImage.save(single, "PNG"));
    const QString document = temp.filePath(QStringLiteral("work.kestova"));
    writeFile(document, documentFile(readFile(testFile("chr/sprite.chr")), palettesOf(distinctPaletteFile())));
    const QString halfPalette = temp.filePath(QStringLiteral("bg.pal"));
    writeFile(halfPalette, readFile(testFile("palettes/bgd.pal")));

    struct Case
    {
        QStringList arguments; // before --output OUT
        QString path;
        QString reason;
    };
    const QString sprite = testFile("chr/sprite.chr");
    const Case cases[] = {
        { { importPng, fifth }, fifth, QStringLiteral("pixel (9, 3) is #123456, which is not a colour of the greys") },
        { { importPng, odd }, odd, QStringLiteral("the picture is 8x12 pixels") },
        { { importPng, single, QStringLiteral("--tall"), QStringLiteral("--at"), QStringLiteral("0"), sprite }, single,
            QStringLiteral("the picture is 8x8 pixels; a sheet of 8x16 sprites must be a multiple of 8 pixels wide "
                           "and of 16 pixels high") },
        { { importPng, sprite }, sprite, QStringLiteral("not a PNG picture (4096 bytes") },
        { { importPng, testFile("png/vaus-test_bggfx.png"), testFile("chr/nesert_sprite.chr") },
            testFile("png/vaus-test_bggfx.png"),
            QStringLiteral("placed from tile 0 they run past the last tile of %1 (tile 63), and tile 64 of the "
                           "picture is not blank")
                .arg(testFile("chr/nesert_sprite.chr")) },
        { { importPng, testFile("png/vaus-test_bggfx.png"), QStringLiteral("--at"), QStringLiteral("256"), sprite },
            sprite, QStringLiteral("holds 256 tiles (0-255), so there is no tile 256") },
        { { importPng, testFile("png/vaus-test_bggfx.png"), document }, document,
            QStringLiteral("is a Kestova document") },
        { { importPng, fifth, QStringLiteral("--palette"), halfPalette, QStringLiteral("--sub-palette"),
              QStringLiteral("4") },
            halfPalette, QStringLiteral("so there is no sub-palette 4") },
        { { importPng, temp.filePath(QStringLiteral("missing.png")) }, temp.filePath(QStringLiteral("missing.png")),
            QStringLiteral("no such file") },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        const QString fresh = temp.filePath(QStringLiteral("fresh.chr"));
        expectOneLineFailure(
            runKestova(c.arguments + QStringList { QStringLiteral("--output"), fresh }), c.path, c.reason);
        EXPECT_FALSE(QFileInfo::exists(fresh));
        const QString kept = temp.filePath(QStringLiteral("kept.chr"));
        writeFile(kept, "earlier work");
        expectOneLineFailure(
            runKestova(c.arguments + QStringList { QStringLiteral("--output"), kept }), c.path, c.reason);
        EXPECT_EQ(readFile(kept), QByteArray("earlier work"));
    }
    EXPECT_EQ(QDir(temp.path()).entryList(QDir::Files).size(), 6) << "no temporary file is left behind";

    // Wrong usage.
    const QString out = temp.filePath(QStringLiteral("out.chr"));
    const QList<QPair<QStringList, QString>> usage = {
        { { importPng, fifth }, QStringLiteral("--import-png needs --output OUT") },
        { { importPng, fifth, QStringLiteral("--output"), out, QStringLiteral("--at"), QStringLiteral("3") },
            QStringLiteral("--at places the tiles in FILE, and there is none") },
        { { importPng, fifth, QStringLiteral("--output"), out, QStringLiteral("--sub-palette"), QStringLiteral("2") },
            QStringLiteral("--sub-palette picks a sub-palette of --palette") },
        { { importPng, fifth, QStringLiteral("--output"), out, QStringLiteral("--columns"), QStringLiteral("2") },
            QStringLiteral("--columns goes with --export-png") },
        { { QStringLiteral("--export-chr"), out, QStringLiteral("--at"), QStringLiteral("2"), sprite },
            QStringLiteral("--at goes with --import-png") },
        { { QStringLiteral("--export-palette"), out, QStringLiteral("--bytes"), QStringLiteral("20"), document },
            QStringLiteral("--bytes must be 32 (the whole palette file) or 16 (its background half), not '20'") },
    };
    for (const auto &[arguments, reason] : usage) {
        const ProcessResult run = runKestova(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(run.err.startsWith(("kestova: " + reason).toUtf8())) << run.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(out));
    }
}

// The background half of a document's palette file: its first 16 bytes, which --palette reads back as
// sub-palettes 0-3.
TEST(CommandLine, SixteenBytePaletteFilesRoundTrip)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QByteArray palette = distinctPaletteFile();
    const QString document = temp.filePath(QStringLiteral("work.kestova"));
    writeFile(document, documentFile(readFile(testFile("chr/nesert_sprite.chr")), palettesOf(palette)));
    const QString half = temp.filePath(QStringLiteral("half.pal"));
    ProcessResult run = runKestova(
        { QStringLiteral("--export-palette"), half, QStringLiteral("--bytes"), QStringLiteral("16"), document });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(readFile(half), palette.left(16));

    const QString picture = temp.filePath(QStringLiteral("tiles.png"));
    run = runKestova({ QStringLiteral("--export-png"), picture, QStringLiteral("--palette"), half,
        QStringLiteral("--sub-palette"), QStringLiteral("3"), testFile("chr/nesert_sprite.chr") });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    expectTileSheet(QImage(picture), readFile(testFile("chr/nesert_sprite.chr")), 16, subPaletteNumbers(palette, 3));
}
