#include "app/cli/ScreenCommands.h"

#include "app/cli/BatchCommand.h"
#include "app/cli/BatchIO.h"
#include "app/cli/LevelCommands.h"
#include "app/cli/LossyOptions.h"
#include "app/cli/PaletteCommands.h"

#include "app/document/PictureFiles.h"
#include "app/screens/ScreenImport.h"
#include "app/window/DisplayColorsMenu.h"
#include "core/INesHeader.h"
#include "core/Rle.h"
#include "formats/PictureCodec.h"
#include "palette/PaletteFactory.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <limits>

namespace kestova::cli {

using namespace mosavo;

namespace {

using mosavo::Bytes;

const QString outputOption = QStringLiteral("--output");
const QString tallOption = QStringLiteral("--tall");
const QString bgTableOption = QStringLiteral("--bg-table");
const QString spriteTableOption = QStringLiteral("--sprite-table");
const QString nameOption = QStringLiteral("--name");
const QString screenOption = QStringLiteral("--screen");
const QString rleOption = QStringLiteral("--rle");
const QString nametableOption = QStringLiteral("--nametable");
const QString oamOption = QStringLiteral("--oam");
const QString chrBankOption = QStringLiteral("--chr-bank");

constexpr size_t halfPaletteSize = 16;
constexpr size_t oamSize = 256;

const QString notADocument = QStringLiteral(
    "is not a Kestova document (only a document holds screens; an iNES ROM image or CHR data has none)");

QString plural(qsizetype count, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

// Writes a picture as an RGB PNG through a temporary file.
int writeRgbPng(QTextStream &err, const QString &path, const QImage &image)
{
    const auto error = writePngFile(path, image.convertToFormat(QImage::Format_RGB888));
    return error ? reportFailure(err, *error) : exitSuccess;
}

// The screen --screen N picks (default 0) of the document at path.
std::variant<const mosavo::Screen *, FileError> chosenScreen(
    const QString &path, const EditorViewControllerSettings &document, const ParsedArguments &arguments)
{
    return chosenItem(path, document.screens(), arguments.number(screenOption).value_or(0), QStringLiteral("screen"),
        QStringLiteral("screens"));
}

// The 512 tiles the screens of a document read.
std::variant<mosavo::PatternTables, FileError> documentPatternTables(
    const QString &path, const EditorViewControllerSettings &document)
{
    const auto first = screenBankFirstTile(*document.tileData());
    if (const auto *reason = std::get_if<QString>(&first))
        return FileError { path, *reason };
    return mosavo::PatternTables::fromTiles(*document.tileData(), std::get<int64_t>(first));
}

// --export-nametable OUT [--screen N | --map N --room R] [--rle] [--asm NAME | --c NAME] DOC
int runExportNametable(const ParsedArguments &arguments, BatchStreams &streams)
{
    const QString &path = arguments.files.front();
    auto read = readInput(path, notADocument);
    if (auto *error = std::get_if<FileError>(&read))
        return reportFailure(streams.err, *error);
    if (arguments.has(mapOption) || arguments.has(roomOption)) {
        auto room = levelRoomNametable(path, *std::get<Input>(read).document, arguments);
        if (auto *error = std::get_if<FileError>(&room))
            return reportFailure(streams.err, *error);
        Bytes bytes = std::get<Bytes>(room);
        if (arguments.has(rleOption)) {
            auto packed = mosavo::rlePack(bytes, "the room's nametable");
            if (!packed)
                return reportFailure(streams.err,
                    { path, QString::fromStdString(packed.error) + QStringLiteral(" (export it without --rle)") });
            bytes = std::move(*packed.bytes);
        }
        return writeBytesOrSource(streams.err, arguments, path, arguments.commandValue, bytes);
    }
    auto chosen = chosenScreen(path, *std::get<Input>(read).document, arguments);
    if (auto *error = std::get_if<FileError>(&chosen))
        return reportFailure(streams.err, *error);
    const mosavo::Screen &screen = *std::get<const mosavo::Screen *>(chosen);
    Bytes bytes = screen.nametableBytes();
    if (arguments.has(rleOption)) {
        auto packed = mosavo::rlePack(bytes, "the nametable");
        if (!packed)
            return reportFailure(streams.err,
                { path,
                    QStringLiteral("screen %1: %2 (export it without --rle)")
                        .arg(arguments.number(screenOption).value_or(0))
                        .arg(QString::fromStdString(packed.error)) });
        bytes = std::move(*packed.bytes);
    }
    return writeBytesOrSource(streams.err, arguments, path, arguments.commandValue, bytes);
}

// --export-screen-png OUT.png [--screen N] [--display-palette FILE] DOC
int runExportScreenPng(const ParsedArguments &arguments, BatchStreams &streams)
{
    const QString &path = arguments.files.front();
    auto colors = chosenDisplayColors(arguments);
    if (auto *error = std::get_if<FileError>(&colors))
        return reportFailure(streams.err, *error);
    auto read = readInput(path, notADocument);
    if (auto *error = std::get_if<FileError>(&read))
        return reportFailure(streams.err, *error);
    const EditorViewControllerSettings &document = *std::get<Input>(read).document;
    auto chosen = chosenScreen(path, document, arguments);
    if (auto *error = std::get_if<FileError>(&chosen))
        return reportFailure(streams.err, *error);
    auto patterns = documentPatternTables(path, document);
    if (auto *error = std::get_if<FileError>(&patterns))
        return reportFailure(streams.err, *error);
    const mosavo::FramePicture frame = mosavo::renderBackground(std::get<mosavo::PatternTables>(patterns),
        *std::get<const mosavo::Screen *>(chosen), documentPaletteBytes(document));
    return writeRgbPng(streams.err, arguments.commandValue,
        frameImage(frame, std::get<mosavo::DisplayColors>(colors), mosavo::currentDisplayEmphasis()));
}

// The tiles of a ROM's CHR-ROM bank, or of CHR data from byte 8192 * bank on.
std::variant<mosavo::PatternTables, FileError> bankPatternTables(
    const QString &path, const mosavo::TileData &tiles, int64_t bank)
{
    const auto bytes = tiles.consoleFormattedPixelData();
    if (!bytes)
        return FileError { path, QStringLiteral("holds no tiles") };
    size_t start = 0;
    size_t end = bytes->size();
    QString banks;
    uint64_t declared = 0; // the CHR-ROM bytes a ROM's header gives
    if (tiles.header()) {
        const auto header = mosavo::INesHeader::parse(*tiles.header());
        if (!header || header->chrBytes == 0)
            return FileError { path,
                QStringLiteral("is an iNES ROM image without CHR-ROM (its board uses CHR-RAM), so it has no tiles "
                               "to render a frame from") };
        constexpr uint64_t headerBytes = 16;
        const uint64_t chrStart = header->chrOffsetAfterHeader();
        start = chrStart >= uint64_t(end) - headerBytes ? end : size_t(headerBytes + chrStart);
        end = std::min<uint64_t>(end, uint64_t(start) + header->chrBytes);
        declared = header->chrBytes;
        banks = QStringLiteral("its CHR-ROM");
    } else {
        banks = QStringLiteral("its CHR data");
    }
    const size_t bankCount = (end - start + mosavo::PatternTables::bankSize - 1) / mosavo::PatternTables::bankSize;
    if (uint64_t(bank) >= bankCount && end - start < declared)
        return FileError { path,
            QStringLiteral("its header gives %1 of CHR-ROM, but the file is cut short and holds %2 bytes of it, so "
                           "there is no bank %3")
                .arg(plural(qsizetype(declared / mosavo::PatternTables::bankSize), "bank of 8 KiB", "banks of 8 KiB"))
                .arg(end - start)
                .arg(bank) };
    if (uint64_t(bank) >= bankCount)
        return FileError { path,
            QStringLiteral("%1 holds %2 of 8 KiB, so there is no bank %3")
                .arg(banks, plural(qsizetype(bankCount), "bank", "banks"))
                .arg(bank) };
    const size_t from = start + size_t(bank) * mosavo::PatternTables::bankSize;
    return mosavo::PatternTables::fromChr(std::span<const uint8_t>(bytes->data() + from, end - from));
}

// --render-frame OUT.png [--nametable NAM] [--oam OAM] [--palette PAL] [--bg-table 0|1] [--sprite-table 0|1]
//                [--tall] [--chr-bank N] [--display-palette FILE] FILE
int runRenderFrame(const ParsedArguments &arguments, BatchStreams &streams)
{
    QTextStream &err = streams.err;
    const QString &path = arguments.files.front();
    auto colors = chosenDisplayColors(arguments);
    if (auto *error = std::get_if<FileError>(&colors))
        return reportFailure(err, *error);
    mosavo::PaletteBytes palette = greyPaletteBytes();
    if (const auto file = arguments.text(paletteOption)) {
        auto read = readPaletteBytes(*file);
        if (auto *error = std::get_if<FileError>(&read))
            return reportFailure(err, *error);
        palette = std::get<mosavo::PaletteBytes>(read);
    }
    std::optional<mosavo::Screen> screen;
    if (const auto file = arguments.text(nametableOption)) {
        const ReadResult read = readWholeFile(*file);
        if (read.error)
            return reportFailure(err, *read.error);
        std::string why;
        screen = mosavo::screenFromNametable(read.bytes, &why);
        if (!screen)
            return reportFailure(
                err, { *file, QStringLiteral("not a nametable: %1").arg(QString::fromStdString(why)) });
        screen->patternTable = arguments.text(bgTableOption) == u"1" ? 1 : 0;
    }
    std::optional<std::array<uint8_t, oamSize>> oam;
    if (const auto file = arguments.text(oamOption)) {
        const ReadResult read = readWholeFile(*file);
        if (read.error)
            return reportFailure(err, *read.error);
        if (read.bytes.size() != oamSize)
            return reportFailure(err,
                { *file,
                    QStringLiteral("not an OAM dump: it is %1 bytes, and OAM is 256 (64 sprites of 4 bytes)")
                        .arg(read.bytes.size()) });
        oam.emplace();
        std::copy(read.bytes.begin(), read.bytes.end(), oam->begin());
    }
    auto input = readInput(path);
    if (auto *error = std::get_if<FileError>(&input))
        return reportFailure(err, *error);
    auto patterns = bankPatternTables(path, *std::get<Input>(input).tiles, arguments.number(chrBankOption).value_or(0));
    if (auto *error = std::get_if<FileError>(&patterns))
        return reportFailure(err, *error);
    mosavo::SpriteSettings sprites;
    sprites.tall = arguments.has(tallOption);
    sprites.patternTable = arguments.text(spriteTableOption) == u"1" ? 1 : 0;
    const mosavo::FramePicture frame = mosavo::renderFrame(std::get<mosavo::PatternTables>(patterns),
        screen ? &*screen : nullptr, oam ? &*oam : nullptr, sprites, palette);
    return writeRgbPng(err, arguments.commandValue,
        frameImage(frame, std::get<mosavo::DisplayColors>(colors), mosavo::currentDisplayEmphasis()));
}

std::optional<QString> checkImportScreenPng(const ParsedArguments &arguments)
{
    if (!arguments.has(outputOption))
        return QStringLiteral("--import-screen-png needs --output DOC.kestova");
    if (auto reason = checkLossyOptions(arguments))
        return reason;
    return checkItemName(arguments);
}

// --import-screen-png IN.png --output DOC.kestova [--palette PAL] [--bg-table 0|1] [--name NAME]
//                     [--display-palette FILE] [FILE]
int runImportScreenPng(const ParsedArguments &arguments, BatchStreams &streams)
{
    QTextStream &err = streams.err;
    const QString &picturePath = arguments.commandValue;
    auto colors = chosenDisplayColors(arguments);
    if (auto *error = std::get_if<FileError>(&colors))
        return reportFailure(err, *error);
    std::optional<mosavo::BackgroundSubPalettes> subPalettes;
    if (const auto file = arguments.text(paletteOption)) {
        auto read = readPaletteBytes(*file);
        if (auto *error = std::get_if<FileError>(&read))
            return reportFailure(err, *error);
        subPalettes = backgroundSubPalettes(std::get<mosavo::PaletteBytes>(read));
    }
    const ReadResult picture = readWholeFile(picturePath);
    if (picture.error)
        return reportFailure(err, *picture.error);
    auto read = readPicture(picture.bytes, [](QSize size) -> std::optional<QString> {
        if (const auto refusal = mosavo::screenPictureSizeRefusal(size.width(), size.height()))
            return QString::fromStdString(*refusal)
                + QStringLiteral(" (scale or crop it to 256 x 240 in a paint program first, keeping hard pixel edges)");
        return std::nullopt;
    });
    if (const auto *reason = std::get_if<QString>(&read))
        return reportFailure(err, { picturePath, *reason });
    const QImage image = std::move(std::get<QImage>(read));
    auto target = documentToAddTo(arguments);
    if (auto *error = std::get_if<FileError>(&target))
        return reportFailure(err, *error);
    EditorViewControllerSettings &document = *std::get<SettingsPtr>(target);
    if (!arguments.files.isEmpty())
        if (const auto first = screenBankFirstTile(*document.tileData()); std::holds_alternative<QString>(first))
            return reportFailure(err, { arguments.files.front(), std::get<QString>(first) });
    const std::string name
        = arguments.text(nameOption).value_or(QFileInfo(picturePath).completeBaseName()).toStdString();
    PictureReading reading;
    reading.lossy = lossySettings(arguments);
    auto converted = convertScreenImage(image, document, std::get<mosavo::DisplayColors>(colors),
        mosavo::currentDisplayEmphasis(), subPalettes, arguments.text(bgTableOption) == u"1" ? 1 : 0, name, reading);
    if (auto *reason = std::get_if<QString>(&converted))
        return reportFailure(err, { picturePath, *reason });
    const auto &conversion = std::get<mosavo::ScreenConversion>(converted);
    if (conversion.quality)
        reportLossyQuality(err, picturePath, *conversion.quality);
    applyScreenConversion(document, conversion);
    return writeDocument(err, *arguments.text(outputOption), document);
}

} // namespace

std::variant<mosavo::DisplayColors, FileError> chosenDisplayColors(const ParsedArguments &arguments)
{
    const auto path = arguments.text(displayPaletteOption);
    if (!path)
        return mosavo::currentDisplayColors();
    return readDisplayColorsFile(*path);
}

std::variant<mosavo::PaletteBytes, FileError> readPaletteBytes(const QString &path, bool *halfOnly)
{
    if (path.startsWith(u'@'))
        return readPaletteInFile(path, halfOnly);
    const ReadResult read = readWholeFile(path);
    if (read.error)
        return *read.error;
    const Bytes &bytes = read.bytes;
    if (bytes.size() != mosavo::PaletteFactory::paletteFileSize && bytes.size() != halfPaletteSize)
        return FileError { path,
            QStringLiteral("not a palette file (%1 bytes; a palette file holds 32 colour numbers 0x00-0x3F, or 16 "
                           "for its background half)")
                .arg(bytes.size()) };
    for (size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] > 0x3F)
            return FileError { path,
                QStringLiteral("not a palette file (byte %1 is 0x%2; colour numbers are 0x00-0x3F)")
                    .arg(i)
                    .arg(QString::number(bytes[i], 16).toUpper()) };
    mosavo::PaletteBytes palette = greyPaletteBytes();
    std::copy(bytes.begin(), bytes.end(), palette.begin());
    if (halfOnly)
        *halfOnly = bytes.size() == halfPaletteSize;
    return palette;
}

void addGraphicsInfo(nlohmann::ordered_json &info, const EditorViewControllerSettings &document)
{
    if (!document.screens().empty()) {
        auto screens = nlohmann::ordered_json::array();
        for (const mosavo::Screen &screen : document.screens())
            screens.push_back({ { "name", screen.name }, { "patternTable", screen.patternTable },
                { "distinctTiles", screen.distinctTiles() } });
        info["screens"] = std::move(screens);
    }
    if (!document.metasprites().empty()) {
        const int height = document.tallSprites() ? 16 : 8;
        auto metasprites = nlohmann::ordered_json::array();
        for (const mosavo::Metasprite &metasprite : document.metasprites())
            metasprites.push_back({ { "name", metasprite.name }, { "sprites", metasprite.sprites.size() },
                { "mostOnOneLine", mosavo::mostSpritesOnOneRow(mosavo::placeMetasprite(metasprite, 0, 0), height) } });
        info["metasprites"] = std::move(metasprites);
    }
    if (!document.animations().empty()) {
        auto animations = nlohmann::ordered_json::array();
        for (const mosavo::Animation &animation : document.animations()) {
            int duration = 0;
            auto frames = nlohmann::ordered_json::array();
            for (const mosavo::AnimationFrame &frame : animation.frames) {
                frames.push_back({ { "metasprite", frame.metasprite }, { "duration", frame.duration } });
                duration += frame.duration;
            }
            animations.push_back(
                { { "name", animation.name }, { "frames", std::move(frames) }, { "duration", duration } });
        }
        info["animations"] = std::move(animations);
    }
    if (!document.metatileSets().empty()) {
        auto sets = nlohmann::ordered_json::array();
        for (const mosavo::MetatileSet &set : document.metatileSets())
            sets.push_back(
                { { "name", set.name }, { "patternTable", set.patternTable }, { "metatiles", set.metatiles.size() } });
        info["metatileSets"] = std::move(sets);
    }
    if (!document.levelMaps().empty()) {
        auto maps = nlohmann::ordered_json::array();
        for (const mosavo::LevelMap &map : document.levelMaps())
            maps.push_back({ { "name", map.name }, { "set", map.metatileSet }, { "rooms", map.roomCount() },
                { "width", map.roomsWide }, { "height", map.roomsHigh } });
        info["levelMaps"] = std::move(maps);
    }
}

CommandFamily screenCommands()
{
    CommandFamily family;
    const QStringList tables = { QStringLiteral("0"), QStringLiteral("1") };
    family.options = {
        choiceOption(bgTableOption, QStringLiteral("a pattern table, 0 or 1"), tables),
        choiceOption(spriteTableOption, QStringLiteral("a pattern table, 0 or 1"), tables),
        textOption(nameOption, QStringLiteral("a name")),
        numberOption(screenOption, QStringLiteral("a screen number"), 0, std::numeric_limits<int32_t>::max()),
        flagOption(rleOption),
        textOption(asmOption, QStringLiteral("a label name")),
        textOption(cOption, QStringLiteral("an array name")),
        textOption(nametableOption, QStringLiteral("a nametable file")),
        textOption(oamOption, QStringLiteral("an OAM file")),
        numberOption(chrBankOption, QStringLiteral("a bank number"), 0, std::numeric_limits<int32_t>::max()),
        textOption(displayPaletteOption, QStringLiteral("a display palette file")),
    };
    for (OptionRule &rule : lossyOptionRules())
        family.options.push_back(std::move(rule));
    const QString anOutputFile = QStringLiteral("an output file");

    BatchCommand &importScreen = family.add(
        textOption(QStringLiteral("--import-screen-png"), QStringLiteral("a picture file")), runImportScreenPng);
    importScreen.accepts = QStringList {
        outputOption, paletteOption, bgTableOption, nameOption, displayPaletteOption, paletteBytesOption
    } + lossyOptionNames();
    importScreen.file = FileArgument::optional;
    importScreen.check = checkImportScreenPng;
    importScreen.synopsis
        = QStringLiteral("--import-screen-png IN.png --output DOC.kestova [--palette PAL] [--bg-table 0|1] "
                         "[--name NAME] [--lossy [--dither none|ordered|diffusion] [--max-tiles N]] "
                         "[FILE]");
    importScreen.help
        = QStringLiteral(
              "  --import-screen-png IN.png\n"
              "                        make a screen of a 256 x 240 picture (PNG, BMP, GIF or JPEG) whose colours are\n"
              "                        display colours, matched as a whole so that another emulator's colours read\n"
              "                        as the console's (a colour further than 0.05 in OKLab from every one is\n"
              "                        refused; see --lossy); fully transparent pixels are the universal background\n"
              "                        colour; each 16 x 16\n"
              "                        area may use the universal background colour and three colours of one\n"
              "                        sub-palette; identical 8 x 8 cells share a tile, tiles already in the pattern\n"
              "                        table are used as they are, new ones take blank tiles no screen or\n"
              "                        metasprite uses\n"
              "    --output DOC        the document written: FILE's content (a document, ROM image or CHR data) or,\n"
              "                        without FILE, 512 blank tiles, plus the screen; its sub-palettes 0-3 become "
              "the\n"
              "                        document's sub-palettes 0-3 (a new document's 4-7 are fixed readable colours)\n"
              "    --palette PAL       the four background sub-palettes to use (bytes 0-15 of PAL); without it they\n"
              "                        are found\n"
              "    --bg-table 0|1      the pattern table the screen reads (default 0)\n"
              "    --name NAME         the screen's name (default: the picture's file name)\n")
        + lossyHelp();

    BatchCommand &exportScreen
        = family.add(textOption(QStringLiteral("--export-screen-png"), anOutputFile), runExportScreenPng);
    exportScreen.accepts = { screenOption, displayPaletteOption };
    exportScreen.synopsis = QStringLiteral("--export-screen-png OUT.png [--screen N] DOC");
    exportScreen.help = QStringLiteral(
        "  --export-screen-png OUT.png\n"
        "                        draw a screen of a document as a 256 x 240 RGB PNG in the display colours\n"
        "    --screen N          the screen, from 0 (default 0)\n");

    BatchCommand &exportNametable
        = family.add(textOption(QStringLiteral("--export-nametable"), anOutputFile), runExportNametable);
    exportNametable.accepts = { screenOption, rleOption, asmOption, cOption, mapOption, roomOption };
    exportNametable.check = [](const ParsedArguments &arguments) -> std::optional<QString> {
        if (arguments.has(screenOption) && (arguments.has(mapOption) || arguments.has(roomOption)))
            return QStringLiteral("--screen cannot go with --map or --room: a nametable is of a screen or of a room");
        return checkSourceName(arguments);
    };
    exportNametable.synopsis
        = QStringLiteral("--export-nametable OUT [--screen N | --map N --room R] [--rle] [--asm NAME | --c NAME] DOC");
    exportNametable.help = QStringLiteral(
        "  --export-nametable OUT\n"
        "                        write a screen's nametable: 960 tile numbers, then 64 attribute bytes (.nam)\n"
        "    --map N --room R    a room of a map instead (rooms left to right, then top to bottom, from 0), its\n"
        "                        attributes from its metatiles' sub-palettes\n"
        "    --rle               packed: a tag byte not in the data, bytes as they are, tag n repeats the\n"
        "                        previous byte n times, tag 0 ends (a nametable using all 256 byte values cannot\n"
        "                        be packed)\n"
        "    --asm NAME          as ca65 source: NAME: then .byte rows of 16\n"
        "    --c NAME            as C source: const unsigned char NAME[N] = {...};\n");

    BatchCommand &renderFrame = family.add(textOption(QStringLiteral("--render-frame"), anOutputFile), runRenderFrame);
    renderFrame.accepts = { nametableOption, oamOption, paletteOption, bgTableOption, spriteTableOption, tallOption,
        chrBankOption, displayPaletteOption, paletteBytesOption };
    renderFrame.synopsis = QStringLiteral("--render-frame OUT.png [--nametable NAM] [--oam OAM] [--palette PAL] "
                                          "[--bg-table 0|1] [--sprite-table 0|1] [--tall] [--chr-bank N] FILE");
    renderFrame.help = QStringLiteral(
        "  --render-frame OUT.png\n"
        "                        draw what the PPU shows as a 256 x 240 RGB PNG, from the tiles of FILE: an 8 KiB\n"
        "                        bank of a ROM image's CHR-ROM, or of CHR data or a document's tiles from byte\n"
        "                        8192 * N on\n"
        "    --nametable NAM     the background: a .nam file of 1024 bytes (or 960, attributes 0); without it\n"
        "                        colour 0 everywhere\n"
        "    --oam OAM           sprites over it: 256 bytes of OAM (Y, tile, attributes, X for each of 64)\n"
        "    --palette PAL       32 colour numbers (or 16, the background half); default the viewer's greys\n"
        "    --bg-table 0|1      the background's pattern table (default 0)\n"
        "    --sprite-table 0|1  the pattern table of 8x8 sprites (default 0)\n"
        "    --tall              8x16 sprites: the tile byte's bit 0 picks the pattern table\n"
        "    --chr-bank N        the 8 KiB bank, from 0 (default 0)\n"
        "  --display-palette FILE\n"
        "                        with any command that writes or reads a PNG picture: the display colours, an\n"
        "                        emulator palette file of 192 bytes (64 RGB colours) or 1536 (eight emphasis\n"
        "                        sets); default the program's master table\n");
    return family;
}

} // namespace kestova::cli
