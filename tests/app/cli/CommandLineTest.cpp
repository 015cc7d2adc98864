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

namespace {

const QString dataDir = QStringLiteral(KESTOVA_TEST_DATA);

QString testFile(const char *relative)
{
    return dataDir + u'/' + QLatin1String(relative);
}

struct ProcessResult
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs the program as scripts do: a separate process without any display, and without logging rules unless
// logRules gives them.
ProcessResult runKestova(const QStringList &arguments, const std::optional<QString> &logRules = std::nullopt)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("QT_LOGGING_RULES"));
    if (logRules)
        environment.insert(QStringLiteral("QT_LOGGING_RULES"), *logRules);
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

QStringList filesIn(const QString &folder, const QString &pattern)
{
    QStringList paths;
    for (const QString &name : QDir(dataDir + u'/' + folder).entryList({ pattern }, QDir::Files, QDir::Name))
        paths.append(dataDir + u'/' + folder + u'/' + name);
    return paths;
}

// Colour index of pixel (x, y) of a tile as the hardware reads it: bit of the first plane + 2 x bit of the second.
int referencePixel(const QByteArray &tileData, int64_t tile, int x, int y)
{
    const auto first = uint8_t(tileData[qsizetype(tile * 16 + y)]);
    const auto second = uint8_t(tileData[qsizetype(tile * 16 + 8 + y)]);
    return ((first >> (7 - x)) & 1) | (((second >> (7 - x)) & 1) << 1);
}

// Checks every pixel of a tile sheet against the tile bytes, columns tiles a row, with colour index 0 past the end.
void expectTileSheet(
    const QImage &image, const QByteArray &tileData, int columns, const std::array<int64_t, 4> &colorNumbers)
{
    const int64_t tiles = tileData.size() / 16;
    const int64_t rows = (tiles + columns - 1) / columns;
    ASSERT_EQ(image.width(), columns * 8);
    ASSERT_EQ(image.height(), rows * 8);
    int mismatches = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int64_t tile = (y / 8) * columns + x / 8;
            const int index = tile < tiles ? referencePixel(tileData, tile, x % 8, y % 8) : 0;
            const QRgb expected = 0xFF000000u | mosavo::nesRgb(colorNumbers[size_t(index)]);
            if (image.pixel(x, y) != expected && ++mismatches <= 5)
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex << image.pixel(x, y)
                              << ", expected " << expected;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

mosavo::Bytes toBytes(const QByteArray &bytes)
{
    return mosavo::Bytes(bytes.begin(), bytes.end());
}

// A document as the window saves it: the tiles of tileBytes (a ROM image or CHR data) and the given sub-palettes.
QByteArray documentFile(const QByteArray &tileBytes, std::vector<mosavo::PalettePtr> palettes)
{
    kestova::EditorViewControllerSettings settings;
    settings.setTileData(mosavo::ConsoleDataFactory::generate(toBytes(tileBytes)));
    settings.setPalettes(std::move(palettes));
    const auto bytes = settings.documentBytes();
    EXPECT_TRUE(settings.tileData() && bytes);
    return bytes ? QByteArray(reinterpret_cast<const char *>(bytes->data()), qsizetype(bytes->size())) : QByteArray();
}

// The eight sub-palettes of a 32-byte palette file.
std::vector<mosavo::PalettePtr> palettesOf(const QByteArray &paletteFile)
{
    auto palettes = mosavo::PaletteFactory::generate(toBytes(paletteFile));
    EXPECT_TRUE(palettes.has_value());
    return palettes.value_or(std::vector<mosavo::PalettePtr> {});
}

// 32 colour numbers, different in every sub-palette and none of the grey palette's at colour index 0.
QByteArray distinctPaletteFile()
{
    QByteArray bytes(32, '\0');
    for (int k = 0; k < bytes.size(); ++k)
        bytes[k] = char((k * 9 + 0x11) % 0x40);
    return bytes;
}

std::array<int64_t, 4> subPaletteNumbers(const QByteArray &paletteFile, int index)
{
    std::array<int64_t, 4> numbers;
    for (size_t i = 0; i < numbers.size(); ++i)
        numbers[i] = uint8_t(paletteFile[qsizetype(index * 4 + int(i))]);
    return numbers;
}

// Checks a run that failed on an input: exit 1, nothing on standard output, one line naming the file and the reason.
void expectOneLineFailure(const ProcessResult &run, const QString &path, const QString &reason)
{
    const QString err = QString::fromUtf8(run.err);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(err.count(u'\n'), 1) << err.toStdString();
    EXPECT_TRUE(err.startsWith(QStringLiteral("kestova: ") + path + QStringLiteral(": "))) << err.toStdString();
    EXPECT_TRUE(err.contains(reason)) << err.toStdString();
}

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
        const char *warnings = "";
    };
    // Header facts of the test ROMs; tiles = (file size - 16) / 16, chrStartTile = (CHR-ROM start - 16) / 16.
    // nes15-NTSC.nes carries 4 KiB past the PRG-ROM and CHR-ROM its header declares.
    const Row rows[] = {
        { "clip_vrc7.nes", 1024, 1, 0, 85, false, true, 1024 },
        { "dpcmletterbox.nes", 1536, 1, 1, 0, false, false, 1024 },
        { "example.nes", 2560, 2, 1, 0, false, false, 2048 },
        { "hello.nes", 2560, 2, 1, 0, false, false, 2048 },
        { "hello_mmc1.nes", 16384, 8, 16, 1, false, false, 8192 },
        { "hello_mmc3.nes", 16384, 8, 16, 4, false, false, 8192 },
        { "mappers.nes", 4096, 2, 4, 3, false, false, 2048 },
        { "nes15-NTSC.nes", 1792, 1, 1, 0, false, false, 1024,
            "\"the ROM image is 28688 bytes, 4096 more than its header says (24592: 16-byte header, 16384 bytes of "
            "PRG-ROM, 8192 bytes of CHR-ROM)\"" },
        { "scaling.nes", 1024, 1, 0, 0, false, false, 1024 },
        { "vaus-test.nes", 1536, 1, 1, 0, false, false, 1024 },
    };
    auto flag = [](bool value) { return value ? QStringLiteral("true") : QStringLiteral("false"); };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.file);
        const ProcessResult run
            = runKestova({ QStringLiteral("--info"), dataDir + QStringLiteral("/roms/") + QLatin1String(row.file) });
        const QString expected = QStringLiteral("{\"kind\":\"ines\",\"tiles\":%1,\"prgBanks\":%2,\"chrBanks\":%3,"
                                                "\"mapper\":%4,\"trainer\":%5,\"nes2\":%6,\"chrStartTile\":%7,"
                                                "\"warnings\":[%8]}\n")
                                     .arg(row.tiles)
                                     .arg(row.prgBanks)
                                     .arg(row.chrBanks)
                                     .arg(row.mapper)
                                     .arg(flag(row.trainer), flag(row.nes2))
                                     .arg(row.chrStartTile)
                                     .arg(QLatin1String(row.warnings));
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
    rom[6] = char(uint8_t(rom[6]) | 0x04);
    const QString input = temp.filePath(QStringLiteral("trainer.nes"));
    writeFile(input, rom);

    const ProcessResult info = runKestova({ QStringLiteral("--info"), input });
    EXPECT_EQ(info.exitCode, 0);
    EXPECT_EQ(info.out.toStdString(),
        QStringLiteral("{\"kind\":\"ines\",\"tiles\":%1,\"prgBanks\":2,\"chrBanks\":1,\"mapper\":0,"
                       "\"trainer\":true,\"nes2\":false,\"chrStartTile\":%2,\"warnings\":[]}\n")
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
        // Numbers are decimal digits only, in every option alike.
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
                           "or --import-sprite-png") },
        { { QStringLiteral("--tall"), input },
            QStringLiteral("--tall goes with --export-png or --import-png or --render-frame or --import-sprite-png") },
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
        "\"nes2\":false,\"chrStartTile\":2048,\"palettes\":8,\"warnings\":[]}\n");
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

} // namespace

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
