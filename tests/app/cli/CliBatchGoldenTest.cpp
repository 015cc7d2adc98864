#include "app/cli/CommandLineTestSupport.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

using namespace command_line_test;

// The batch conversions of real tile sheets and ROM images, checked against what the program wrote for them before it
// converted without tile objects (tests/data/golden/, made by `kestova` from the files named in each row).
namespace {

struct GoldenRun
{
    const char *name;
    QStringList arguments; // OUT stands for the output file
    const char *golden;
};

QStringList withOutput(QStringList arguments, const QString &output)
{
    for (QString &argument : arguments) {
        if (argument == QStringLiteral("OUT"))
            argument = output;
        else if (argument.startsWith(QStringLiteral("data:")))
            argument = testFile(qPrintable(argument.mid(5)));
    }
    return arguments;
}

// Every tile sheet and ROM image writes exactly the bytes it wrote before.
TEST(CliBatchGolden, ImportPngWritesTheSameBytes)
{
    const std::vector<GoldenRun> runs = {
        { "2-bit indexed sheet", { "--import-png", "data:png/vaus-test_bggfx.png", "--output", "OUT" },
            "golden/vaus-test_bggfx.chr" },
        { "8x16 sprites", { "--import-png", "data:png/dpcmletterbox_ac16.png", "--tall", "--output", "OUT" },
            "golden/dpcmletterbox_ac16-tall.chr" },
        { "RGBA sheet, lossy", { "--import-png", "data:png/nesert_sprite.png", "--lossy", "--output", "OUT" },
            "golden/nesert_sprite-lossy.chr" },
        { "into a ROM at a tile",
            { "--import-png", "data:png/vaus-test_spritegfx.png", "--at", "300", "--output", "OUT",
                "data:roms/vaus-test.nes" },
            "golden/vaus-test-at300.nes" },
        { "into a ROM at a byte offset",
            { "--import-png", "data:png/vaus-test_bggfx.png", "--offset", "0x1013", "--count", "200", "--output", "OUT",
                "data:roms/vaus-test.nes" },
            "golden/vaus-test-offset1013.nes" },
        { "with a sub-palette",
            { "--import-png", "data:png/vaus-test_spritegfx.png", "--palette", "data:palettes/spr.pal", "--sub-palette",
                "1", "--count", "50", "--output", "OUT" },
            "golden/vaus-test_spritegfx-spr1.chr" },
    };
    QTemporaryDir folder;
    for (const GoldenRun &run : runs) {
        SCOPED_TRACE(run.name);
        const QString output = folder.filePath(QStringLiteral("out"));
        const ProcessResult result = runKestova(withOutput(run.arguments, output));
        ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
        const QByteArray expected = readFile(testFile(run.golden));
        ASSERT_FALSE(expected.isEmpty());
        EXPECT_TRUE(readFile(output) == expected);
    }
}

// Every export draws exactly the picture it drew before (the same size, colour table and pixels), in a file no
// larger; and the picture of a whole ROM reads back to its bytes.
TEST(CliBatchGolden, ExportPngDrawsTheSamePictureNoLarger)
{
    const std::vector<GoldenRun> runs = {
        { "whole ROM image", { "--export-png", "OUT", "data:roms/example.nes" }, "golden/example.png" },
        { "sub-palette, 8x16, columns",
            { "--export-png", "OUT", "--palette", "data:palettes/bgd.pal", "--sub-palette", "2", "--tall", "--columns",
                "8", "data:chr/full_game.chr" },
            "golden/full_game-bgd2-tall.png" },
        { "first and count",
            { "--export-png", "OUT", "--first", "100", "--count", "77", "--columns", "7", "data:roms/vaus-test.nes" },
            "golden/vaus-test-first100.png" },
        { "byte offset", { "--export-png", "OUT", "--offset", "0x1013", "--count", "40", "data:roms/vaus-test.nes" },
            "golden/vaus-test-offset1013.png" },
    };
    QTemporaryDir folder;
    for (const GoldenRun &run : runs) {
        SCOPED_TRACE(run.name);
        const QString output = folder.filePath(QStringLiteral("out.png"));
        const ProcessResult result = runKestova(withOutput(run.arguments, output));
        ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
        const QImage before = QImage(testFile(run.golden)).convertToFormat(QImage::Format_Indexed8);
        const QImage now = QImage(output).convertToFormat(QImage::Format_Indexed8);
        ASSERT_FALSE(before.isNull());
        ASSERT_EQ(now.size(), before.size());
        EXPECT_EQ(now.colorTable(), before.colorTable());
        for (int y = 0; y < before.height(); ++y)
            ASSERT_EQ(0, std::memcmp(now.constScanLine(y), before.constScanLine(y), size_t(before.width()))) << y;
        EXPECT_LE(readFile(output).size(), readFile(testFile(run.golden)).size());
    }
    const QString sheet = folder.filePath(QStringLiteral("rom.png"));
    const QString back = folder.filePath(QStringLiteral("rom.chr"));
    ASSERT_EQ(runKestova({ QStringLiteral("--export-png"), sheet, testFile("roms/example.nes") }).exitCode, 0);
    ASSERT_EQ(runKestova({ QStringLiteral("--import-png"), sheet, QStringLiteral("--output"), back }).exitCode, 0);
    EXPECT_TRUE(readFile(back) == readFile(testFile("roms/example.nes")).mid(16));
}

} // namespace
