#include "app/screens/ScreenImport.h"

#include "app/document/PictureFiles.h"
#include "core/MetatileSet.h"
#include "formats/PictureCodec.h"

#include "convert/SpriteConversion.h"
#include "core/INesHeader.h"
#include "palette/NESPalette.h"
#include "palette/PaletteFactory.h"

#include <QDir>
#include <QImageReader>

#include <algorithm>

namespace kestova {

using namespace mosavo;

namespace {
constexpr std::array<uint8_t, 4> viewerGreys = { 0x30, 0x10, 0x00, 0x0F };
constexpr size_t documentSubPalettes = 8;
} // namespace

std::variant<int64_t, QString> screenBankFirstTile(const TileData &tiles)
{
    if (!tiles.header())
        return int64_t(0);
    const auto header = INesHeader::parse(*tiles.header());
    if (!header || header->chrBytes == 0)
        return QStringLiteral("is an iNES ROM image without CHR-ROM (its board uses CHR-RAM), so it has no pattern "
                              "tables for a screen");
    return int64_t(header->chrOffsetAfterHeader() / 16);
}

PaletteBytes greyPaletteBytes()
{
    PaletteBytes bytes {};
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = viewerGreys[i % 4];
    return bytes;
}

BackgroundSubPalettes backgroundSubPalettes(const PaletteBytes &bytes)
{
    BackgroundSubPalettes subPalettes {};
    for (size_t p = 0; p < subPalettes.size(); ++p)
        std::copy_n(bytes.begin() + std::ptrdiff_t(p * 4), 4, subPalettes[p].begin());
    return subPalettes;
}

PaletteBytes documentPaletteBytes(const EditorViewControllerSettings &document)
{
    PaletteBytes bytes = greyPaletteBytes();
    const auto &palettes = document.palettes();
    if (!palettes)
        return bytes;
    for (size_t p = 0; p < palettes->size() && p < documentSubPalettes; ++p) {
        const auto nes = std::dynamic_pointer_cast<NESPalette>((*palettes)[p]);
        if (!(*palettes)[p] || (nes && !nes->hasColors()))
            continue;
        const auto &entries = (*palettes)[p]->palette();
        for (size_t i = 0; i < entries.size() && i < 4; ++i)
            if (entries[i].colorCode >= 0 && entries[i].colorCode <= 0x3F)
                bytes[p * 4 + i] = uint8_t(entries[i].colorCode);
    }
    return bytes;
}

QImage frameImage(const FramePicture &frame, const DisplayColors &colors, int emphasis)
{
    QImage image(frame.width, frame.height, QImage::Format_ARGB32);
    std::array<QRgb, 64> table {};
    for (int n = 0; n < 64; ++n)
        table[size_t(n)] = 0xFF000000u | colors.rgb24(n, emphasis);
    for (int y = 0; y < frame.height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < frame.width; ++x) {
            const uint8_t color = frame.at(x, y);
            line[x] = color == FramePicture::transparentColor ? 0u : table[color & 0x3F];
        }
    }
    return image;
}

std::vector<uint8_t> documentColorNumbers(const EditorViewControllerSettings &document)
{
    std::vector<uint8_t> numbers;
    const auto palettes = document.palettes();
    if (!palettes)
        return numbers;
    for (const PalettePtr &palette : *palettes) {
        const auto nes = std::dynamic_pointer_cast<NESPalette>(palette);
        if (!palette || (nes && !nes->hasColors()))
            continue;
        for (const ColorEntry &entry : palette->palette())
            if (entry.colorCode >= 0 && entry.colorCode <= 0x3F)
                numbers.push_back(uint8_t(entry.colorCode));
    }
    return numbers;
}

std::bitset<256> documentTilesInUse(const EditorViewControllerSettings &document, int table)
{
    return mosavo::tilesShown(
               document.screens(), document.metasprites(), document.tallSprites(), document.spritePatternTable(), table)
        | mosavo::tilesUsedByMetatiles(document.metatileSets(), table);
}

ScreenPictureRequest documentPictureRequest(const QImage &rgba, const EditorViewControllerSettings &document,
    const PatternTables &patterns, int64_t bankStart, const DisplayColors &colors, int emphasis,
    const std::optional<BackgroundSubPalettes> &subPalettes, int patternTable, const std::string &name)
{
    const int table = patternTable & 1;
    ScreenPictureRequest request;
    // Rows of four bytes a pixel are whole 32-bit words: the picture's rows follow each other without padding.
    request.rgba = std::span(rgba.constBits(), size_t(rgba.sizeInBytes()));
    request.width = rgba.width();
    request.height = rgba.height();
    request.displayColors = &colors;
    request.emphasis = emphasis;
    request.subPalettes = subPalettes;
    request.patternTable = table;
    request.patterns = &patterns;
    const int64_t tableStart = bankStart + table * PatternTables::tilesPerTable;
    const int64_t total = document.tileData() ? document.tileData()->totalNumberTiles() : 0;
    request.tilesInTable = int(std::clamp<int64_t>(total - tableStart, 0, PatternTables::tilesPerTable));
    request.tilesInUse = documentTilesInUse(document, table);
    request.name = name;
    request.fitColors = true;
    request.preferredNumbers = documentColorNumbers(document);
    return request;
}

std::variant<ScreenConversion, QString> convertScreenImage(const QImage &image,
    const EditorViewControllerSettings &document, const DisplayColors &colors, int emphasis,
    const std::optional<BackgroundSubPalettes> &subPalettes, int patternTable, const std::string &name,
    const PictureReading &reading)
{
    if (!document.tileData())
        return QStringLiteral("the document holds no tiles");
    const auto first = screenBankFirstTile(*document.tileData());
    if (const auto *reason = std::get_if<QString>(&first))
        return *reason;
    const int64_t bankStart = std::get<int64_t>(first);
    const int table = patternTable & 1;
    const PatternTables patterns = PatternTables::fromTiles(*document.tileData(), bankStart);
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    ScreenPictureRequest request
        = documentPictureRequest(rgba, document, patterns, bankStart, colors, emphasis, subPalettes, table, name);
    request.farColorAdvice = reading.farColorAdvice;
    if (reading.lossy) {
        auto result = convertScreenPictureLossy(request, *reading.lossy);
        if (!result)
            return QString::fromStdString(result.error);
        return std::move(*result.conversion);
    }
    if (!subPalettes && !document.screens().empty()) {
        // The screens there keep their colours when the picture fits the document's sub-palettes 0-3.
        ScreenPictureRequest inCurrent = request;
        inCurrent.subPalettes = backgroundSubPalettes(documentPaletteBytes(document));
        if (auto kept = convertScreenPicture(inCurrent))
            return std::move(*kept.conversion);
    }
    auto result = convertScreenPicture(request);
    if (!result)
        return QString::fromStdString(result.error);
    return std::move(*result.conversion);
}

std::optional<QString> screenPictureFileSizeRefusal(const QString &path)
{
    const QSize size = QImageReader(path).size();
    if (!size.isValid())
        return std::nullopt;
    if (const auto refusal = screenPictureSizeRefusal(size.width(), size.height()))
        return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), QString::fromStdString(*refusal));
    return std::nullopt;
}

std::variant<QImage, QString> readScreenPictureFile(const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
    const ReadResult read = readWholeFile(path);
    if (read.error)
        return QStringLiteral("%1: cannot be read as a picture (%2)").arg(shown, read.error->reason);
    auto picture = readPicture(read.bytes, [](QSize size) -> std::optional<QString> {
        if (const auto refusal = screenPictureSizeRefusal(size.width(), size.height()))
            return QString::fromStdString(*refusal)
                + QStringLiteral(" (scale or crop it to 256 x 240 in a paint program first, keeping hard pixel edges)");
        return std::nullopt;
    });
    if (auto *reason = std::get_if<QString>(&picture))
        return QStringLiteral("%1: %2").arg(shown, *reason);
    return std::get<QImage>(std::move(picture));
}

std::variant<ScreenConversion, QString> convertScreenPictureFile(const QString &path,
    const EditorViewControllerSettings &document, const DisplayColors &colors, int emphasis,
    const std::optional<BackgroundSubPalettes> &subPalettes, int patternTable, const std::string &name,
    const PictureReading &reading)
{
    // A picture of another size is refused before its pixels are read (a huge one would take long to decode).
    auto image = readScreenPictureFile(path);
    if (auto *reason = std::get_if<QString>(&image))
        return *reason;
    auto converted = convertScreenImage(
        std::get<QImage>(image), document, colors, emphasis, subPalettes, patternTable, name, reading);
    if (auto *reason = std::get_if<QString>(&converted))
        return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), *reason);
    return converted;
}

void setDocumentSubPalettes(EditorViewControllerSettings &document, const PaletteBytes &bytes, size_t count)
{
    std::vector<PalettePtr> palettes = document.palettes().value_or(std::vector<PalettePtr> {});
    // Sub-palettes the document lacks, or that hold no colours yet (a new document's, never shown), take the fixed
    // readable ones tiles opened from a file start with, so that the document always has a whole palette file.
    const std::vector<PalettePtr> readable = PaletteFactory::readable();
    if (palettes.size() < documentSubPalettes)
        palettes.resize(documentSubPalettes);
    for (size_t p = 0; p < documentSubPalettes; ++p) {
        const auto nes = std::dynamic_pointer_cast<NESPalette>(palettes[p]);
        if (!palettes[p] || (nes && !nes->hasColors()))
            palettes[p] = readable[p];
    }
    for (size_t p = 0; p < count && p < documentSubPalettes; ++p)
        palettes[p] = NESPalette::fromData(Bytes(bytes.begin() + long(p * 4), bytes.begin() + long(p * 4 + 4)));
    document.setPalettes(std::move(palettes));
}

void applyScreenConversion(EditorViewControllerSettings &document, const ScreenConversion &conversion)
{
    const auto first = screenBankFirstTile(*document.tileData());
    const int64_t tableStart = std::get<int64_t>(first) + conversion.screen.patternTable * PatternTables::tilesPerTable;
    TileList &tiles = document.tileData()->matrices();
    for (const ScreenTileChange &change : conversion.tileChanges) {
        std::array<int64_t, 64> values {};
        std::copy(change.pixels.begin(), change.pixels.end(), values.begin());
        tiles[size_t(tableStart + change.tile)] = Matrix::make(values, 8, 8);
    }
    PaletteBytes bytes {};
    for (size_t p = 0; p < conversion.subPalettes.size(); ++p)
        std::copy(conversion.subPalettes[p].begin(), conversion.subPalettes[p].end(), bytes.begin() + long(p * 4));
    setDocumentSubPalettes(document, bytes, conversion.subPalettes.size());
    document.screens().push_back(conversion.screen);
}

} // namespace kestova
