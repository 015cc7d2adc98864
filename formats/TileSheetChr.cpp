#include "formats/TileSheetChr.h"

#include "formats/PalettePng.h"
#include "formats/PalettePngReader.h"

#include "core/NesTileCodec.h"

#include <algorithm>
#include <array>

namespace mosavo {

namespace {

constexpr int64_t tileSide = 8;
constexpr size_t tileBytes = nes::bytesPerTile;

// The tile at a cell of a sheet (the inverse of tileSheetCell).
int64_t tileAtCell(TileSheetOrder order, int64_t columns, int64_t cellRow, int64_t cellColumn)
{
    if (order == TileSheetOrder::rows8x8)
        return cellRow * columns + cellColumn;
    return ((cellRow / 2) * columns + cellColumn) * 2 + cellRow % 2;
}

// Writes row y of a sheet of width pixels (colour indices 0-3, one a byte) into the tile bytes: the row's two plane
// bytes of every tile it crosses.
void encodeSheetRow(TileSheetOrder order, int64_t columns, int64_t y, const uint8_t *indices, uint8_t *chr)
{
    const int64_t cellRow = y / tileSide;
    const size_t r = size_t(y % tileSide);
    for (int64_t column = 0; column < columns; ++column) {
        const uint8_t *pixels = indices + column * tileSide;
        unsigned low = 0, high = 0;
        for (int x = 0; x < tileSide; ++x) {
            low = (low << 1) | (pixels[x] & 1u);
            high = (high << 1) | ((pixels[x] >> 1) & 1u);
        }
        uint8_t *tile = chr + size_t(tileAtCell(order, columns, cellRow, column)) * tileBytes;
        tile[r] = uint8_t(low);
        tile[r + 8] = uint8_t(high);
    }
}

// The sheet read by the program's own reader, or nothing when the general reader must read it.
std::optional<std::variant<SheetChr, QString>> chrFromPalettePng(
    const Bytes &png, TileSheetOrder order, const std::optional<NamedTileColors> &subPalette)
{
    const auto reader = PalettePngReader::open(png);
    if (!reader)
        return std::nullopt;
    const QSize size(int(reader->width()), int(reader->height()));
    if (auto reason = tileSheetSizeRefusal(order, std::nullopt, size))
        return std::variant<SheetChr, QString>(*reason);
    // First the indices the pixels use, which decide how the colours read; then the tiles.
    std::array<bool, 256> used {};
    const size_t colors = reader->palette().size();
    const bool inPalette = reader->readRows([&](int64_t, const uint8_t *indices) {
        for (int64_t x = 0; x < reader->width(); ++x)
            used[indices[x]] = true;
        return std::find(used.begin() + std::ptrdiff_t(colors), used.end(), true) == used.end();
    });
    if (!inPalette)
        return std::nullopt;
    const IndexedColorReading reading = indexedColorReading(reader->palette(), used, subPalette);
    SheetChr sheet;
    sheet.columns = reader->width() / tileSide;
    sheet.rows = reader->height() / tileSide;
    sheet.colorMapping = reading.colorMapping;
    sheet.chr.assign(size_t(sheet.columns * sheet.rows) * tileBytes, 0);
    std::vector<uint8_t> mapped(size_t(reader->width()));
    const bool read = reader->readRows([&](int64_t y, const uint8_t *indices) {
        for (size_t x = 0; x < mapped.size(); ++x)
            mapped[x] = reading.values[indices[x]];
        encodeSheetRow(order, sheet.columns, y, mapped.data(), sheet.chr.data());
        return true;
    });
    if (!read)
        return std::nullopt;
    return std::variant<SheetChr, QString>(std::move(sheet));
}

// The packed pixels (two bits each) of eight pixels of a tile row: spread[b] has bit k of b at bit 2k.
constexpr auto spread = [] {
    std::array<uint16_t, 256> table {};
    for (unsigned b = 0; b < 256; ++b)
        for (unsigned k = 0; k < 8; ++k)
            table[b] = uint16_t(table[b] | (((b >> k) & 1u) << (2 * k)));
    return table;
}();

// The two plane bytes of row r of a tile object, drawn as tileSheetImage draws it (colour indices past 0-3 as 3;
// rows and columns it lacks as 0).
std::pair<uint8_t, uint8_t> matrixRowPlanes(const Matrix &tile, int64_t r)
{
    if (r >= tile.rows())
        return { 0, 0 };
    const auto values = tile.values[r];
    const int64_t columns = std::min<int64_t>(tile.columns(), tileSide);
    unsigned low = 0, high = 0;
    for (int64_t c = 0; c < tileSide; ++c) {
        const int64_t value = c < columns ? values[size_t(c)] : 0;
        const unsigned index = value >= 0 && value <= 3 ? unsigned(value) : 3u;
        low = (low << 1) | (index & 1u);
        high = (high << 1) | (index >> 1);
    }
    return { uint8_t(low), uint8_t(high) };
}

} // namespace

std::variant<SheetChr, QString> chrFromPng(const Bytes &png, TileSheetOrder order,
    const std::optional<NamedTileColors> &subPalette, const std::optional<Dithering> &lossy)
{
    if (!lossy)
        if (auto read = chrFromPalettePng(png, order, subPalette))
            return std::move(*read);
    auto read = tileSheetIndices(png, order, subPalette, lossy);
    if (auto *reason = std::get_if<QString>(&read))
        return *reason;
    SheetIndices &indices = std::get<SheetIndices>(read);
    SheetChr sheet;
    sheet.columns = indices.columns;
    sheet.rows = indices.rows;
    sheet.colorMapping = std::move(indices.picture.colorMapping);
    sheet.quality = indices.quality;
    sheet.chr.assign(size_t(sheet.columns * sheet.rows) * tileBytes, 0);
    const size_t width = size_t(indices.picture.width);
    for (int64_t y = 0; y < indices.picture.height; ++y)
        encodeSheetRow(order, sheet.columns, y, indices.picture.values.data() + size_t(y) * width, sheet.chr.data());
    return sheet;
}

std::variant<Bytes, QString> tileSheetPng(const TileList &tiles, const TileColors &colors, TileSheetLayout layout)
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
    const auto row = [&](int64_t y, uint8_t *packed) {
        const int64_t cellRow = y / tileSide;
        const int64_t r = y % tileSide;
        for (int64_t column = 0; column < columns; ++column) {
            const int64_t n = tileAtCell(layout.order, columns, cellRow, column);
            std::pair<uint8_t, uint8_t> planes { 0, 0 };
            if (n < count) {
                if (const uint8_t *bytes = tiles.sourceBytes(size_t(n)))
                    planes = { bytes[r], bytes[r + 8] };
                else if (const MatrixPtr &tile = tiles[size_t(n)])
                    planes = matrixRowPlanes(*tile, r);
            }
            const unsigned word = spread[planes.first] | unsigned(spread[planes.second]) << 1;
            packed[column * 2] = uint8_t(word >> 8);
            packed[column * 2 + 1] = uint8_t(word);
        }
    };
    return encodePalettePng2(columns * tileSide, height, std::vector<uint32_t>(colors.begin(), colors.end()), row);
}

bool isBlankChrTile(const uint8_t *bytes)
{
    return std::all_of(bytes, bytes + tileBytes, [](uint8_t byte) { return byte == 0; });
}

} // namespace mosavo
