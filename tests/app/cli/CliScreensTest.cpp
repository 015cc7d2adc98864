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

namespace {

using mosavo::Bytes;

const QString dataDir = QStringLiteral(KESTOVA_TEST_DATA);

struct ProgramRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// The program as scripts run it: a process of its own, without any display.
ProgramRun runProgram(const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QT_LOGGING_RULES" })
        environment.remove(QLatin1String(name));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(KESTOVA_BINARY), arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return { process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError() };
}

class CliScreens : public ::testing::Test
{
protected:
    QString path(const QString &name) const { return dir_.filePath(name); }

    void write(const QString &name, const Bytes &bytes) const
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
    }
    void write(const QString &name, const QByteArray &bytes) const { write(name, Bytes(bytes.begin(), bytes.end())); }

    Bytes read(const QString &name) const
    {
        QFile file(path(name));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QByteArray bytes = file.readAll();
        return Bytes(bytes.begin(), bytes.end());
    }

    // Runs a shell command in the folder, failing the test with its output when it fails.
    void shell(const std::string &command) const
    {
        const std::string line = "cd '" + dir_.path().toStdString() + "' && " + command + " >log.txt 2>&1";
        const int status = std::system(line.c_str());
        const Bytes log = read(QStringLiteral("log.txt"));
        ASSERT_EQ(status, 0) << command << "\n" << std::string(log.begin(), log.end());
    }

    // A document file of blank tiles holding the screens (and metasprites) given.
    void writeDocument(const QString &name, const std::vector<mosavo::Screen> &screens,
        const std::vector<mosavo::Metasprite> &metasprites = {}) const
    {
        auto document = kestova::EditorViewControllerSettings::emptyConsoleObject(mosavo::ConsoleType::nes);
        document->screens() = screens;
        document->metasprites() = metasprites;
        write(name, *document->documentBytes());
    }

    QTemporaryDir dir_;
};

// CHR data of one bank: tile 1 all colour 1, tile 258 all colour 2, tile 259 all colour 3, the rest blank.
Bytes knownBank()
{
    Bytes chr(8192, 0);
    const auto fill = [&](int tile, int index) {
        for (int row = 0; row < 8; ++row) {
            chr[size_t(tile * 16 + row)] = (index & 1) ? 0xFF : 0;
            chr[size_t(tile * 16 + 8 + row)] = (index & 2) ? 0xFF : 0;
        }
    };
    fill(1, 1);
    fill(258, 2);
    fill(259, 3);
    return chr;
}

QRgb master(int number)
{
    return 0xFF000000u | mosavo::DisplayColors().rgb24(number);
}

} // namespace

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
    odd.setPixel(17, 3, qRgb(1, 2, 3));
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
            1, QStringLiteral("odd.png: pixel (17, 3) is #010203, which is not one of the display colours") },
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
