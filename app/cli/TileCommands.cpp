#include "app/cli/BatchCommand.h"
#include "app/cli/BatchIO.h"
#include "app/cli/LossyOptions.h"
#include "app/cli/PaletteCommands.h"
#include "app/cli/ScreenCommands.h"

#include "app/document/PictureFiles.h"
#include "core/INesHeader.h"
#include "core/NESTileDataCollection.h"

#include <QDir>
#include <QTextStream>

#include <nlohmann/json.hpp>

#include <limits>

namespace kestova::cli {

using namespace mosavo;

namespace {

constexpr int tileSide = 8;
constexpr int maximumColumns = 4096;

const QString columnsOption = QStringLiteral("--columns");
const QString tallOption = QStringLiteral("--tall");
const QString outputOption = QStringLiteral("--output");
const QString atOption = QStringLiteral("--at");

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
    const TileSheetLayout layout { arguments.number(columnsOption).value_or(defaultSheetColumns),
        sheetOrder(arguments) };
    const int64_t height = mosavo::tileSheetRows(layout.order, layout.columns, tiles.totalNumberTiles()) * tileSide;
    if (height > maximumSheetHeight)
        return reportFailure(streams.err,
            { output,
                QStringLiteral("the picture would be %1 pixels tall, more than the %2 a PNG picture may have; give "
                               "more --columns")
                    .arg(height)
                    .arg(maximumSheetHeight) });
    const auto error = writeTileSheetPng(output, tiles.matrices(), colors, layout);
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
    auto read = readTilesFromPng(
        picturePath, sheetOrder(arguments), subPalette, lossy ? std::optional(lossy->dithering) : std::nullopt);
    if (auto *error = std::get_if<FileError>(&read))
        return reportFailure(err, *error);
    if (const auto &quality = std::get<SheetTiles>(read).quality)
        reportLossyQuality(err, picturePath, *quality);
    std::vector<mosavo::MatrixPtr> &picture = std::get<SheetTiles>(read).tiles;

    if (arguments.files.isEmpty()) {
        const auto bytes = mosavo::NESTileDataCollection(picture).consoleFormattedPixelData();
        if (!bytes)
            return reportFailure(err, { picturePath, QStringLiteral("holds no tiles") });
        return writeOutput(err, output, *bytes);
    }

    const QString &target = arguments.files.front();
    const ReadResult file = readWholeFile(target);
    if (file.error)
        return reportFailure(err, *file.error);
    if (isDocumentFile(target, file.bytes))
        return reportFailure(err,
            { target,
                QStringLiteral("is a Kestova document; --import-png writes into an iNES ROM image or CHR data "
                               "(open the document in the window to import a picture into it)") });
    auto input = readInput(target);
    if (auto *error = std::get_if<FileError>(&input))
        return reportFailure(err, *error);
    mosavo::TileData &tiles = *std::get<Input>(input).tiles;
    const int64_t count = tiles.totalNumberTiles();
    const int64_t at = arguments.number(atOption).value_or(0);
    if (at >= count)
        return reportFailure(err,
            { target,
                QStringLiteral("holds %1 tiles (0-%2), so there is no tile %3").arg(count).arg(count - 1).arg(at) });
    // Tiles of the picture that fall past the end of FILE are dropped when blank (the padding of a sheet's last row);
    // any other is refused, so nothing drawn is lost.
    for (size_t i = size_t(count - at); i < picture.size(); ++i)
        if (!isBlankTile(*picture[i]))
            return reportFailure(err,
                { picturePath,
                    QStringLiteral("holds %1 tiles; placed from tile %2 they run past the last tile of %3 (tile %4), "
                                   "and tile %5 of the picture is not blank")
                        .arg(picture.size())
                        .arg(at)
                        .arg(QDir::toNativeSeparators(target))
                        .arg(count - 1)
                        .arg(i) });
    for (size_t i = 0; i < picture.size() && at + int64_t(i) < count; ++i)
        tiles.matrices()[size_t(at) + i] = picture[i];
    const auto bytes = tiles.consoleFormattedPixelData();
    if (!bytes)
        return reportFailure(err, { target, QStringLiteral("holds no tiles") });
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
    };
    const QString anOutputFile = QStringLiteral("an output file");

    BatchCommand &info = family.add(flagOption(QStringLiteral("--info")), runInfo);
    info.synopsis = QStringLiteral("--info FILE");
    info.help = QStringLiteral(
        "  --info FILE           print the facts of FILE as one JSON object: kind (ines, chr or document), tiles;\n"
        "                        for a ROM image, or a document made from one, prgBanks, chrBanks, mapper, trainer,\n"
        "                        nes2 and chrStartTile; for a document palettes (how many sub-palettes it holds);\n"
        "                        warnings, a list of texts (empty when all is well): a ROM image whose size is not\n"
        "                        what its header says gets one naming both sizes\n");

    BatchCommand &exportPng = family.add(textOption(QStringLiteral("--export-png"), anOutputFile), runExportPng);
    exportPng.accepts = { paletteOption, subPaletteOption, columnsOption, tallOption, displayPaletteOption };
    exportPng.synopsis
        = QStringLiteral("--export-png OUT.png [--palette PAL] [--sub-palette N] [--columns C] [--tall] FILE");
    exportPng.help = QStringLiteral(
        "  --export-png OUT.png  draw every tile into an indexed PNG picture, one image pixel per tile pixel, whose\n"
        "                        four palette entries are the colours of colour index 0-3\n"
        "    --palette PAL       colours from a palette file: 32 bytes (eight sub-palettes of four colour numbers)\n"
        "                        or 16 (the background half, sub-palettes 0-3); without it a document draws in its\n"
        "                        own sub-palette, anything else in the grey palette 0x30, 0x10, 0x00, 0x0F\n"
        "    --sub-palette N     the sub-palette of PAL or of the document, 0-7 (default 0); colours a document's\n"
        "                        sub-palette lacks (one saved before it was ever shown has none) are taken from\n"
        "                        the grey palette\n"
        "    --columns C         tiles to a row, 1-4096 (default 16)\n"
        "    --tall              8x16 sprite order: tiles 2k and 2k+1 one above the other\n");

    BatchCommand &importPng
        = family.add(textOption(QStringLiteral("--import-png"), QStringLiteral("a picture file")), runImportPng);
    importPng.accepts
        = QStringList { outputOption, paletteOption, subPaletteOption, tallOption, atOption, displayPaletteOption }
        + lossyOptionNames();
    importPng.file = FileArgument::optional;
    importPng.check = checkImportPng;
    importPng.synopsis = QStringLiteral(
        "--import-png IN.png --output OUT [--palette PAL] [--sub-palette N] [--tall] [--at TILE] [--lossy [--dither "
        "none|ordered|diffusion]] [FILE]");
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
