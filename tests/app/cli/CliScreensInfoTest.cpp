#include "app/document/EditorViewControllerSettings.h"
#include "core/ConsoleDataFactory.h"
#include "core/Matrix.h"
#include "core/Rle.h"
#include "palette/DisplayColors.h"
#include "palette/PaletteFactory.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>

#include "app/cli/CliScreensTestSupport.h"

using namespace cli_screens_test;

TEST_F(CliScreens, DisplayPaletteColoursTileSheets)
{
    write(QStringLiteral("bank.chr"), knownBank());
    Bytes display(192);
    for (size_t i = 0; i < display.size(); ++i)
        display[i] = uint8_t(i);
    write(QStringLiteral("display.pal"), display);
    const QString out = path(QStringLiteral("sheet.png"));
    const auto exportSheet = [&](const QStringList &extra) {
        QStringList arguments { QStringLiteral("--export-png"), out };
        arguments << extra << path(QStringLiteral("bank.chr"));
        const ProgramRun run = runProgram(arguments);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return QImage(out).colorTable();
    };
    // The viewer's greys $30 $10 $00 $0F as the file shows them.
    const auto shown = exportSheet({ QStringLiteral("--display-palette"), path(QStringLiteral("display.pal")) });
    ASSERT_EQ(shown.size(), 4);
    const int greys[] = { 0x30, 0x10, 0x00, 0x0F };
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(shown[i], qRgb(greys[i] * 3, greys[i] * 3 + 1, greys[i] * 3 + 2)) << i;

    // A file of another size is refused, naming it and its size, and nothing is written.
    QFile::remove(out);
    write(QStringLiteral("odd.pal"), Bytes(100, 7));
    const ProgramRun refused = runProgram({ QStringLiteral("--export-png"), out, QStringLiteral("--display-palette"),
        path(QStringLiteral("odd.pal")), path(QStringLiteral("bank.chr")) });
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains("odd.pal") && refused.err.contains("100")) << refused.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(CliScreens, InfoListsScreensAndMetaspritesWithTheMostSpritesOnOneLine)
{
    mosavo::Screen screen;
    screen.name = "title";
    screen.patternTable = 1;
    for (size_t i = 0; i < screen.tiles.size(); ++i)
        screen.tiles[i] = uint8_t(i % 12);
    mosavo::Metasprite row { "row", {} };
    for (int i = 0; i < 9; ++i)
        row.sprites.push_back({ i * 8, i == 8 ? 4 : 0 });
    mosavo::Metasprite single { "one", { {} } };
    writeDocument(QStringLiteral("doc.kestova"), { screen }, { row, single });
    const ProgramRun run = runProgram({ QStringLiteral("--info"), path(QStringLiteral("doc.kestova")) });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.toStdString(),
        "{\"kind\":\"document\",\"tiles\":512,\"palettes\":8,"
        "\"screens\":[{\"name\":\"title\",\"patternTable\":1,\"distinctTiles\":12}],"
        "\"metasprites\":[{\"name\":\"row\",\"sprites\":9,\"mostOnOneLine\":9},"
        "{\"name\":\"one\",\"sprites\":1,\"mostOnOneLine\":1}],\"warnings\":[]}\n");
}

// Names are the document's bytes: one that is not UTF-8 is listed with U+FFFD in its place, not a crash.
TEST_F(CliScreens, InfoListsNamesThatAreNotUtf8)
{
    mosavo::Screen screen;
    screen.name = "ti\xB7tle";
    writeDocument(QStringLiteral("doc.kestova"), { screen }, { { "\xFF", { {} } } });
    const ProgramRun run = runProgram({ QStringLiteral("--info"), path(QStringLiteral("doc.kestova")) });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("\"name\":\"ti\xEF\xBF\xBDtle\"")) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("\"name\":\"\xEF\xBF\xBD\",\"sprites\":1")) << run.out.toStdString();
}

TEST_F(CliScreens, RefusalsExitWithOneLineAndLeaveNoOutput)
{
    mosavo::Screen allValues;
    for (size_t i = 0; i < allValues.tiles.size(); ++i)
        allValues.tiles[i] = uint8_t(i);
    writeDocument(QStringLiteral("doc.kestova"), { allValues });
    write(QStringLiteral("bank.chr"), knownBank());
    QImage small(128, 240, QImage::Format_RGB32);
    small.fill(master(0x0F));
    small.save(path(QStringLiteral("small.png")));
    QImage odd(256, 240, QImage::Format_RGB32);
    odd.fill(master(0x0F));
    // A hot pink no display colour comes near (a colour near one, as #010203 is to black, would be read as it).
    odd.setPixel(17, 3, qRgb(0xFF, 0x00, 0x80));
    odd.save(path(QStringLiteral("odd.png")));
    write(QStringLiteral("short.nam"), Bytes(1000, 0));
    QImage wide(4097, 240, QImage::Format_RGB32);
    wide.fill(master(0x0F));
    wide.save(path(QStringLiteral("wide.png")));
    QImage plain(256, 240, QImage::Format_RGB32);
    plain.fill(master(0x0F));
    plain.save(path(QStringLiteral("plain.png")));
    // CHR data as large as an input may be: with a screen, its document could not be opened again.
    write(QStringLiteral("huge.chr"), Bytes(64 * 1024 * 1024, 0));
    // A picture cut short inside its image data: the PNG library's own error line stays off standard error.
    {
        QFile whole(path(QStringLiteral("odd.png")));
        ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
        const QByteArray bytes = whole.readAll();
        write(QStringLiteral("cut.png"), Bytes(bytes.begin(), bytes.begin() + bytes.size() / 2));
    }
    write(QStringLiteral("half.chr"), Bytes(4096, 0));
    {
        QFile rom(dataDir + QStringLiteral("/roms/hello.nes"));
        ASSERT_TRUE(rom.open(QIODevice::ReadOnly));
        const QByteArray bytes = rom.read(16 + 32768); // 32 KiB of PRG-ROM, and the CHR-ROM cut off
        write(QStringLiteral("cut.nes"), Bytes(bytes.begin(), bytes.end()));
    }
    // A ROM image whose board uses CHR-RAM.
    Bytes rom = { 'N', 'E', 'S', 0x1A, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 };
    rom.resize(16 + 16384, 0);
    write(QStringLiteral("chr-ram.nes"), rom);
    const QString doc = path(QStringLiteral("doc.kestova"));
    const QString out = path(QStringLiteral("out"));

    struct Case
    {
        QStringList arguments;
        int exitCode;
        QString message;
    };
    const std::vector<Case> cases = {
        { { QStringLiteral("--import-screen-png"), path(QStringLiteral("small.png")), QStringLiteral("--output"), out },
            1,
            QStringLiteral(
                "small.png: the picture is 128 x 240 pixels; a screen is made from a picture of 256 x 240") },
        { { QStringLiteral("--import-screen-png"), path(QStringLiteral("wide.png")), QStringLiteral("--output"), out },
            1,
            QStringLiteral(
                "wide.png: the picture is 4097 x 240 pixels; a screen is made from a picture of 256 x 240") },
        { { QStringLiteral("--import-screen-png"), path(QStringLiteral("odd.png")), QStringLiteral("--output"), out },
            1,
            QStringLiteral("odd.png: pixel (17, 3) is #FF0080, too far from every display colour to be read as one "
                           "(the nearest is $") },
        { { QStringLiteral("--import-screen-png"), path(QStringLiteral("odd.png")), QStringLiteral("--output"), out,
              path(QStringLiteral("chr-ram.nes")) },
            1, QStringLiteral("chr-ram.nes: is an iNES ROM image without CHR-ROM") },
        { { QStringLiteral("--import-screen-png"), path(QStringLiteral("cut.png")), QStringLiteral("--output"), out },
            1, QStringLiteral("cut.png: cannot be read as PNG") },
        { { QStringLiteral("--import-sprite-png"), path(QStringLiteral("cut.png")), QStringLiteral("--output"), out },
            1, QStringLiteral("cut.png: cannot be read as PNG") },
        { { QStringLiteral("--import-png"), path(QStringLiteral("cut.png")), QStringLiteral("--output"), out }, 1,
            QStringLiteral("cut.png: cannot be read as PNG") },
        { { QStringLiteral("--import-screen-png"), path(QStringLiteral("odd.png")) }, 2,
            QStringLiteral("--import-screen-png needs --output DOC.kestova") },
        { { QStringLiteral("--import-screen-png"), path(QStringLiteral("plain.png")), QStringLiteral("--output"), out,
              path(QStringLiteral("huge.chr")) },
            1, QStringLiteral("out: the document would be ") },
        { { QStringLiteral("--import-screen-png"), path(QStringLiteral("plain.png")), QStringLiteral("--output"), out,
              QStringLiteral("--name"), QString(129, QChar(0xE9)) },
            2, QStringLiteral("--name must be at most 256 bytes of UTF-8, not 258") },
        { { QStringLiteral("--export-nametable"), out, QStringLiteral("--rle"), doc }, 1,
            QStringLiteral("doc.kestova: screen 0: the nametable uses all 256 byte values, so no RLE tag is free") },
        { { QStringLiteral("--export-nametable"), out, QStringLiteral("--screen"), QStringLiteral("1"), doc }, 1,
            QStringLiteral("doc.kestova: the document holds 1 screen (0-0), so there is no screen 1") },
        { { QStringLiteral("--export-nametable"), out, QStringLiteral("--asm"), QStringLiteral("a"),
              QStringLiteral("--c"), QStringLiteral("b"), doc },
            2, QStringLiteral("--asm and --c cannot go together") },
        { { QStringLiteral("--export-nametable"), out, QStringLiteral("--c"), QStringLiteral("int"), doc }, 2,
            QStringLiteral("--c int:") },
        // A control character in an argument is written out, so the message stays one line.
        { { QStringLiteral("--export-nametable"), out, QStringLiteral("--asm"), QStringLiteral("a\nb"), doc }, 2,
            QStringLiteral("--asm a\\nb:") },
        { { QStringLiteral("--info"), path(QStringLiteral("no\nsuch.chr")) }, 1, QStringLiteral("no\\nsuch.chr: ") },
        { { QStringLiteral("--export-chr"), out, QStringLiteral("--c"), QStringLiteral("asm"),
              path(QStringLiteral("bank.chr")) },
            2, QStringLiteral("--c asm:") },
        { { QStringLiteral("--export-chr"), out, QStringLiteral("--asm"), QStringLiteral("lda"),
              path(QStringLiteral("bank.chr")) },
            2, QStringLiteral("--asm lda:") },
        { { QStringLiteral("--export-screen-png"), out, path(QStringLiteral("bank.chr")) }, 1,
            QStringLiteral("bank.chr: is not a Kestova document") },
        { { QStringLiteral("--render-frame"), out, QStringLiteral("--nametable"), path(QStringLiteral("short.nam")),
              path(QStringLiteral("bank.chr")) },
            1,
            QStringLiteral(
                "short.nam: not a nametable: a nametable is 1024 bytes (or 960 without attributes), not 1000") },
        { { QStringLiteral("--render-frame"), out, QStringLiteral("--oam"), path(QStringLiteral("short.nam")),
              path(QStringLiteral("bank.chr")) },
            1, QStringLiteral("short.nam: not an OAM dump: it is 1000 bytes, and OAM is 256") },
        { { QStringLiteral("--render-frame"), out, QStringLiteral("--chr-bank"), QStringLiteral("1"),
              path(QStringLiteral("bank.chr")) },
            1, QStringLiteral("bank.chr: its CHR data holds 1 bank of 8 KiB, so there is no bank 1") },
        { { QStringLiteral("--render-frame"), out, QStringLiteral("--chr-bank"), QStringLiteral("16"),
              dataDir + QStringLiteral("/roms/hello_mmc1.nes") },
            1, QStringLiteral("hello_mmc1.nes: its CHR-ROM holds 16 banks of 8 KiB, so there is no bank 16") },
        { { QStringLiteral("--render-frame"), out, path(QStringLiteral("cut.nes")) }, 1,
            QStringLiteral(
                "cut.nes: its header gives 1 bank of 8 KiB of CHR-ROM, but the file is cut short and holds 0 "
                "bytes of it, so there is no bank 0") },
        { { QStringLiteral("--import-screen-png"), path(QStringLiteral("plain.png")), QStringLiteral("--output"), out,
              QStringLiteral("--bg-table"), QStringLiteral("1"), path(QStringLiteral("half.chr")) },
            1, QStringLiteral("the tiles end before pattern table 1 (tiles 256-511 of the bank)") },
        { { QStringLiteral("--render-frame"), out, path(QStringLiteral("chr-ram.nes")) }, 1,
            QStringLiteral("chr-ram.nes: is an iNES ROM image without CHR-ROM") },
        { { QStringLiteral("--render-frame"), out, QStringLiteral("--display-palette"),
              path(QStringLiteral("short.nam")), path(QStringLiteral("bank.chr")) },
            1, QStringLiteral("short.nam: not a display palette") },
        { { QStringLiteral("--render-frame"), out, QStringLiteral("--bg-table"), QStringLiteral("2"),
              path(QStringLiteral("bank.chr")) },
            2, QStringLiteral("--bg-table") },
        { { QStringLiteral("--render-frame"), out, QStringLiteral("--rle"), path(QStringLiteral("bank.chr")) }, 2,
            QStringLiteral("--rle goes with --export-nametable") },
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.arguments.join(u' ').toStdString());
        const ProgramRun run = runProgram(row.arguments);
        EXPECT_EQ(run.exitCode, row.exitCode);
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
        EXPECT_TRUE(QString::fromUtf8(run.err).contains(row.message)) << run.err.toStdString();
        EXPECT_FALSE(QFile::exists(out));
    }
    // An output naming one of the inputs is refused before anything is written; an import may still write over the
    // FILE it adds to.
    const Bytes documentBytes = read(QStringLiteral("doc.kestova"));
    const Bytes nametableBytes = read(QStringLiteral("short.nam"));
    const Bytes pictureBytes = read(QStringLiteral("odd.png"));
    const QString nam = path(QStringLiteral("short.nam"));
    const QString png = path(QStringLiteral("odd.png"));
    for (const QStringList &arguments : std::vector<QStringList> { { QStringLiteral("--export-nametable"), doc, doc },
             { QStringLiteral("--render-frame"), nam, QStringLiteral("--nametable"), nam,
                 path(QStringLiteral("bank.chr")) },
             { QStringLiteral("--import-screen-png"), png, QStringLiteral("--output"), png },
             { QStringLiteral("--import-screen-png"), png, QStringLiteral("--output"), nam, QStringLiteral("--palette"),
                 nam } }) {
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        const ProgramRun run = runProgram(arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("is also the file read as")) << run.err.toStdString();
    }
    EXPECT_EQ(read(QStringLiteral("doc.kestova")), documentBytes);
    EXPECT_EQ(read(QStringLiteral("short.nam")), nametableBytes);
    EXPECT_EQ(read(QStringLiteral("odd.png")), pictureBytes);
    write(QStringLiteral("bank-copy.chr"), knownBank());
    const ProgramRun inPlace = runProgram({ QStringLiteral("--import-png"), path(QStringLiteral("small.png")),
        QStringLiteral("--output"), path(QStringLiteral("bank-copy.chr")), path(QStringLiteral("bank-copy.chr")) });
    EXPECT_EQ(inPlace.exitCode, 0) << inPlace.err.toStdString();

    // The same renders once the faults are gone (a bank that exists).
    EXPECT_EQ(runProgram({ QStringLiteral("--render-frame"), out, QStringLiteral("--chr-bank"), QStringLiteral("15"),
                             dataDir + QStringLiteral("/roms/hello_mmc1.nes") })
                  .exitCode,
        0);
    EXPECT_TRUE(QFile::exists(out));
}
