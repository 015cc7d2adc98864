#include "app/document/EditorViewControllerSettings.h"
#include "app/sprites/SpriteImport.h"
#include "convert/MetaspriteExport.h"
#include "core/ConsoleDataFactory.h"
#include "palette/DisplayColors.h"
#include "palette/NESPalette.h"
#include "palette/PaletteFactory.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <optional>

namespace {

const QString dataDir = QStringLiteral(KESTOVA_TEST_DATA);

struct ProcessResult
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// The program as scripts run it: a separate process without a display.
ProcessResult runKestova(const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("QT_LOGGING_RULES"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(KESTOVA_BINARY), arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return { process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError() };
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

mosavo::Bytes toBytes(const QByteArray &bytes)
{
    return mosavo::Bytes(bytes.begin(), bytes.end());
}

QByteArray fromBytes(const mosavo::Bytes &bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
}

kestova::SettingsPtr readDocument(const QString &path)
{
    std::string why;
    auto document = kestova::EditorViewControllerSettings::fromDocumentBytes(toBytes(readFile(path)), &why);
    EXPECT_TRUE(document) << why;
    return document;
}

const mosavo::DisplayColors masterColors;

// A picture drawn in characters: '.' transparent, the others colour numbers shown in the master colours.
const std::map<char, uint8_t> colorNumbers = { { 'r', 0x16 }, { 'w', 0x20 }, { 'k', 0x0F }, { 'b', 0x12 },
    { 'g', 0x1A }, { 'y', 0x28 }, { 'p', 0x24 }, { 'o', 0x27 } };

QImage picture(const std::vector<std::string> &rows)
{
    QImage image(int(rows.front().size()), int(rows.size()), QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const char c = rows[size_t(y)][size_t(x)];
            image.setPixel(x, y, c == '.' ? 0u : 0xFF000000u | masterColors.rgb24(colorNumbers.at(c)));
        }
    return image;
}

void savePicture(const QImage &image, const QString &path)
{
    ASSERT_TRUE(image.save(path, "PNG"));
}

// A 16x16 figure: the top right cell is the top left one mirrored; the bottom right cell holds one yellow pixel.
const std::vector<std::string> figure = {
    "rr............rr",
    "rw............wr",
    "r.w..........w.r",
    "r..k........k..r",
    "r..............r",
    "rrrr........rrrr",
    "................",
    "......kkkk......",
    "bbbbbbbb........",
    "bggggggb........",
    "b......b........",
    "bbbbbbbb........",
    "................",
    "................",
    "................",
    "........y.......",
};

// Checks a run refused on an input: exit 1, one line naming the file and the reason, and the output not written.
void expectRefused(const ProcessResult &run, const QString &path, const QString &reason, const QString &output)
{
    const QString err = QString::fromUtf8(run.err);
    EXPECT_EQ(run.exitCode, 1) << err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(err.count(u'\n'), 1) << err.toStdString();
    EXPECT_TRUE(err.startsWith(QStringLiteral("kestova: ") + path + QStringLiteral(": "))) << err.toStdString();
    EXPECT_TRUE(err.contains(reason)) << err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(output)) << "no output is left";
}

class SpriteCommandLine : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(temp_.isValid()); }
    QString path(const QString &name) const { return temp_.filePath(name); }

    // The figure imported into a new document with its origin at (8, 16): the document's path.
    QString importFigure()
    {
        savePicture(picture(figure), path(QStringLiteral("hero.png")));
        const QString document = path(QStringLiteral("hero.kestova"));
        const ProcessResult run = runKestova({ QStringLiteral("--import-sprite-png"), path(QStringLiteral("hero.png")),
            QStringLiteral("--output"), document, QStringLiteral("--origin"), QStringLiteral("8,16") });
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return document;
    }

    QTemporaryDir temp_;
};

} // namespace

TEST_F(SpriteCommandLine, ImportMakesANewDocumentWithTheMetaspriteTilesAndSubPalettes)
{
    const auto document = readDocument(importFigure());
    ASSERT_TRUE(document);
    EXPECT_EQ(document->tileData()->totalNumberTiles(), 512);
    ASSERT_EQ(document->metasprites().size(), 1u);
    const mosavo::Metasprite &hero = document->metasprites().front();
    EXPECT_EQ(hero.name, "hero") << "named after the picture";
    ASSERT_EQ(hero.sprites.size(), 4u);
    EXPECT_EQ(hero.sprites[0].x, -8);
    EXPECT_EQ(hero.sprites[0].y, -16);
    EXPECT_EQ(hero.sprites[1].tile, hero.sprites[0].tile);
    EXPECT_TRUE(hero.sprites[1].flipHorizontally) << "the mirrored cell reuses the tile";
    EXPECT_EQ(hero.sprites[2].x, -8);
    EXPECT_EQ(hero.sprites[2].y, -8);
    EXPECT_EQ(hero.sprites[3].x, 0);
    EXPECT_EQ(hero.sprites[3].y, -8);
    // The origin in hex, as Go to Tile reads numbers: the same metasprite.
    const QString hex = path(QStringLiteral("hex.kestova"));
    const ProcessResult run = runKestova({ QStringLiteral("--import-sprite-png"), path(QStringLiteral("hero.png")),
        QStringLiteral("--output"), hex, QStringLiteral("--origin"), QStringLiteral("$8,0x10") });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const auto fromHex = readDocument(hex);
    ASSERT_TRUE(fromHex && fromHex->metasprites().size() == 1u);
    EXPECT_EQ(fromHex->metasprites().front().sprites, hero.sprites);
    EXPECT_EQ(document->spritePatternTable(), 1);
    // New tiles in pattern table 1: tiles 257, 258 and 259; its first blank tile, 256, stays blank for the screens.
    EXPECT_EQ(hero.sprites[0].tile, 1);
    EXPECT_EQ(hero.sprites[2].tile, 2);
    EXPECT_EQ(hero.sprites[3].tile, 3);
    const auto &tiles = document->tileData()->matrices();
    EXPECT_EQ(tiles[257]->values[0][0], tiles[257]->values[0][1]) << "the red top row";
    EXPECT_NE(tiles[257]->values[0][0], 0);
    for (int t : { 0, 255, 256, 260 })
        for (int64_t cell : tiles[size_t(t)]->cells())
            ASSERT_EQ(cell, 0) << "tile " << t << " stays blank";
    // The sub-palettes found: the red cell's and the blue cell's (yellow fits with either).
    const auto &palettes = *document->palettes();
    ASSERT_EQ(palettes.size(), 8u);
    std::set<int64_t> spriteColors;
    for (size_t k = 4; k < 8; ++k) {
        auto nes = std::dynamic_pointer_cast<mosavo::NESPalette>(palettes[k]);
        if (nes && nes->hasColors())
            for (size_t c = 1; c < 4; ++c)
                spriteColors.insert(palettes[k]->palette()[c].colorCode);
    }
    // White is written as $30 (of $20 and $30, which show it alike), black as $0F.
    for (int64_t number : { 0x16, 0x30, 0x0F, 0x12, 0x1A, 0x28 })
        EXPECT_TRUE(spriteColors.count(number)) << std::hex << number;

    // Every sub-palette has colours, so the palette file can be written; its universal background colour is none
    // the picture shows (white and black are: the next readable grey is taken).
    const QString palette = path(QStringLiteral("hero.pal"));
    const ProcessResult exported
        = runKestova({ QStringLiteral("--export-palette"), palette, path(QStringLiteral("hero.kestova")) });
    ASSERT_EQ(exported.exitCode, 0) << exported.err.toStdString();
    const QByteArray bytes = readFile(palette);
    ASSERT_EQ(bytes.size(), 32);
    EXPECT_EQ(uint8_t(bytes[0]), 0x00);
}

TEST_F(SpriteCommandLine, ExportsGiveTheTablesTheOamAndThePictureBack)
{
    const QString document = importFigure();
    const auto settings = readDocument(document);
    ASSERT_TRUE(settings);
    const mosavo::Metasprite hero = settings->metasprites().front();

    const QString binary = path(QStringLiteral("hero.bin"));
    ASSERT_EQ(runKestova({ QStringLiteral("--export-metasprites"), binary, document }).exitCode, 0);
    EXPECT_EQ(readFile(binary), fromBytes(mosavo::metaspriteTableBytes(hero)));

    const QString source = path(QStringLiteral("hero.s"));
    ASSERT_EQ(runKestova({ QStringLiteral("--export-metasprites"), source, QStringLiteral("--asm"),
                             QStringLiteral("hero_frames"), document })
                  .exitCode,
        0);
    EXPECT_EQ(readFile(source),
        QByteArray::fromStdString(
            *mosavo::metaspriteTablesSource("hero_frames", { hero }, mosavo::SourceLanguage::ca65).text));
    const QString cSource = path(QStringLiteral("hero.c"));
    ASSERT_EQ(runKestova({ QStringLiteral("--export-metasprites"), cSource, QStringLiteral("--c"),
                             QStringLiteral("hero_frames"), document })
                  .exitCode,
        0);
    EXPECT_TRUE(readFile(cSource).contains("const unsigned char* const hero_frames[] = {"));

    const QString oam = path(QStringLiteral("hero.oam"));
    const ProcessResult placed = runKestova(
        { QStringLiteral("--export-oam"), oam, QStringLiteral("--at"), QStringLiteral("100,50"), document });
    ASSERT_EQ(placed.exitCode, 0);
    const QByteArray oamBytes = readFile(oam);
    ASSERT_EQ(oamBytes.size(), 256);
    EXPECT_EQ(uint8_t(oamBytes[0]), 34) << "Y = 50 - 16";
    EXPECT_EQ(uint8_t(oamBytes[3]), 92) << "X = 100 - 8";
    EXPECT_EQ(uint8_t(oamBytes[6]), 0x40 | (hero.sprites[1].attributes() & 3)) << "flipped horizontally";
    for (int entry = 4; entry < 64; ++entry)
        EXPECT_EQ(uint8_t(oamBytes[entry * 4]), 0xFF) << entry;
    EXPECT_TRUE(placed.err.isEmpty()) << "every sprite is in OAM";

    // A metasprite of 70 sprites placed so that two lie off the screen: 64 are written, the rest named as a warning.
    auto many = readDocument(document);
    mosavo::Metasprite crowd;
    crowd.name = "crowd";
    for (int i = 0; i < 70; ++i)
        crowd.sprites.push_back({ i < 2 ? -100 : (i % 10) * 8, (i / 10) * 8, 0, 4, false, false, false });
    many->metasprites().push_back(crowd);
    const QString manyDocument = path(QStringLiteral("many.kestova"));
    writeFile(manyDocument, fromBytes(*many->documentBytes()));
    const ProcessResult full = runKestova({ QStringLiteral("--export-oam"), oam, QStringLiteral("--metasprite"),
        QStringLiteral("1"), QStringLiteral("--at"), QStringLiteral("20,20"), manyDocument });
    ASSERT_EQ(full.exitCode, 0) << full.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(full.err).toStdString(),
        (QStringLiteral("kestova: warning: ") + manyDocument
            + QStringLiteral(": 6 of the 70 sprites of 'crowd' are left out of the OAM at 20,20: 2 off the screen, 4 "
                             "beyond OAM's 64 entries\n"))
            .toStdString());
    const QByteArray fullBytes = readFile(oam);
    ASSERT_EQ(fullBytes.size(), 256);
    EXPECT_EQ(uint8_t(fullBytes[3]), 20 + 16) << "the first sprite in OAM is the third of the metasprite";
    EXPECT_EQ(uint8_t(fullBytes[63 * 4]), 20 + 6 * 8) << "the 64th entry holds the 66th sprite";
    // Placed lower, the last row of ten sprites has Y = 239: drawn from line 240, below the picture, it is left out.
    const ProcessResult low = runKestova({ QStringLiteral("--export-oam"), oam, QStringLiteral("--metasprite"),
        QStringLiteral("1"), QStringLiteral("--at"), QStringLiteral("20,191"), manyDocument });
    ASSERT_EQ(low.exitCode, 0) << low.err.toStdString();
    EXPECT_TRUE(low.err.contains(": 12 of the 70 sprites of 'crowd' are left out of the OAM at 20,191: 12 off the "
                                 "screen\n"))
        << low.err.toStdString();
    EXPECT_EQ(uint8_t(readFile(oam)[58 * 4]), 255) << "58 sprites are in OAM";
    EXPECT_EQ(uint8_t(readFile(oam)[57 * 4]), 191 + 40);

    // The picture drawn back: the bounding box with the origin at its top left is the picture imported.
    const QString png = path(QStringLiteral("drawn.png"));
    const ProcessResult drawn = runKestova({ QStringLiteral("--export-metasprite-png"), png, document });
    ASSERT_EQ(drawn.exitCode, 0) << drawn.err.toStdString();
    const QImage back(png);
    const QImage original = picture(figure);
    ASSERT_EQ(back.size(), original.size());
    for (int y = 0; y < back.height(); ++y)
        for (int x = 0; x < back.width(); ++x)
            ASSERT_EQ(back.pixel(x, y), original.pixel(x, y)) << "pixel (" << x << ", " << y << ")";

    // On a larger canvas with the origin elsewhere.
    const ProcessResult moved = runKestova({ QStringLiteral("--export-metasprite-png"), png, QStringLiteral("--canvas"),
        QStringLiteral("40x30"), QStringLiteral("--at"), QStringLiteral("20,20"), document });
    ASSERT_EQ(moved.exitCode, 0) << moved.err.toStdString();
    const QImage larger(png);
    ASSERT_EQ(larger.size(), QSize(40, 30));
    EXPECT_EQ(larger.pixel(12, 4), original.pixel(0, 0));
    EXPECT_EQ(qAlpha(larger.pixel(11, 4)), 0);
}

TEST_F(SpriteCommandLine, TheNinthSpriteOnALineVanishesFromThePicture)
{
    // A document whose metasprite is ten solid sprites in a row, from a tile drawn in pattern table 1.
    auto settings = kestova::EditorViewControllerSettings::emptyConsoleObject(mosavo::ConsoleType::nes);
    for (int64_t &cell : settings->tileData()->matrices()[257]->cells())
        cell = 2;
    settings->setPalettes(mosavo::PaletteFactory::generate(mosavo::Bytes(32, 0x16)));
    mosavo::Metasprite row { "row", {} };
    for (int i = 0; i < 10; ++i)
        row.sprites.push_back({ i * 8, 0, 1, 4 });
    settings->metasprites().push_back(row);
    const QString document = path(QStringLiteral("row.kestova"));
    writeFile(document, fromBytes(*settings->documentBytes()));
    const QString png = path(QStringLiteral("row.png"));
    const ProcessResult run = runKestova({ QStringLiteral("--export-metasprite-png"), png, document });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QImage image(png);
    ASSERT_EQ(image.size(), QSize(80, 8));
    const QRgb red = 0xFF000000u | masterColors.rgb24(0x16);
    EXPECT_EQ(image.pixel(60, 4), red) << "the eighth sprite";
    EXPECT_EQ(qAlpha(image.pixel(68, 4)), 0) << "the ninth vanishes";
    EXPECT_EQ(qAlpha(image.pixel(76, 4)), 0) << "the tenth too";

    // In the display colours of an emulator palette file: colour $16 as its entry there.
    QByteArray display(192, 0);
    for (int i = 0; i < display.size(); ++i)
        display[i] = char(255 - i);
    const QString displayFile = path(QStringLiteral("display.pal"));
    writeFile(displayFile, display);
    const ProcessResult shown = runKestova(
        { QStringLiteral("--export-metasprite-png"), png, QStringLiteral("--display-palette"), displayFile, document });
    ASSERT_EQ(shown.exitCode, 0) << shown.err.toStdString();
    EXPECT_EQ(QImage(png).pixel(60, 4), qRgb(255 - 0x16 * 3, 255 - 0x16 * 3 - 1, 255 - 0x16 * 3 - 2));
}

TEST_F(SpriteCommandLine, ImportIntoADocumentReusesItsTilesAndAddsTheMetasprite)
{
    const QString first = importFigure();
    const QString second = path(QStringLiteral("two.kestova"));
    const ProcessResult run = runKestova({ QStringLiteral("--import-sprite-png"), path(QStringLiteral("hero.png")),
        QStringLiteral("--output"), second, QStringLiteral("--name"), QStringLiteral("again"), first });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const auto before = readDocument(first);
    const auto after = readDocument(second);
    ASSERT_TRUE(before && after);
    ASSERT_EQ(after->metasprites().size(), 2u);
    EXPECT_EQ(after->metasprites()[1].name, "again");
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(after->metasprites()[1].sprites[i].tile, before->metasprites()[0].sprites[i].tile) << i;
    EXPECT_EQ(after->tileData()->consoleFormattedPixelData(), before->tileData()->consoleFormattedPixelData())
        << "no tile is added";

    // 8x16 sprites into a document of 8x8 ones are refused; nothing is written.
    const QString tall = path(QStringLiteral("tall.kestova"));
    expectRefused(runKestova({ QStringLiteral("--import-sprite-png"), path(QStringLiteral("hero.png")),
                      QStringLiteral("--output"), tall, QStringLiteral("--tall"), first }),
        path(QStringLiteral("hero.png")), QStringLiteral("the document's metasprites are made of 8x8 sprites"), tall);
    // Another sprite pattern table would point the document's metasprites at other tiles: the document is named.
    const QString other = path(QStringLiteral("other.kestova"));
    expectRefused(
        runKestova({ QStringLiteral("--import-sprite-png"), path(QStringLiteral("hero.png")),
            QStringLiteral("--output"), other, QStringLiteral("--sprite-table"), QStringLiteral("0"), first }),
        first,
        QStringLiteral("its metasprites read their tiles from sprite pattern table 1, so a picture cannot be "
                       "imported into it from pattern table 0"),
        other);
}

TEST_F(SpriteCommandLine, ASecondPictureInTheFirstsColoursLeavesTheFirstMetaspriteAsItWas)
{
    const QString first = importFigure();
    const QString firstPng = path(QStringLiteral("first.png"));
    ASSERT_EQ(runKestova({ QStringLiteral("--export-metasprite-png"), firstPng, first }).exitCode, 0);

    // Black and white of the red cells, and the yellow: colours the figure's sub-palettes hold.
    const std::vector<std::string> second = {
        "kkkkwwww........",
        "k......w........",
        "k......w........",
        "kkkkwwww.....y..",
        "................",
        "................",
        "................",
        "........yyyyyyyy",
    };
    savePicture(picture(second), path(QStringLiteral("second.png")));
    const QString both = path(QStringLiteral("both.kestova"));
    const ProcessResult run = runKestova({ QStringLiteral("--import-sprite-png"), path(QStringLiteral("second.png")),
        QStringLiteral("--output"), both, first });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const auto before = readDocument(first);
    const auto after = readDocument(both);
    ASSERT_TRUE(before && after);
    ASSERT_EQ(after->metasprites().size(), 2u);
    // The figure's two sub-palettes, 4 and 5, as they were.
    for (size_t k = 4; k < 6; ++k)
        EXPECT_EQ((*after->palettes())[k]->palette(), (*before->palettes())[k]->palette()) << "sub-palette " << k;

    // The first metasprite is drawn as before; the second as its picture.
    const QString againPng = path(QStringLiteral("again.png"));
    ASSERT_EQ(runKestova({ QStringLiteral("--export-metasprite-png"), againPng, both }).exitCode, 0);
    EXPECT_EQ(QImage(againPng), QImage(firstPng));
    const QString secondPng = path(QStringLiteral("second-drawn.png"));
    ASSERT_EQ(runKestova({ QStringLiteral("--export-metasprite-png"), secondPng, QStringLiteral("--metasprite"),
                             QStringLiteral("1"), both })
                  .exitCode,
        0);
    EXPECT_EQ(QImage(secondPng).convertToFormat(QImage::Format_ARGB32), picture(second));

    // A third picture in colours no sub-palette holds takes the free sub-palette 6; 4 and 5 stay the figure's.
    const std::vector<std::string> third(8, "pppooo..");
    savePicture(picture(third), path(QStringLiteral("third.png")));
    const QString three = path(QStringLiteral("three.kestova"));
    const ProcessResult added = runKestova({ QStringLiteral("--import-sprite-png"), path(QStringLiteral("third.png")),
        QStringLiteral("--output"), three, both });
    ASSERT_EQ(added.exitCode, 0) << added.err.toStdString();
    const auto withThird = readDocument(three);
    ASSERT_TRUE(withThird);
    ASSERT_EQ(withThird->metasprites().size(), 3u);
    EXPECT_EQ(withThird->metasprites()[2].sprites.front().subPalette, 6);
    for (size_t k = 4; k < 6; ++k)
        EXPECT_EQ((*withThird->palettes())[k]->palette(), (*before->palettes())[k]->palette()) << "sub-palette " << k;
    ASSERT_EQ(runKestova({ QStringLiteral("--export-metasprite-png"), againPng, three }).exitCode, 0);
    EXPECT_EQ(QImage(againPng), QImage(firstPng)) << "the figure is drawn as before";
}

TEST_F(SpriteCommandLine, UnusableInputIsRefusedWithOneLineAndNoOutput)
{
    const QString out = path(QStringLiteral("out.kestova"));
    const QString png = path(QStringLiteral("four.png"));
    savePicture(
        picture({ "rwkb....", "........", "........", "........", "........", "........", "........", "........" }),
        png);
    expectRefused(runKestova({ QStringLiteral("--import-sprite-png"), png, QStringLiteral("--output"), out }), png,
        QStringLiteral("the 8x8 cell at pixel (0, 0) has 4 colours"), out);

    const QString notPng = path(QStringLiteral("not.png"));
    // GIF is read too: a GIF cut short after its signature is refused as one.
    writeFile(notPng, "GIF89a");
    expectRefused(runKestova({ QStringLiteral("--import-sprite-png"), notPng, QStringLiteral("--output"), out }),
        notPng, QStringLiteral("cannot be read as GIF"), out);
    writeFile(notPng, "plain text");
    expectRefused(runKestova({ QStringLiteral("--import-sprite-png"), notPng, QStringLiteral("--output"), out }),
        notPng, QStringLiteral("not a PNG picture"), out);

    savePicture(picture(figure), path(QStringLiteral("hero.png")));
    const QString half = path(QStringLiteral("half.pal"));
    writeFile(half, QByteArray(16, '\x0F'));
    expectRefused(runKestova({ QStringLiteral("--import-sprite-png"), path(QStringLiteral("hero.png")),
                      QStringLiteral("--output"), out, QStringLiteral("--palette"), half }),
        half, QStringLiteral("sprites take sub-palettes 4-7 of a 32-byte palette file"), out);
    // An origin that leaves a sprite at the x offset -128, which a metasprite table would read as its end.
    expectRefused(runKestova({ QStringLiteral("--import-sprite-png"), path(QStringLiteral("hero.png")),
                      QStringLiteral("--output"), out, QStringLiteral("--origin"), QStringLiteral("128,0") }),
        path(QStringLiteral("hero.png")),
        QStringLiteral("the 8x8 cell at pixel (0, 0) lies at offset (-128, 0) from the origin (128, 0); offsets must "
                       "be -127..127 across"),
        out);
    // A palette whose sprite sub-palettes lack the figure's colours.
    const QString greys = path(QStringLiteral("greys.pal"));
    writeFile(greys, QByteArray::fromHex("0f0010300f0010300f0010300f0010300f0010300f0010300f0010300f001030"));
    expectRefused(runKestova({ QStringLiteral("--import-sprite-png"), path(QStringLiteral("hero.png")),
                      QStringLiteral("--output"), out, QStringLiteral("--palette"), greys }),
        path(QStringLiteral("hero.png")), QStringLiteral("which no one of the sprite sub-palettes 4-7 holds"), out);

    // Exports from what holds no metasprites, or not the one asked for.
    const QString chr = dataDir + QStringLiteral("/chr/sprite.chr");
    const QString bin = path(QStringLiteral("out.bin"));
    expectRefused(runKestova({ QStringLiteral("--export-metasprites"), bin, chr }), chr,
        QStringLiteral("is not a Kestova document"), bin);
    auto empty = kestova::EditorViewControllerSettings::emptyConsoleObject(mosavo::ConsoleType::nes);
    const QString blank = path(QStringLiteral("blank.kestova"));
    writeFile(blank, fromBytes(*empty->documentBytes()));
    expectRefused(runKestova({ QStringLiteral("--export-metasprites"), bin, blank }), blank,
        QStringLiteral("holds no metasprites"), bin);
    const QString document = importFigure();
    expectRefused(runKestova({ QStringLiteral("--export-oam"), bin, QStringLiteral("--metasprite"), QStringLiteral("3"),
                      QStringLiteral("--at"), QStringLiteral("0,0"), document }),
        document, QStringLiteral("the document holds 1 metasprite (0-0), so there is no metasprite 3"), bin);
    // A metasprite without sprites has no box to draw unless a canvas is given.
    empty->metasprites().push_back({ "nothing", {} });
    writeFile(blank, fromBytes(*empty->documentBytes()));
    const QString drawn = path(QStringLiteral("nothing.png"));
    expectRefused(runKestova({ QStringLiteral("--export-metasprite-png"), drawn, blank }), blank,
        QStringLiteral("metasprite 0 (\"nothing\") has no sprites, so it has no box to draw; give --canvas WxH"),
        drawn);
    const ProcessResult canvas = runKestova(
        { QStringLiteral("--export-metasprite-png"), drawn, QStringLiteral("--canvas"), QStringLiteral("4x4"), blank });
    EXPECT_EQ(canvas.exitCode, 0) << canvas.err.toStdString();
    EXPECT_EQ(QImage(drawn).size(), QSize(4, 4));
}

TEST_F(SpriteCommandLine, WrongUsageExitsWithTwoNamingTheArgument)
{
    const QString out = path(QStringLiteral("out"));
    const QString doc = path(QStringLiteral("doc.kestova"));
    const std::pair<QStringList, QString> cases[] = {
        { { QStringLiteral("--import-sprite-png"), path(QStringLiteral("in.png")) },
            QStringLiteral("--import-sprite-png needs --output DOC.kestova") },
        { { QStringLiteral("--import-sprite-png"), path(QStringLiteral("in.png")), QStringLiteral("--output"), out,
              QStringLiteral("--origin"), QStringLiteral("8") },
            QStringLiteral("--origin must be X,Y, two whole numbers -4096..4096, not '8'") },
        { { QStringLiteral("--import-sprite-png"), path(QStringLiteral("in.png")), QStringLiteral("--output"), out,
              QStringLiteral("--sprite-table"), QStringLiteral("2") },
            QStringLiteral("--sprite-table must be a pattern table, 0 or 1, not '2'") },
        { { QStringLiteral("--export-oam"), out, doc },
            QStringLiteral("--export-oam needs --at X,Y, where the metasprite's origin goes on the screen") },
        { { QStringLiteral("--export-oam"), out, QStringLiteral("--at"), QStringLiteral("300,2"), doc },
            QStringLiteral("--at must be X,Y, two whole numbers 0..255, not '300,2'") },
        { { QStringLiteral("--export-oam"), out, QStringLiteral("--at"), QStringLiteral("+3, 2"), doc },
            QStringLiteral("--at must be X,Y, two whole numbers 0..255, not '+3, 2'") },
        { { QStringLiteral("--export-metasprites"), out, QStringLiteral("--asm"), QStringLiteral("a"),
              QStringLiteral("--c"), QStringLiteral("b"), doc },
            QStringLiteral("--asm and --c cannot be combined") },
        { { QStringLiteral("--export-metasprites"), out, QStringLiteral("--asm"), QStringLiteral("lda"), doc },
            QStringLiteral("--asm: \"lda\" cannot be a name: ca65 reads it as a register or instruction") },
        { { QStringLiteral("--export-metasprite-png"), out, QStringLiteral("--canvas"), QStringLiteral("0x5"), doc },
            QStringLiteral("--canvas must be WxH, two whole numbers 1..4096, not '0x5'") },
        { { QStringLiteral("--export-metasprite-png"), out, QStringLiteral("--origin"), QStringLiteral("1,1"), doc },
            QStringLiteral("--origin goes with --import-sprite-png") },
        { { QStringLiteral("--export-oam"), out, QStringLiteral("--at"), QStringLiteral("1,1") },
            QStringLiteral("--export-oam needs an input FILE") },
        { { QStringLiteral("--import-png"), path(QStringLiteral("in.png")), QStringLiteral("--output"), out,
              QStringLiteral("--at"), QStringLiteral("1,1"), doc },
            QStringLiteral("--at must be a tile number, not '1,1'") },
    };
    for (const auto &[arguments, reason] : cases) {
        const ProcessResult run = runKestova(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments.join(u' ').toStdString();
        EXPECT_EQ(QString::fromUtf8(run.err).toStdString(),
            (QStringLiteral("kestova: ") + reason + QStringLiteral("; see 'kestova --help'\n")).toStdString());
        EXPECT_FALSE(QFileInfo::exists(out));
    }
}

TEST(SpriteImport, ConvertsForTheDocumentAndAppliesKeepingColourZero)
{
    // A document of 256 tiles has no pattern table 1: its tiles are never free.
    auto small = std::make_shared<kestova::EditorViewControllerSettings>();
    small->setTileData(mosavo::ConsoleDataFactory::generate(mosavo::Bytes(256 * 16, 0)));
    small->setPalettes(mosavo::PaletteFactory::readable());
    const QImage image = picture(figure);
    const auto refused = kestova::convertSpriteImage(image, *small, {});
    ASSERT_TRUE(std::holds_alternative<QString>(refused));
    EXPECT_EQ(std::get<QString>(refused),
        QStringLiteral("the picture needs 3 new tiles, and pattern table 1 has only 0 blank tiles that no screen or "
                       "metasprite uses"));
    kestova::SpriteImportOptions inTableZero;
    inTableZero.spritePatternTable = 0;
    auto converted = kestova::convertSpriteImage(image, *small, inTableZero);
    ASSERT_TRUE(std::holds_alternative<kestova::SpriteImport>(converted)) << std::get<QString>(converted).toStdString();
    const auto &import = std::get<kestova::SpriteImport>(converted);
    EXPECT_EQ(import.metasprite.name, "Metasprite 1");
    EXPECT_EQ(import.tileChanges.size(), 3u);
    EXPECT_TRUE(small->metasprites().empty()) << "converting changes nothing";

    // The readable palettes' sub-palette 0 colour 0 is the universal background; sub-palettes 4 on keep colour 0.
    const int64_t zero = (*small->palettes())[4]->palette()[0].colorCode;
    const auto before = small->documentBytes();
    const auto undo = kestova::applySpriteImport(*small, import);
    ASSERT_EQ(small->metasprites().size(), 1u);
    EXPECT_EQ(small->spritePatternTable(), 0);
    EXPECT_EQ((*small->palettes())[4]->palette()[0].colorCode, zero);
    EXPECT_EQ((*small->palettes())[4]->palette()[1].colorCode, import.subPalettes[0][0]);
    EXPECT_EQ(small->tileData()->matrices()[size_t(import.tileChanges[0].tile)]->values[0][0],
        import.tileChanges[0].pixels[0]);

    // The document's metasprites are 8x8: reading the picture as 8x16 is refused.
    kestova::SpriteImportOptions tall;
    tall.tall = true;
    tall.spritePatternTable = 0;
    EXPECT_TRUE(std::holds_alternative<QString>(kestova::convertSpriteImage(image, *small, tall)));

    // Undone, the document is as it was, byte for byte; done again, as after the import.
    const auto after = small->documentBytes();
    EXPECT_NE(after, before);
    kestova::undoSpriteImport(*small, undo);
    EXPECT_EQ(small->documentBytes(), before);
    kestova::applySpriteImport(*small, import);
    EXPECT_EQ(small->documentBytes(), after);
}
