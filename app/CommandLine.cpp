#include "app/CommandLine.h"

#include "app/EditorViewControllerSettings.h"
#include "app/FileIO.h"
#include "app/MosavoDocument.h"
#include "app/PngTiles.h"

#include "core/ConsoleDataFactory.h"
#include "core/INesHeader.h"
#include "core/NESTileDataCollection.h"
#include "core/SystemLog.h"
#include "palette/NESColors.h"
#include "palette/NESPalette.h"
#include "palette/PaletteFactory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <limits>
#include <variant>

namespace kestova {

namespace {

using mosavo::Bytes;

constexpr int tileSide = 8;
constexpr int maximumColumns = 4096;
// A document file starts with the CBOR self-describe tag 55799.
constexpr std::array<uint8_t, 3> documentTag = { 0xD9, 0xD9, 0xF7 };
// A palette file holds eight sub-palettes of four colour numbers.
constexpr size_t paletteFileSubPalettes = 8;
constexpr size_t subPaletteColors = 4;
// The background half of a palette file: sub-palettes 0-3.
constexpr size_t halfPaletteFileSize = 16;

enum class BatchMode { none, info, exportPng, importPng, exportChr, exportPalette };

struct BatchOptions
{
    BatchMode mode = BatchMode::none;
    QString output;
    std::optional<QString> palette;
    std::optional<int> subPalette;
    std::optional<int> columns;
    bool tall = false;
    // --import-png: the picture read and the tile number its first tile replaces.
    QString picture;
    std::optional<int64_t> at;
    // --export-palette: 32 (all eight sub-palettes) or 16 (the background half).
    std::optional<int> paletteBytes;
    QStringList files;
};

struct UsageError
{
    QString reason;
};

QString modeOptionName(BatchMode mode)
{
    switch (mode) {
    case BatchMode::info:
        return QStringLiteral("--info");
    case BatchMode::exportPng:
        return QStringLiteral("--export-png");
    case BatchMode::importPng:
        return QStringLiteral("--import-png");
    case BatchMode::exportChr:
        return QStringLiteral("--export-chr");
    case BatchMode::exportPalette:
        return QStringLiteral("--export-palette");
    case BatchMode::none:
        break;
    }
    return {};
}

std::optional<int64_t> parseNumber(const QString &text, int64_t lowest, int64_t highest)
{
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok, 10);
    if (!ok || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

std::variant<BatchOptions, UsageError> parseArguments(const QStringList &arguments)
{
    BatchOptions options;
    bool endOfOptions = false;
    bool outputGiven = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (endOfOptions || !argument.startsWith(u'-') || argument == u"-") {
            options.files.append(argument);
            continue;
        }
        if (argument == u"--") {
            endOfOptions = true;
            continue;
        }

        QString name = argument;
        std::optional<QString> inlineValue;
        if (const qsizetype equals = argument.indexOf(u'='); argument.startsWith(u"--") && equals > 2) {
            name = argument.left(equals);
            inlineValue = argument.mid(equals + 1);
        }
        // The value of an option: after '=' or the next argument, which must not be another option.
        auto takeValue = [&]() -> std::optional<QString> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 < arguments.size() && !arguments[i + 1].startsWith(u"--"))
                return arguments[++i];
            return std::nullopt;
        };
        auto setMode = [&](BatchMode mode) -> std::optional<UsageError> {
            if (options.mode != BatchMode::none)
                return UsageError { QStringLiteral("%1 and %2 cannot be combined")
                                        .arg(modeOptionName(options.mode), modeOptionName(mode)) };
            options.mode = mode;
            return std::nullopt;
        };

        if (name == u"--info") {
            if (inlineValue)
                return UsageError { QStringLiteral("--info takes no value; give the file after it") };
            if (auto error = setMode(BatchMode::info))
                return *error;
        } else if (name == u"--export-png" || name == u"--export-chr" || name == u"--export-palette") {
            const auto mode = name == u"--export-png" ? BatchMode::exportPng
                : name == u"--export-chr"             ? BatchMode::exportChr
                                                      : BatchMode::exportPalette;
            if (auto error = setMode(mode))
                return *error;
            const auto value = takeValue();
            if (!value || value->isEmpty())
                return UsageError { QStringLiteral("%1 needs an output file").arg(name) };
            options.output = *value;
        } else if (name == u"--import-png") {
            if (auto error = setMode(BatchMode::importPng))
                return *error;
            const auto value = takeValue();
            if (!value || value->isEmpty())
                return UsageError { QStringLiteral("--import-png needs a PNG picture") };
            options.picture = *value;
        } else if (name == u"--output") {
            if (!options.output.isEmpty())
                return UsageError { QStringLiteral("--output given more than once") };
            const auto value = takeValue();
            if (!value || value->isEmpty())
                return UsageError { QStringLiteral("--output needs an output file") };
            options.output = *value;
            outputGiven = true;
        } else if (name == u"--tall") {
            if (inlineValue)
                return UsageError { QStringLiteral("--tall takes no value") };
            options.tall = true;
        } else if (name == u"--at") {
            if (options.at)
                return UsageError { QStringLiteral("--at given more than once") };
            const auto value = takeValue();
            options.at = value ? parseNumber(*value, 0, std::numeric_limits<int32_t>::max()) : std::nullopt;
            if (!options.at)
                return UsageError {
                    QStringLiteral("--at needs a tile number, not '%1'").arg(value.value_or(QString()))
                };
        } else if (name == u"--bytes") {
            if (options.paletteBytes)
                return UsageError { QStringLiteral("--bytes given more than once") };
            const auto value = takeValue();
            if (value == u"16" || value == u"32")
                options.paletteBytes = value->toInt();
            else
                return UsageError { QStringLiteral(
                    "--bytes must be 32 (the whole palette file) or 16 (its background half), not '%1'")
                                        .arg(value.value_or(QString())) };
        } else if (name == u"--palette") {
            if (options.palette)
                return UsageError { QStringLiteral("--palette given more than once") };
            const auto value = takeValue();
            if (!value || value->isEmpty())
                return UsageError { QStringLiteral("--palette needs a palette file") };
            options.palette = *value;
        } else if (name == u"--sub-palette") {
            if (options.subPalette)
                return UsageError { QStringLiteral("--sub-palette given more than once") };
            const auto value = takeValue();
            if (!value)
                return UsageError { QStringLiteral("--sub-palette needs a number 0-7") };
            options.subPalette = parseNumber(*value, 0, 7);
            if (!options.subPalette)
                return UsageError { QStringLiteral("--sub-palette must be a number 0-7, not '%1'").arg(*value) };
        } else if (name == u"--columns") {
            if (options.columns)
                return UsageError { QStringLiteral("--columns given more than once") };
            const auto value = takeValue();
            if (!value)
                return UsageError { QStringLiteral("--columns needs a number 1-%1").arg(maximumColumns) };
            options.columns = parseNumber(*value, 1, maximumColumns);
            if (!options.columns)
                return UsageError {
                    QStringLiteral("--columns must be a number 1-%1, not '%2'").arg(maximumColumns).arg(*value)
                };
        } else {
            return UsageError { QStringLiteral("unknown option '%1'").arg(argument) };
        }
    }

    const bool png = options.mode == BatchMode::exportPng || options.mode == BatchMode::importPng;
    if ((options.palette || options.subPalette || options.tall) && !png)
        return UsageError { QStringLiteral(
            "--palette, --sub-palette and --tall go with --export-png or --import-png") };
    if (options.columns && options.mode != BatchMode::exportPng)
        return UsageError { QStringLiteral("--columns goes with --export-png") };
    if ((outputGiven || options.at) && options.mode != BatchMode::importPng)
        return UsageError { QStringLiteral("--output and --at go with --import-png") };
    if (options.paletteBytes && options.mode != BatchMode::exportPalette)
        return UsageError { QStringLiteral("--bytes goes with --export-palette") };
    if (options.mode == BatchMode::none)
        return options;
    if (options.mode == BatchMode::importPng) {
        if (!outputGiven)
            return UsageError { QStringLiteral("--import-png needs --output OUT") };
        if (options.subPalette && !options.palette)
            return UsageError { QStringLiteral("--sub-palette picks a sub-palette of --palette, and there is none") };
        if (options.at && options.files.isEmpty())
            return UsageError { QStringLiteral("--at places the tiles in FILE, and there is none") };
        if (options.files.size() > 1)
            return UsageError { QStringLiteral("extra argument '%1'").arg(options.files[1]) };
        return options;
    }
    if (options.files.isEmpty())
        return UsageError { QStringLiteral("%1 needs an input FILE").arg(modeOptionName(options.mode)) };
    if (options.files.size() > 1)
        return UsageError { QStringLiteral("extra argument '%1'").arg(options.files[1]) };
    return options;
}

// What an input file holds: its tiles and, for a Kestova document, the document's content.
struct Input
{
    mosavo::TileDataPtr tiles;
    SettingsPtr document;
};

// A document is what the window opens as one: a file named *.kestova or starting with the document tag.
bool isDocumentFile(const QString &path, const Bytes &bytes)
{
    const bool named
        = QFileInfo(path).suffix().compare(QLatin1String(MosavoDocument::fileExtension), Qt::CaseInsensitive) == 0;
    return named
        || (bytes.size() >= documentTag.size() && std::equal(documentTag.begin(), documentTag.end(), bytes.begin()));
}

std::variant<Input, FileError> readInput(const QString &path, BatchMode mode)
{
    const ReadResult read = readWholeFile(path);
    if (read.error)
        return *read.error;
    const Bytes &bytes = read.bytes;
    if (isDocumentFile(path, bytes)) {
        std::string why;
        SettingsPtr document = EditorViewControllerSettings::fromDocumentBytes(bytes, &why);
        if (!document)
            return FileError { path, QStringLiteral("cannot be opened: %1").arg(QString::fromStdString(why)) };
        return Input { document->tileData(), document };
    }
    if (mode == BatchMode::exportPalette)
        return FileError { path,
            QStringLiteral("is not a Kestova document (only a document carries sub-palettes; an iNES ROM "
                           "image or CHR data has none)") };
    if (bytes.empty())
        return FileError { path, QStringLiteral("empty file (no tiles)") };
    if (auto tiles = mosavo::ConsoleDataFactory::generate(bytes))
        return Input { std::move(tiles), nullptr };
    if (mosavo::ConsoleDataFactory::isRomImage(bytes))
        return FileError { path,
            QStringLiteral("iNES ROM image without a single whole 16-byte tile after its "
                           "header (%1 bytes)")
                .arg(bytes.size()) };
    return FileError { path,
        QStringLiteral("not an iNES ROM image or CHR data (%1 bytes is not a whole number of "
                       "16-byte tiles)")
            .arg(bytes.size()) };
}

// The colour numbers a document's sub-palette holds. A sub-palette without colours gives none: reading it would make
// it draw random colours.
std::vector<int64_t> storedColorNumbers(const mosavo::PalettePtr &palette)
{
    if (!palette)
        return {};
    if (const auto nes = std::dynamic_pointer_cast<mosavo::NESPalette>(palette); nes && !nes->hasColors())
        return {};
    std::vector<int64_t> numbers;
    for (const mosavo::ColorEntry &entry : palette->palette())
        numbers.push_back(entry.colorCode);
    return numbers;
}

QString subPaletteCount(size_t count)
{
    return count == 1 ? QStringLiteral("1 sub-palette") : QStringLiteral("%1 sub-palettes").arg(count);
}

// The colours (0xRRGGBB) of colour index 0-3 from sub-palette index of a document (sub-palette 0 when none is asked
// for). A colour the sub-palette lacks (it holds fewer than four, or none when it was saved before it was ever shown)
// or whose number is not a master colour number is taken from the grey palette, so the picture still shows every
// tile. A sub-palette asked for that the document does not have is an error; a document without any sub-palette
// draws in grey.
std::variant<std::array<uint32_t, 4>, FileError> documentSubPalette(
    const QString &path, const EditorViewControllerSettings &document, std::optional<int> asked)
{
    const auto &palettes = document.palettes();
    const size_t count = palettes ? palettes->size() : 0;
    const size_t index = size_t(asked.value_or(0));
    std::array<uint32_t, 4> colors = viewerGreyColors();
    if (index >= count) {
        if (asked)
            return FileError { path,
                QStringLiteral("the document holds %1, so there is no sub-palette %2")
                    .arg(subPaletteCount(count))
                    .arg(index) };
        return colors;
    }
    const std::vector<int64_t> numbers = storedColorNumbers((*palettes)[index]);
    for (size_t i = 0; i < colors.size() && i < numbers.size(); ++i)
        if (mosavo::nesColor(numbers[i]))
            colors[i] = mosavo::nesRgb(numbers[i]);
    return colors;
}

// The 32-byte palette file of a document's sub-palettes: exactly eight of four master colour numbers each.
std::variant<Bytes, FileError> documentPaletteFile(const QString &path, const EditorViewControllerSettings &document)
{
    const auto &palettes = document.palettes();
    std::vector<int64_t> numbers;
    bool fourEach = true;
    for (const mosavo::PalettePtr &palette : palettes.value_or(std::vector<mosavo::PalettePtr> {})) {
        const std::vector<int64_t> own = storedColorNumbers(palette);
        fourEach = fourEach && own.size() == subPaletteColors;
        numbers.insert(numbers.end(), own.begin(), own.end());
    }
    const size_t count = palettes ? palettes->size() : 0;
    if (count != paletteFileSubPalettes || !fourEach || numbers.size() != mosavo::PaletteFactory::paletteFileSize)
        return FileError { path,
            QStringLiteral("its sub-palettes do not make a palette file: it holds %1 with %2 colour numbers in all, "
                           "a palette file takes eight of four (32); a sub-palette saved before it was ever shown "
                           "holds none")
                .arg(subPaletteCount(count))
                .arg(numbers.size()) };
    for (size_t k = 0; k < numbers.size(); ++k)
        if (!mosavo::nesColor(numbers[k]))
            return FileError { path,
                QStringLiteral("colour %1 of sub-palette %2 is %3, not a master colour number 0x00-0x3F")
                    .arg(k % subPaletteColors)
                    .arg(k / subPaletteColors)
                    .arg(numbers[k]) };
    if (auto bytes = mosavo::PaletteFactory::convert(numbers, mosavo::PaletteType::nes))
        return *bytes;
    return FileError { path, QStringLiteral("its sub-palettes do not make a palette file") };
}

// The colours (0xRRGGBB) of colour index 0-3: sub-palette index of the palette file at path, which holds all eight
// sub-palettes (32 bytes) or the background half, sub-palettes 0-3 (16 bytes).
std::variant<std::array<uint32_t, 4>, FileError> readSubPalette(const QString &path, int index)
{
    const ReadResult read = readWholeFile(path);
    if (read.error)
        return *read.error;
    const Bytes &bytes = read.bytes;
    if (bytes.size() != mosavo::PaletteFactory::paletteFileSize && bytes.size() != halfPaletteFileSize)
        return FileError { path,
            QStringLiteral("not a palette file (%1 bytes; a palette file holds 32 colour numbers 0x00-0x3F, or 16 "
                           "for its background half)")
                .arg(bytes.size()) };
    for (size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] > 0x3F)
            return FileError { path,
                QStringLiteral("not a palette file (byte %1 is 0x%2; colour numbers are "
                               "0x00-0x3F)")
                    .arg(i)
                    .arg(QString::number(bytes[i], 16).toUpper()) };
    const size_t first = size_t(index) * subPaletteColors;
    if (first + subPaletteColors > bytes.size())
        return FileError { path,
            QStringLiteral("holds the background half of a palette (16 bytes, sub-palettes 0-3), so there is no "
                           "sub-palette %1")
                .arg(index) };
    std::array<uint32_t, 4> colors {};
    for (size_t i = 0; i < colors.size(); ++i)
        colors[i] = mosavo::nesRgb(bytes[first + i]);
    return colors;
}

std::string infoJson(const mosavo::TileData &tiles, const EditorViewControllerSettings *document)
{
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
    }
    if (document)
        info["palettes"] = document->palettes() ? document->palettes()->size() : 0;
    return info.dump();
}

// Diagnostic lines of the library and of Qt (such as the PNG writer's warnings) are not part of the batch output:
// standard error is kept for the one line that explains a failure.
class DiagnosticsSilencer
{
public:
    DiagnosticsSilencer()
        : previousSink_(mosavo::setSystemLogSink([](std::string_view) {}))
        , previousHandler_(qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {}))
    { }
    ~DiagnosticsSilencer()
    {
        qInstallMessageHandler(previousHandler_);
        mosavo::setSystemLogSink(std::move(previousSink_));
    }
    DiagnosticsSilencer(const DiagnosticsSilencer &) = delete;
    DiagnosticsSilencer &operator=(const DiagnosticsSilencer &) = delete;

private:
    mosavo::SystemLogSink previousSink_;
    QtMessageHandler previousHandler_;
};

int report(QTextStream &err, const FileError &error)
{
    err << "kestova: " << QDir::toNativeSeparators(error.path) << ": " << error.reason << '\n';
    err.flush();
    return 1;
}

int reportUsage(QTextStream &err, const QString &reason)
{
    err << "kestova: " << reason << '\n' << commandLineUsage();
    err.flush();
    return 2;
}

// --import-png: the picture's tiles as bare CHR data, or written over the tiles of FILE from tile --at on.
int runImportPng(const BatchOptions &options, QTextStream &err)
{
    std::optional<NamedTileColors> subPalette;
    if (options.palette) {
        const int index = options.subPalette.value_or(0);
        auto palette = readSubPalette(*options.palette, index);
        if (auto *error = std::get_if<FileError>(&palette))
            return report(err, *error);
        subPalette = NamedTileColors { std::get<std::array<uint32_t, 4>>(palette),
            QStringLiteral("sub-palette %1 of %2").arg(index).arg(QDir::toNativeSeparators(*options.palette)) };
    }
    const auto order = options.tall ? mosavo::TileSheetOrder::sprites8x16 : mosavo::TileSheetOrder::rows8x8;
    auto read = readTilesFromPng(options.picture, order, subPalette);
    if (auto *error = std::get_if<FileError>(&read))
        return report(err, *error);
    std::vector<mosavo::MatrixPtr> &picture = std::get<SheetTiles>(read).tiles;

    if (options.files.isEmpty()) {
        const auto bytes = mosavo::NESTileDataCollection(picture).consoleFormattedPixelData();
        if (!bytes)
            return report(err, { options.picture, QStringLiteral("holds no tiles") });
        const auto error = writeFileAtomically(options.output, *bytes);
        return error ? report(err, *error) : 0;
    }

    const QString &target = options.files.front();
    const ReadResult file = readWholeFile(target);
    if (file.error)
        return report(err, *file.error);
    if (isDocumentFile(target, file.bytes))
        return report(err,
            { target,
                QStringLiteral("is a Kestova document; --import-png writes into an iNES ROM image or CHR data "
                               "(open the document in the window to import a picture into it)") });
    auto read2 = readInput(target, BatchMode::importPng);
    if (auto *error = std::get_if<FileError>(&read2))
        return report(err, *error);
    mosavo::TileData &tiles = *std::get<Input>(read2).tiles;
    const int64_t count = tiles.totalNumberTiles();
    const int64_t at = options.at.value_or(0);
    if (at >= count)
        return report(err,
            { target,
                QStringLiteral("holds %1 tiles (0-%2), so there is no tile %3").arg(count).arg(count - 1).arg(at) });
    // Tiles of the picture that fall past the end of FILE are dropped when blank (the padding of a sheet's last row);
    // any other is refused, so nothing drawn is lost.
    for (size_t i = size_t(count - at); i < picture.size(); ++i)
        if (!isBlankTile(*picture[i]))
            return report(err,
                { options.picture,
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
        return report(err, { target, QStringLiteral("holds no tiles") });
    const auto error = writeFileAtomically(options.output, *bytes);
    return error ? report(err, *error) : 0;
}

int runOptions(const BatchOptions &options, QTextStream &out, QTextStream &err)
{
    const DiagnosticsSilencer silencer;
    if (options.mode == BatchMode::importPng)
        return runImportPng(options, err);
    const QString &input = options.files.front();
    auto read = readInput(input, options.mode);
    if (auto *error = std::get_if<FileError>(&read))
        return report(err, *error);
    const mosavo::TileData &tiles = *std::get<Input>(read).tiles;
    const EditorViewControllerSettings *document = std::get<Input>(read).document.get();

    switch (options.mode) {
    case BatchMode::info:
        out << QString::fromStdString(infoJson(tiles, document)) << '\n';
        out.flush();
        return 0;
    case BatchMode::exportPalette: {
        // Only a document gets here (readInput refuses anything else).
        auto bytes = documentPaletteFile(input, *document);
        if (auto *error = std::get_if<FileError>(&bytes))
            return report(err, *error);
        Bytes &file = std::get<Bytes>(bytes);
        if (options.paletteBytes == int(halfPaletteFileSize))
            file.resize(halfPaletteFileSize);
        const auto error = writeFileAtomically(options.output, file);
        return error ? report(err, *error) : 0;
    }
    case BatchMode::exportChr: {
        const auto bytes = tiles.consoleFormattedPixelData();
        if (!bytes)
            return report(err, { input, QStringLiteral("holds no tiles") });
        const auto error = writeFileAtomically(options.output, *bytes);
        return error ? report(err, *error) : 0;
    }
    case BatchMode::exportPng: {
        if (options.subPalette && !options.palette && !document)
            return reportUsage(err,
                QStringLiteral("--sub-palette picks a sub-palette of --palette or of a Kestova document; "
                               "there is no --palette and %1 is not a document")
                    .arg(QDir::toNativeSeparators(input)));
        std::array<uint32_t, 4> colors = viewerGreyColors();
        if (options.palette || document) {
            auto palette = options.palette ? readSubPalette(*options.palette, options.subPalette.value_or(0))
                                           : documentSubPalette(input, *document, options.subPalette);
            if (auto *error = std::get_if<FileError>(&palette))
                return report(err, *error);
            colors = std::get<std::array<uint32_t, 4>>(palette);
        }
        const TileSheetLayout layout { options.columns.value_or(defaultSheetColumns),
            options.tall ? mosavo::TileSheetOrder::sprites8x16 : mosavo::TileSheetOrder::rows8x8 };
        const int64_t height = mosavo::tileSheetRows(layout.order, layout.columns, tiles.totalNumberTiles()) * tileSide;
        if (height > maximumSheetHeight)
            return report(err,
                { options.output,
                    QStringLiteral("the picture would be %1 pixels tall, more than the %2 "
                                   "a PNG picture may have; give more --columns")
                        .arg(height)
                        .arg(maximumSheetHeight) });
        const auto error = writeTileSheetPng(options.output, tiles.matrices(), colors, layout);
        return error ? report(err, *error) : 0;
    }
    case BatchMode::importPng:
    case BatchMode::none:
        break;
    }
    return 2;
}

} // namespace

QString commandLineUsage()
{
    return QStringLiteral(
        "Usage:\n"
        "  kestova --info FILE\n"
        "  kestova --export-png OUT.png [--palette PAL] [--sub-palette N] [--columns C] [--tall] FILE\n"
        "  kestova --import-png IN.png --output OUT [--palette PAL] [--sub-palette N] [--tall] [--at TILE] [FILE]\n"
        "  kestova --export-chr OUT FILE\n"
        "  kestova --export-palette OUT.pal [--bytes 32|16] DOCUMENT\n"
        "  kestova --help\n"
        "\n"
        "FILE is an iNES ROM image, bare CHR data (a whole number of 16-byte tiles) or a Kestova document (named\n"
        "*.kestova or starting with the CBOR self-describe tag), at most 64 MiB.\n"
        "\n"
        "  --info FILE           print the facts of FILE as one JSON object: kind (ines, chr or document), tiles;\n"
        "                        for a ROM image, or a document made from one, prgBanks, chrBanks, mapper, trainer,\n"
        "                        nes2 and chrStartTile; for a document palettes (how many sub-palettes it holds)\n"
        "  --export-png OUT.png  draw every tile into an indexed PNG picture, one image pixel per tile pixel, whose\n"
        "                        four palette entries are the colours of colour index 0-3\n"
        "    --palette PAL       colours from a palette file: 32 bytes (eight sub-palettes of four colour numbers)\n"
        "                        or 16 (the background half, sub-palettes 0-3); without it a document draws in its\n"
        "                        own sub-palette, anything else in the grey palette 0x30, 0x10, 0x00, 0x0F\n"
        "    --sub-palette N     the sub-palette of PAL or of the document, 0-7 (default 0); colours a document's\n"
        "                        sub-palette lacks (one saved before it was ever shown has none) are taken from\n"
        "                        the grey palette\n"
        "    --columns C         tiles to a row, 1-4096 (default 16)\n"
        "    --tall              8x16 sprite order: tiles 2k and 2k+1 one above the other\n"
        "  --import-png IN.png   read the tiles of a PNG tile sheet (width and height multiples of 8, of 16 in\n"
        "                        height with --tall), left to right and top to bottom, and write them to OUT: an\n"
        "                        indexed picture gives each pixel the low two bits of its colour index; an RGB(A)\n"
        "                        picture must use exactly the four colours of --palette's sub-palette, or the\n"
        "                        greys 000000 555555 AAAAAA FFFFFF, or the viewer's greys ECEEEC 989698 545454\n"
        "                        000000 (fully transparent pixels are colour 0)\n"
        "    --output OUT        where the tiles go: bare CHR data without FILE; with a ROM image or CHR FILE, a\n"
        "                        copy of FILE (same header and length) whose tiles from --at on are the picture's;\n"
        "                        blank tiles past FILE's end are dropped, any other is refused\n"
        "    --at TILE           the first tile of FILE replaced (default 0)\n"
        "    --tall              read 8x16 sprites: in each 8x16 cell the top tile, then the bottom one\n"
        "  --export-chr OUT      write the tiles back in NES format, with the header in front for a ROM image\n"
        "  --export-palette OUT  write the eight sub-palettes of a document as a 32-byte palette file\n"
        "    --bytes 16          write only its background half, sub-palettes 0-3 (16 bytes)\n"
        "  --help                show this text\n"
        "\n"
        "Exit status: 0 on success, 1 when a file cannot be used, 2 for wrong usage.\n");
}

std::optional<int> runBatch(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    const qsizetype endOfOptions = arguments.indexOf(QStringLiteral("--"));
    const QStringList options = endOfOptions < 0 ? arguments : arguments.first(endOfOptions);
    if (options.contains(QStringLiteral("--help"))) {
        out << commandLineUsage();
        out.flush();
        return 0;
    }

    const auto parsed = parseArguments(arguments);
    if (const auto *error = std::get_if<UsageError>(&parsed))
        return reportUsage(err, error->reason);
    const auto &batch = std::get<BatchOptions>(parsed);
    if (batch.mode == BatchMode::none)
        return std::nullopt;
    return runOptions(batch, out, err);
}

std::optional<int> runBatch(const QStringList &arguments)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    return runBatch(arguments, out, err);
}

} // namespace kestova
