#include "app/cli/BatchCommand.h"
#include "app/cli/BatchIO.h"
#include "app/cli/ByteOffset.h"
#include "app/cli/LossyOptions.h"
#include "app/cli/PaletteCommands.h"
#include "app/cli/ScreenCommands.h"
#include "app/document/Counted.h"

#include "app/document/PictureFiles.h"
#include "core/ConsoleDataFactory.h"
#include "core/INesHeader.h"
#include "core/NESTileDataCollection.h"
#include "core/NesTileCodec.h"

#include <QDir>
#include <QTextStream>

#include <nlohmann/json.hpp>

#include <limits>

namespace kestova::cli {

using namespace mosavo;

namespace {

constexpr int maximumColumns = 4096;

const QString columnsOption = QStringLiteral("--columns");
const QString tallOption = QStringLiteral("--tall");
const QString outputOption = QStringLiteral("--output");
const QString atOption = QStringLiteral("--at");
const QString offsetOption = QStringLiteral("--offset");
const QString countOption = QStringLiteral("--count");
const QString firstOption = QStringLiteral("--first");

constexpr int64_t tileBytes = int64_t(mosavo::nes::bytesPerTile);

// "1 tile", "3 tiles"
QString tileCount(int64_t count)
{
    return count == 1 ? QStringLiteral("1 tile") : QStringLiteral("%1 tiles").arg(count);
}

// "2048 ($800)": an offset as the user may have written it, either way.
QString byteOffsetText(int64_t offset)
{
    return QStringLiteral("%1 ($%2)").arg(offset).arg(QString::number(offset, 16).toUpper());
}

// Usage faults of --offset, --first and --count past what the parser checks.
std::optional<QString> checkTileRange(const ParsedArguments &arguments)
{
    if (const auto offset = arguments.text(offsetOption); offset && !parseByteOffset(*offset))
        return QStringLiteral("--offset must be a byte offset of FILE (2048, $800 or 0x800), not '%1'").arg(*offset);
    if (arguments.has(offsetOption) && arguments.has(firstOption))
        return QStringLiteral("--first and --offset cannot be combined: --offset is where the first tile starts");
    if (arguments.has(offsetOption) && arguments.has(atOption))
        return QStringLiteral("--at and --offset cannot be combined: --offset is where the first tile goes");
    return std::nullopt;
}

// The bytes of FILE itself for --offset, which counts from its first byte (the iNES header included): refused for a
// document, whose bytes are no ROM image.
std::variant<mosavo::Bytes, FileError> rawFileBytes(const QString &path)
{
    ReadResult file = readWholeFile(path);
    if (file.error)
        return *file.error;
    if (isDocumentFile(path, file.bytes))
        return FileError { path,
            QStringLiteral("is a Kestova document; --offset counts bytes of an iNES ROM image or CHR data") };
    return std::move(file.bytes);
}

// count tiles from byte offset of a file of size bytes (all whole tiles that fit when count is absent), or why not.
std::variant<int64_t, FileError> tilesFromOffset(
    const QString &path, int64_t size, int64_t offset, std::optional<int64_t> count)
{
    if (offset + tileBytes > size)
        return FileError { path,
            QStringLiteral("is %1 bytes, so no tile of 16 bytes starts at offset %2")
                .arg(size)
                .arg(byteOffsetText(offset)) };
    const int64_t fit = (size - offset) / tileBytes;
    if (count && *count > fit)
        return FileError { path,
            QStringLiteral("is %1 bytes; from offset %2 it holds %3, not the %4 of --count")
                .arg(size)
                .arg(byteOffsetText(offset), tileCount(fit))
                .arg(*count) };
    return count.value_or(fit);
}

// The tiles --export-png draws: every tile of FILE (nothing: the tiles as they are), those from --first on (--count
// of them, or to the last), or --count tiles (every whole one that fits, without it) from byte --offset of the file.
std::variant<std::optional<mosavo::TileList>, FileError> exportedTiles(
    const ParsedArguments &arguments, const QString &path, const mosavo::TileData &tiles)
{
    const auto count = arguments.number(countOption);
    if (const auto offsetText = arguments.text(offsetOption)) {
        auto read = rawFileBytes(path);
        if (auto *error = std::get_if<FileError>(&read))
            return *error;
        const auto bytes = std::make_shared<const mosavo::Bytes>(std::move(std::get<mosavo::Bytes>(read)));
        const int64_t offset = *parseByteOffset(*offsetText);
        const auto taken = tilesFromOffset(path, int64_t(bytes->size()), offset, count);
        if (const auto *error = std::get_if<FileError>(&taken))
            return *error;
        const auto from = std::make_shared<const mosavo::Bytes>(
            bytes->begin() + offset, bytes->begin() + offset + std::get<int64_t>(taken) * tileBytes);
        return mosavo::TileList::fromNesBytes(from, size_t(std::get<int64_t>(taken)));
    }
    if (!arguments.has(firstOption) && !count)
        return std::nullopt;
    const int64_t total = tiles.totalNumberTiles();
    const int64_t first = arguments.number(firstOption).value_or(0);
    if (first >= total)
        return FileError { path,
            QStringLiteral("holds %1 (0-%2), so there is no tile %3").arg(tileCount(total)).arg(total - 1).arg(first) };
    if (count && first + *count > total)
        return FileError { path,
            QStringLiteral("holds %1 (0-%2); %3 from tile %4 run past the last")
                .arg(tileCount(total))
                .arg(total - 1)
                .arg(tileCount(*count))
                .arg(first) };
    const int64_t taken = count.value_or(total - first);
    // Tiles still as the file's bytes are drawn from those bytes; any others (a document's) as they are.
    const mosavo::TileList &all = tiles.matrices();
    auto bytes = std::make_shared<mosavo::Bytes>(size_t(taken) * size_t(tileBytes));
    for (int64_t i = 0; i < taken; ++i) {
        const uint8_t *source = all.sourceBytes(size_t(first + i));
        if (!source) {
            std::vector<mosavo::MatrixPtr> range;
            for (int64_t k = first; k < first + taken; ++k)
                range.push_back(tiles.matrices()[size_t(k)]);
            return mosavo::TileList(std::move(range));
        }
        std::copy(source, source + tileBytes, bytes->begin() + i * tileBytes);
    }
    return mosavo::TileList::fromNesBytes(std::move(bytes), size_t(taken));
}

mosavo::TileSheetOrder sheetOrder(const ParsedArguments &arguments)
{
    return arguments.has(tallOption) ? mosavo::TileSheetOrder::sprites8x16 : mosavo::TileSheetOrder::rows8x8;
}

std::string infoJson(const mosavo::TileData &tiles, const EditorViewControllerSettings *document)
{
    auto warnings = nlohmann::ordered_json::array();
    nlohmann::ordered_json info;
    const auto &header = tiles.header();
    info["kind"] = document ? "document" : header ? "ines" : "chr";
    info["tiles"] = tiles.totalNumberTiles();
    if (header) {
        const auto facts = mosavo::INesHeader::parse(*header).value_or(mosavo::INesHeader {});
        info["prgBanks"] = facts.prgBanks();
        info["chrBanks"] = facts.chrBanks();
        info["mapper"] = facts.mapper;
        info["trainer"] = facts.trainer;
        info["nes2"] = facts.nes2;
        info["chrStartTile"] = facts.chrOffsetAfterHeader() / 16;
        info["mirroring"] = facts.mirroring();
        info["battery"] = facts.battery;
        info["prgStart"] = facts.prgOffset();
        // The ROM image as the tiles give it back: the file read, or the one a document was made from.
        if (const auto bytes = tiles.consoleFormattedPixelData())
            if (const auto warning = facts.sizeWarning(bytes->size()))
                warnings.push_back(*warning);
    }
    if (document) {
        info["palettes"] = document->palettes() ? document->palettes()->size() : 0;
        addGraphicsInfo(info, *document);
    }
    info["warnings"] = std::move(warnings);
    // Names from a document are its bytes: any that are not UTF-8 are shown as U+FFFD rather than refused.
    return info.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

// --info FILE
int runInfo(const ParsedArguments &arguments, BatchStreams &streams)
{
    auto read = readInput(arguments.files.front());
    if (auto *error = std::get_if<FileError>(&read))
        return reportFailure(streams.err, *error);
    const Input &input = std::get<Input>(read);
    streams.out << QString::fromStdString(infoJson(*input.tiles, input.document.get())) << '\n';
    streams.out.flush();
    return exitSuccess;
}

// --export-chr OUT [--asm NAME | --c NAME] FILE
int runExportChr(const ParsedArguments &arguments, BatchStreams &streams)
{
    const QString &path = arguments.files.front();
    auto read = readInput(path);
    if (auto *error = std::get_if<FileError>(&read))
        return reportFailure(streams.err, *error);
    const auto bytes = std::get<Input>(read).tiles->consoleFormattedPixelData();
    // The tiles are in the bytes now: their collection goes before the output is made.
    read = FileError {};
    if (!bytes)
        return reportFailure(streams.err, { path, QStringLiteral("holds no tiles") });
    return writeBytesOrSource(streams.err, arguments, path, arguments.commandValue, *bytes);
}

// --export-png OUT.png [--palette PAL] [--sub-palette N] [--columns C] [--tall] FILE
int runExportPng(const ParsedArguments &arguments, BatchStreams &streams)
{
    const QString &path = arguments.files.front();
    const QString &output = arguments.commandValue;
    auto read = readInput(path);
    if (auto *error = std::get_if<FileError>(&read))
        return reportFailure(streams.err, *error);
    const mosavo::TileData &tiles = *std::get<Input>(read).tiles;
    const EditorViewControllerSettings *document = std::get<Input>(read).document.get();
    const auto palette = arguments.text(paletteOption);
    const auto subPalette = arguments.number(subPaletteOption);
    if (subPalette && !palette && !document)
        return reportUsage(streams.err,
            QStringLiteral("--sub-palette picks a sub-palette of --palette or of a Kestova document; "
                           "there is no --palette and %1 is not a document")
                .arg(QDir::toNativeSeparators(path)));

    TileColors colors = viewerGreyColors();
    if (palette || document) {
        auto chosen = palette
            ? readSubPalette(*palette, int(subPalette.value_or(0)))
            : documentSubPalette(path, *document, subPalette ? std::optional<int>(int(*subPalette)) : std::nullopt);
        if (auto *error = std::get_if<FileError>(&chosen))
            return reportFailure(streams.err, *error);
        colors = std::get<TileColors>(chosen);
    }
    auto drawn = exportedTiles(arguments, path, tiles);
    if (auto *error = std::get_if<FileError>(&drawn))
        return reportFailure(streams.err, *error);
    const auto &chosen = std::get<std::optional<mosavo::TileList>>(drawn);
    const mosavo::TileList &sheet = chosen ? *chosen : tiles.matrices();
    TileSheetLayout layout { arguments.number(columnsOption).value_or(defaultSheetColumns), sheetOrder(arguments) };
    const int64_t count = int64_t(sheet.size());
    // A sheet taller than common programs read: laid out wider unless --columns says otherwise, when it only warns.
    if (const int64_t tall = mosavo::tileSheetHeight(layout, count); tall > mosavo::readableSheetHeight) {
        const int64_t wider = mosavo::readableSheetColumns(layout, count);
        if (!arguments.has(columnsOption)) {
            reportWarning(streams.err,
                { output,
                    QStringLiteral("%1 tiles a row would make the picture %2 pixels tall, more than the %3 many "
                                   "programs read; it is written %4 tiles a row (--columns chooses)")
                        .arg(layout.columns)
                        .arg(tall)
                        .arg(mosavo::readableSheetHeight)
                        .arg(wider) });
            layout.columns = wider;
        } else if (wider > layout.columns && tall <= maximumSheetHeight) {
            // (One too tall for a PNG picture at all is refused below, without a warning first.)
            reportWarning(streams.err,
                { output,
                    QStringLiteral("the picture is %1 pixels tall, more than the %2 many programs read; "
                                   "--columns %3 lays it out wide enough")
                        .arg(tall)
                        .arg(mosavo::readableSheetHeight)
                        .arg(wider) });
        }
    }
    const int64_t height = mosavo::tileSheetHeight(layout, count);
    if (height > maximumSheetHeight)
        return reportFailure(streams.err,
            { output,
                QStringLiteral("the picture would be %1 pixels tall, more than the %2 a PNG picture may have; give "
                               "more --columns")
                    .arg(height)
                    .arg(maximumSheetHeight) });
    const auto error = writeTileSheetPng(output, sheet, colors, layout);
    return error ? reportFailure(streams.err, *error) : exitSuccess;
}

std::optional<QString> checkImportPng(const ParsedArguments &arguments)
{
    if (!arguments.has(outputOption))
        return QStringLiteral("--import-png needs --output OUT");
    if (arguments.has(subPaletteOption) && !arguments.has(paletteOption))
        return QStringLiteral("--sub-palette picks a sub-palette of --palette, and there is none");
    if (arguments.has(atOption) && arguments.files.isEmpty())
        return QStringLiteral("--at places the tiles in FILE, and there is none");
    if (arguments.has(offsetOption) && arguments.files.isEmpty())
        return QStringLiteral("--offset places the tiles in FILE, and there is none");
    if (const auto range = checkTileRange(arguments))
        return range;
    if (auto reason = checkLossyOptions(arguments))
        return reason;
    if (arguments.has(maxTilesOption))
        return QStringLiteral("--max-tiles goes with --import-screen-png and --import-sprite-png: a tile sheet keeps "
                              "every one of its tiles");
    if (const auto at = arguments.text(atOption)) {
        if (!parseNumber(*at, 0, std::numeric_limits<int32_t>::max()))
            return QStringLiteral("--at must be a tile number, not '%1'").arg(*at);
    }
    return std::nullopt;
}

// The picture's tiles written over the bytes of FILE from byte offset on, every other byte as it was.
int importAtOffset(QTextStream &err, const ParsedArguments &arguments, const mosavo::Bytes &picture,
    const QString &target, mosavo::Bytes bytes, int64_t offset)
{
    const int64_t size = int64_t(bytes.size());
    const bool counted = arguments.has(countOption);
    const size_t pictureTiles = picture.size() / size_t(tileBytes);
    const auto room
        = tilesFromOffset(target, size, offset, counted ? std::optional<int64_t>(pictureTiles) : std::nullopt);
    if (const auto *error = std::get_if<FileError>(&room))
        return reportFailure(err, *error);
    const size_t fit = size_t(std::get<int64_t>(room));
    // As at a tile number: blank tiles of the picture past the end of FILE are dropped, any other is refused.
    for (size_t i = fit; i < pictureTiles; ++i)
        if (!mosavo::isBlankChrTile(picture.data() + i * size_t(tileBytes)))
            return reportFailure(err,
                { arguments.commandValue,
                    QStringLiteral("holds %1; placed from offset %2 they run past the end of %3 (room for %4), "
                                   "and tile %5 of the picture is not blank")
                        .arg(tileCount(int64_t(pictureTiles)), byteOffsetText(offset), QDir::toNativeSeparators(target),
                            tileCount(int64_t(fit)))
                        .arg(i) });
    if (pictureTiles == 0)
        return reportFailure(err, { arguments.commandValue, QStringLiteral("holds no tiles") });
    const size_t placed = std::min(fit, pictureTiles) * size_t(tileBytes);
    std::copy(picture.begin(), picture.begin() + std::ptrdiff_t(placed), bytes.begin() + offset);
    return writeOutput(err, *arguments.text(outputOption), bytes);
}

// --import-png IN.png --output OUT [--palette PAL] [--sub-palette N] [--tall] [--at TILE] [FILE]: the picture's tiles
// as bare CHR data, or written over the tiles of FILE from tile --at on.
int runImportPng(const ParsedArguments &arguments, BatchStreams &streams)
{
    QTextStream &err = streams.err;
    const QString &picturePath = arguments.commandValue;
    const QString output = *arguments.text(outputOption);
    std::optional<NamedTileColors> subPalette;
    if (const auto palette = arguments.text(paletteOption)) {
        const int index = int(arguments.number(subPaletteOption).value_or(0));
        auto colors = readSubPalette(*palette, index);
        if (auto *error = std::get_if<FileError>(&colors))
            return reportFailure(err, *error);
        subPalette = NamedTileColors { std::get<TileColors>(colors),
            QStringLiteral("sub-palette %1 of %2").arg(index).arg(QDir::toNativeSeparators(*palette)) };
    }
    const auto lossy = lossySettings(arguments);
    auto read = readChrFromPng(
        picturePath, sheetOrder(arguments), subPalette, lossy ? std::optional(lossy->dithering) : std::nullopt);
    if (auto *error = std::get_if<FileError>(&read))
        return reportFailure(err, *error);
    if (const auto &quality = std::get<mosavo::SheetChr>(read).quality)
        reportLossyQuality(err, picturePath, *quality);
    // The picture's tiles as NES bytes, 16 a tile.
    mosavo::Bytes &picture = std::get<mosavo::SheetChr>(read).chr;
    const auto pictureTiles = [&picture] { return int64_t(picture.size()) / tileBytes; };
    if (const auto count = arguments.number(countOption)) {
        if (*count > pictureTiles())
            return reportFailure(err,
                { picturePath,
                    QStringLiteral("holds %1, fewer than the %2 of --count")
                        .arg(tileCount(pictureTiles()))
                        .arg(*count) });
        picture.resize(size_t(*count * tileBytes));
    }

    if (arguments.files.isEmpty()) {
        if (picture.empty())
            return reportFailure(err, { picturePath, QStringLiteral("holds no tiles") });
        return writeOutput(err, output, picture);
    }

    const QString &target = arguments.files.front();
    ReadResult file = readWholeFile(target);
    if (file.error)
        return reportFailure(err, *file.error);
    if (isDocumentFile(target, file.bytes))
        return reportFailure(err,
            { target,
                QStringLiteral("is a Kestova document; --import-png writes into an iNES ROM image or CHR data "
                               "(open the document in the window to import a picture into it)") });
    if (const auto offset = arguments.text(offsetOption))
        return importAtOffset(err, arguments, picture, target, std::move(file.bytes), *parseByteOffset(*offset));
    auto input = inputOfBytes(target, file.bytes);
    if (auto *error = std::get_if<FileError>(&input))
        return reportFailure(err, *error);
    const mosavo::TileData &tiles = *std::get<Input>(input).tiles;
    const int64_t count = tiles.totalNumberTiles();
    const int64_t at = arguments.number(atOption).value_or(0);
    if (at >= count)
        return reportFailure(err,
            { target,
                QStringLiteral("holds %1 (0-%2), so there is no tile %3")
                    .arg(tilesText(count))
                    .arg(count - 1)
                    .arg(at) });
    // Tiles of the picture that fall past the end of FILE are dropped when blank (the padding of a sheet's last row);
    // any other is refused, so nothing drawn is lost.
    for (int64_t i = count - at; i < pictureTiles(); ++i)
        if (!mosavo::isBlankChrTile(picture.data() + i * tileBytes))
            return reportFailure(err,
                { picturePath,
                    QStringLiteral("holds %1; placed from tile %2 they run past the last tile of %3 (tile %4), "
                                   "and tile %5 of the picture is not blank")
                        .arg(tilesText(pictureTiles()))
                        .arg(at)
                        .arg(QDir::toNativeSeparators(target))
                        .arg(count - 1)
                        .arg(i) });
    // The tiles as bytes are the file's own bytes when they are as many (header, tiles and any bytes after the last
    // whole tile are kept as read): the file is then not copied once more.
    const auto *collection = dynamic_cast<const mosavo::NESTileDataCollection *>(&tiles);
    auto bytes = collection && collection->formattedSize() == file.bytes.size()
        ? std::optional<mosavo::Bytes>(std::move(file.bytes))
        : tiles.consoleFormattedPixelData();
    if (!bytes)
        return reportFailure(err, { target, QStringLiteral("holds no tiles") });
    // The picture's bytes over those of tiles at and on: the tiles start after the header (and any leading bytes).
    const size_t first = (tiles.header() ? tiles.header()->size() : 0) + mosavo::ConsoleDataFactory::byteShift(tiles)
        + size_t(at * tileBytes);
    const size_t placed = size_t(std::min(pictureTiles(), count - at) * tileBytes);
    std::copy(picture.begin(), picture.begin() + std::ptrdiff_t(placed), bytes->begin() + std::ptrdiff_t(first));
    return writeOutput(err, output, *bytes);
}

} // namespace

CommandFamily tileCommands()
{
    CommandFamily family;
    family.options = {
        numberOption(columnsOption, QStringLiteral("a number 1-%1").arg(maximumColumns), 1, maximumColumns),
        flagOption(tallOption),
        textOption(outputOption, QStringLiteral("an output file")),
        // A tile number for --import-png, a position X,Y for the sprite commands: each command checks its own.
        textOption(atOption, QStringLiteral("a tile number or a position X,Y")),
        // Decimal or hexadecimal: checked by the commands that take it.
        textOption(offsetOption, QStringLiteral("a byte offset of FILE (2048, $800 or 0x800)")),
        numberOption(countOption, QStringLiteral("a number of tiles 1-%1").arg(mosavo::maximumSheetTiles), 1,
            mosavo::maximumSheetTiles),
        numberOption(firstOption, QStringLiteral("a tile number"), 0, std::numeric_limits<int32_t>::max()),
    };
    const QString anOutputFile = QStringLiteral("an output file");

    BatchCommand &info = family.add(flagOption(QStringLiteral("--info")), runInfo);
    info.synopsis = QStringLiteral("--info FILE");
    info.help = QStringLiteral(
        "  --info FILE           print the facts of FILE as one JSON object: kind (ines, chr or document), tiles;\n"
        "                        for a ROM image, or a document made from one, prgBanks, chrBanks, mapper, trainer,\n"
        "                        mirroring (horizontal, vertical or four-screen), battery, prgStart (the file\n"
        "                        offset of PRG-ROM: 16, or 528 after a trainer), nes2 and chrStartTile; for a\n"
        "                        document palettes (how many sub-palettes it holds);\n"
        "                        warnings, a list of texts (empty when all is well): a ROM image whose size is not\n"
        "                        what its header says gets one naming both sizes\n");

    BatchCommand &exportPng = family.add(textOption(QStringLiteral("--export-png"), anOutputFile), runExportPng);
    exportPng.accepts = { paletteOption, subPaletteOption, columnsOption, tallOption, displayPaletteOption,
        offsetOption, countOption, firstOption, paletteBytesOption };
    exportPng.check = checkTileRange;
    exportPng.synopsis = QStringLiteral("--export-png OUT.png [--palette PAL] [--sub-palette N] [--columns C] [--tall] "
                                        "[--first TILE | --offset BYTES] [--count TILES] FILE");
    exportPng.help = QStringLiteral(
        "  --export-png OUT.png  draw every tile into an indexed PNG picture, one image pixel per tile pixel, whose\n"
        "                        four palette entries are the colours of colour index 0-3\n"
        "    --palette PAL       colours from a palette file: 32 bytes (eight sub-palettes of four colour numbers)\n"
        "                        or 16 (the background half, sub-palettes 0-3); without it a document draws in its\n"
        "                        own sub-palette, anything else in the grey palette 0x30, 0x10, 0x00, 0x0F;\n"
        "                        @OFFSET (@$1211, @0x1211, @4625) reads the 32 bytes of FILE from that offset,\n"
        "                        16 with --bytes 16 (every command that takes --palette reads it so)\n"
        "    --sub-palette N     the sub-palette of PAL or of the document, 0-7 (default 0); colours a document's\n"
        "                        sub-palette lacks (one saved before it was ever shown has none) are taken from\n"
        "                        the grey palette\n"
        "    --columns C         tiles to a row, 1-4096 (default 16, or as many more as keep the picture at\n"
        "                        most 16384 pixels tall, which many programs need; a warning says so)\n"
        "    --tall              8x16 sprite order: tiles 2k and 2k+1 one above the other\n"
        "    --first TILE        draw the tiles from TILE on (default 0)\n"
        "    --offset BYTES      draw the tiles whose 16 bytes start at byte BYTES of the file (the header\n"
        "                        counted), wherever that is: decimal (2048) or hexadecimal ($800, 0x800)\n"
        "    --count TILES       draw only so many tiles (default: to the end of FILE)\n");

    BatchCommand &importPng
        = family.add(textOption(QStringLiteral("--import-png"), QStringLiteral("a picture file")), runImportPng);
    importPng.accepts = QStringList { outputOption, paletteOption, subPaletteOption, tallOption, atOption,
        displayPaletteOption, offsetOption, countOption, paletteBytesOption }
        + lossyOptionNames();
    importPng.file = FileArgument::optional;
    importPng.check = checkImportPng;
    importPng.synopsis = QStringLiteral(
        "--import-png IN.png --output OUT [--palette PAL] [--sub-palette N] [--tall] [--at TILE | --offset BYTES] "
        "[--count TILES] [--lossy [--dither none|ordered|diffusion]] [FILE]");
    importPng.help = QStringLiteral(
        "  --import-png IN.png   read the tiles of a tile sheet picture (PNG, BMP, GIF or JPEG; width and height\n"
        "                        multiples of 8, of 16 in\n"
        "                        height with --tall), left to right and top to bottom, and write them to OUT: an\n"
        "                        indexed picture gives each pixel the low two bits of its colour index; an RGB(A)\n"
        "                        picture must use exactly the four colours of --palette's sub-palette, or the\n"
        "                        greys 000000 555555 AAAAAA FFFFFF, or the viewer's greys ECEEEC 989698 545454\n"
        "                        000000 (fully transparent pixels are colour 0); with --lossy any picture is\n"
        "                        brought to those four colours (--max-tiles does not apply)\n"
        "    --output OUT        where the tiles go: bare CHR data without FILE; with a ROM image or CHR FILE, a\n"
        "                        copy of FILE (same header and length) whose tiles from --at on are the picture's;\n"
        "                        blank tiles past FILE's end are dropped, any other is refused\n"
        "    --at TILE           the first tile of FILE replaced (default 0)\n"
        "    --offset BYTES      write the tiles over the bytes of FILE from byte BYTES on (the header counted;\n"
        "                        decimal or $hex or 0xhex), whatever they hold; every other byte stays as it was\n"
        "    --count TILES       take only the first TILES tiles of the picture\n"
        "    --tall              read 8x16 sprites: in each 8x16 cell the top tile, then the bottom one\n");

    BatchCommand &exportChr = family.add(textOption(QStringLiteral("--export-chr"), anOutputFile), runExportChr);
    exportChr.accepts = { asmOption, cOption };
    exportChr.check = checkSourceName;
    exportChr.synopsis = QStringLiteral("--export-chr OUT [--asm NAME | --c NAME] FILE");
    exportChr.help = QStringLiteral(
        "  --export-chr OUT      write the tiles back in NES format, with the header in front for a ROM image\n"
        "    --asm NAME          as ca65 source: NAME: then .byte rows of 16\n"
        "    --c NAME            as C source: const unsigned char NAME[N] = {...};\n");
    return family;
}

} // namespace kestova::cli
