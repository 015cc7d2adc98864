#include "app/cli/LevelCommands.h"

#include "app/cli/BatchCommand.h"
#include "app/cli/BatchIO.h"
#include "app/cli/LossyOptions.h"
#include "app/cli/PaletteCommands.h"
#include "app/cli/ScreenCommands.h"

#include "app/document/PictureFiles.h"
#include "app/levels/LevelImport.h"
#include "app/screens/ScreenImport.h"
#include "app/window/DisplayColorsMenu.h"
#include "core/LevelPicture.h"
#include "formats/LevelTables.h"
#include "formats/PictureCodec.h"

#include <QFileInfo>
#include <QTextStream>

#include <limits>

namespace kestova::cli {

using namespace mosavo;

namespace {

const QString outputOption = QStringLiteral("--output");
const QString bgTableOption = QStringLiteral("--bg-table");
const QString nameOption = QStringLiteral("--name");
const QString setOption = QStringLiteral("--set");
const QString layoutOption = QStringLiteral("--layout");
const QString roomsOption = QStringLiteral("--rooms");
const QString rleOption = QStringLiteral("--rle");

const QString notADocument = QStringLiteral(
    "is not a Kestova document (only a document holds metatiles and maps; an iNES ROM image or CHR data has none)");

QString counted(qsizetype count, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

// The document FILE names, or the reason it cannot be used.
std::variant<SettingsPtr, FileError> readDocument(const QString &path)
{
    auto read = readInput(path, notADocument);
    if (auto *error = std::get_if<FileError>(&read))
        return *error;
    return std::get<Input>(read).document;
}

// The set --set N picks (default 0).
std::variant<const MetatileSet *, FileError> chosenSet(
    const QString &path, const EditorViewControllerSettings &document, const ParsedArguments &arguments)
{
    return chosenItem(path, document.metatileSets(), arguments.number(setOption).value_or(0),
        QStringLiteral("metatile set"), QStringLiteral("metatile sets"));
}

// --import-level-png IN --output DOC [--palette PAL] [--bg-table 0|1] [--name NAME] [FILE]
int runImportLevelPng(const ParsedArguments &arguments, BatchStreams &streams)
{
    QTextStream &err = streams.err;
    const QString &picturePath = arguments.commandValue;
    std::optional<BackgroundSubPalettes> subPalettes;
    if (const auto file = arguments.text(paletteOption)) {
        auto read = readPaletteBytes(*file);
        if (auto *error = std::get_if<FileError>(&read))
            return reportFailure(err, *error);
        subPalettes = backgroundSubPalettes(std::get<PaletteBytes>(read));
    }
    const ReadResult picture = readWholeFile(picturePath);
    if (picture.error)
        return reportFailure(err, *picture.error);
    auto read = readLevelPicture(picture.bytes);
    if (const auto *reason = std::get_if<QString>(&read))
        return reportFailure(err, { picturePath, *reason });
    auto target = documentToAddTo(arguments);
    if (auto *error = std::get_if<FileError>(&target))
        return reportFailure(err, *error);
    EditorViewControllerSettings &document = *std::get<SettingsPtr>(target);
    if (!arguments.files.isEmpty())
        if (const auto first = screenBankFirstTile(*document.tileData()); std::holds_alternative<QString>(first))
            return reportFailure(err, { arguments.files.front(), std::get<QString>(first) });
    const std::string name
        = arguments.text(nameOption).value_or(QFileInfo(picturePath).completeBaseName()).toStdString();
    auto converted
        = convertLevelImage(std::get<QImage>(read), document, currentDisplayColors(), currentDisplayEmphasis(),
            subPalettes, arguments.text(bgTableOption) == u"1" ? 1 : 0, name, lossySettings(arguments));
    if (auto *reason = std::get_if<QString>(&converted))
        return reportFailure(err, { picturePath, *reason });
    LevelConversion &conversion = std::get<LevelConversion>(converted);
    const QString summary = QStringLiteral("%1: %2, %3, %4 (%5 already in the pattern table)\n")
                                .arg(picturePath, counted(conversion.map.roomCount(), "room", "rooms"),
                                    counted(qsizetype(conversion.set.metatiles.size()), "metatile", "metatiles"),
                                    counted(conversion.distinctTiles, "tile", "tiles"))
                                .arg(conversion.reusedTiles);
    applyLevelConversion(document, std::move(conversion));
    const int status = writeDocument(err, *arguments.text(outputOption), document);
    if (status == exitSuccess) {
        streams.out << summary;
        streams.out.flush();
    }
    return status;
}

// --export-metatiles OUT [--set N] [--layout interleaved|tables] [--asm NAME | --c NAME] DOC
int runExportMetatiles(const ParsedArguments &arguments, BatchStreams &streams)
{
    const QString &path = arguments.files.front();
    auto document = readDocument(path);
    if (auto *error = std::get_if<FileError>(&document))
        return reportFailure(streams.err, *error);
    auto set = chosenSet(path, *std::get<SettingsPtr>(document), arguments);
    if (auto *error = std::get_if<FileError>(&set))
        return reportFailure(streams.err, *error);
    const MetatileLayout layout
        = arguments.text(layoutOption) == u"tables" ? MetatileLayout::tables : MetatileLayout::interleaved;
    return writeBytesOrSource(streams.err, arguments, path, arguments.commandValue,
        metatileTableBytes(*std::get<const MetatileSet *>(set), layout));
}

// The map chosen and its set, for the map exports.
struct ChosenLevel
{
    SettingsPtr document;
    const LevelMap *map = nullptr;
    const MetatileSet *set = nullptr;
};

std::variant<ChosenLevel, FileError> chosenLevel(const ParsedArguments &arguments)
{
    const QString &path = arguments.files.front();
    auto document = readDocument(path);
    if (auto *error = std::get_if<FileError>(&document))
        return *error;
    ChosenLevel chosen { std::get<SettingsPtr>(document) };
    auto map = chosenLevelMap(path, *chosen.document, arguments);
    if (auto *error = std::get_if<FileError>(&map))
        return *error;
    chosen.map = std::get<const LevelMap *>(map);
    chosen.set = &chosen.document->metatileSets()[size_t(chosen.map->metatileSet)];
    return chosen;
}

// --export-map OUT [--map N] [--rooms] [--rle] [--asm NAME | --c NAME] DOC
int runExportMap(const ParsedArguments &arguments, BatchStreams &streams)
{
    auto chosen = chosenLevel(arguments);
    if (auto *error = std::get_if<FileError>(&chosen))
        return reportFailure(streams.err, *error);
    const ChosenLevel &level = std::get<ChosenLevel>(chosen);
    const bool rle = arguments.has(rleOption);
    Bytes bytes = levelMapBytes(*level.map, rle || arguments.has(roomsOption));
    if (rle)
        bytes = packRooms(bytes);
    return writeBytesOrSource(streams.err, arguments, arguments.files.front(), arguments.commandValue, bytes);
}

// --export-behaviour OUT [--map N] [--rooms] DOC
int runExportBehaviour(const ParsedArguments &arguments, BatchStreams &streams)
{
    auto chosen = chosenLevel(arguments);
    if (auto *error = std::get_if<FileError>(&chosen))
        return reportFailure(streams.err, *error);
    const ChosenLevel &level = std::get<ChosenLevel>(chosen);
    return writeOutput(
        streams.err, arguments.commandValue, levelBehaviourBytes(*level.map, *level.set, arguments.has(roomsOption)));
}

// --export-level-png OUT [--map N] DOC
int runExportLevelPng(const ParsedArguments &arguments, BatchStreams &streams)
{
    auto chosen = chosenLevel(arguments);
    if (auto *error = std::get_if<FileError>(&chosen))
        return reportFailure(streams.err, *error);
    const ChosenLevel &level = std::get<ChosenLevel>(chosen);
    auto patterns = levelPatternTables(*level.document);
    if (auto *reason = std::get_if<QString>(&patterns))
        return reportFailure(streams.err, { arguments.files.front(), *reason });
    const FramePicture picture
        = renderLevel(std::get<PatternTables>(patterns), *level.map, *level.set, documentPaletteBytes(*level.document));
    const auto error = writePngFile(arguments.commandValue,
        frameImage(picture, currentDisplayColors(), currentDisplayEmphasis()).convertToFormat(QImage::Format_RGB888));
    return error ? reportFailure(streams.err, *error) : exitSuccess;
}

std::optional<QString> checkImportLevelPng(const ParsedArguments &arguments)
{
    if (!arguments.has(outputOption))
        return QStringLiteral("--import-level-png needs --output DOC");
    if (auto reason = checkLossyOptions(arguments))
        return reason;
    return checkItemName(arguments);
}

std::optional<QString> checkExportMap(const ParsedArguments &arguments)
{
    return checkSourceName(arguments);
}

} // namespace

std::variant<const LevelMap *, FileError> chosenLevelMap(
    const QString &path, const EditorViewControllerSettings &document, const ParsedArguments &arguments)
{
    return chosenItem(path, document.levelMaps(), arguments.number(mapOption).value_or(0), QStringLiteral("map"),
        QStringLiteral("maps"));
}

std::variant<Bytes, FileError> levelRoomNametable(
    const QString &path, const EditorViewControllerSettings &document, const ParsedArguments &arguments)
{
    auto chosen = chosenLevelMap(path, document, arguments);
    if (auto *error = std::get_if<FileError>(&chosen))
        return *error;
    const LevelMap &map = *std::get<const LevelMap *>(chosen);
    const int64_t room = arguments.number(roomOption).value_or(0);
    if (room >= map.roomCount())
        return FileError { path,
            QStringLiteral("map %1 has %2 (0-%3), so there is no room %4")
                .arg(arguments.number(mapOption).value_or(0))
                .arg(counted(map.roomCount(), "room", "rooms"))
                .arg(map.roomCount() - 1)
                .arg(room) };
    return roomScreen(map, document.metatileSets()[size_t(map.metatileSet)], int(room)).nametableBytes();
}

CommandFamily levelCommands()
{
    CommandFamily family;
    const int32_t most = std::numeric_limits<int32_t>::max();
    family.options = {
        numberOption(mapOption, QStringLiteral("a map number"), 0, most),
        numberOption(roomOption, QStringLiteral("a room number"), 0, most),
        numberOption(setOption, QStringLiteral("a metatile set number"), 0, most),
        choiceOption(layoutOption, QStringLiteral("a layout, interleaved or tables"),
            { QStringLiteral("interleaved"), QStringLiteral("tables") }),
        flagOption(roomsOption),
    };
    const QString anOutputFile = QStringLiteral("an output file");

    BatchCommand &importLevel = family.add(
        textOption(QStringLiteral("--import-level-png"), QStringLiteral("a picture file")), runImportLevelPng);
    importLevel.accepts = QStringList {
        outputOption, paletteOption, bgTableOption, nameOption, displayPaletteOption, paletteBytesOption
    } + lossyOptionNames();
    importLevel.file = FileArgument::optional;
    importLevel.check = checkImportLevelPng;
    importLevel.synopsis = QStringLiteral("--import-level-png IN --output DOC [--palette PAL] [--bg-table 0|1] "
                                          "[--name NAME] [--lossy [--dither none|ordered|diffusion] [--max-tiles N]] "
                                          "[FILE]");
    importLevel.help = QStringLiteral(
        "  --import-level-png IN\n"
        "                        make a metatile set and a map of a picture of whole rooms (W x 256 by H x 240,\n"
        "                        at most 16 x 16 rooms), its colours read as --import-screen-png reads them: each\n"
        "                        distinct 16 x 16 block (its tiles' pixels and sub-palette) is one metatile, first\n"
        "                        seen first (rooms row by row, then their blocks); tiles are shared by the level\n"
        "                        and reused from FILE; at most 256 tiles and 256 metatiles; prints the counts\n"
        "    --output DOC        the document written: FILE's content or 512 blank tiles, plus the set and map\n"
        "    --palette PAL       the four background sub-palettes to use; without it they are found\n"
        "    --bg-table 0|1      the pattern table the metatiles read (default 0)\n"
        "    --name NAME         the set's and map's name (default: the picture's file name)\n"
        "    --lossy             convert any picture room by room into what the console shows, in one set of\n"
        "                        sub-palettes and within --max-tiles new tiles together (--dither and\n"
        "                        --max-tiles as for --import-screen-png --lossy)\n");

    BatchCommand &exportMetatiles
        = family.add(textOption(QStringLiteral("--export-metatiles"), anOutputFile), runExportMetatiles);
    exportMetatiles.accepts = { setOption, layoutOption, asmOption, cOption };
    exportMetatiles.check = checkSourceName;
    exportMetatiles.synopsis
        = QStringLiteral("--export-metatiles OUT [--set N] [--layout interleaved|tables] [--asm NAME | --c NAME] DOC");
    exportMetatiles.help = QStringLiteral(
        "  --export-metatiles OUT\n"
        "                        write a metatile set (--set N, default 0): interleaved (the default), 5 bytes a\n"
        "                        metatile: top-left, top-right, bottom-left, bottom-right tile, sub-palette; or\n"
        "                        --layout tables: those five as tables of N bytes, then the N behaviour bytes\n");

    BatchCommand &exportMap = family.add(textOption(QStringLiteral("--export-map"), anOutputFile), runExportMap);
    exportMap.accepts = { mapOption, roomsOption, rleOption, asmOption, cOption };
    exportMap.check = checkExportMap;
    exportMap.synopsis = QStringLiteral("--export-map OUT [--map N] [--rooms] [--rle] [--asm NAME | --c NAME] DOC");
    exportMap.help = QStringLiteral(
        "  --export-map OUT      write a map's (--map N, default 0) metatile numbers row by row over its whole\n"
        "                        width\n"
        "    --rooms             room by room instead: 240 bytes each, rooms left to right, then top to bottom\n"
        "    --rle               each room packed on its own as RLE (as --export-nametable --rle), room by room\n");

    BatchCommand &exportBehaviour
        = family.add(textOption(QStringLiteral("--export-behaviour"), anOutputFile), runExportBehaviour);
    exportBehaviour.accepts = { mapOption, roomsOption };
    exportBehaviour.synopsis = QStringLiteral("--export-behaviour OUT [--map N] [--rooms] DOC");
    exportBehaviour.help = QStringLiteral(
        "  --export-behaviour OUT\n"
        "                        write the behaviour byte of every cell of a map, laid out as --export-map\n");

    BatchCommand &exportLevelPng
        = family.add(textOption(QStringLiteral("--export-level-png"), anOutputFile), runExportLevelPng);
    exportLevelPng.accepts = { mapOption, displayPaletteOption };
    exportLevelPng.synopsis = QStringLiteral("--export-level-png OUT [--map N] DOC");
    exportLevelPng.help = QStringLiteral(
        "  --export-level-png OUT\n"
        "                        draw a whole map as the console shows each room, rooms side by side (RGB PNG)\n");
    addTiledCommands(family);
    return family;
}

} // namespace kestova::cli
