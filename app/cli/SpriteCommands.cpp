#include "app/cli/BatchCommand.h"
#include "app/cli/BatchIO.h"
#include "app/cli/LossyOptions.h"
#include "app/cli/PaletteCommands.h"
#include "app/cli/ScreenCommands.h"

#include "app/screens/ScreenImport.h"
#include "app/sprites/SpriteImport.h"
#include "app/sprites/SpritePictures.h"
#include "convert/MetaspriteExport.h"
#include "core/SpriteLimits.h"
#include "palette/NESPalette.h"
#include "palette/PaletteFactory.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>

#include <algorithm>
#include <limits>

namespace kestova::cli {

using namespace mosavo;

namespace {

const QString outputOption = QStringLiteral("--output");
const QString tallOption = QStringLiteral("--tall");
const QString atOption = QStringLiteral("--at");
const QString placeOption = QStringLiteral("--place");
const QString originOption = QStringLiteral("--origin");
const QString nameOption = QStringLiteral("--name");
const QString spriteTableOption = QStringLiteral("--sprite-table");
const QString metaspriteOption = QStringLiteral("--metasprite");
const QString canvasOption = QStringLiteral("--canvas");

// The farthest a picture position (--origin, --at of a picture) may lie from 0, and the largest --canvas side.
constexpr int positionLimit = maximumSpritePictureSide;

const QString notADocument
    = QStringLiteral("is not a Kestova document (only a document holds metasprites; an iNES ROM image or CHR data has "
                     "none)");

struct Pair
{
    int first = 0;
    int second = 0;
};

// "X,Y" (or "WxH" with separator 'x') of whole numbers lowest..highest.
std::optional<Pair> parsePair(const QString &text, QChar separator, int lowest, int highest)
{
    const QStringList parts = text.split(separator);
    if (parts.size() != 2)
        return std::nullopt;
    const auto first = parseNumber(parts[0], lowest, highest);
    const auto second = parseNumber(parts[1], lowest, highest);
    if (!first || !second)
        return std::nullopt;
    return Pair { int(*first), int(*second) };
}

// A position option's rule broken, or nothing.
std::optional<QString> checkPosition(const ParsedArguments &arguments, const QString &option, int lowest, int highest)
{
    const auto value = arguments.text(option);
    if (value && !parsePair(*value, u',', lowest, highest))
        return QStringLiteral("%1 must be X,Y, two whole numbers %2..%3, not '%4'")
            .arg(option)
            .arg(lowest)
            .arg(highest)
            .arg(*value);
    return std::nullopt;
}

Pair position(const ParsedArguments &arguments, const QString &option, Pair fallback = {})
{
    const auto value = arguments.text(option);
    return value
        ? parsePair(*value, u',', std::numeric_limits<int>::min(), std::numeric_limits<int>::max()).value_or(fallback)
        : fallback;
}

// The document FILE, or the failure reported (the exit status).
std::variant<SettingsPtr, int> readDocument(const QString &path, QTextStream &err)
{
    auto read = readInput(path, notADocument);
    if (auto *error = std::get_if<FileError>(&read))
        return reportFailure(err, *error);
    return std::get<Input>(read).document;
}

// The metasprite --metasprite names (default 0), or the failure reported.
std::variant<const mosavo::Metasprite *, int> chosenMetasprite(const ParsedArguments &arguments, const QString &path,
    const EditorViewControllerSettings &document, QTextStream &err)
{
    auto chosen = chosenItem(path, document.metasprites(), arguments.number(metaspriteOption).value_or(0),
        QStringLiteral("metasprite"), QStringLiteral("metasprites"));
    if (const auto *error = std::get_if<FileError>(&chosen))
        return reportFailure(err, *error);
    return std::get<const mosavo::Metasprite *>(chosen);
}

// A 32-byte palette file of colour numbers, or why not.
std::variant<mosavo::PaletteBytes, FileError> readPaletteFile(const QString &path)
{
    bool halfOnly = false;
    auto read = readPaletteBytes(path, &halfOnly);
    if (halfOnly)
        return FileError { path,
            QStringLiteral("holds the background half of a palette (16 bytes, sub-palettes 0-3); sprites take "
                           "sub-palettes 4-7 of a 32-byte palette file") };
    return read;
}

std::optional<QString> checkImportSpritePng(const ParsedArguments &arguments)
{
    if (!arguments.has(outputOption))
        return QStringLiteral("--import-sprite-png needs --output DOC.kestova");
    if (const auto name = checkItemName(arguments))
        return name;
    if (auto reason = checkLossyOptions(arguments))
        return reason;
    return checkPosition(arguments, originOption, -positionLimit, positionLimit);
}

// --import-sprite-png IN.png --output DOC.kestova [--palette PAL] [--tall] [--origin X,Y] [--name NAME]
// [--sprite-table 0|1] [FILE]
int runImportSpritePng(const ParsedArguments &arguments, BatchStreams &streams)
{
    QTextStream &err = streams.err;
    const QString &picturePath = arguments.commandValue;
    auto picture = readSpritePicture(picturePath);
    if (auto *error = std::get_if<FileError>(&picture))
        return reportFailure(err, *error);

    SpriteImportOptions options;
    if (const auto palette = arguments.text(paletteOption)) {
        auto read = readPaletteFile(*palette);
        if (auto *error = std::get_if<FileError>(&read))
            return reportFailure(err, *error);
        options.palette = std::get<mosavo::PaletteBytes>(read);
    }
    options.tall = arguments.has(tallOption);
    const Pair origin = position(arguments, originOption);
    options.originX = origin.first;
    options.originY = origin.second;
    options.name = arguments.text(nameOption).value_or(QFileInfo(picturePath).completeBaseName());
    if (const auto table = arguments.text(spriteTableOption))
        options.spritePatternTable = table->toInt();
    options.lossy = lossySettings(arguments);

    SettingsPtr document;
    if (arguments.files.isEmpty()) {
        document = EditorViewControllerSettings::emptyConsoleObject(mosavo::ConsoleType::nes);
    } else {
        const QString &path = arguments.files.front();
        auto read = readInput(path);
        if (auto *error = std::get_if<FileError>(&read))
            return reportFailure(err, *error);
        Input &input = std::get<Input>(read);
        document = input.document;
        if (!document) {
            // Tiles from a file start in readable colours, as the window opens them.
            document = std::make_shared<EditorViewControllerSettings>();
            document->setTileData(input.tiles);
            document->setIsRomData(bool(input.tiles->header()));
            document->setIsCHRData(!input.tiles->header());
            document->setPalettes(mosavo::PaletteFactory::readable());
            document->setSourceFile(QFileInfo(path).absoluteFilePath().toStdString());
        }
    }

    // A --sprite-table the document's metasprites do not read is the document's conflict: it is named.
    if (const auto conflict = spriteTableConflict(*document, options))
        return reportFailure(err, { arguments.files.front(), *conflict });
    auto converted = convertSpriteImage(std::get<QImage>(picture), *document, options);
    if (auto *reason = std::get_if<QString>(&converted))
        return reportFailure(err, { picturePath, *reason });
    if (const auto &quality = std::get<SpriteImport>(converted).quality)
        reportLossyQuality(err, picturePath, *quality);
    if (arguments.files.isEmpty())
        document->setPalettes(newDocumentPalettes(std::get<SpriteImport>(converted)));
    applySpriteImport(*document, std::get<SpriteImport>(converted));
    return writeDocument(err, *arguments.text(outputOption), *document);
}

std::optional<QString> checkExportMetasprites(const ParsedArguments &arguments)
{
    const auto asmName = arguments.text(asmOption);
    const auto cName = arguments.text(cOption);
    if (asmName && cName)
        return QStringLiteral("--asm and --c cannot be combined");
    if (asmName || cName) {
        const auto language = asmName ? mosavo::SourceLanguage::ca65 : mosavo::SourceLanguage::c;
        if (const auto error = mosavo::sourceNameError((asmName ? *asmName : *cName).toStdString(), language))
            return QStringLiteral("%1: %2").arg(asmName ? asmOption : cOption, QString::fromStdString(*error));
    }
    return std::nullopt;
}

// --export-metasprites OUT [--asm NAME | --c NAME] DOC
int runExportMetasprites(const ParsedArguments &arguments, BatchStreams &streams)
{
    const QString &path = arguments.files.front();
    auto read = readDocument(path, streams.err);
    if (const int *status = std::get_if<int>(&read))
        return *status;
    const auto &metasprites = std::get<SettingsPtr>(read)->metasprites();
    if (metasprites.empty())
        return reportFailure(streams.err, { path, QStringLiteral("holds no metasprites") });
    const auto asmName = arguments.text(asmOption);
    const auto cName = arguments.text(cOption);
    if (!asmName && !cName) {
        std::string why;
        const auto bytes = mosavo::metaspriteTablesBinary(metasprites, &why);
        if (!bytes)
            return reportFailure(streams.err, { path, QString::fromStdString(why) });
        return writeOutput(streams.err, arguments.commandValue, *bytes);
    }
    const auto source = mosavo::metaspriteTablesSource((asmName ? *asmName : *cName).toStdString(), metasprites,
        asmName ? mosavo::SourceLanguage::ca65 : mosavo::SourceLanguage::c);
    if (!source)
        return reportFailure(streams.err, { path, QString::fromStdString(source.error) });
    return writeOutput(streams.err, arguments.commandValue, mosavo::Bytes(source.text->begin(), source.text->end()));
}

std::optional<QString> checkExportMetaspritePng(const ParsedArguments &arguments)
{
    if (const auto canvas = arguments.text(canvasOption); canvas && !parsePair(*canvas, u'x', 1, positionLimit))
        return QStringLiteral("--canvas must be WxH, two whole numbers 1..%1, not '%2'")
            .arg(positionLimit)
            .arg(*canvas);
    return checkPosition(arguments, atOption, -positionLimit, positionLimit);
}

// --export-metasprite-png OUT.png [--metasprite N] [--canvas WxH] [--at X,Y] DOC
int runExportMetaspritePng(const ParsedArguments &arguments, BatchStreams &streams)
{
    const QString &path = arguments.files.front();
    auto read = readDocument(path, streams.err);
    if (const int *status = std::get_if<int>(&read))
        return *status;
    const EditorViewControllerSettings &document = *std::get<SettingsPtr>(read);
    auto chosen = chosenMetasprite(arguments, path, document, streams.err);
    if (const int *status = std::get_if<int>(&chosen))
        return *status;
    const mosavo::Metasprite &metasprite = *std::get<const mosavo::Metasprite *>(chosen);

    const mosavo::SpriteSettings settings { document.tallSprites(), document.spritePatternTable() };
    const mosavo::SpriteBounds bounds = mosavo::metaspriteBounds(metasprite, settings.height());
    const auto canvasText = arguments.text(canvasOption);
    const Pair canvas
        = canvasText ? *parsePair(*canvasText, u'x', 1, positionLimit) : Pair { bounds.width, bounds.height };
    if (canvas.first == 0 || canvas.second == 0)
        return reportFailure(streams.err,
            { path,
                QStringLiteral("metasprite %1 (\"%2\") has no sprites, so it has no box to draw; give --canvas WxH")
                    .arg(arguments.number(metaspriteOption).value_or(0))
                    .arg(QString::fromStdString(metasprite.name)) });
    const Pair origin = position(arguments, atOption, { -bounds.left, -bounds.top });
    // The bank sprites read: a ROM image's first CHR-ROM bank, else tiles 0-511.
    const auto bank = screenBankFirstTile(*document.tileData());
    const int64_t *first = std::get_if<int64_t>(&bank);
    const auto patterns = mosavo::PatternTables::fromTiles(*document.tileData(), first ? *first : 0);
    const mosavo::FramePicture picture = mosavo::metaspritePicture(patterns, metasprite, settings,
        documentPaletteBytes(document), canvas.first, canvas.second, origin.first, origin.second);
    const auto error = writeFramePicturePng(
        arguments.commandValue, picture, mosavo::currentDisplayColors(), mosavo::currentDisplayEmphasis());
    return error ? reportFailure(streams.err, *error) : exitSuccess;
}

// --place NAME_OR_N@X,Y: the metasprite (its name, or its number when no metasprite has that name) and its origin.
struct Placement
{
    QString metasprite;
    Pair at;
};

std::optional<Placement> parsePlacement(const QString &text)
{
    const qsizetype sign = text.lastIndexOf(u'@');
    if (sign <= 0)
        return std::nullopt;
    const auto at = parsePair(text.mid(sign + 1), u',', 0, 255);
    if (!at)
        return std::nullopt;
    return Placement { text.left(sign), *at };
}

std::optional<QString> checkExportOam(const ParsedArguments &arguments)
{
    const QStringList places = arguments.texts(placeOption);
    if (!places.isEmpty()) {
        if (arguments.has(atOption) || arguments.has(metaspriteOption))
            return QStringLiteral("--place cannot be combined with --at or --metasprite");
        for (const QString &place : places)
            if (!parsePlacement(place))
                return QStringLiteral("--place must be NAME_OR_N@X,Y (X and Y 0..255), not '%1'").arg(place);
        return std::nullopt;
    }
    if (!arguments.has(atOption))
        return QStringLiteral("--export-oam needs --at X,Y, where the metasprite's origin goes on the screen");
    return checkPosition(arguments, atOption, 0, 255);
}

// --export-oam OUT --place NAME_OR_N@X,Y [--place ...] DOC
int runExportOamPlaces(const ParsedArguments &arguments, BatchStreams &streams)
{
    const QString &path = arguments.files.front();
    auto read = readDocument(path, streams.err);
    if (const int *status = std::get_if<int>(&read))
        return *status;
    const auto &metasprites = std::get<SettingsPtr>(read)->metasprites();
    if (metasprites.empty())
        return reportFailure(streams.err, { path, QStringLiteral("holds no metasprites") });
    std::vector<mosavo::MetaspritePlacement> placements;
    size_t sprites = 0;
    for (const QString &text : arguments.texts(placeOption)) {
        const Placement place = *parsePlacement(text);
        const std::string name = place.metasprite.toStdString();
        auto found = std::find_if(
            metasprites.begin(), metasprites.end(), [&](const mosavo::Metasprite &m) { return m.name == name; });
        int index = int(found - metasprites.begin());
        if (found == metasprites.end()) {
            const auto number = parseNumber(place.metasprite, 0, std::numeric_limits<int32_t>::max());
            if (!number || *number >= int64_t(metasprites.size()))
                return reportFailure(streams.err,
                    { path,
                        QStringLiteral("holds no metasprite named '%1' (and %2 metasprites, 0-%3, by number)")
                            .arg(place.metasprite)
                            .arg(metasprites.size())
                            .arg(metasprites.size() - 1) });
            index = int(*number);
        }
        placements.push_back({ index, place.at.first, place.at.second });
        sprites += metasprites[size_t(index)].sprites.size();
    }
    mosavo::OamLeftOut left;
    const auto oam = mosavo::oamBytes(metasprites, placements, &left);
    const int status = writeOutput(streams.err, arguments.commandValue, mosavo::Bytes(oam.begin(), oam.end()));
    if (status == 0 && (left.offScreen || left.beyondOam)) {
        QStringList parts;
        if (left.offScreen)
            parts << QStringLiteral("%1 off the screen").arg(left.offScreen);
        if (left.beyondOam)
            parts << QStringLiteral("%1 beyond OAM's %2 entries").arg(left.beyondOam).arg(mosavo::oamEntries);
        reportWarning(streams.err,
            { path,
                QStringLiteral("%1 of the %2 sprites placed are left out of the OAM: %3")
                    .arg(left.offScreen + left.beyondOam)
                    .arg(sprites)
                    .arg(parts.join(QStringLiteral(", "))) });
    }
    return status;
}

// --export-oam OUT [--metasprite N] --at X,Y DOC
int runExportOam(const ParsedArguments &arguments, BatchStreams &streams)
{
    if (arguments.has(placeOption))
        return runExportOamPlaces(arguments, streams);
    const QString &path = arguments.files.front();
    auto read = readDocument(path, streams.err);
    if (const int *status = std::get_if<int>(&read))
        return *status;
    auto chosen = chosenMetasprite(arguments, path, *std::get<SettingsPtr>(read), streams.err);
    if (const int *status = std::get_if<int>(&chosen))
        return *status;
    const Pair at = position(arguments, atOption);
    const mosavo::Metasprite &metasprite = *std::get<const mosavo::Metasprite *>(chosen);
    mosavo::OamLeftOut left;
    const auto oam = mosavo::oamBytes(metasprite, at.first, at.second, &left);
    const int status = writeOutput(streams.err, arguments.commandValue, mosavo::Bytes(oam.begin(), oam.end()));
    if (status == 0 && (left.offScreen || left.beyondOam)) {
        // Written as the hardware can hold it; what is missing is said.
        QStringList parts;
        if (left.offScreen)
            parts << QStringLiteral("%1 off the screen").arg(left.offScreen);
        if (left.beyondOam)
            parts << QStringLiteral("%1 beyond OAM's %2 entries").arg(left.beyondOam).arg(mosavo::oamEntries);
        reportWarning(streams.err,
            { path,
                QStringLiteral("%1 of the %2 sprites of '%3' are left out of the OAM at %4,%5: %6")
                    .arg(left.offScreen + left.beyondOam)
                    .arg(metasprite.sprites.size())
                    .arg(QString::fromStdString(metasprite.name))
                    .arg(at.first)
                    .arg(at.second)
                    .arg(parts.join(QStringLiteral(", "))) });
    }
    return status;
}

} // namespace

CommandFamily spriteCommands()
{
    CommandFamily family;
    family.options = {
        repeatableOption(textOption(placeOption, QStringLiteral("a placement NAME_OR_N@X,Y"))),
        textOption(originOption, QStringLiteral("a position X,Y")),
        textOption(nameOption, QStringLiteral("a name")),
        choiceOption(
            spriteTableOption, QStringLiteral("a pattern table, 0 or 1"), { QStringLiteral("0"), QStringLiteral("1") }),
        textOption(asmOption, QStringLiteral("a label name")),
        textOption(cOption, QStringLiteral("an array name")),
        numberOption(metaspriteOption, QStringLiteral("a metasprite number"), 0, std::numeric_limits<int32_t>::max()),
        textOption(canvasOption, QStringLiteral("a size WxH")),
    };
    const QString anOutputFile = QStringLiteral("an output file");

    BatchCommand &importSprite = family.add(
        textOption(QStringLiteral("--import-sprite-png"), QStringLiteral("a picture file")), runImportSpritePng);
    importSprite.accepts = QStringList { outputOption, paletteOption, tallOption, originOption, nameOption,
        spriteTableOption, displayPaletteOption, paletteBytesOption }
        + lossyOptionNames();
    importSprite.file = FileArgument::optional;
    importSprite.check = checkImportSpritePng;
    importSprite.synopsis = QStringLiteral("--import-sprite-png IN.png --output DOC.kestova [--palette PAL] [--tall] "
                                           "[--origin X,Y] [--name NAME] [--sprite-table 0|1] [--lossy [--dither "
                                           "none|ordered|diffusion] [--max-tiles N]] [FILE]");
    importSprite.help = QStringLiteral(
        "  --import-sprite-png IN.png\n"
        "                        make a metasprite of a picture (PNG, BMP, GIF or JPEG) and write the document\n"
        "                        DOC: FILE's content (a new\n"
        "                        document of 512 blank tiles without FILE) and the metasprite. The picture is cut\n"
        "                        into 8x8 cells from its top left; cells with nothing drawn (alpha 0, or the\n"
        "                        universal background colour) are skipped, every other becomes a sprite. Colours\n"
        "                        are matched as a whole to display colours (see --import-screen-png), at most\n"
        "                        three a cell, of one sprite sub-palette (with --lossy: brought to that).\n"
        "                        A cell equal to a tile of the sprite pattern table, or to one flipped, reuses it;\n"
        "                        others take blank tiles no screen or metasprite uses. The sub-palettes found (or\n"
        "                        given) become the document's sub-palettes 4-7; a document that holds metasprites\n"
        "                        has its own 4-7 tried first; new colours go only to sub-palettes no metasprite\n"
        "                        uses\n"
        "    --output DOC        the document written\n"
        "    --palette PAL       a 32-byte palette file whose sub-palettes 4-7 the picture must use; its byte 0 is\n"
        "                        the universal background colour (without it, the document's sub-palette 0 colour 0)\n"
        "    --tall              8x16 sprites: cells of 8x16, each a pair of tiles\n"
        "    --origin X,Y        the picture position that becomes the metasprite's origin (default 0,0)\n"
        "    --name NAME         the metasprite's name (default: the picture's file name without its extension)\n"
        "    --sprite-table 0|1  the sprite pattern table (default: the document's, 1 unless it says otherwise);\n"
        "                        a document whose 8x8 metasprites read the other table is refused\n");

    BatchCommand &exportTables
        = family.add(textOption(QStringLiteral("--export-metasprites"), anOutputFile), runExportMetasprites);
    exportTables.accepts = { asmOption, cOption };
    exportTables.check = checkExportMetasprites;
    exportTables.synopsis = QStringLiteral("--export-metasprites OUT [--asm NAME | --c NAME] DOC");
    exportTables.help = QStringLiteral(
        "  --export-metasprites OUT\n"
        "                        write the document's metasprite tables one after another: for each sprite x\n"
        "                        offset, y offset, tile, attributes (one byte each), then the byte 128\n"
        "    --asm NAME          as ca65 source: a label for each metasprite, named after it (letters, digits\n"
        "                        and underscores), each sprite commented, and NAME, a table of their\n"
        "                        addresses; every label .export-ed\n"
        "    --c NAME            as C source: an array for each metasprite, named after it, and NAME, an array\n"
        "                        of pointers\n");

    BatchCommand &exportPicture
        = family.add(textOption(QStringLiteral("--export-metasprite-png"), anOutputFile), runExportMetaspritePng);
    exportPicture.accepts = { metaspriteOption, canvasOption, atOption, displayPaletteOption };
    exportPicture.check = checkExportMetaspritePng;
    exportPicture.synopsis
        = QStringLiteral("--export-metasprite-png OUT.png [--metasprite N] [--canvas WxH] [--at X,Y] DOC");
    exportPicture.help = QStringLiteral(
        "  --export-metasprite-png OUT.png\n"
        "                        draw a metasprite as the NES does (at most eight sprites on a line) on a\n"
        "                        transparent canvas\n"
        "    --metasprite N      the metasprite, counted from 0 (default 0)\n"
        "    --canvas WxH        the canvas size (default: the metasprite's bounding box)\n"
        "    --at X,Y            where its origin goes on the canvas (default: where the box's top left is at\n"
        "                        canvas (0, 0))\n");

    BatchCommand &exportOam = family.add(textOption(QStringLiteral("--export-oam"), anOutputFile), runExportOam);
    exportOam.accepts = { metaspriteOption, atOption, placeOption };
    exportOam.check = checkExportOam;
    exportOam.synopsis = QStringLiteral(
        "--export-oam OUT [--metasprite N] --at X,Y DOC | --export-oam OUT --place NAME_OR_N@X,Y [--place ...] DOC");
    exportOam.help = QStringLiteral(
        "  --export-oam OUT      write 256 bytes of OAM: the metasprite's sprites first, in its order, at\n"
        "                        Y = y + offset, X = x + offset; sprites off the screen and beyond the 64th are\n"
        "                        left out, with a warning on standard error; every other\n"
        "                        entry Y = $FF\n"
        "    --at X,Y            where the metasprite's origin goes, 0-255 each\n"
        "    --place NAME_OR_N@X,Y\n"
        "                        instead of --metasprite and --at, one OAM of several metasprites: each\n"
        "                        (by name, or by number when none has that name) with its origin at X,Y, its\n"
        "                        sprites after those of the one before, in the order given\n");
    return family;
}

} // namespace kestova::cli
