#include "app/cli/ByteOffset.h"

#include <QByteArray>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "app/cli/CommandLineTestSupport.h"

using namespace command_line_test;

namespace {

// An NROM-256 game on CHR-RAM: 32 KiB of PRG-ROM and no CHR-ROM, so its font lives in PRG-ROM at fontOffset (byte 12
// of a tile as the file counts them), and its palette at paletteOffset.
constexpr int fontOffset = 220;
constexpr int fontTiles = 8;
constexpr int paletteOffset = 0x1211;

QByteArray font()
{
    QByteArray bytes(fontTiles * 16, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char((i * 37 + (i / 16) * 11 + 5) & 0xFF);
    return bytes;
}

QByteArray chrRamRom()
{
    QByteArray rom(16 + 32768, '\0');
    rom.replace(0, 8, QByteArray("NES\x1A\x02\x00\x01\x00", 8));
    for (int i = 16; i < rom.size(); ++i)
        rom[i] = char((i * 13 + 7) & 0xFF);
    rom.replace(fontOffset, fontTiles * 16, font());
    rom.replace(paletteOffset, 32, distinctPaletteFile());
    return rom;
}

const std::array<int64_t, 4> grey = { 0x30, 0x10, 0x00, 0x0F };

} // namespace

TEST(ByteOffset, ReadsDecimalAndBothHexadecimalForms)
{
    using kestova::cli::parseByteOffset;
    EXPECT_EQ(parseByteOffset(QStringLiteral("2048")), 2048);
    EXPECT_EQ(parseByteOffset(QStringLiteral("$800")), 2048);
    EXPECT_EQ(parseByteOffset(QStringLiteral("0x800")), 2048);
    EXPECT_EQ(parseByteOffset(QStringLiteral("0XaBc")), 0xABC);
    EXPECT_EQ(parseByteOffset(QStringLiteral("0")), 0);
    EXPECT_EQ(parseByteOffset(QStringLiteral("$7FFFFFFF")), kestova::cli::maximumByteOffset);
    for (const char *bad : { "", "$", "0x", "-1", "+5", "12a", "$g", " 5", "0x80000000", "1e3", "800h" })
        EXPECT_FALSE(parseByteOffset(QLatin1String(bad))) << bad;
}

// A font at an odd offset of PRG-ROM is cut out, drawn aligned, edited and put back: only the bytes of the tile edited
// change, and an unedited sheet puts back the file byte for byte.
TEST(CommandLine, ExportAndImportAtAByteOffsetRoundTrip)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QByteArray rom = chrRamRom();
    const QString input = temp.filePath(QStringLiteral("game.nes"));
    writeFile(input, rom);

    const QString sheet = temp.filePath(QStringLiteral("font.png"));
    for (const QString &offset : { QStringLiteral("220"), QStringLiteral("$DC"), QStringLiteral("0xdc") }) {
        SCOPED_TRACE(offset.toStdString());
        const ProcessResult run = runKestova(
            { QStringLiteral("--export-png"), sheet, QStringLiteral("--offset"), offset, QStringLiteral("--count"),
                QString::number(fontTiles), QStringLiteral("--columns"), QStringLiteral("4"), input });
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        expectTileSheet(QImage(sheet), font(), 4, grey);
    }

    const QString output = temp.filePath(QStringLiteral("out.nes"));
    ProcessResult run = runKestova({ QStringLiteral("--import-png"), sheet, QStringLiteral("--output"), output,
        QStringLiteral("--offset"), QStringLiteral("$DC"), input });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(readFile(output), rom);

    // Row 2 of tile 5 painted in colour 3: its two plane bytes become 0xFF, nothing else moves.
    QImage edited(sheet);
    ASSERT_EQ(edited.format(), QImage::Format_Indexed8);
    for (int x = 0; x < 8; ++x)
        edited.setPixel(8 + x, 8 + 2, 3);
    const QString editedSheet = temp.filePath(QStringLiteral("edited.png"));
    ASSERT_TRUE(edited.save(editedSheet));
    run = runKestova({ QStringLiteral("--import-png"), editedSheet, QStringLiteral("--output"), output,
        QStringLiteral("--offset"), QStringLiteral("220"), input });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QByteArray expected = rom;
    expected[fontOffset + 5 * 16 + 2] = char(0xFF);
    expected[fontOffset + 5 * 16 + 8 + 2] = char(0xFF);
    EXPECT_EQ(readFile(output), expected);

    // --count takes only the first tiles of the picture: the edit in tile 5 is not among the first 4.
    run = runKestova({ QStringLiteral("--import-png"), editedSheet, QStringLiteral("--output"), output,
        QStringLiteral("--offset"), QStringLiteral("220"), QStringLiteral("--count"), QStringLiteral("4"), input });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(readFile(output), rom);
}

TEST(CommandLine, ExportOfATileRangeDrawsOnlyThoseTiles)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QByteArray rom = readFile(testFile("roms/example.nes"));
    const QString sheet = temp.filePath(QStringLiteral("range.png"));
    ProcessResult run = runKestova({ QStringLiteral("--export-png"), sheet, QStringLiteral("--first"),
        QStringLiteral("2050"), QStringLiteral("--count"), QStringLiteral("20"), testFile("roms/example.nes") });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    expectTileSheet(QImage(sheet), rom.mid(16 + 2050 * 16, 20 * 16), 16, grey);

    // From --first to the last tile.
    run = runKestova({ QStringLiteral("--export-png"), sheet, QStringLiteral("--first"), QStringLiteral("2552"),
        testFile("roms/example.nes") });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    expectTileSheet(QImage(sheet), rom.mid(16 + 2552 * 16), 16, grey);
}

TEST(CommandLine, TileRangesAndOffsetsPastTheFileAreRefused)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString input = temp.filePath(QStringLiteral("game.nes"));
    writeFile(input, chrRamRom());
    const QString sheet = temp.filePath(QStringLiteral("out.png"));
    const QString size = QString::number(16 + 32768);

    ProcessResult run = runKestova(
        { QStringLiteral("--export-png"), sheet, QStringLiteral("--offset"), QStringLiteral("0x8008"), input });
    expectOneLineFailure(
        run, input, QStringLiteral("is %1 bytes, so no tile of 16 bytes starts at offset 32776").arg(size));
    run = runKestova({ QStringLiteral("--export-png"), sheet, QStringLiteral("--offset"), QStringLiteral("$7FF0"),
        QStringLiteral("--count"), QStringLiteral("3"), input });
    expectOneLineFailure(
        run, input, QStringLiteral("from offset 32752 ($7FF0) it holds 2 tiles, not the 3 of --count"));
    run = runKestova({ QStringLiteral("--export-png"), sheet, QStringLiteral("--first"), QStringLiteral("2047"),
        QStringLiteral("--count"), QStringLiteral("2"), input });
    expectOneLineFailure(
        run, input, QStringLiteral("holds 2048 tiles (0-2047); 2 tiles from tile 2047 run past the last"));
    EXPECT_FALSE(QFile::exists(sheet));

    // A picture of 8 non-blank tiles does not fit in the last 2 tiles' room.
    const QString font = temp.filePath(QStringLiteral("font.png"));
    ASSERT_EQ(runKestova({ QStringLiteral("--export-png"), font, QStringLiteral("--offset"),
                             QString::number(fontOffset), QStringLiteral("--count"), QStringLiteral("8"), input })
                  .exitCode,
        0);
    const QString output = temp.filePath(QStringLiteral("out.nes"));
    run = runKestova({ QStringLiteral("--import-png"), font, QStringLiteral("--output"), output,
        QStringLiteral("--offset"), QStringLiteral("$7FF0"), input });
    expectOneLineFailure(run, font, QStringLiteral("placed from offset 32752 ($7FF0) they run past the end of"));
    EXPECT_FALSE(QFile::exists(output));

    for (const QStringList &arguments : {
             QStringList {
                 QStringLiteral("--export-png"), sheet, QStringLiteral("--offset"), QStringLiteral("$-1"), input },
             QStringList { QStringLiteral("--export-png"), sheet, QStringLiteral("--offset"), QStringLiteral("8"),
                 QStringLiteral("--first"), QStringLiteral("1"), input },
             QStringList { QStringLiteral("--import-png"), font, QStringLiteral("--output"), output,
                 QStringLiteral("--offset"), QStringLiteral("8"), QStringLiteral("--at"), QStringLiteral("1"), input },
             QStringList { QStringLiteral("--import-png"), font, QStringLiteral("--output"), output,
                 QStringLiteral("--offset"), QStringLiteral("8") },
             QStringList {
                 QStringLiteral("--export-png"), sheet, QStringLiteral("--count"), QStringLiteral("0"), input },
         }) {
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        run = runKestova(arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
    }
}

// --palette @OFFSET reads the same colours as a palette file cut out of the ROM by hand, for every command that takes
// a palette; --bytes 16 reads the background half.
TEST(CommandLine, PaletteAtAnOffsetEqualsTheBytesCutByHand)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QByteArray rom = chrRamRom();
    const QString input = temp.filePath(QStringLiteral("game.nes"));
    writeFile(input, rom);
    const QString cut = temp.filePath(QStringLiteral("cut.pal"));
    writeFile(cut, rom.mid(paletteOffset, 32));
    const QString cutHalf = temp.filePath(QStringLiteral("half.pal"));
    writeFile(cutHalf, rom.mid(paletteOffset, 16));
    const QString fromFile = temp.filePath(QStringLiteral("file.png"));
    const QString fromRom = temp.filePath(QStringLiteral("rom.png"));

    struct Case
    {
        QStringList command;
        QString palette;
        QStringList extra;
    };
    const QStringList exportFont = { QStringLiteral("--export-png"), QString(), QStringLiteral("--offset"),
        QString::number(fontOffset), QStringLiteral("--sub-palette"), QStringLiteral("6") };
    const QStringList exportHalf = { QStringLiteral("--export-png"), QString(), QStringLiteral("--first"),
        QStringLiteral("3"), QStringLiteral("--sub-palette"), QStringLiteral("3") };
    const Case cases[] = {
        { exportFont, cut, {} },
        { exportHalf, cutHalf, { QStringLiteral("--bytes"), QStringLiteral("16") } },
    };
    for (const Case &test : cases) {
        SCOPED_TRACE(test.command.join(u' ').toStdString());
        QStringList byHand = test.command;
        byHand[1] = fromFile;
        ProcessResult run = runKestova(byHand + QStringList { QStringLiteral("--palette"), test.palette, input });
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        for (const QString &offset : { QStringLiteral("@0x1211"), QStringLiteral("@$1211"), QStringLiteral("@4625") }) {
            QStringList atOffset = test.command;
            atOffset[1] = fromRom;
            run = runKestova(atOffset + test.extra + QStringList { QStringLiteral("--palette"), offset, input });
            ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
            EXPECT_EQ(QImage(fromRom), QImage(fromFile)) << offset.toStdString();
        }
    }

    // A 16-byte palette has no sub-palette 6; bytes that are no colour numbers and offsets past the end are refused.
    ProcessResult run = runKestova({ QStringLiteral("--export-png"), fromRom, QStringLiteral("--palette"),
        QStringLiteral("@0x1211"), QStringLiteral("--bytes"), QStringLiteral("16"), QStringLiteral("--sub-palette"),
        QStringLiteral("6"), input });
    EXPECT_EQ(run.exitCode, 1);
    run = runKestova(
        { QStringLiteral("--export-png"), fromRom, QStringLiteral("--palette"), QStringLiteral("@16"), input });
    expectOneLineFailure(run, input, QStringLiteral("the 32 bytes at offset 16 ($10) are no palette: byte 0 is 0xD7"));
    run = runKestova(
        { QStringLiteral("--export-png"), fromRom, QStringLiteral("--palette"), QStringLiteral("@$8000"), input });
    expectOneLineFailure(
        run, input, QStringLiteral("is 32784 bytes, so it holds no 32-byte palette at offset 32768 ($8000)"));

    for (const QStringList &arguments : {
             QStringList {
                 QStringLiteral("--export-png"), fromRom, QStringLiteral("--palette"), QStringLiteral("@x"), input },
             QStringList { QStringLiteral("--export-png"), fromRom, QStringLiteral("--palette"), cut,
                 QStringLiteral("--bytes"), QStringLiteral("16"), input },
             QStringList { QStringLiteral("--import-png"), fromFile, QStringLiteral("--output"),
                 temp.filePath(QStringLiteral("x.chr")), QStringLiteral("--palette"), QStringLiteral("@0") },
         }) {
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        run = runKestova(arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
    }
}

// A sheet that would be taller than the 16384 pixels many programs read is written wider without --columns, and
// with --columns as asked, each with one warning saying how it was or can be laid out.
TEST(CommandLine, TallSheetsAreLaidOutWiderOrWarnedOf)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    QByteArray chr(40000 * 16, '\0');
    for (qsizetype i = 0; i < chr.size(); ++i)
        chr[i] = char((i * 7 + i / 4096) & 0xFF);
    const QString input = temp.filePath(QStringLiteral("big.chr"));
    writeFile(input, chr);
    const QString sheet = temp.filePath(QStringLiteral("big.png"));

    ProcessResult run = runKestova({ QStringLiteral("--export-png"), sheet, input });
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err.toStdString(),
        QStringLiteral("kestova: warning: %1: 16 tiles a row would make the picture 20000 pixels tall, more than the "
                       "16384 many programs read; it is written 32 tiles a row (--columns chooses)\n")
            .arg(sheet)
            .toStdString());
    const QImage wide(sheet);
    EXPECT_EQ(wide.size(), QSize(32 * 8, 1250 * 8));
    expectTileSheet(wide.copy(0, 0, 32 * 8, 2 * 8), chr.first(64 * 16), 32, grey);

    run = runKestova(
        { QStringLiteral("--export-png"), sheet, QStringLiteral("--columns"), QStringLiteral("16"), input });
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(QString::fromUtf8(run.err).endsWith(QStringLiteral("the picture is 20000 pixels tall, more than the "
                                                                   "16384 many programs read; --columns 32 lays it "
                                                                   "out wide enough\n")))
        << run.err.toStdString();
    EXPECT_EQ(QImage(sheet).size(), QSize(16 * 8, 20000));
}
