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

namespace {
TEST(CommandLine, EveryTestFileDecodesAndExportsBackByteForByte)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QStringList inputs = filesIn(QStringLiteral("roms"), QStringLiteral("*.nes"))
        + filesIn(QStringLiteral("chr"), QStringLiteral("*.chr"));
    ASSERT_EQ(inputs.size(), 25);
    for (const QString &input : inputs) {
        SCOPED_TRACE(input.toStdString());
        const QString output = temp.filePath(QFileInfo(input).fileName());
        const ProcessResult run = runKestova({ QStringLiteral("--export-chr"), output, input });
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
        EXPECT_EQ(readFile(output), readFile(input));
    }
}

TEST(CommandLine, InfoReportsTheHeaderFacts)
{
    struct Row
    {
        const char *file;
        int tiles, prgBanks, chrBanks, mapper;
        bool trainer, nes2;
        int chrStartTile;
        const char *mirroring;
        const char *warnings = "";
    };
    // Header facts of the test ROMs; tiles = (file size - 16) / 16, chrStartTile = (CHR-ROM start - 16) / 16.
    // nes15-NTSC.nes carries 4 KiB past the PRG-ROM and CHR-ROM its header declares.
    const Row rows[] = {
        { "clip_vrc7.nes", 1024, 1, 0, 85, false, true, 1024, "horizontal" },
        { "dpcmletterbox.nes", 1536, 1, 1, 0, false, false, 1024, "vertical" },
        { "example.nes", 2560, 2, 1, 0, false, false, 2048, "vertical" },
        { "hello.nes", 2560, 2, 1, 0, false, false, 2048, "vertical" },
        { "hello_mmc1.nes", 16384, 8, 16, 1, false, false, 8192, "horizontal" },
        { "hello_mmc3.nes", 16384, 8, 16, 4, false, false, 8192, "horizontal" },
        { "mappers.nes", 4096, 2, 4, 3, false, false, 2048, "vertical" },
        { "nes15-NTSC.nes", 1792, 1, 1, 0, false, false, 1024, "vertical",
            "\"the ROM image is 28688 bytes, 4096 more than its header says (24592: 16-byte header, 16384 bytes of "
            "PRG-ROM, 8192 bytes of CHR-ROM)\"" },
        { "scaling.nes", 1024, 1, 0, 0, false, false, 1024, "horizontal" },
        { "vaus-test.nes", 1536, 1, 1, 0, false, false, 1024, "horizontal" },
    };
    auto flag = [](bool value) { return value ? QStringLiteral("true") : QStringLiteral("false"); };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.file);
        const ProcessResult run
            = runKestova({ QStringLiteral("--info"), dataDir + QStringLiteral("/roms/") + QLatin1String(row.file) });
        const QString expected = QStringLiteral("{\"kind\":\"ines\",\"tiles\":%1,\"prgBanks\":%2,\"chrBanks\":%3,"
                                                "\"mapper\":%4,\"trainer\":%5,\"nes2\":%6,\"chrStartTile\":%7,"
                                                "\"mirroring\":\"%8\",\"battery\":false,\"prgStart\":16,"
                                                "\"warnings\":[%9]}\n")
                                     .arg(row.tiles)
                                     .arg(row.prgBanks)
                                     .arg(row.chrBanks)
                                     .arg(row.mapper)
                                     .arg(flag(row.trainer), flag(row.nes2))
                                     .arg(row.chrStartTile)
                                     .arg(QLatin1String(row.mirroring), QLatin1String(row.warnings));
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(QString::fromUtf8(run.out).toStdString(), expected.toStdString());
        EXPECT_TRUE(run.err.isEmpty());
    }

    for (const QString &input : filesIn(QStringLiteral("chr"), QStringLiteral("*.chr"))) {
        SCOPED_TRACE(input.toStdString());
        const ProcessResult run = runKestova({ QStringLiteral("--info"), input });
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.out.toStdString(),
            QStringLiteral("{\"kind\":\"chr\",\"tiles\":%1,\"warnings\":[]}\n")
                .arg(QFileInfo(input).size() / 16)
                .toStdString());
    }
}

TEST(CommandLine, TrainerMovesTheCharacterDataAndRoundTrips)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    QByteArray rom = readFile(testFile("roms/example.nes"));
    ASSERT_EQ(rom.size(), 40976);
    QByteArray trainer(512, '\0');
    for (int i = 0; i < trainer.size(); ++i)
        trainer[i] = char(i * 7 + 3);
    rom.insert(16, trainer);
    // Trainer, battery and four-screen VRAM (which wins over the vertical mirroring bit example.nes sets).
    rom[6] = char(uint8_t(rom[6]) | 0x04 | 0x02 | 0x08);
    const QString input = temp.filePath(QStringLiteral("trainer.nes"));
    writeFile(input, rom);

    const ProcessResult info = runKestova({ QStringLiteral("--info"), input });
    EXPECT_EQ(info.exitCode, 0);
    EXPECT_EQ(info.out.toStdString(),
        QStringLiteral("{\"kind\":\"ines\",\"tiles\":%1,\"prgBanks\":2,\"chrBanks\":1,\"mapper\":0,"
                       "\"trainer\":true,\"nes2\":false,\"chrStartTile\":%2,\"mirroring\":\"four-screen\","
                       "\"battery\":true,\"prgStart\":528,\"warnings\":[]}\n")
            .arg((40976 + 512 - 16) / 16)
            .arg((512 + 32768) / 16)
            .toStdString());

    const QString output = temp.filePath(QStringLiteral("out.nes"));
    EXPECT_EQ(runKestova({ QStringLiteral("--export-chr"), output, input }).exitCode, 0);
    EXPECT_EQ(readFile(output), rom);
}

// A ROM image whose file is shorter or longer than its header says gets one warning naming both sizes; so does a
// document made from one.
TEST(CommandLine, InfoWarnsOfARomWhoseSizeIsNotWhatItsHeaderSays)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QByteArray rom = readFile(testFile("roms/example.nes")); // 16 + 2 x 16 KiB + 1 x 8 KiB
    ASSERT_EQ(rom.size(), 40976);
    QByteArray noTrainer = rom;
    noTrainer[6] = char(uint8_t(noTrainer[6]) | 0x04); // flagged, but the 512 bytes are missing
    const QByteArray mmc1 = readFile(testFile("roms/hello_mmc1.nes")); // 16 + 8 x 16 KiB + 16 x 8 KiB
    struct Case
    {
        QString name;
        QByteArray bytes;
        QString warning;
    };
    const QList<Case> cases = {
        { QStringLiteral("cut.nes"), rom.left(40000),
            QStringLiteral("the ROM image is 40000 bytes, 976 fewer than its header says (40976: 16-byte header, "
                           "32768 bytes of PRG-ROM, 8192 bytes of CHR-ROM)") },
        { QStringLiteral("padded.nes"), rom + QByteArray(8192, '\xFF'),
            QStringLiteral("the ROM image is 49168 bytes, 8192 more than its header says (40976: 16-byte header, "
                           "32768 bytes of PRG-ROM, 8192 bytes of CHR-ROM)") },
        { QStringLiteral("notrainer.nes"), noTrainer,
            QStringLiteral("the ROM image is 40976 bytes, 512 fewer than its header says (41488: 16-byte header, "
                           "512-byte trainer, 32768 bytes of PRG-ROM, 8192 bytes of CHR-ROM)") },
        { QStringLiteral("halfchr.nes"), mmc1.left(16 + 131072 + 65536),
            QStringLiteral("the ROM image is 196624 bytes, 65536 fewer than its header says (262160: 16-byte header, "
                           "131072 bytes of PRG-ROM, 131072 bytes of CHR-ROM)") },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        const QString input = temp.filePath(c.name);
        writeFile(input, c.bytes);
        const QString document = temp.filePath(c.name + QStringLiteral(".kestova"));
        writeFile(document, documentFile(c.bytes, palettesOf(distinctPaletteFile())));
        for (const QString &file : { input, document }) {
            const ProcessResult run = runKestova({ QStringLiteral("--info"), file });
            EXPECT_EQ(run.exitCode, 0);
            EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
            const QJsonObject info = QJsonDocument::fromJson(run.out).object();
            EXPECT_EQ(info[QStringLiteral("tiles")].toInt(), (c.bytes.size() - 16) / 16);
            EXPECT_EQ(info[QStringLiteral("warnings")].toArray(), QJsonArray { c.warning }) << run.out.toStdString();
        }
    }
}

TEST(CommandLine, PartialTrailingTileOfARomIsKept)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    QByteArray rom = readFile(testFile("roms/example.nes"));
    rom.append(QByteArray("\x11\x22\x33\x44\x55\x66\x77", 7));
    const QString input = temp.filePath(QStringLiteral("partial.nes"));
    writeFile(input, rom);

    const ProcessResult info = runKestova({ QStringLiteral("--info"), input });
    EXPECT_EQ(info.exitCode, 0);
    EXPECT_TRUE(info.out.startsWith("{\"kind\":\"ines\",\"tiles\":2560,")) << info.out.toStdString();

    const QString output = temp.filePath(QStringLiteral("out.nes"));
    const ProcessResult run = runKestova({ QStringLiteral("--export-chr"), output, input });
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(readFile(output), rom);
}

TEST(CommandLine, UnusableInputFailsWithOneLineAndLeavesNoOutput)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    struct Case
    {
        QString path;
        QString reason;
    };
    QList<Case> cases;
    auto make = [&](const QString &name, const QByteArray &bytes, const QString &reason) {
        const QString path = temp.filePath(name);
        writeFile(path, bytes);
        cases.append({ path, reason });
    };
    make(QStringLiteral("empty.chr"), {}, QStringLiteral("empty file"));
    make(QStringLiteral("odd.chr"), QByteArray(4097, '\x55'),
        QStringLiteral("not an iNES ROM image or CHR data (4097 bytes is not a whole number of 16-byte tiles)"));
    make(QStringLiteral("short.nes"),
        QByteArray("NES\x1A"
                   "01234567890",
            15),
        QStringLiteral("15 bytes is not a whole number of 16-byte tiles"));
    make(QStringLiteral("headeronly.nes"),
        QByteArray("NES\x1A\x01\x01"
                   "0123456789ABCD",
            20),
        QStringLiteral("without a single whole 16-byte tile"));
    cases.append({ temp.filePath(QStringLiteral("missing.chr")), QStringLiteral("no such file") });
    ASSERT_TRUE(QDir(temp.path()).mkdir(QStringLiteral("folder.chr")));
    cases.append({ temp.filePath(QStringLiteral("folder.chr")), QStringLiteral("is a folder, not a file") });
    {
        const QString path = temp.filePath(QStringLiteral("huge.chr"));
        QFile huge(path);
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        ASSERT_TRUE(huge.resize(qint64(65) * 1024 * 1024));
        cases.append({ path, QStringLiteral("too large") });
    }

    const QString output = temp.filePath(QStringLiteral("out"));
    const QList<QStringList> modes = { { QStringLiteral("--info") }, { QStringLiteral("--export-chr"), output },
        { QStringLiteral("--export-png"), output } };
    for (const Case &c : cases) {
        for (const QStringList &mode : modes) {
            SCOPED_TRACE((mode.front() + u' ' + c.path).toStdString());
            const ProcessResult run = runKestova(mode + QStringList { c.path });
            const QString err = QString::fromUtf8(run.err);
            EXPECT_EQ(run.exitCode, 1);
            EXPECT_TRUE(run.out.isEmpty());
            EXPECT_EQ(err.count(u'\n'), 1) << err.toStdString();
            EXPECT_TRUE(err.endsWith(u'\n'));
            EXPECT_TRUE(err.startsWith(QStringLiteral("kestova: ") + c.path + QStringLiteral(": ")))
                << err.toStdString();
            EXPECT_TRUE(err.contains(c.reason)) << err.toStdString();
            EXPECT_FALSE(QFileInfo::exists(output));
        }
    }
}

TEST(CommandLine, UnusablePaletteOrOutputFailsWithoutTouchingExistingFiles)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString input = testFile("chr/nesert_sprite.chr");
    const QString output = temp.filePath(QStringLiteral("keep.png"));
    writeFile(output, "earlier work");

    const QString shortPalette = temp.filePath(QStringLiteral("short.pal"));
    writeFile(shortPalette, readFile(testFile("palettes/bgd.pal")) + QByteArray(4, '\x0F'));
    QByteArray badBytes(32, '\x0F');
    badBytes[31] = '\x40';
    const QString badPalette = temp.filePath(QStringLiteral("bad.pal"));
    writeFile(badPalette, badBytes);

    const QList<QPair<QString, QString>> palettes = {
        { shortPalette,
            QStringLiteral("not a palette file (20 bytes; a palette file holds 32 colour numbers 0x00-0x3F, "
                           "or 16 for its background half)") },
        { badPalette, QStringLiteral("byte 31 is 0x40") },
        { temp.filePath(QStringLiteral("missing.pal")), QStringLiteral("no such file") },
    };
    for (const auto &[palette, reason] : palettes) {
        SCOPED_TRACE(palette.toStdString());
        const ProcessResult run
            = runKestova({ QStringLiteral("--export-png"), output, QStringLiteral("--palette"), palette, input });
        const QString err = QString::fromUtf8(run.err);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(err.count(u'\n'), 1) << err.toStdString();
        EXPECT_TRUE(err.startsWith(QStringLiteral("kestova: ") + palette + QStringLiteral(": "))) << err.toStdString();
        EXPECT_TRUE(err.contains(reason)) << err.toStdString();
        EXPECT_EQ(readFile(output), QByteArray("earlier work"));
    }

    // An output that cannot be made names the output.
    const QList<QPair<QString, QString>> targets = {
        { temp.filePath(QStringLiteral("no/such/folder/out.chr")), QStringLiteral("cannot be written") },
        { temp.path(), QStringLiteral("is a folder, not a file") },
    };
    for (const auto &[target, reason] : targets) {
        SCOPED_TRACE(target.toStdString());
        const ProcessResult run = runKestova({ QStringLiteral("--export-chr"), target, input });
        const QString err = QString::fromUtf8(run.err);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(err.count(u'\n'), 1) << err.toStdString();
        EXPECT_TRUE(err.startsWith(QStringLiteral("kestova: ") + target + QStringLiteral(": ") + reason))
            << err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(temp.filePath(QStringLiteral("no"))));

    // A picture the disk cannot take whole (a file size limit of 512 bytes stands in for a full disk): one line with
    // the file's own reason, not the PNG library's, and the earlier file kept.
    QProcess limited;
    limited.start(QStringLiteral("/bin/sh"),
        { QStringLiteral("-c"), QStringLiteral("trap '' XFSZ; ulimit -f 1; exec \"$0\" \"$@\""),
            QStringLiteral(KESTOVA_BINARY), QStringLiteral("--export-png"), output, input });
    ASSERT_TRUE(limited.waitForFinished(60000));
    const QString limitedErr = QString::fromUtf8(limited.readAllStandardError());
    EXPECT_EQ(limited.exitCode(), 1);
    EXPECT_EQ(limitedErr.toStdString(),
        (QStringLiteral("kestova: ") + output + QStringLiteral(": cannot be written (File too large)\n"))
            .toStdString());
    EXPECT_EQ(readFile(output), QByteArray("earlier work"));

    // A picture taller than a PNG may be: 125,001 tiles in one column are 1,000,008 pixels.
    const QString tall = temp.filePath(QStringLiteral("tall.chr"));
    writeFile(tall, QByteArray(125001 * 16, '\0'));
    const QString tallPng = temp.filePath(QStringLiteral("tall.png"));
    const ProcessResult run = runKestova(
        { QStringLiteral("--export-png"), tallPng, QStringLiteral("--columns"), QStringLiteral("1"), tall });
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.startsWith((QStringLiteral("kestova: ") + tallPng + QStringLiteral(": ")).toUtf8()));
    EXPECT_FALSE(QFileInfo::exists(tallPng));
    QFile::remove(tall);
    EXPECT_EQ(QDir(temp.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).size(), 3); // keep.png, both palettes
}

// Wrong usage gets one line naming the argument at fault and the hint to --help, not the whole usage text.
TEST(CommandLine, WrongUsageExitsTwoWithOneLineNamingTheArgument)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString input = testFile("chr/nesert_sprite.chr");
    const QString palette = temp.filePath(QStringLiteral("game.pal"));
    writeFile(palette, readFile(testFile("palettes/bgd.pal")) + readFile(testFile("palettes/spr.pal")));
    const QString output = temp.filePath(QStringLiteral("out.png"));
    const QString png = QStringLiteral("--export-png");
    const QString info = QStringLiteral("--info");
    const QString sub = QStringLiteral("--sub-palette");
    const QString pal = QStringLiteral("--palette");
    const QString columns = QStringLiteral("--columns");

    const QList<QPair<QStringList, QString>> wrong = {
        { { QStringLiteral("--frob"), input }, QStringLiteral("unknown option '--frob'") },
        { { QStringLiteral("-x"), input }, QStringLiteral("unknown option '-x'") },
        { { info }, QStringLiteral("--info needs an input FILE") },
        { { info, input, input }, QStringLiteral("extra argument '%1'").arg(input) },
        { { QStringLiteral("--info=") + input }, QStringLiteral("--info takes no value; give the file after it") },
        { { png }, QStringLiteral("--export-png needs an output file") },
        { { png, output }, QStringLiteral("--export-png needs an input FILE") },
        { { QStringLiteral("--export-chr"), info, input }, QStringLiteral("--export-chr needs an output file") },
        { { info, QStringLiteral("--export-chr"), output, input },
            QStringLiteral("--info and --export-chr cannot be combined") },
        { { png, output, pal, palette, sub, QStringLiteral("8"), input },
            QStringLiteral("--sub-palette must be a number 0-7, not '8'") },
        { { png, output, pal, palette, sub, QStringLiteral("-1"), input },
            QStringLiteral("--sub-palette must be a number 0-7, not '-1'") },
        { { png, output, pal, palette, sub, QStringLiteral("one"), input },
            QStringLiteral("--sub-palette must be a number 0-7, not 'one'") },
        { { png, output, sub, QStringLiteral("1"), input },
            QStringLiteral("--sub-palette picks a sub-palette of --palette or of a Kestova document; there is no "
                           "--palette and %1 is not a document")
                .arg(input) },
        { { png, output, columns, QStringLiteral("0"), input },
            QStringLiteral("--columns must be a number 1-4096, not '0'") },
        { { png, output, columns, QStringLiteral("-3"), input },
            QStringLiteral("--columns must be a number 1-4096, not '-3'") },
        // Numbers are decimal digits, or hex digits after $ or 0x, in every option alike.
        { { png, output, columns, QStringLiteral("$"), input },
            QStringLiteral("--columns must be a number 1-4096, not '$'") },
        { { png, output, columns, QStringLiteral("0x"), input },
            QStringLiteral("--columns must be a number 1-4096, not '0x'") },
        { { png, output, columns, QStringLiteral("$1001"), input },
            QStringLiteral("--columns must be a number 1-4096, not '$1001'") },
        { { png, output, columns, QStringLiteral("1F"), input },
            QStringLiteral("--columns must be a number 1-4096, not '1F'") },
        { { png, output, columns, QStringLiteral("$+4"), input },
            QStringLiteral("--columns must be a number 1-4096, not '$+4'") },
        { { png, output, columns, QStringLiteral("+4"), input },
            QStringLiteral("--columns must be a number 1-4096, not '+4'") },
        { { png, output, columns, QStringLiteral(" 4"), input },
            QStringLiteral("--columns must be a number 1-4096, not ' 4'") },
        { { png, output, columns, input }, QStringLiteral("--columns must be a number 1-4096, not '%1'").arg(input) },
        { { png, output, columns, QStringLiteral("4"), QStringLiteral("--columns=5"), input },
            QStringLiteral("--columns given more than once") },
        { { png, output, columns }, QStringLiteral("--columns needs a number 1-4096") },
        { { png, output, pal, input }, QStringLiteral("--export-png needs an input FILE") },
        { { info, columns, QStringLiteral("4"), input }, QStringLiteral("--columns goes with --export-png") },
        { { QStringLiteral("--export-chr"), output, pal, palette, input },
            QStringLiteral("--palette goes with --export-png or --import-png or --import-screen-png or --render-frame "
                           "or --import-sprite-png or --import-nametable or --import-level-png") },
        { { QStringLiteral("--tall"), input },
            QStringLiteral("--tall goes with --export-png or --import-png or --render-frame or --import-sprite-png or "
                           "--import-metasprites") },
        { { QStringLiteral("--export-palette") }, QStringLiteral("--export-palette needs an output file") },
        { { QStringLiteral("--export-palette"), output }, QStringLiteral("--export-palette needs an input FILE") },
        { { QStringLiteral("--export-palette"), output, sub, QStringLiteral("1"), input },
            QStringLiteral("--sub-palette goes with --export-png or --import-png") },
        { { QStringLiteral("--export-palette"), output, QStringLiteral("--export-chr"), output, input },
            QStringLiteral("--export-palette and --export-chr cannot be combined") },
    };
    for (const auto &[arguments, reason] : wrong) {
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        const ProcessResult run = runKestova(arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_EQ(QString::fromUtf8(run.err).toStdString(),
            (QStringLiteral("kestova: ") + reason + QStringLiteral("; see 'kestova --help'\n")).toStdString());
        EXPECT_FALSE(QFileInfo::exists(output));
    }

    const ProcessResult help = runKestova({ QStringLiteral("--help") });
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(help.out), kestova::commandLineUsage());
    EXPECT_TRUE(help.out.startsWith("Usage:\n"));
    EXPECT_TRUE(help.out.contains("  kestova --version\n"));
    EXPECT_TRUE(help.err.isEmpty());

    // --version prints the program's name and version and nothing else, whatever else is given.
    for (const QStringList &arguments : { QStringList { QStringLiteral("--version") },
             QStringList { QStringLiteral("--version"), QStringLiteral("--info"), input } }) {
        const ProcessResult version = runKestova(arguments);
        EXPECT_EQ(version.exitCode, 0);
        EXPECT_EQ(version.out.toStdString(), "kestova " KESTOVA_VERSION "\n");
        EXPECT_TRUE(version.err.isEmpty());
    }
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9]+\\.[0-9]+\\.[0-9]+$"))
                    .match(QStringLiteral(KESTOVA_VERSION))
                    .hasMatch());

    // Options in their '=' form and a file name after "--" are accepted.
    const ProcessResult equals = runKestova(
        { QStringLiteral("--export-png=") + output, QStringLiteral("--columns=8"), QStringLiteral("--"), input });
    EXPECT_EQ(equals.exitCode, 0) << equals.err.toStdString();
    EXPECT_EQ(QImage(output).size(), QSize(64, 64));
}

// Debug and info lines of the library ("mosavo") and of the application ("Kestova") stay off standard error unless
// QT_LOGGING_RULES asks for them.
TEST(CommandLine, LogLinesStayOffStandardErrorUnlessAskedFor)
{
    const QString rom = testFile("roms/example.nes");
    const ProcessResult quiet = runKestova({ QStringLiteral("--info"), rom });
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_TRUE(quiet.err.isEmpty()) << quiet.err.toStdString();
    // Reading a ROM logs one info line of the library.
    const ProcessResult asked = runKestova({ QStringLiteral("--info"), rom }, QStringLiteral("mosavo.info=true"));
    EXPECT_EQ(asked.exitCode, 0);
    EXPECT_EQ(asked.out, quiet.out);
    EXPECT_EQ(asked.err.toStdString(), "mosavo: Creating new TileData object\n");
}

// The same in the window: opening a file logs info lines of the library and of the application.
// Numbers read as Go to Tile reads them: 2048, $800 and 0x800 are one number, for counts and tile positions alike.
TEST(CommandLine, NumbersTakeHexAfterDollarOrZeroX)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString input = testFile("chr/nesert_sprite.chr");
    QList<QByteArray> sheets;
    for (const QString &columns : { QStringLiteral("10"), QStringLiteral("$A"), QStringLiteral("0xa"),
             QStringLiteral("0X0A") }) {
        const QString output = temp.filePath(QStringLiteral("sheet-%1.png").arg(sheets.size()));
        const ProcessResult run = runKestova({ QStringLiteral("--export-png"), output, QStringLiteral("--columns"),
            columns, input });
        ASSERT_EQ(run.exitCode, 0) << columns.toStdString() << ": " << run.err.toStdString();
        sheets.append(readFile(output));
    }
    EXPECT_EQ(QImage::fromData(sheets.front()).width(), 10 * 8);
    for (const QByteArray &sheet : sheets)
        EXPECT_EQ(sheet, sheets.front());

    QList<QByteArray> roms;
    for (const QString &at : { QStringLiteral("1030"), QStringLiteral("$406"), QStringLiteral("0x406") }) {
        const QString output = temp.filePath(QStringLiteral("out-%1.nes").arg(roms.size()));
        const ProcessResult run = runKestova({ QStringLiteral("--import-png"), testFile("png/vaus-test_bggfx.png"),
            QStringLiteral("--output"), output, QStringLiteral("--at"), at, testFile("roms/example.nes") });
        ASSERT_EQ(run.exitCode, 0) << at.toStdString() << ": " << run.err.toStdString();
        roms.append(readFile(output));
    }
    EXPECT_EQ(roms[1], roms[0]);
    EXPECT_EQ(roms[2], roms[0]);
}

TEST(CommandLine, WindowKeepsLogLinesOffStandardErrorUnlessAskedFor)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    auto start = [&](QProcess &process, const std::optional<QString> &rules) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), temp.path());
        environment.remove(QStringLiteral("QT_LOGGING_RULES"));
        if (rules)
            environment.insert(QStringLiteral("QT_LOGGING_RULES"), *rules);
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(KESTOVA_BINARY), { testFile("chr/sprite.chr") });
        ASSERT_TRUE(process.waitForStarted());
    };
    QProcess quiet;
    QProcess asked;
    start(quiet, std::nullopt);
    start(asked, QStringLiteral("mosavo.info=true;Kestova.info=true"));
    QByteArray askedErr;
    for (int i = 0; i < 60 && !askedErr.contains("Kestova: Request to update views"); ++i) {
        asked.waitForReadyRead(500);
        askedErr += asked.readAllStandardError();
    }
    EXPECT_TRUE(askedErr.contains("mosavo: Creating new TileData object")) << askedErr.toStdString();
    EXPECT_TRUE(askedErr.contains("Kestova: Request to update views")) << askedErr.toStdString();
    // The quiet one has had as long, and a second more, to open the same file.
    quiet.waitForFinished(1000);
    const QByteArray quietErr = quiet.readAllStandardError();
    EXPECT_FALSE(quietErr.contains("mosavo: ")) << quietErr.toStdString();
    EXPECT_FALSE(quietErr.contains("Kestova: ")) << quietErr.toStdString();
    EXPECT_EQ(quiet.state(), QProcess::Running) << "the window stays open";
    for (QProcess *process : { &quiet, &asked }) {
        process->kill();
        process->waitForFinished();
    }
}

TEST(CommandLine, BatchIsOnlyRunWhenABatchOptionIsGiven)
{
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    EXPECT_FALSE(kestova::runBatch({}, outStream, errStream).has_value());
    EXPECT_FALSE(kestova::runBatch({ testFile("chr/sprite.chr") }, outStream, errStream).has_value());
    EXPECT_TRUE(out.isEmpty());
    EXPECT_TRUE(err.isEmpty());

    EXPECT_EQ(kestova::runBatch({ QStringLiteral("--info"), testFile("chr/sprite.chr") }, outStream, errStream), 0);
    EXPECT_EQ(out, QStringLiteral("{\"kind\":\"chr\",\"tiles\":256,\"warnings\":[]}\n"));
    EXPECT_TRUE(err.isEmpty());
}

} // namespace
