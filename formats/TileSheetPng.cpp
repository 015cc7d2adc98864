#include "formats/TileSheetPng.h"

#include "convert/LossySpriteConversion.h"

#include "formats/PictureCodec.h"

#include "palette/DisplayColors.h"

#include <QImageReader>

#include <algorithm>

namespace mosavo {

namespace {

constexpr int tileSide = 8;
constexpr std::array<int64_t, 4> viewerGreyNumbers = { 0x30, 0x10, 0x00, 0x0F };

QString rgbText(uint32_t rgb)
{
    return QStringLiteral("#%1").arg(rgb & 0xFFFFFFu, 6, 16, QLatin1Char('0')).toUpper();
}

QString colorsText(const TileColors &colors)
{
    QStringList texts;
    for (uint32_t rgb : colors)
        texts << rgbText(rgb);
    return texts.join(u' ');
}

// Colour index 0-3 of each pixel, row after row.
using IndexPicture = std::vector<uint8_t>;

IndexPicture indexPixels(const QImage &indexed)
{
    const int width = indexed.width();
    IndexPicture values(size_t(width) * size_t(indexed.height()));
    for (int y = 0; y < indexed.height(); ++y) {
        const uchar *line = indexed.constScanLine(y);
        for (int x = 0; x < width; ++x)
            values[size_t(y) * size_t(width) + size_t(x)] = line[x] & 3;
    }
    return values;
}

struct ColorSet
{
    TileColors colors;
    QString name;
};

// Where a picture first leaves a colour set: the pixel's position in reading order, or the pixel count when every
// pixel maps.
size_t firstUnmapped(const QImage &argb, const TileColors &colors, IndexPicture *values)
{
    const int width = argb.width();
    for (int y = 0; y < argb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = line[x];
            int index = -1;
            if (qAlpha(pixel) == 0) {
                index = 0;
            } else if (qAlpha(pixel) == 255) {
                const uint32_t rgb = pixel & 0xFFFFFFu;
                const auto found = std::find(colors.begin(), colors.end(), rgb);
                if (found != colors.end())
                    index = int(found - colors.begin());
            }
            if (index < 0)
                return size_t(y) * size_t(width) + size_t(x);
            if (values)
                (*values)[size_t(y) * size_t(width) + size_t(x)] = uint8_t(index);
        }
    }
    return size_t(width) * size_t(argb.height());
}

// The distinct colours of a picture under the nearest-colour rule, in the order of their first pixels; a pixel with
// alpha below 128 stands for colour 0 of the palette.
struct SeenColors
{
    std::vector<uint32_t> colors;
    std::vector<size_t> firstPixels;
    std::vector<bool> transparent;
};

constexpr int opaqueAlpha = 128;

uint32_t nearestRuleColor(QRgb pixel, const TileColors &palette)
{
    return qAlpha(pixel) < opaqueAlpha ? palette[0] : uint32_t(pixel & 0xFFFFFFu);
}

// Stops after the fifth colour: a fifth refuses the picture anyway.
SeenColors seenColors(const QImage &argb, const TileColors &palette)
{
    SeenColors seen;
    const int width = argb.width();
    for (int y = 0; y < argb.height() && seen.colors.size() <= 4; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < width && seen.colors.size() <= 4; ++x) {
            const uint32_t rgb = nearestRuleColor(line[x], palette);
            if (std::find(seen.colors.begin(), seen.colors.end(), rgb) != seen.colors.end())
                continue;
            seen.colors.push_back(rgb);
            seen.firstPixels.push_back(size_t(y) * size_t(width) + size_t(x));
            seen.transparent.push_back(qAlpha(line[x]) < opaqueAlpha);
        }
    }
    return seen;
}

QString pixelText(const SeenColors &seen, size_t color, int width)
{
    const size_t at = seen.firstPixels[color];
    const QString where = QStringLiteral("pixel (%1, %2)").arg(at % size_t(width)).arg(at / size_t(width));
    return seen.transparent[color] ? where + QStringLiteral(" is transparent")
                                   : where + QStringLiteral(" is ") + rgbText(seen.colors[color]);
}

struct MappedPicture
{
    IndexPicture values;
    QString mapping;
};

// The nearest-colour rule: the picture's colours onto the four of the palette, one to one. The reason when they
// cannot be.
std::variant<MappedPicture, QString> mapNearest(const QImage &argb, const NamedTileColors &palette)
{
    const SeenColors seen = seenColors(argb, palette.colors);
    const auto matched = nearestColorMapping(seen.colors, palette.colors);
    if (const auto *refusal = std::get_if<NearestColorRefusal>(&matched)) {
        if (refusal->reason == NearestColorRefusal::Reason::tooManyColors)
            return QStringLiteral("it has more than four colours (%1, a fifth)")
                .arg(pixelText(seen, refusal->color, argb.width()));
        return QStringLiteral("%1 and %2, and both are nearest to %3 (colour %4)")
            .arg(pixelText(seen, refusal->other, argb.width()), pixelText(seen, refusal->color, argb.width()),
                rgbText(palette.colors[size_t(refusal->slot)]))
            .arg(refusal->slot);
    }
    const std::vector<int> &indices = std::get<NearestColorMapping>(matched).colorIndices;
    MappedPicture mapped;
    mapped.values.resize(size_t(argb.width()) * size_t(argb.height()));
    const int width = argb.width();
    for (int y = 0; y < argb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            const uint32_t rgb = nearestRuleColor(line[x], palette.colors);
            const size_t k = size_t(std::find(seen.colors.begin(), seen.colors.end(), rgb) - seen.colors.begin());
            mapped.values[size_t(y) * size_t(width) + size_t(x)] = uint8_t(indices[k]);
        }
    }
    QStringList pairs;
    for (size_t k = 0; k < seen.colors.size(); ++k)
        pairs << QStringLiteral("%1 as %2 (colour %3)")
                     .arg(seen.transparent[k] ? QStringLiteral("transparent") : rgbText(seen.colors[k]),
                         rgbText(palette.colors[size_t(indices[k])]))
                     .arg(indices[k]);
    mapped.mapping
        = QStringLiteral("the nearest colours of %1: %2").arg(palette.name, pairs.join(QStringLiteral(", ")));
    return mapped;
}

// The colour sets a picture's colours are looked up in, in the order messages name them.
std::vector<ColorSet> colorSets(const std::optional<NamedTileColors> &subPalette)
{
    std::vector<ColorSet> sets;
    if (subPalette)
        sets.push_back({ subPalette->colors, subPalette->name });
    sets.push_back({ plainGreyColors, QStringLiteral("the greys") });
    sets.push_back({ viewerGreyColors(), QStringLiteral("the viewer's greys") });
    return sets;
}

// The picture read by the set that holds every one of its colours, with the furthest pixel any set reached. Where
// more than one set holds them, the one Kestova's own exports write wins (the sub-palette given, else the viewer's
// greys), so that an export reads back as it was written whatever format it was saved in meanwhile.
std::optional<MappedPicture> mapExactly(const QImage &argb, std::vector<ColorSet> sets, size_t *furthest)
{
    std::stable_partition(sets.begin(), sets.end(), [](const ColorSet &set) { return set.colors != plainGreyColors; });
    const size_t count = size_t(argb.width()) * size_t(argb.height());
    std::optional<MappedPicture> found;
    for (const ColorSet &set : sets) {
        const size_t stop = firstUnmapped(argb, set.colors, nullptr);
        if (stop == count && !found) {
            found = MappedPicture { IndexPicture(count), QStringLiteral("the colours of ") + set.name };
            firstUnmapped(argb, set.colors, &found->values);
        }
        if (furthest)
            *furthest = std::max(*furthest, stop);
    }
    return found;
}

std::variant<MappedPicture, QString> mapColors(const QImage &image, const std::optional<NamedTileColors> &subPalette)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    if (argb.isNull())
        return QStringLiteral("the picture is too large to convert");
    const std::vector<ColorSet> sets = colorSets(subPalette);

    // Exactly the colours of one set first, so that such a picture reads as it always has.
    size_t furthest = 0;
    if (auto mapped = mapExactly(argb, sets, &furthest))
        return std::move(*mapped);
    QString nearestReason;
    if (subPalette) {
        auto nearest = mapNearest(argb, *subPalette);
        if (auto *mapped = std::get_if<MappedPicture>(&nearest))
            return std::move(*mapped);
        nearestReason = std::get<QString>(nearest);
    }

    const int x = int(furthest % size_t(argb.width()));
    const int y = int(furthest / size_t(argb.width()));
    const QRgb pixel = argb.pixel(x, y);
    QString color = rgbText(pixel);
    if (qAlpha(pixel) != 255)
        color += QStringLiteral(" with alpha %1").arg(qAlpha(pixel));
    QStringList accepted;
    for (const ColorSet &set : sets)
        accepted << QStringLiteral("%1 (%2)").arg(set.name, colorsText(set.colors));
    const QString notOfSets = QStringLiteral("pixel (%1, %2) is %3, which is not a colour of %4")
                                  .arg(x)
                                  .arg(y)
                                  .arg(color, accepted.join(QStringLiteral(", nor of ")));
    if (subPalette)
        return notOfSets
            + QStringLiteral("; nor do the picture's colours map one to one to the nearest colours of %1: %2 (an RGB "
                             "picture may use the four colours of one of these sets, or up to four colours each "
                             "nearest to a different colour of %1; an indexed picture gives each pixel the low two "
                             "bits of its index)")
                  .arg(subPalette->name, nearestReason);
    return notOfSets
        + QStringLiteral("; an RGB picture may use only the four colours of one of these sets (an indexed picture "
                         "gives each pixel the low two bits of its index)");
}

} // namespace

TileColors viewerGreyColors()
{
    TileColors colors;
    for (size_t i = 0; i < colors.size(); ++i)
        colors[i] = shownRgb(viewerGreyNumbers[i]);
    return colors;
}

int64_t tileSheetHeight(TileSheetLayout layout, int64_t count)
{
    return tileSheetRows(layout.order, std::max<int64_t>(layout.columns, 1), count) * tileSide;
}

int64_t readableSheetColumns(TileSheetLayout layout, int64_t count)
{
    constexpr int64_t widest = readableSheetHeight / tileSide;
    int64_t columns = std::max<int64_t>(layout.columns, 1);
    while (columns < widest && tileSheetHeight({ columns, layout.order }, count) > readableSheetHeight)
        columns = std::min(widest, columns + defaultSheetColumns);
    return columns;
}

bool isBlankTile(const Matrix &tile)
{
    const auto cells = tile.cells();
    return std::all_of(cells.begin(), cells.end(), [](int64_t value) { return value == 0; });
}

std::variant<QImage, QString> tileSheetImage(const TileList &tiles, const TileColors &colors, TileSheetLayout layout)
{
    const int64_t columns = std::max<int64_t>(layout.columns, 1);
    const int64_t count = int64_t(tiles.size());
    const int64_t height = std::max<int64_t>(tileSheetRows(layout.order, columns, count), 1) * tileSide;
    if (height > maximumSheetHeight)
        return QStringLiteral("the picture of %1 tiles, %2 to a row, would be %3 pixels tall, more than the %4 a PNG "
                              "picture may have")
            .arg(count)
            .arg(columns)
            .arg(height)
            .arg(maximumSheetHeight);
    if (columns * tileSide > maximumSheetHeight)
        return QStringLiteral("a picture %1 tiles wide is too wide").arg(columns);
    QImage image(int(columns * tileSide), int(height), QImage::Format_Indexed8);
    if (image.isNull())
        return QStringLiteral("the picture of %1 tiles, %2 to a row, is too large").arg(count).arg(columns);
    QList<QRgb> table;
    for (uint32_t rgb : colors)
        table.append(QRgb(0xFF000000u | rgb));
    image.setColorTable(table);
    image.fill(0);

    for (int64_t n = 0; n < count; ++n) {
        const MatrixPtr &tile = tiles[size_t(n)];
        if (!tile)
            continue;
        const TileSheetCell cell = tileSheetCell(layout.order, columns, n);
        const int x0 = int(cell.column * tileSide);
        const int y0 = int(cell.row * tileSide);
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

std::variant<PictureIndices, QString> pictureColorIndices(
    const QImage &image, const std::optional<NamedTileColors> &subPalette)
{
    PictureIndices result;
    result.width = image.width();
    result.height = image.height();
    const bool indexed = image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Mono
        || image.format() == QImage::Format_MonoLSB;
    if (indexed) {
        // By colour when every colour it uses is one of a set's, whatever the order of its colour table; by the
        // low two bits of the indices only when the colours say nothing.
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        if (argb.isNull())
            return QStringLiteral("the picture is too large to convert");
        const std::vector<ColorSet> sets = colorSets(subPalette);
        // A table of at most four colours that are not all of one set is a palette of its own (an export in the
        // colours of a sub-palette not given here): its indices are its colours.
        const QList<QRgb> table = image.colorTable();
        bool ownPalette = false;
        if (!table.isEmpty() && table.size() <= 4) {
            QImage tableColors(int(table.size()), 1, QImage::Format_ARGB32);
            for (qsizetype i = 0; i < table.size(); ++i)
                tableColors.setPixel(int(i), 0, table[i]);
            ownPalette = !mapExactly(tableColors, sets, nullptr);
        }
        auto mapped = ownPalette ? std::nullopt : mapExactly(argb, sets, nullptr);
        if (mapped) {
            result.values = std::move(mapped->values);
            result.colorMapping = std::move(mapped->mapping);
            return result;
        }
        QStringList names;
        for (const ColorSet &set : sets)
            names << set.name;
        result.values = indexPixels(image.convertToFormat(QImage::Format_Indexed8));
        result.colorMapping = QStringLiteral("the low two bits of its colour indices (its colours are not those of %1)")
                                  .arg(names.join(QStringLiteral(" nor of ")));
        return result;
    }
    auto mapped = mapColors(image, subPalette);
    if (auto *reason = std::get_if<QString>(&mapped))
        return *reason;
    result.values = std::move(std::get<MappedPicture>(mapped).values);
    result.colorMapping = std::move(std::get<MappedPicture>(mapped).mapping);
    return result;
}

std::optional<QString> tileSheetSizeRefusal(TileSheetOrder order, const std::optional<Dithering> &lossy, QSize size)
{
    const int rowStep = order == TileSheetOrder::sprites8x16 ? 2 * tileSide : tileSide;
    if (size.width() % tileSide != 0 || size.height() % rowStep != 0)
        return order == TileSheetOrder::sprites8x16
            ? QStringLiteral("the picture is %1x%2 pixels; a sheet of 8x16 sprites must be a multiple of 8 pixels "
                             "wide and of 16 pixels high")
                  .arg(size.width())
                  .arg(size.height())
            : QStringLiteral("the picture is %1x%2 pixels; a tile sheet must be a multiple of 8 pixels wide and "
                             "high")
                  .arg(size.width())
                  .arg(size.height());
    const int64_t tiles = int64_t(size.width() / tileSide) * (size.height() / tileSide);
    if (lossy && tiles > maximumLossySheetTiles)
        return QStringLiteral("the picture is %1x%2 pixels, %3 tiles; a lossy reading converts at most %4")
            .arg(size.width())
            .arg(size.height())
            .arg(tiles)
            .arg(maximumLossySheetTiles);
    if (tiles > maximumSheetTiles)
        return QStringLiteral("the picture is %1x%2 pixels, %3 tiles; a tile sheet holds at most %4")
            .arg(size.width())
            .arg(size.height())
            .arg(tiles)
            .arg(maximumSheetTiles);
    return std::nullopt;
}

IndexedColorReading indexedColorReading(const std::vector<uint32_t> &table, const std::array<bool, 256> &used,
    const std::optional<NamedTileColors> &subPalette)
{
    // As pictureColorIndices reads an indexed picture: by colour when every colour its pixels use is one of a set's
    // (unless the table is a palette of its own), else by the low two bits of the indices.
    IndexedColorReading reading;
    for (size_t i = 0; i < reading.values.size(); ++i)
        reading.values[i] = uint8_t(i & 3);
    const std::vector<ColorSet> sets = colorSets(subPalette);
    bool ownPalette = false;
    if (!table.empty() && table.size() <= 4) {
        QImage tableColors(int(table.size()), 1, QImage::Format_ARGB32);
        for (size_t i = 0; i < table.size(); ++i)
            tableColors.setPixel(int(i), 0, table[i]);
        ownPalette = !mapExactly(tableColors, sets, nullptr);
    }
    std::vector<size_t> usedIndices;
    for (size_t i = 0; i < used.size() && i < table.size(); ++i)
        if (used[i])
            usedIndices.push_back(i);
    if (!ownPalette && !usedIndices.empty()) {
        QImage usedColors(int(usedIndices.size()), 1, QImage::Format_ARGB32);
        for (size_t k = 0; k < usedIndices.size(); ++k)
            usedColors.setPixel(int(k), 0, table[usedIndices[k]]);
        if (const auto mapped = mapExactly(usedColors, sets, nullptr)) {
            for (size_t k = 0; k < usedIndices.size(); ++k)
                reading.values[usedIndices[k]] = mapped->values[k];
            reading.colorMapping = mapped->mapping;
            return reading;
        }
    }
    QStringList names;
    for (const ColorSet &set : sets)
        names << set.name;
    reading.colorMapping = QStringLiteral("the low two bits of its colour indices (its colours are not those of %1)")
                               .arg(names.join(QStringLiteral(" nor of ")));
    return reading;
}

std::variant<SheetIndices, QString> tileSheetIndices(const Bytes &png, TileSheetOrder order,
    const std::optional<NamedTileColors> &subPalette, const std::optional<Dithering> &lossy)
{
    auto read = readPicture(png, [order, lossy](QSize size) { return tileSheetSizeRefusal(order, lossy, size); });
    if (auto *reason = std::get_if<QString>(&read))
        return *reason;
    const QImage &image = std::get<QImage>(read);
    const QSize size = image.size();
    const int64_t columns = size.width() / tileSide;
    const int64_t rows = size.height() / tileSide;

    SheetIndices result;
    std::variant<PictureIndices, QString> mapped;
    if (lossy) {
        const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
        std::vector<uint8_t> pixels;
        pixels.reserve(size_t(rgba.width()) * size_t(rgba.height()) * 4);
        for (int y = 0; y < rgba.height(); ++y)
            pixels.insert(pixels.end(), rgba.constScanLine(y), rgba.constScanLine(y) + size_t(rgba.width()) * 4);
        const TileColors colors = subPalette ? subPalette->colors : viewerGreyColors();
        std::array<Rgb8, 4> shown;
        for (size_t i = 0; i < 4; ++i)
            shown[i] = { uint8_t(colors[i] >> 16), uint8_t(colors[i] >> 8), uint8_t(colors[i]) };
        TileColorReduction reduction = reduceToColors({ rgba.width(), rgba.height(), pixels }, shown, *lossy);
        reduction.quality.tilesUsed = int(size.width() / tileSide) * int(size.height() / tileSide);
        reduction.quality.newTiles = reduction.quality.tilesUsed;
        result.quality = reduction.quality;
        mapped = PictureIndices { std::move(reduction.indices), rgba.width(), rgba.height(),
            QStringLiteral("converted (lossy, dithering %1) to the colours of %2")
                .arg(QLatin1String(ditheringName(*lossy)),
                    subPalette ? subPalette->name : QStringLiteral("the viewer's greys")) };
    } else {
        mapped = pictureColorIndices(image, subPalette);
    }
    if (auto *reason = std::get_if<QString>(&mapped))
        return *reason;
    result.columns = columns;
    result.rows = rows;
    result.picture = std::move(std::get<PictureIndices>(mapped));
    return result;
}

std::variant<SheetTiles, QString> tilesFromPng(const Bytes &png, TileSheetOrder order,
    const std::optional<NamedTileColors> &subPalette, const std::optional<Dithering> &lossy)
{
    auto read = tileSheetIndices(png, order, subPalette, lossy);
    if (auto *reason = std::get_if<QString>(&read))
        return *reason;
    SheetIndices &sheet = std::get<SheetIndices>(read);
    const int64_t columns = sheet.columns;
    const int64_t rows = sheet.rows;
    const IndexPicture &values = sheet.picture.values;
    SheetTiles result;
    result.quality = sheet.quality;
    const QSize size(sheet.picture.width, sheet.picture.height);
    result.columns = columns;
    result.rows = rows;
    result.colorMapping = std::move(sheet.picture.colorMapping);
    const size_t width = size_t(size.width());
    result.tiles.reserve(size_t(columns * rows));
    for (int64_t n = 0; n < columns * rows; ++n) {
        const TileSheetCell cell = tileSheetCell(order, columns, n);
        auto tile = Matrix::make(tileSide, tileSide);
        for (int r = 0; r < tileSide; ++r) {
            const size_t start = (size_t(cell.row * tileSide) + size_t(r)) * width + size_t(cell.column * tileSide);
            auto line = tile->values[r];
            for (int c = 0; c < tileSide; ++c)
                line[size_t(c)] = values[start + size_t(c)];
        }
        result.tiles.push_back(std::move(tile));
    }
    return result;
}

} // namespace mosavo
