#include "app/cli/PaletteCommands.h"
#include "app/cli/ScreenCommands.h"

#include "app/cli/BatchCommand.h"
#include "app/cli/BatchIO.h"
#include "app/cli/ByteOffset.h"

#include "app/document/PaletteProccessor.h"
#include "app/screens/ScreenImport.h"

#include "palette/NESColors.h"
#include "palette/NESPalette.h"
#include "palette/PaletteFactory.h"

namespace kestova::cli {

using namespace mosavo;

namespace {

using mosavo::Bytes;

// A palette file holds eight sub-palettes of four colour numbers.
constexpr size_t paletteFileSubPalettes = 8;
constexpr size_t subPaletteColors = 4;
// The background half of a palette file: sub-palettes 0-3.
constexpr size_t halfPaletteFileSize = 16;

const QString &bytesOption = paletteBytesOption;

std::optional<PaletteInFile> &paletteInFile()
{
    static std::optional<PaletteInFile> source;
    return source;
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

// The 32-byte palette file of a document's sub-palettes: exactly eight of four master colour numbers each.
std::variant<Bytes, FileError> documentPaletteFile(const QString &path, const EditorViewControllerSettings &document)
{
    auto file = PaletteProccessor::paletteFileOf(document.palettes());
    if (const auto *reason = std::get_if<QString>(&file))
        return FileError { path, *reason };
    return std::get<Bytes>(file);
}

// --export-palette OUT.pal [--bytes 32|16] [--asm NAME | --c NAME] DOCUMENT
int runExportPalette(const ParsedArguments &arguments, BatchStreams &streams)
{
    const QString &input = arguments.files.front();
    auto read = readInput(input,
        QStringLiteral("is not a Kestova document (only a document carries sub-palettes; an iNES ROM image or CHR "
                       "data has none)"));
    if (auto *error = std::get_if<FileError>(&read))
        return reportFailure(streams.err, *error);
    auto bytes = documentPaletteFile(input, *std::get<Input>(read).document);
    if (auto *error = std::get_if<FileError>(&bytes))
        return reportFailure(streams.err, *error);
    Bytes &file = std::get<Bytes>(bytes);
    if (arguments.text(bytesOption) == u"16")
        file.resize(halfPaletteFileSize);
    return writeBytesOrSource(streams.err, arguments, input, arguments.commandValue, file);
}

} // namespace

void setPaletteInFile(std::optional<PaletteInFile> source)
{
    paletteInFile() = std::move(source);
}

std::optional<QString> checkPaletteInFile(const ParsedArguments &arguments)
{
    const auto palette = arguments.text(paletteOption);
    const bool inFile = palette && palette->startsWith(u'@');
    if (arguments.has(bytesOption) && arguments.command != QStringLiteral("--export-palette") && !inFile)
        return QStringLiteral("--bytes gives the size of a --palette @OFFSET palette, and there is none");
    if (!inFile)
        return std::nullopt;
    if (!parseByteOffset(palette->mid(1)))
        return QStringLiteral("--palette @OFFSET must name a byte offset of FILE (@4625, @$1211 or @0x1211), not '%1'")
            .arg(*palette);
    if (arguments.files.isEmpty())
        return QStringLiteral("--palette %1 reads the palette from FILE, and there is none").arg(*palette);
    return std::nullopt;
}

std::variant<mosavo::PaletteBytes, FileError> readPaletteInFile(const QString &argument, bool *halfOnly)
{
    const auto offset = parseByteOffset(argument.mid(1));
    const std::optional<PaletteInFile> &source = paletteInFile();
    if (!source || !offset)
        return FileError { argument, QStringLiteral("names a palette at an offset of FILE, and there is none") };
    const ReadResult read = readWholeFile(source->file);
    if (read.error)
        return *read.error;
    const Bytes &bytes = read.bytes;
    const auto at = QStringLiteral("%1 ($%2)").arg(*offset).arg(QString::number(*offset, 16).toUpper());
    if (uint64_t(*offset) + source->bytes > bytes.size())
        return FileError { source->file,
            QStringLiteral("is %1 bytes, so it holds no %2-byte palette at offset %3")
                .arg(bytes.size())
                .arg(source->bytes)
                .arg(at) };
    mosavo::PaletteBytes palette = greyPaletteBytes();
    for (size_t i = 0; i < source->bytes; ++i) {
        const uint8_t number = bytes[size_t(*offset) + i];
        if (number > 0x3F)
            return FileError { source->file,
                QStringLiteral("the %1 bytes at offset %2 are no palette: byte %3 is 0x%4 (colour numbers are "
                               "0x00-0x3F)")
                    .arg(source->bytes)
                    .arg(at)
                    .arg(i)
                    .arg(QString::number(number, 16).toUpper()) };
        palette[i] = number;
    }
    if (halfOnly)
        *halfOnly = source->bytes == halfPaletteFileSize;
    return palette;
}

std::variant<TileColors, FileError> readSubPalette(const QString &path, int index)
{
    bool halfOnly = false;
    const auto read = readPaletteBytes(path, &halfOnly);
    if (const FileError *error = std::get_if<FileError>(&read))
        return *error;
    const mosavo::PaletteBytes &bytes = std::get<mosavo::PaletteBytes>(read);
    const size_t size = halfOnly ? halfPaletteFileSize : bytes.size();
    const size_t first = size_t(index) * subPaletteColors;
    if (first + subPaletteColors > size)
        return FileError { path,
            QStringLiteral("holds the background half of a palette (16 bytes, sub-palettes 0-3), so there is no "
                           "sub-palette %1")
                .arg(index) };
    TileColors colors {};
    for (size_t i = 0; i < colors.size(); ++i)
        colors[i] = mosavo::shownRgb(bytes[first + i]);
    return colors;
}

std::variant<TileColors, FileError> documentSubPalette(
    const QString &path, const EditorViewControllerSettings &document, std::optional<int> asked)
{
    const auto &palettes = document.palettes();
    const size_t count = palettes ? palettes->size() : 0;
    const size_t index = size_t(asked.value_or(0));
    TileColors colors = viewerGreyColors();
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
            colors[i] = mosavo::shownRgb(numbers[i]);
    return colors;
}

CommandFamily paletteCommands()
{
    CommandFamily family;
    family.options = {
        textOption(paletteOption, QStringLiteral("a palette file")),
        numberOption(subPaletteOption, QStringLiteral("a number 0-7"), 0, 7),
        choiceOption(bytesOption, QStringLiteral("32 (the whole palette file) or 16 (its background half)"),
            { QStringLiteral("32"), QStringLiteral("16") }),
    };
    BatchCommand &exportPalette = family.add(
        textOption(QStringLiteral("--export-palette"), QStringLiteral("an output file")), runExportPalette);
    exportPalette.accepts = { bytesOption, asmOption, cOption };
    exportPalette.check = checkSourceName;
    exportPalette.synopsis
        = QStringLiteral("--export-palette OUT.pal [--bytes 32|16] [--asm NAME | --c NAME] DOCUMENT");
    exportPalette.help = QStringLiteral(
        "  --export-palette OUT  write the eight sub-palettes of a document as a 32-byte palette file\n"
        "    --bytes 16          write only its background half, sub-palettes 0-3 (16 bytes)\n"
        "    --asm NAME          as ca65 source: NAME: then .byte rows of 16\n"
        "    --c NAME            as C source: const unsigned char NAME[N] = {...};\n");
    return family;
}

} // namespace kestova::cli
