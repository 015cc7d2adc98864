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

// Where row y of a sheet puts its plane bytes: tile column c's low plane byte at base + c * stride (the high plane
// 8 bytes on).
struct RowPlace
{
    size_t base = 0;
    size_t stride = 0;
};

RowPlace rowPlace(TileSheetOrder order, int64_t columns, int64_t y)
{
    const int64_t cellRow = y / tileSide;
    const size_t r = size_t(y % tileSide);
    if (order == TileSheetOrder::rows8x8)
        return { size_t(cellRow * columns) * tileBytes + r, tileBytes };
    return { size_t((cellRow / 2) * columns * 2 + cellRow % 2) * tileBytes + r, 2 * tileBytes };
}

// Of a byte of four 2-bit pixels (the leftmost highest), the low bits of the pixels (leftmost in bit 3) and their
// high bits in the next four bits.
constexpr auto planeNibbles = [] {
    std::array<uint8_t, 256> table {};
    for (unsigned b = 0; b < 256; ++b) {
        unsigned low = 0, high = 0;
        for (unsigned p = 0; p < 4; ++p) {
            const unsigned pixel = (b >> (6 - 2 * p)) & 3u;
            low |= (pixel & 1u) << (3 - p);
            high |= (pixel >> 1) << (3 - p);
        }
        table[b] = uint8_t(low | high << 4);
    }
    return table;
}();

// Every tile row's colour indices v changed to values[v] (indices 0-3), plane bytes in place.
void remapTiles(Bytes &chr, const std::array<uint8_t, 256> &values)
{
    for (size_t at = 0; at + tileBytes <= chr.size(); at += tileBytes)
        for (size_t r = 0; r < 8; ++r) {
            const unsigned low = chr[at + r], high = chr[at + r + 8];
            const unsigned masks[4] = { ~low & ~high & 0xFFu, low & ~high & 0xFFu, ~low & high & 0xFFu, low & high };
            unsigned newLow = 0, newHigh = 0;
            for (unsigned v = 0; v < 4; ++v) {
                if (values[v] & 1u)
                    newLow |= masks[v];
                if (values[v] & 2u)
                    newHigh |= masks[v];
            }
            chr[at + r] = uint8_t(newLow);
            chr[at + r + 8] = uint8_t(newHigh);
        }
}

// The sheet read by the program's own reader, or nothing when the general reader must read it. Two bits a pixel
// (the program's own exports) take one pass: the tiles are made from the indices, then changed to the colours read
// when those differ; deeper pictures take two, the first finding the indices used.
std::optional<std::variant<SheetChr, QString>> chrFromPalettePng(
    const Bytes &png, TileSheetOrder order, const std::optional<NamedTileColors> &subPalette)
{
    const auto reader = PalettePngReader::open(png);
    if (!reader)
        return std::nullopt;
    const QSize size(int(reader->width()), int(reader->height()));
    if (auto reason = tileSheetSizeRefusal(order, std::nullopt, size))
        return std::variant<SheetChr, QString>(*reason);
    SheetChr sheet;
    sheet.columns = reader->width() / tileSide;
    sheet.rows = reader->height() / tileSide;
    sheet.chr.assign(size_t(sheet.columns * sheet.rows) * tileBytes, 0);
    const int depth = reader->bitDepth();
    const size_t width = size_t(reader->width());
    std::array<bool, 256> used {};
    if (depth == 2) {
        std::array<bool, 256> seen {};
        const bool read = reader->readRows([&](int64_t y, const uint8_t *packed) {
            const RowPlace place = rowPlace(order, sheet.columns, y);
            uint8_t *out = sheet.chr.data() + place.base;
            for (int64_t column = 0; column < sheet.columns; ++column, out += place.stride) {
                const uint8_t left = packed[2 * column], right = packed[2 * column + 1];
                seen[left] = seen[right] = true;
                const uint8_t a = planeNibbles[left], b = planeNibbles[right];
                out[0] = uint8_t((a & 0x0F) << 4 | (b & 0x0F));
                out[8] = uint8_t((a & 0xF0) | b >> 4);
            }
            return true;
        });
        if (!read)
            return std::nullopt;
        for (unsigned b = 0; b < 256; ++b)
            if (seen[b])
                for (unsigned p = 0; p < 4; ++p)
                    used[(b >> (2 * p)) & 3u] = true;
    } else {
        const unsigned mask = (1u << depth) - 1;
        const bool read = reader->readRows([&](int64_t, const uint8_t *packed) {
            for (size_t x = 0; x < width; ++x)
                used[depth == 8 ? packed[x] : (packed[x / 2] >> (x % 2 ? 0 : 4)) & mask] = true;
            return true;
        });
        if (!read)
            return std::nullopt;
    }
    // A pixel whose index the palette lacks: the general reader says what it is.
    if (std::find(used.begin() + std::ptrdiff_t(reader->palette().size()), used.end(), true) != used.end())
        return std::nullopt;
    const IndexedColorReading reading = indexedColorReading(reader->palette(), used, subPalette);
    sheet.colorMapping = reading.colorMapping;
    if (depth == 2) {
        if (!std::equal(
                reading.values.begin(), reading.values.begin() + 4, std::array<uint8_t, 4> { 0, 1, 2, 3 }.begin()))
            remapTiles(sheet.chr, reading.values);
        return std::variant<SheetChr, QString>(std::move(sheet));
    }
    std::vector<uint8_t> mapped(width);
    const bool read = reader->readRows([&](int64_t y, const uint8_t *packed) {
        for (size_t x = 0; x < width; ++x)
            mapped[x] = reading.values[depth == 8 ? packed[x] : (packed[x / 2] >> (x % 2 ? 0 : 4)) & 0x0Fu];
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
    // Tiles never decoded lie one after another in the bytes they were read from.
    const uint8_t *undecoded = count > 0 && tiles.decodedCount() == 0 ? tiles.sourceBytes(0) : nullptr;
    const auto row = [&](int64_t y, uint8_t *packed) {
        const int64_t cellRow = y / tileSide;
        const int64_t r = y % tileSide;
        for (int64_t column = 0; column < columns; ++column) {
            const int64_t n = tileAtCell(layout.order, columns, cellRow, column);
            std::pair<uint8_t, uint8_t> planes { 0, 0 };
            if (n < count) {
                if (const uint8_t *bytes
                    = undecoded ? undecoded + n * int64_t(tileBytes) : tiles.sourceBytes(size_t(n)))
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
