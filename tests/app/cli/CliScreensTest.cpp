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

namespace { } // namespace

TEST_F(CliScreens, RealSheetThroughARenderedScreenComesBackAsTheSamePicture)
{
    // The tiles of a real sheet, placed on a screen by a nametable and drawn by the PPU's rules.
    ASSERT_EQ(runProgram({ QStringLiteral("--import-png"), dataDir + QStringLiteral("/png/vaus-test_bggfx.png"),
                             QStringLiteral("--output"), path(QStringLiteral("tiles.chr")) })
                  .exitCode,
        0);
    Bytes nametable(1024);
    for (size_t i = 0; i < 960; ++i)
        nametable[i] = uint8_t((i * 5) % 256);
    for (size_t i = 960; i < 1024; ++i)
        nametable[i] = uint8_t(i * 0x1B);
    write(QStringLiteral("screen.nam"), nametable);
    const QString palette = dataDir + QStringLiteral("/palettes/bgd.pal");
    ASSERT_EQ(runProgram({ QStringLiteral("--render-frame"), path(QStringLiteral("picture.png")),
                             QStringLiteral("--nametable"), path(QStringLiteral("screen.nam")),
                             QStringLiteral("--palette"), palette, path(QStringLiteral("tiles.chr")) })
                  .exitCode,
        0);
    const QImage picture(path(QStringLiteral("picture.png")));
    ASSERT_EQ(picture.size(), QSize(256, 240));

    // Into a new document (sub-palettes found) and into the tiles themselves (sub-palettes given: every tile found).
    Bytes backgroundHalves[2];
    for (const bool intoTiles : { false, true }) {
        SCOPED_TRACE(intoTiles ? "into the tiles" : "new document");
        QStringList import
            = { QStringLiteral("--import-screen-png"), path(QStringLiteral("picture.png")), QStringLiteral("--output"),
                  path(QStringLiteral("doc.kestova")), QStringLiteral("--name"), QStringLiteral("title") };
        if (intoTiles)
            import << QStringLiteral("--palette") << palette << path(QStringLiteral("tiles.chr"));
        const ProgramRun imported = runProgram(import);
        ASSERT_EQ(imported.exitCode, 0) << imported.err.toStdString();
        const ProgramRun info = runProgram({ QStringLiteral("--info"), path(QStringLiteral("doc.kestova")) });
        const QJsonObject facts = QJsonDocument::fromJson(info.out).object();
        const QJsonArray screens = facts.value(QStringLiteral("screens")).toArray();
        ASSERT_EQ(screens.size(), 1) << info.out.toStdString();
        EXPECT_EQ(screens[0].toObject().value(QStringLiteral("name")).toString(), QStringLiteral("title"));
        EXPECT_EQ(screens[0].toObject().value(QStringLiteral("patternTable")).toInt(), 0);
        EXPECT_GT(screens[0].toObject().value(QStringLiteral("distinctTiles")).toInt(), 40);
        EXPECT_FALSE(facts.contains(QStringLiteral("metasprites")));
        // The document has a whole palette file: the screen's four sub-palettes, then four readable ones.
        const ProgramRun exported = runProgram({ QStringLiteral("--export-palette"), path(QStringLiteral("doc.pal")),
            path(QStringLiteral("doc.kestova")) });
        ASSERT_EQ(exported.exitCode, 0) << exported.err.toStdString();
        const Bytes colours = read(QStringLiteral("doc.pal"));
        ASSERT_EQ(colours.size(), 32u);
        const Bytes &readable = mosavo::PaletteFactory::readableColorNumbers();
        EXPECT_EQ(Bytes(colours.begin() + 16, colours.end()), Bytes(readable.begin() + 16, readable.end()));
        backgroundHalves[intoTiles ? 1 : 0] = Bytes(colours.begin(), colours.begin() + 16);

        ASSERT_EQ(runProgram({ QStringLiteral("--export-screen-png"), path(QStringLiteral("back.png")),
                                 path(QStringLiteral("doc.kestova")) })
                      .exitCode,
            0);
        const QImage back(path(QStringLiteral("back.png")));
        EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), picture.convertToFormat(QImage::Format_RGB32));
        if (intoTiles) {
            // Nothing new was needed: the document's tiles are the sheet's, and its nametable draws the same frame.
            ASSERT_EQ(runProgram({ QStringLiteral("--export-chr"), path(QStringLiteral("back.chr")),
                                     path(QStringLiteral("doc.kestova")) })
                          .exitCode,
                0);
            EXPECT_EQ(read(QStringLiteral("back.chr")), read(QStringLiteral("tiles.chr")));
            ASSERT_EQ(runProgram({ QStringLiteral("--export-nametable"), path(QStringLiteral("back.nam")),
                                     path(QStringLiteral("doc.kestova")) })
                          .exitCode,
                0);
            ASSERT_EQ(runProgram({ QStringLiteral("--render-frame"), path(QStringLiteral("again.png")),
                                     QStringLiteral("--nametable"), path(QStringLiteral("back.nam")),
                                     QStringLiteral("--palette"), palette, path(QStringLiteral("tiles.chr")) })
                          .exitCode,
                0);
            EXPECT_EQ(QImage(path(QStringLiteral("again.png"))), picture);
        }
    }

    // The picture imported again, without a palette, into the document with the screen: found sub-palettes come in
    // another order, but the picture fits the document's own, so the screen already there keeps its colours.
    ASSERT_NE(backgroundHalves[0], backgroundHalves[1]);
    ASSERT_EQ(runProgram({ QStringLiteral("--import-screen-png"), path(QStringLiteral("picture.png")),
                             QStringLiteral("--output"), path(QStringLiteral("two.kestova")),
                             path(QStringLiteral("doc.kestova")) })
                  .exitCode,
        0);
    ASSERT_EQ(runProgram({ QStringLiteral("--export-palette"), path(QStringLiteral("two.pal")),
                             QStringLiteral("--bytes"), QStringLiteral("16"), path(QStringLiteral("two.kestova")) })
                  .exitCode,
        0);
    EXPECT_EQ(read(QStringLiteral("two.pal")), backgroundHalves[1]);
    for (const char *screen : { "0", "1" }) {
        ASSERT_EQ(runProgram({ QStringLiteral("--export-screen-png"), path(QStringLiteral("back.png")),
                                 QStringLiteral("--screen"), QString::fromLatin1(screen),
                                 path(QStringLiteral("two.kestova")) })
                      .exitCode,
            0);
        EXPECT_EQ(QImage(path(QStringLiteral("back.png"))).convertToFormat(QImage::Format_RGB32),
            picture.convertToFormat(QImage::Format_RGB32))
            << "screen " << screen;
    }
}

TEST_F(CliScreens, NametableExportsGiveTheBinaryBytesInEveryForm)
{
    mosavo::Screen screen;
    screen.name = "level";
    for (size_t i = 0; i < screen.tiles.size(); ++i)
        screen.tiles[i] = uint8_t(i < 400 ? 7 : (i * 3) % 40);
    for (size_t i = 0; i < screen.attributes.size(); ++i)
        screen.attributes[i] = uint8_t(i % 5);
    mosavo::Screen other = screen;
    other.tiles.fill(9);
    // A document with a palette file of 32 different bytes and a tile drawn in all four colours.
    auto document = kestova::EditorViewControllerSettings::emptyConsoleObject(mosavo::ConsoleType::nes);
    document->screens() = { other, screen };
    Bytes paletteFile(32);
    for (size_t i = 0; i < paletteFile.size(); ++i)
        paletteFile[i] = uint8_t(0x3F - i);
    document->setPalettes(*mosavo::PaletteFactory::generate(paletteFile));
    std::vector<int64_t> pixels(64);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = int64_t(i * 7 % 4);
    document->tileData()->matrices()[3] = mosavo::Matrix::make(pixels, 8, 8);
    write(QStringLiteral("doc.kestova"), *document->documentBytes());
    const QString doc = path(QStringLiteral("doc.kestova"));
    const auto exportTo = [&](const QString &command, const QString &out, QStringList options) {
        options.prepend(path(out));
        options.prepend(command);
        options << doc;
        const ProgramRun run = runProgram(options);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return read(out);
    };
    const QString nametable = QStringLiteral("--export-nametable");
    const QStringList second = { QStringLiteral("--screen"), QStringLiteral("1") };
    const Bytes binary = exportTo(nametable, QStringLiteral("level.nam"), second);
    EXPECT_EQ(binary, screen.nametableBytes());

    const Bytes packed
        = exportTo(nametable, QStringLiteral("level.rle"), second + QStringList { QStringLiteral("--rle") });
    EXPECT_LT(packed.size(), binary.size());
    const auto unpacked = mosavo::rleUnpack(packed, 1024);
    ASSERT_TRUE(unpacked) << unpacked.error;
    EXPECT_EQ(*unpacked.bytes, binary);

    const Bytes tiles = exportTo(QStringLiteral("--export-chr"), QStringLiteral("tiles.chr"), {});
    ASSERT_EQ(tiles.size(), 8192u);
    EXPECT_EQ(tiles[3 * 16 + 1], 0x55) << "row 1 of tile 3: colours 0, 3, 2, 1, 0, 3, 2, 1, low bits 0, 1, 0, 1, ...";
    EXPECT_EQ(exportTo(QStringLiteral("--export-palette"), QStringLiteral("doc.pal"), {}), paletteFile);

    // Each export as ca65 source (assembled and linked) and as C source (compiled and run) gives exactly its binary
    // bytes.
    struct SourceCase
    {
        const char *what;
        QString command;
        QStringList options;
        Bytes expected;
    };
    const std::vector<SourceCase> cases = {
        { "nametable", nametable, second, binary },
        { "RLE nametable", nametable, second + QStringList { QStringLiteral("--rle") }, packed },
        { "tiles", QStringLiteral("--export-chr"), {}, tiles },
        { "palette file", QStringLiteral("--export-palette"), {}, paletteFile },
        { "background half of the palette file", QStringLiteral("--export-palette"),
            { QStringLiteral("--bytes"), QStringLiteral("16") }, Bytes(paletteFile.begin(), paletteFile.begin() + 16) },
    };
    write(QStringLiteral("flat.cfg"),
        QByteArray("MEMORY { ROM: start = $8000, size = $8000, file = %O; }\n"
                   "SEGMENTS { CODE: load = ROM, type = ro; RODATA: load = ROM, type = ro; }\n"));
    write(QStringLiteral("main.c"),
        QByteArray("#include <stdio.h>\n#include \"data.c\"\nint main(void) {\n"
                   "    FILE *f = fopen(\"c.bin\", \"wb\");\n"
                   "    return !f || fwrite(data, 1, sizeof data, f) != sizeof data || fclose(f) != 0;\n}\n"));
    for (const SourceCase &source : cases) {
        SCOPED_TRACE(source.what);
        exportTo(source.command, QStringLiteral("data.s"),
            source.options + QStringList { QStringLiteral("--asm"), QStringLiteral("data") });
        shell("ca65 -o data.o data.s && ld65 -C flat.cfg -o data.bin data.o");
        EXPECT_EQ(read(QStringLiteral("data.bin")), source.expected);

        exportTo(source.command, QStringLiteral("data.c"),
            source.options + QStringList { QStringLiteral("--c"), QStringLiteral("data") });
        shell("cc -std=c99 -Wall -Wextra -pedantic -Werror -o dump main.c && ./dump");
        EXPECT_EQ(read(QStringLiteral("c.bin")), source.expected);
    }
}

TEST_F(CliScreens, RenderFrameDrawsKnownBytesByThePpuRules)
{
    write(QStringLiteral("bank.chr"), knownBank());
    Bytes nametable(1024, 0);
    nametable[0] = 1; // tile 1 at the top left, sub-palette 0
    nametable[33] = 1; // tile 1 at (1, 1), same area
    nametable[4] = 1; // tile 1 at (4, 0): attribute byte 1, top-left quarter
    nametable[960 + 1] = 0x02; // sub-palette 2 there
    write(QStringLiteral("screen.nam"), nametable);
    // 32 colours that all look different: $0F, then $01-$0C, $11-$1C, $21-$27.
    Bytes palette(32, 0x0F);
    for (size_t i = 1; i < palette.size(); ++i)
        palette[i] = uint8_t(0x01 + (i - 1) / 12 * 0x10 + (i - 1) % 12);
    write(QStringLiteral("frame.pal"), palette);
    Bytes oam(256, 0xFF);
    // Sprite 0 at (40, 16) on rows 17-24, tile 1, sub-palette 5, flipped; sprite 1 under it at (44, 16): hidden where
    // they overlap; sprite 2 behind the background over the nametable's tile (0, 0).
    const Bytes sprites = { 16, 1, 0x41, 40, 16, 1, 0x02, 44, 0xFF, 1, 0x23, 4 };
    std::copy(sprites.begin(), sprites.end(), oam.begin());
    oam[8] = 0; // sprite 2 on rows 1-8
    write(QStringLiteral("sprites.oam"), oam);

    const auto render = [&](QStringList options) {
        options.prepend(path(QStringLiteral("frame.png")));
        options.prepend(QStringLiteral("--render-frame"));
        options << path(QStringLiteral("bank.chr"));
        const ProgramRun run = runProgram(options);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return QImage(path(QStringLiteral("frame.png"))).convertToFormat(QImage::Format_ARGB32);
    };
    const QImage frame
        = render({ QStringLiteral("--nametable"), path(QStringLiteral("screen.nam")), QStringLiteral("--oam"),
            path(QStringLiteral("sprites.oam")), QStringLiteral("--palette"), path(QStringLiteral("frame.pal")) });
    ASSERT_EQ(frame.size(), QSize(256, 240));
    EXPECT_EQ(frame.pixel(3, 0), master(palette[1])) << "tile 1, colour 1 of sub-palette 0";
    EXPECT_EQ(frame.pixel(9, 9), master(palette[1]));
    EXPECT_EQ(frame.pixel(33, 2), master(palette[2 * 4 + 1])) << "sub-palette 2 from the attribute byte";
    EXPECT_EQ(frame.pixel(12, 2), master(0x0F)) << "the universal background colour";
    EXPECT_EQ(frame.pixel(40, 17), master(palette[5 * 4 + 1])) << "sprite 0";
    EXPECT_EQ(frame.pixel(46, 20), master(palette[5 * 4 + 1])) << "sprite 0 in front of sprite 1";
    EXPECT_EQ(frame.pixel(50, 20), master(palette[6 * 4 + 1])) << "sprite 1 past sprite 0";
    EXPECT_EQ(frame.pixel(5, 3), master(palette[1])) << "behind the background's opaque pixel";
    EXPECT_EQ(frame.pixel(10, 3), master(palette[7 * 4 + 1])) << "behind-background sprite over colour 0";
    EXPECT_EQ(frame.pixel(40, 16), master(0x0F)) << "drawn one line below its Y";

    // Without a nametable the background is colour 0 everywhere; without a palette the viewer's greys.
    const QImage plain = render({});
    EXPECT_EQ(plain.pixel(3, 0), master(0x30));
    EXPECT_EQ(plain.pixel(200, 200), master(0x30));

    // 8x16 sprites: tile byte 3 reads tiles 258 (top) and 259 (bottom) of pattern table 1; a vertical flip swaps
    // them. --sprite-table 1 reads 8x8 tile 2 of pattern table 1 (tile 258).
    Bytes tall(256, 0xFF);
    const Bytes tallSprites = { 99, 3, 0x00, 100, 99, 3, 0x80, 120 };
    std::copy(tallSprites.begin(), tallSprites.end(), tall.begin());
    write(QStringLiteral("tall.oam"), tall);
    const QImage tallFrame
        = render({ QStringLiteral("--oam"), path(QStringLiteral("tall.oam")), QStringLiteral("--tall") });
    EXPECT_EQ(tallFrame.pixel(100, 100), master(0x00)) << "top half, colour 2 of sub-palette 4 (greys)";
    EXPECT_EQ(tallFrame.pixel(100, 110), master(0x0F)) << "bottom half, colour 3";
    EXPECT_EQ(tallFrame.pixel(120, 100), master(0x0F)) << "flipped: the bottom tile on top";
    EXPECT_EQ(tallFrame.pixel(120, 110), master(0x00));
    tall[1] = 2;
    write(QStringLiteral("tall.oam"), tall);
    const QImage table1 = render({ QStringLiteral("--oam"), path(QStringLiteral("tall.oam")),
        QStringLiteral("--sprite-table"), QStringLiteral("1") });
    EXPECT_EQ(table1.pixel(100, 100), master(0x00));
    EXPECT_EQ(table1.pixel(100, 110), master(0x30)) << "8x8: nothing below the sprite";

    // Display colours from an emulator palette file: colour $30 shown as its entry there.
    Bytes display(192);
    for (size_t i = 0; i < display.size(); ++i)
        display[i] = uint8_t(i);
    write(QStringLiteral("display.pal"), display);
    const QImage shown = render({ QStringLiteral("--display-palette"), path(QStringLiteral("display.pal")) });
    EXPECT_EQ(shown.pixel(0, 0), qRgb(0x30 * 3, 0x30 * 3 + 1, 0x30 * 3 + 2));
}
