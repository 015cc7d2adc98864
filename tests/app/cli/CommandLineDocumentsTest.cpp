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

TEST(CommandLine, ExportPngDrawsEveryTileInMasterTableColours)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString output = temp.filePath(QStringLiteral("sheet.png"));
    const std::array<int64_t, 4> grey = { 0x30, 0x10, 0x00, 0x0F };
    // The grey palette from light to dark, exactly as the master table has it.
    EXPECT_EQ(mosavo::nesRgb(grey[0]), 0xECEEECu);
    EXPECT_EQ(mosavo::nesRgb(grey[1]), 0x989698u);
    EXPECT_EQ(mosavo::nesRgb(grey[2]), 0x545454u);
    EXPECT_EQ(mosavo::nesRgb(grey[3]), 0x000000u);

    const QByteArray sprite = readFile(testFile("chr/nesert_sprite.chr"));
    ASSERT_EQ(sprite.size(), 1024);
    ProcessResult run = runKestova({ QStringLiteral("--export-png"), output, testFile("chr/nesert_sprite.chr") });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.isEmpty());
    QImage image(output);
    EXPECT_EQ(image.size(), QSize(128, 32));
    expectTileSheet(image, sprite, 16, grey);

    // With a palette file: the two halves of a game's palette make the 32 bytes; sub-palette 1 is 0x0F 0x19 0x16 0x38.
    const QString palette = temp.filePath(QStringLiteral("game.pal"));
    writeFile(palette, readFile(testFile("palettes/bgd.pal")) + readFile(testFile("palettes/spr.pal")));
    run = runKestova({ QStringLiteral("--export-png"), output, QStringLiteral("--palette"), palette,
        QStringLiteral("--sub-palette"), QStringLiteral("1"), testFile("chr/nesert_sprite.chr") });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    expectTileSheet(QImage(output), sprite, 16, { 0x0F, 0x19, 0x16, 0x38 });

    // 166 tiles: 11 rows of 16, the last row filled up with colour index 0; 7 columns give 24 rows.
    const QByteArray boing = readFile(testFile("chr/boing_bg.chr"));
    run = runKestova({ QStringLiteral("--export-png"), output, testFile("chr/boing_bg.chr") });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    image = QImage(output);
    EXPECT_EQ(image.size(), QSize(128, 88));
    expectTileSheet(image, boing, 16, grey);
    run = runKestova({ QStringLiteral("--export-png"), output, QStringLiteral("--columns"), QStringLiteral("7"),
        QStringLiteral("--palette"), palette, QStringLiteral("--sub-palette"), QStringLiteral("0"),
        testFile("chr/boing_bg.chr") });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    image = QImage(output);
    EXPECT_EQ(image.size(), QSize(56, 192));
    expectTileSheet(image, boing, 7, { 0x0F, 0x07, 0x17, 0x28 });

    // A ROM image: every tile after the header, program data included.
    const QByteArray rom = readFile(testFile("roms/vaus-test.nes"));
    run = runKestova({ QStringLiteral("--export-png"), output, testFile("roms/vaus-test.nes") });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    expectTileSheet(QImage(output), rom.mid(16), 16, grey);
}

TEST(CommandLine, ShippedSampleDecodesAndDrawsWithItsPalette)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString sample = QStringLiteral(KESTOVA_SOURCE_DIR "/data/sample.chr");
    const QString palette = QStringLiteral(KESTOVA_SOURCE_DIR "/data/sample.pal");
    const ProcessResult info = runKestova({ QStringLiteral("--info"), sample });
    EXPECT_EQ(info.exitCode, 0);
    EXPECT_EQ(info.out.toStdString(), "{\"kind\":\"chr\",\"tiles\":512,\"warnings\":[]}\n");

    const QByteArray paletteBytes = readFile(palette);
    ASSERT_EQ(paletteBytes.size(), 32);
    const QString output = temp.filePath(QStringLiteral("sample.png"));
    const ProcessResult run = runKestova({ QStringLiteral("--export-png"), output, QStringLiteral("--palette"), palette,
        QStringLiteral("--sub-palette"), QStringLiteral("7"), sample });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    std::array<int64_t, 4> gold;
    for (size_t i = 0; i < gold.size(); ++i)
        gold[i] = uint8_t(paletteBytes[qsizetype(28 + i)]);
    expectTileSheet(QImage(output), readFile(sample), 16, gold);
}

TEST(CommandLine, DocumentsGiveTheirFactsAndTheirTileBytes)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QByteArray rom = readFile(testFile("roms/example.nes"));
    const QByteArray chr = readFile(testFile("chr/sprite.chr"));
    ASSERT_EQ(chr.size(), 4096);
    const QString romDocument = temp.filePath(QStringLiteral("game.kestova"));
    writeFile(romDocument, documentFile(rom, palettesOf(distinctPaletteFile())));
    // A document is known by its first bytes too, whatever its name.
    const QString chrDocument = temp.filePath(QStringLiteral("sprites.dat"));
    writeFile(chrDocument, documentFile(chr, palettesOf(distinctPaletteFile())));

    ProcessResult run = runKestova({ QStringLiteral("--info"), romDocument });
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out.toStdString(),
        "{\"kind\":\"document\",\"tiles\":2560,\"prgBanks\":2,\"chrBanks\":1,\"mapper\":0,\"trainer\":false,"
        "\"nes2\":false,\"chrStartTile\":2048,\"mirroring\":\"vertical\",\"battery\":false,\"prgStart\":16,"
        "\"palettes\":8,\"warnings\":[]}\n");
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    run = runKestova({ QStringLiteral("--info"), chrDocument });
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out.toStdString(), "{\"kind\":\"document\",\"tiles\":256,\"palettes\":8,\"warnings\":[]}\n");

    const QList<QPair<QString, QByteArray>> exports = { { romDocument, rom }, { chrDocument, chr } };
    for (const auto &[document, original] : exports) {
        SCOPED_TRACE(document.toStdString());
        const QString output = temp.filePath(QStringLiteral("tiles.out"));
        run = runKestova({ QStringLiteral("--export-chr"), output, document });
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_TRUE(run.err.isEmpty());
        EXPECT_EQ(readFile(output), original);
    }
}

TEST(CommandLine, DocumentPictureUsesItsOwnSubPaletteUnlessAPaletteFileIsGiven)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QByteArray sprite = readFile(testFile("chr/nesert_sprite.chr"));
    const QByteArray ownPalettes = distinctPaletteFile();
    const QString document = temp.filePath(QStringLiteral("sprite.kestova"));
    writeFile(document, documentFile(sprite, palettesOf(ownPalettes)));
    const QString gamePalette = temp.filePath(QStringLiteral("game.pal"));
    writeFile(gamePalette, readFile(testFile("palettes/bgd.pal")) + readFile(testFile("palettes/spr.pal")));
    const QString output = temp.filePath(QStringLiteral("sheet.png"));
    const QString png = QStringLiteral("--export-png");
    const QString sub = QStringLiteral("--sub-palette");
    const QString pal = QStringLiteral("--palette");

    struct Row
    {
        QStringList options;
        std::array<int64_t, 4> colorNumbers;
    };
    const Row rows[] = {
        { {}, subPaletteNumbers(ownPalettes, 0) },
        { { sub, QStringLiteral("5") }, subPaletteNumbers(ownPalettes, 5) },
        { { pal, gamePalette }, { 0x0F, 0x07, 0x17, 0x28 } },
        { { pal, gamePalette, sub, QStringLiteral("1") }, { 0x0F, 0x19, 0x16, 0x38 } },
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.options.join(u' ').toStdString());
        const ProcessResult run = runKestova(QStringList { png, output } + row.options + QStringList { document });
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
        expectTileSheet(QImage(output), sprite, 16, row.colorNumbers);
    }

    // Sub-palettes saved before they were ever shown hold no colours, and one with two colours lacks the other two:
    // the missing colours come from the grey palette.
    std::vector<mosavo::PalettePtr> sparse = *mosavo::PaletteFactory::generate(mosavo::PaletteType::nes);
    auto two = std::make_shared<mosavo::NESPalette>();
    two->setPalette({ { 0x16, *mosavo::nesColor(0x16) }, { 0x2A, *mosavo::nesColor(0x2A) } });
    sparse[1] = two;
    const QString sparseDocument = temp.filePath(QStringLiteral("sparse.kestova"));
    writeFile(sparseDocument, documentFile(sprite, sparse));
    const QList<QPair<QStringList, std::array<int64_t, 4>>> sparseRows = {
        { {}, { 0x30, 0x10, 0x00, 0x0F } },
        { { sub, QStringLiteral("1") }, { 0x16, 0x2A, 0x00, 0x0F } },
    };
    for (const auto &[options, colorNumbers] : sparseRows) {
        SCOPED_TRACE(options.join(u' ').toStdString());
        const ProcessResult run = runKestova(QStringList { png, output } + options + QStringList { sparseDocument });
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        expectTileSheet(QImage(output), sprite, 16, colorNumbers);
    }

    // A sub-palette the document does not have is refused; the picture from before stays as it was.
    const QByteArray before = readFile(output);
    const QString smallDocument = temp.filePath(QStringLiteral("small.kestova"));
    writeFile(smallDocument, documentFile(sprite, { sparse[0], sparse[1] }));
    expectOneLineFailure(runKestova({ png, output, sub, QStringLiteral("2"), smallDocument }), smallDocument,
        QStringLiteral("the document holds 2 sub-palettes, so there is no sub-palette 2"));
    EXPECT_EQ(readFile(output), before);
}

TEST(CommandLine, ExportPaletteWritesTheThirtyTwoBytesOfADocumentOnly)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QByteArray tiles = readFile(testFile("chr/nesert_sprite.chr"));
    const QString output = temp.filePath(QStringLiteral("out.pal"));
    const QString exportPalette = QStringLiteral("--export-palette");
    for (const QByteArray &palette :
        { distinctPaletteFile(), readFile(testFile("palettes/bgd.pal")) + readFile(testFile("palettes/spr.pal")) }) {
        const QString document = temp.filePath(QStringLiteral("work.kestova"));
        writeFile(document, documentFile(tiles, palettesOf(palette)));
        const ProcessResult run = runKestova({ exportPalette, output, document });
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.isEmpty());
        EXPECT_EQ(readFile(output), palette);
        ASSERT_TRUE(QFile::remove(output));
    }

    struct Case
    {
        QString name;
        QByteArray bytes;
        QString reason;
    };
    // Sub-palettes that were never shown (saved as empty lists), seven sub-palettes, and a colour number outside
    // the master table.
    std::vector<mosavo::PalettePtr> seven = palettesOf(distinctPaletteFile());
    seven.pop_back();
    std::vector<mosavo::PalettePtr> unknownColor = palettesOf(distinctPaletteFile());
    unknownColor[6]->setPalette({ { 0x0F, {} }, { 0x10, {} }, { 0x40, {} }, { 0x20, {} } });
    const QList<Case> cases = {
        { QStringLiteral("new.kestova"),
            documentFile(tiles, *mosavo::PaletteFactory::generate(mosavo::PaletteType::nes)),
            QStringLiteral("its sub-palettes do not make a palette file: it holds 8 sub-palettes with 0 colour "
                           "numbers") },
        { QStringLiteral("seven.kestova"), documentFile(tiles, seven),
            QStringLiteral("it holds 7 sub-palettes with 28 colour numbers") },
        { QStringLiteral("unknown.kestova"), documentFile(tiles, unknownColor), QStringLiteral("0x00-0x3F") },
        { QStringLiteral("sprite.chr"), tiles, QStringLiteral("is not a Kestova document") },
        { QStringLiteral("empty.chr"), {}, QStringLiteral("is not a Kestova document") },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        const QString input = temp.filePath(c.name);
        writeFile(input, c.bytes);
        expectOneLineFailure(runKestova({ exportPalette, output, input }), input, c.reason);
        EXPECT_FALSE(QFileInfo::exists(output));
    }
}

TEST(CommandLine, DamagedDocumentsFailWithOneLineAndLeaveNoOutput)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QByteArray document = documentFile(readFile(testFile("roms/hello.nes")), palettesOf(distinctPaletteFile()));
    ASSERT_GT(document.size(), 1000);
    struct Case
    {
        QString name;
        QByteArray bytes;
        QString reason;
    };
    const QList<Case> cases = {
        { QStringLiteral("truncated.kestova"), document.left(document.size() / 2),
            QStringLiteral("cannot be opened: the document is damaged (it is not valid CBOR)") },
        // Known by its first bytes alone.
        { QStringLiteral("truncated.bin"), document.left(document.size() - 1),
            QStringLiteral("cannot be opened: the document is damaged") },
        { QStringLiteral("tagonly.kestova"), document.left(3),
            QStringLiteral("cannot be opened: the document is damaged") },
        // Named as a document, but tile data.
        { QStringLiteral("tiles.kestova"), readFile(testFile("chr/sprite.chr")),
            QStringLiteral("cannot be opened: it is not a Kestova document") },
    };
    const QString output = temp.filePath(QStringLiteral("out"));
    const QList<QStringList> modes = { { QStringLiteral("--info") }, { QStringLiteral("--export-chr"), output },
        { QStringLiteral("--export-png"), output }, { QStringLiteral("--export-palette"), output } };
    for (const Case &c : cases) {
        const QString input = temp.filePath(c.name);
        writeFile(input, c.bytes);
        for (const QStringList &mode : modes) {
            SCOPED_TRACE((mode.front() + u' ' + input).toStdString());
            expectOneLineFailure(runKestova(mode + QStringList { input }), input, c.reason);
            EXPECT_FALSE(QFileInfo::exists(output));
        }
    }
}
