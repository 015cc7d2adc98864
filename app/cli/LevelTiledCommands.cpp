#include "app/cli/BatchCommand.h"
#include "app/cli/BatchIO.h"
#include "app/cli/LevelCommands.h"

#include "app/document/PictureFiles.h"
#include "app/levels/LevelImport.h"
#include "app/screens/ScreenImport.h"
#include "core/LevelPicture.h"
#include "formats/FormatRegistry.h"
#include "formats/TiledTileset.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace kestova::cli {

using namespace mosavo;

namespace {

const QString outputOption = QStringLiteral("--output");

// --export-tiled OUT.tmx [--map N] DOC: the map, and beside it its tileset (.tsx) and the set's picture (.png), named
// after OUT.
int runExportTiled(const ParsedArguments &arguments, BatchStreams &streams)
{
    QTextStream &err = streams.err;
    const QString &path = arguments.files.front();
    auto read = readInput(path,
        QStringLiteral(
            "is not a Kestova document (only a document holds maps; an iNES ROM image or CHR data has none)"));
    if (auto *error = std::get_if<FileError>(&read))
        return reportFailure(err, *error);
    const EditorViewControllerSettings &document = *std::get<Input>(read).document;
    auto chosen = chosenLevelMap(path, document, arguments);
    if (auto *error = std::get_if<FileError>(&chosen))
        return reportFailure(err, *error);
    const LevelMap &map = *std::get<const LevelMap *>(chosen);
    const MetatileSet &set = document.metatileSets()[size_t(map.metatileSet)];
    auto patterns = levelPatternTables(document);
    if (auto *reason = std::get_if<QString>(&patterns))
        return reportFailure(err, { path, *reason });

    const QFileInfo tmx(arguments.commandValue);
    const QString base = tmx.completeBaseName();
    const QString tsxPath = tmx.dir().filePath(base + QStringLiteral(".tsx"));
    const QString pngPath = tmx.dir().filePath(base + QStringLiteral(".png"));
    const FramePicture picture
        = renderMetatileSet(std::get<PatternTables>(patterns), set, documentPaletteBytes(document));
    LevelFile file { map, (base + QStringLiteral(".tsx")).toStdString(), {}, 0 };
    const auto tmxBytes = FormatRegistry::tiledMapFormat().write(file);
    if (!tmxBytes)
        return reportFailure(err, { path, QString::fromStdString(tmxBytes.error) });
    // The picture first, then the tileset, then the map: a failure removes what this run wrote before it.
    if (const auto error = writePngFile(pngPath,
            frameImage(picture, currentDisplayColors(), currentDisplayEmphasis())
                .convertToFormat(QImage::Format_RGB888)))
        return reportFailure(err, *error);
    if (const int status = writeOutput(err, tsxPath,
            tiledTilesetBytes(set, (base + QStringLiteral(".png")).toStdString(), picture.width, picture.height));
        status != exitSuccess) {
        QFile::remove(pngPath);
        return status;
    }
    if (const int status = writeOutput(err, arguments.commandValue, *tmxBytes.value); status != exitSuccess) {
        QFile::remove(pngPath);
        QFile::remove(tsxPath);
        return status;
    }
    return exitSuccess;
}

std::optional<QString> checkImportTiled(const ParsedArguments &arguments)
{
    if (!arguments.has(outputOption))
        return QStringLiteral("--import-tiled needs --output DOC");
    return std::nullopt;
}

// The position of the document's set the map's tileset is, or why there is none.
std::variant<int, QString> matchingSet(const EditorViewControllerSettings &document, const std::string &name, int tiles)
{
    const auto &sets = document.metatileSets();
    for (size_t i = 0; i < sets.size(); ++i)
        if (sets[i].name == name && int(sets[i].metatiles.size()) == tiles)
            return int(i);
    for (const MetatileSet &set : sets)
        if (set.name == name)
            return QStringLiteral("its tileset \"%1\" has %2 tiles, and the document's set of that name holds %3 "
                                  "metatiles (export the map again with --export-tiled)")
                .arg(QString::fromStdString(name))
                .arg(tiles)
                .arg(set.metatiles.size());
    return QStringLiteral("its tileset \"%1\" is none of the document's metatile sets (a map is read over the set "
                          "--export-tiled wrote its tileset from)")
        .arg(QString::fromStdString(name));
}

// --import-tiled IN.tmx --output DOC [FILE]: the map read over a set of FILE (or of DOC without FILE), replacing the
// map of its name over that set or added last.
int runImportTiled(const ParsedArguments &arguments, BatchStreams &streams)
{
    QTextStream &err = streams.err;
    const QString &tmxPath = arguments.commandValue;
    const ReadResult tmx = readWholeFile(tmxPath);
    if (tmx.error)
        return reportFailure(err, *tmx.error);
    auto level = FormatRegistry::tiledMapFormat().read(tmx.bytes);
    if (!level)
        return reportFailure(err, { tmxPath, QString::fromStdString(level.error) });
    LevelFile &file = *level.value;
    if (!file.tilesetSource.empty()) {
        const QString tsxPath = QFileInfo(tmxPath).dir().filePath(QString::fromStdString(file.tilesetSource));
        const ReadResult tsx = readWholeFile(tsxPath);
        if (tsx.error)
            return reportFailure(err, *tsx.error);
        const auto info = readTiledTileset(tsx.bytes);
        if (!info)
            return reportFailure(err, { tsxPath, QString::fromStdString(info.error) });
        if (info.value->tileWidth != 16 || info.value->tileHeight != 16)
            return reportFailure(
                err, { tsxPath, QStringLiteral("its tiles are not 16 x 16 pixels (a metatile's size)") });
        file.tilesetName = info.value->name;
        file.tilesetTiles = info.value->tileCount;
    }
    const QString documentPath = arguments.files.isEmpty() ? *arguments.text(outputOption) : arguments.files.front();
    auto read = readInput(documentPath,
        QStringLiteral("is not a Kestova document (a map is read over a metatile set "
                       "of a document)"));
    if (auto *error = std::get_if<FileError>(&read))
        return reportFailure(err, *error);
    EditorViewControllerSettings &document = *std::get<Input>(read).document;
    const auto set = matchingSet(document, file.tilesetName, file.tilesetTiles);
    if (const auto *reason = std::get_if<QString>(&set))
        return reportFailure(err, { tmxPath, *reason });
    for (size_t i = 0; i < file.map.cells.size(); ++i)
        if (file.map.cells[i] >= file.tilesetTiles)
            return reportFailure(err,
                { tmxPath,
                    QStringLiteral("its cell (%1, %2) is metatile %3, past the set's %4")
                        .arg(i % size_t(file.map.columns()))
                        .arg(i / size_t(file.map.columns()))
                        .arg(file.map.cells[i])
                        .arg(file.tilesetTiles) });
    file.map.metatileSet = std::get<int>(set);
    if (file.map.name.empty())
        file.map.name = QFileInfo(tmxPath).completeBaseName().toStdString();
    auto &maps = document.levelMaps();
    const auto same = std::find_if(maps.begin(), maps.end(),
        [&](const LevelMap &map) { return map.name == file.map.name && map.metatileSet == file.map.metatileSet; });
    if (same != maps.end())
        *same = std::move(file.map);
    else
        maps.push_back(std::move(file.map));
    return writeDocument(err, *arguments.text(outputOption), document);
}

} // namespace

void addTiledCommands(CommandFamily &family)
{
    BatchCommand &exportTiled
        = family.add(textOption(QStringLiteral("--export-tiled"), QStringLiteral("an output file")), runExportTiled);
    exportTiled.accepts = { mapOption, QStringLiteral("--display-palette") };
    exportTiled.synopsis = QStringLiteral("--export-tiled OUT.tmx [--map N] DOC");
    exportTiled.help = QStringLiteral(
        "  --export-tiled OUT.tmx\n"
        "                        write a map as a Tiled map (16 x 16 tiles, one CSV layer of metatile numbers + 1)\n"
        "                        with its tileset beside it, OUT.tsx (a property \"behaviour\" for each metatile),\n"
        "                        and the set drawn as the console would, OUT.png\n");

    BatchCommand &importTiled
        = family.add(textOption(QStringLiteral("--import-tiled"), QStringLiteral("a Tiled map file")), runImportTiled);
    importTiled.accepts = { outputOption };
    importTiled.file = FileArgument::optional;
    importTiled.check = checkImportTiled;
    importTiled.synopsis = QStringLiteral("--import-tiled IN.tmx --output DOC [FILE]");
    importTiled.help = QStringLiteral(
        "  --import-tiled IN.tmx\n"
        "                        read a Tiled map (CSV, base64 or zlib layers; its first tileset and layer) back\n"
        "                        over the metatile set its tileset was written from, in FILE (or in DOC without\n"
        "                        FILE): it replaces the map of its name over that set, or is added\n"
        "    --output DOC        the document written\n");
}

} // namespace kestova::cli
