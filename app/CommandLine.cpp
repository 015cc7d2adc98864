#include "app/CommandLine.h"

#include "app/FileIO.h"

#include "core/ConsoleDataFactory.h"
#include "core/INesHeader.h"
#include "core/SystemLog.h"
#include "palette/NESColors.h"
#include "palette/PaletteFactory.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QImageWriter>
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
constexpr int defaultColumns = 16;
constexpr int maximumColumns = 4096;
// The tallest picture the PNG writer accepts (libpng's limit for a side).
constexpr int64_t maximumPictureHeight = 1000000;
// The viewer's grey palette: colour numbers of colour index 0, 1, 2, 3.
constexpr std::array<int64_t, 4> greyPalette = { 0x30, 0x10, 0x00, 0x0F };

enum class BatchMode { none, info, exportPng, exportChr };

struct BatchOptions
{
    BatchMode mode = BatchMode::none;
    QString output;
    std::optional<QString> palette;
    std::optional<int> subPalette;
    std::optional<int> columns;
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
    case BatchMode::exportChr:
        return QStringLiteral("--export-chr");
    case BatchMode::none:
        break;
    }
    return {};
}

std::optional<int> parseNumber(const QString &text, int lowest, int highest)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

std::variant<BatchOptions, UsageError> parseArguments(const QStringList &arguments)
{
    BatchOptions options;
    bool endOfOptions = false;
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
        } else if (name == u"--export-png" || name == u"--export-chr") {
            const auto mode = name == u"--export-png" ? BatchMode::exportPng : BatchMode::exportChr;
            if (auto error = setMode(mode))
                return *error;
            const auto value = takeValue();
            if (!value || value->isEmpty())
                return UsageError { QStringLiteral("%1 needs an output file").arg(name) };
            options.output = *value;
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

    const bool pictureOptions = options.palette || options.subPalette || options.columns;
    if (pictureOptions && options.mode != BatchMode::exportPng)
        return UsageError { QStringLiteral("--palette, --sub-palette and --columns go with --export-png") };
    if (options.subPalette && !options.palette)
        return UsageError { QStringLiteral("--sub-palette picks a sub-palette of --palette, which is missing") };
    if (options.mode == BatchMode::none)
        return options;
    if (options.files.isEmpty())
        return UsageError { QStringLiteral("%1 needs an input FILE").arg(modeOptionName(options.mode)) };
    if (options.files.size() > 1)
        return UsageError { QStringLiteral("extra argument '%1'").arg(options.files[1]) };
    return options;
}

std::variant<mosavo::TileDataPtr, FileError> readTileFile(const QString &path)
{
    const ReadResult read = readWholeFile(path);
    if (read.error)
        return *read.error;
    const Bytes &bytes = read.bytes;
    if (bytes.empty())
        return FileError { path, QStringLiteral("empty file (no tiles)") };
    if (auto tiles = mosavo::ConsoleDataFactory::generate(bytes))
        return tiles;
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

// The colours (0xRRGGBB) of colour index 0-3: sub-palette index of the palette file at path.
std::variant<std::array<uint32_t, 4>, FileError> readSubPalette(const QString &path, int index)
{
    const ReadResult read = readWholeFile(path);
    if (read.error)
        return *read.error;
    const Bytes &bytes = read.bytes;
    if (bytes.size() != mosavo::PaletteFactory::paletteFileSize)
        return FileError { path,
            QStringLiteral("not a palette file (%1 bytes; a palette file holds exactly 32 colour "
                           "numbers 0x00-0x3F)")
                .arg(bytes.size()) };
    const auto palettes = mosavo::PaletteFactory::generate(bytes);
    if (!palettes) {
        for (size_t i = 0; i < bytes.size(); ++i)
            if (bytes[i] > 0x3F)
                return FileError { path,
                    QStringLiteral("not a palette file (byte %1 is 0x%2; colour numbers are "
                                   "0x00-0x3F)")
                        .arg(i)
                        .arg(QString::number(bytes[i], 16).toUpper()) };
        return FileError { path, QStringLiteral("not a palette file") };
    }
    std::array<uint32_t, 4> colors {};
    const auto &entries = (*palettes)[size_t(index)]->palette();
    for (size_t i = 0; i < colors.size() && i < entries.size(); ++i)
        colors[i] = mosavo::nesRgb(entries[i].colorCode);
    return colors;
}

// Every tile, columns to a row, one image pixel per tile pixel; cells past the last tile are colour index 0.
QImage renderTileSheet(const mosavo::TileData &tiles, const std::array<uint32_t, 4> &colors, int columns)
{
    const int64_t count = tiles.totalNumberTiles();
    const int64_t rows = (count + columns - 1) / columns;
    if (rows * tileSide > std::numeric_limits<int>::max())
        return {};
    QImage image(columns * tileSide, int(rows * tileSide), QImage::Format_Indexed8);
    if (image.isNull())
        return image;
    QList<QRgb> table;
    for (uint32_t rgb : colors)
        table.append(QRgb(0xFF000000u | rgb));
    image.setColorTable(table);
    image.fill(0);

    const auto &matrices = tiles.matrices();
    for (int64_t n = 0; n < count; ++n) {
        const mosavo::MatrixPtr &tile = matrices[size_t(n)];
        if (!tile)
            continue;
        const int x0 = int(n % columns) * tileSide;
        const int y0 = int(n / columns) * tileSide;
        const int64_t tileRows = std::min<int64_t>(tile->rows(), tileSide);
        const int64_t tileColumns = std::min<int64_t>(tile->columns(), tileSide);
        for (int64_t r = 0; r < tileRows; ++r) {
            uchar *line = image.scanLine(y0 + int(r)) + x0;
            const auto values = tile->values[r];
            for (int64_t c = 0; c < tileColumns; ++c) {
                const int64_t value = values[size_t(c)];
                line[c] = uchar(value >= 0 && value <= 3 ? value : 3);
            }
        }
    }
    return image;
}

std::string infoJson(const mosavo::TileData &tiles)
{
    nlohmann::ordered_json info;
    const auto &header = tiles.header();
    info["kind"] = header ? "ines" : "chr";
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

int runOptions(const BatchOptions &options, QTextStream &out, QTextStream &err)
{
    const DiagnosticsSilencer silencer;
    const QString &input = options.files.front();
    auto read = readTileFile(input);
    if (auto *error = std::get_if<FileError>(&read))
        return report(err, *error);
    const mosavo::TileData &tiles = *std::get<mosavo::TileDataPtr>(read);

    switch (options.mode) {
    case BatchMode::info:
        out << QString::fromStdString(infoJson(tiles)) << '\n';
        out.flush();
        return 0;
    case BatchMode::exportChr: {
        const auto bytes = tiles.consoleFormattedPixelData();
        if (!bytes)
            return report(err, { input, QStringLiteral("holds no tiles") });
        const auto error = writeFileAtomically(options.output, *bytes);
        return error ? report(err, *error) : 0;
    }
    case BatchMode::exportPng: {
        std::array<uint32_t, 4> colors;
        for (size_t i = 0; i < colors.size(); ++i)
            colors[i] = mosavo::nesRgb(greyPalette[i]);
        if (options.palette) {
            auto palette = readSubPalette(*options.palette, options.subPalette.value_or(0));
            if (auto *error = std::get_if<FileError>(&palette))
                return report(err, *error);
            colors = std::get<std::array<uint32_t, 4>>(palette);
        }
        const int columns = options.columns.value_or(defaultColumns);
        const int64_t height = (tiles.totalNumberTiles() + columns - 1) / columns * tileSide;
        if (height > maximumPictureHeight)
            return report(err,
                { options.output,
                    QStringLiteral("the picture would be %1 pixels tall, more than the %2 "
                                   "a PNG picture may have; give more --columns")
                        .arg(height)
                        .arg(maximumPictureHeight) });
        const QImage image = renderTileSheet(tiles, colors, columns);
        if (image.isNull())
            return report(err,
                { options.output,
                    QStringLiteral("the picture of %1 tiles, %2 to a row, is too large")
                        .arg(tiles.totalNumberTiles())
                        .arg(columns) });
        const auto error = writeFileAtomically(options.output, [&](QIODevice &device) -> std::optional<QString> {
            QImageWriter writer(&device, "png");
            if (!writer.write(image))
                return QStringLiteral("cannot be written as PNG (%1)").arg(writer.errorString());
            return std::nullopt;
        });
        return error ? report(err, *error) : 0;
    }
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
        "  kestova --export-png OUT.png [--palette PAL] [--sub-palette N] [--columns C] FILE\n"
        "  kestova --export-chr OUT FILE\n"
        "  kestova --help\n"
        "\n"
        "FILE is an iNES ROM image or bare CHR data (a whole number of 16-byte tiles), at most 64 MiB.\n"
        "\n"
        "  --info FILE           print the facts of FILE as one JSON object: kind, tiles, and for a ROM image\n"
        "                        prgBanks, chrBanks, mapper, trainer, nes2 and chrStartTile\n"
        "  --export-png OUT.png  draw every tile into a PNG picture, one image pixel per tile pixel\n"
        "    --palette PAL       colours from a 32-byte palette file (eight sub-palettes of four colour numbers);\n"
        "                        without it the grey palette 0x30, 0x10, 0x00, 0x0F\n"
        "    --sub-palette N     the sub-palette of PAL to use, 0-7 (default 0)\n"
        "    --columns C         tiles to a row, 1-4096 (default 16)\n"
        "  --export-chr OUT      write the tiles back in NES format, with the header in front for a ROM image\n"
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
    if (const auto *error = std::get_if<UsageError>(&parsed)) {
        err << "kestova: " << error->reason << '\n' << commandLineUsage();
        err.flush();
        return 2;
    }
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
