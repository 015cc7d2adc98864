#include "formats/TileSheetChr.h"
#include "formats/PalettePng.h"
#include "formats/PalettePngReader.h"
#include "formats/PictureCodec.h"

#include "core/NesTileCodec.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <zlib.h>

#include <cstring>
#include <random>

using namespace mosavo;

namespace {

void ensureApplication()
{
    static int argc = 1;
    static char name[] = "test_formats";
    static char *argv[] = { name, nullptr };
    static QGuiApplication app(argc, argv);
}

void put32(Bytes &out, uint32_t value)
{
    for (int shift : { 24, 16, 8, 0 })
        out.push_back(uint8_t(value >> shift));
}

void chunk(Bytes &out, const char *type, const Bytes &data)
{
    put32(out, uint32_t(data.size()));
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    put32(out, uint32_t(crc32(0, body.data(), uInt(body.size()))));
}

// A palette PNG written by hand: pixel indices of depth bits, each row with the filter filters[y % size] applied, and
// the colours as PLTE; extra chunks after PLTE; a header that gives declaredHeight rows when that is not 0.
Bytes handMadePng(int width, int height, int depth, const std::vector<uint8_t> &pixels,
    const std::vector<uint32_t> &colors, const std::vector<uint8_t> &filters,
    const std::vector<std::pair<const char *, Bytes>> &extra = {}, int declaredHeight = 0)
{
    const size_t rowBytes = (size_t(width) * size_t(depth) + 7) / 8;
    Bytes raw, previous(rowBytes, 0);
    for (int y = 0; y < height; ++y) {
        Bytes row(rowBytes, 0);
        for (int x = 0; x < width; ++x) {
            const int bit = x * depth;
            row[size_t(bit / 8)] |= uint8_t(pixels[size_t(y * width + x)] << (8 - depth - bit % 8));
        }
        const uint8_t filter = filters[size_t(y) % filters.size()];
        raw.push_back(filter);
        for (size_t i = 0; i < rowBytes; ++i) {
            const int a = i > 0 ? row[i - 1] : 0, b = previous[i], c = i > 0 ? previous[i - 1] : 0;
            const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
            const int predictor[] = { 0, a, b, (a + b) / 2, pa <= pb && pa <= pc ? a : pb <= pc ? b : c };
            raw.push_back(uint8_t(row[i] - predictor[filter]));
        }
        previous = row;
    }
    uLongf size = compressBound(uLong(raw.size()));
    Bytes compressed(size);
    compress2(compressed.data(), &size, raw.data(), uLong(raw.size()), 9);
    compressed.resize(size);
    Bytes png = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    Bytes header;
    put32(header, uint32_t(width));
    put32(header, uint32_t(declaredHeight > 0 ? declaredHeight : height));
    header.insert(header.end(), { uint8_t(depth), 3, 0, 0, 0 });
    chunk(png, "IHDR", header);
    Bytes palette;
    for (uint32_t rgb : colors)
        palette.insert(palette.end(), { uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb) });
    chunk(png, "PLTE", palette);
    for (const auto &[type, data] : extra)
        chunk(png, type, data);
    // The data in two chunks, as writers split it.
    const size_t half = compressed.size() / 2;
    chunk(png, "IDAT", Bytes(compressed.begin(), compressed.begin() + long(half)));
    chunk(png, "IDAT", Bytes(compressed.begin() + long(half), compressed.end()));
    chunk(png, "IEND", {});
    return png;
}

// What the general reader makes of the bytes, as NES bytes: the reference the program's own reader must agree with.
std::variant<Bytes, QString> throughTileObjects(
    const Bytes &png, TileSheetOrder order, const std::optional<NamedTileColors> &subPalette)
{
    auto read = tilesFromPng(png, order, subPalette);
    if (auto *reason = std::get_if<QString>(&read))
        return *reason;
    Bytes chr;
    for (const MatrixPtr &tile : std::get<SheetTiles>(read).tiles) {
        for (int64_t r = 0; r < 8; ++r) {
            uint8_t low = 0, high = 0;
            for (int64_t c = 0; c < 8; ++c) {
                low = uint8_t(low << 1 | (tile->values[r][size_t(c)] & 1));
                high = uint8_t(high << 1 | (tile->values[r][size_t(c)] >> 1 & 1));
            }
            chr.push_back(low);
            chr.push_back(high);
        }
    }
    // Rows were pushed as pairs: put the planes in their halves.
    Bytes nes(chr.size());
    for (size_t t = 0; t < chr.size() / 16; ++t)
        for (size_t r = 0; r < 8; ++r) {
            nes[t * 16 + r] = chr[t * 16 + r * 2];
            nes[t * 16 + 8 + r] = chr[t * 16 + r * 2 + 1];
        }
    return nes;
}

std::vector<uint8_t> randomIndices(size_t count, unsigned colors, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<uint8_t> pixels(count);
    for (uint8_t &pixel : pixels)
        pixel = uint8_t(random() % colors);
    return pixels;
}

constexpr uint32_t viewerGreys[] = { 0xECEEEC, 0x989698, 0x545454, 0x000000 };

struct ReaderCase
{
    const char *name;
    int depth;
    std::vector<uint32_t> colors;
    unsigned usedColors;
    std::vector<uint8_t> filters;
    TileSheetOrder order;
    std::optional<NamedTileColors> subPalette;
};

// The program's own reader gives the same tiles and the same account of the colours as the general reader, for
// every depth and filter, colours of a set, of a sub-palette, of no set, and a subset of a set's colours.
TEST(TileSheetChr, OwnReaderAgreesWithTheGeneralReader)
{
    ensureApplication();
    const NamedTileColors warm { { 0x0F0F0F, 0xB53120, 0xEA9E22, 0xFFFFFF }, QStringLiteral("sub-palette 1") };
    const std::vector<ReaderCase> cases = {
        { "viewer greys, no filter", 2, { viewerGreys, viewerGreys + 4 }, 4, { 0 }, TileSheetOrder::rows8x8, {} },
        { "every filter", 2, { viewerGreys, viewerGreys + 4 }, 4, { 0, 1, 2, 3, 4 }, TileSheetOrder::rows8x8, {} },
        { "8x16 sprites", 4, { 0x000000, 0x555555, 0xAAAAAA, 0xFFFFFF }, 4, { 4, 1 }, TileSheetOrder::sprites8x16, {} },
        { "two greys used of four", 8, { 0x000000, 0x555555, 0xAAAAAA, 0xFFFFFF }, 2, { 2, 3 }, TileSheetOrder::rows8x8,
            {} },
        { "greys in another order", 2, { 0x000000, 0x545454, 0x989698, 0xECEEEC }, 4, { 0 },
            TileSheetOrder::sprites8x16, {} },
        { "two of the greys, reversed", 2, { 0xFFFFFF, 0xAAAAAA, 0x555555, 0x000000 }, 2, { 1 },
            TileSheetOrder::rows8x8, {} },
        { "a sub-palette", 2, { 0x0F0F0F, 0xB53120, 0xEA9E22, 0xFFFFFF }, 4, { 1 }, TileSheetOrder::rows8x8, warm },
        { "colours of no set", 8, { 0x102030, 0x405060, 0x708090, 0xA0B0C0, 0xD0E0F0, 0x112233 }, 6, { 0, 4 },
            TileSheetOrder::rows8x8, {} },
        { "own palette of four", 2, { 0x123456, 0x654321, 0xABCDEF, 0xFEDCBA }, 4, { 3 }, TileSheetOrder::rows8x8, {} },
    };
    for (const ReaderCase &c : cases) {
        SCOPED_TRACE(c.name);
        const int width = 24, height = 32;
        const auto pixels = randomIndices(size_t(width * height), c.usedColors, unsigned(c.depth) * 7 + c.usedColors);
        const Bytes png = handMadePng(width, height, c.depth, pixels, c.colors, c.filters);
        ASSERT_TRUE(PalettePngReader::open(png));
        auto own = chrFromPng(png, c.order, c.subPalette);
        ASSERT_TRUE(std::holds_alternative<SheetChr>(own)) << std::get<QString>(own).toStdString();
        const auto reference = throughTileObjects(png, c.order, c.subPalette);
        ASSERT_TRUE(std::holds_alternative<Bytes>(reference));
        EXPECT_EQ(std::get<SheetChr>(own).chr, std::get<Bytes>(reference));
        EXPECT_EQ(std::get<SheetChr>(own).columns, 3);
        EXPECT_EQ(std::get<SheetChr>(own).rows, 4);
        const auto sheet = tilesFromPng(png, c.order, c.subPalette);
        EXPECT_EQ(std::get<SheetChr>(own).colorMapping, std::get<SheetTiles>(sheet).colorMapping);
    }
}

// Pictures the program's reader leaves to the general one are still read by its rules, and damaged ones refused
// with its reasons.
TEST(TileSheetChr, PicturesLeftToTheGeneralReaderReadAsBefore)
{
    ensureApplication();
    const std::vector<uint32_t> greys(viewerGreys, viewerGreys + 4);
    const auto pixels = randomIndices(16 * 16, 4, 3);
    const Bytes plain = handMadePng(16, 16, 2, pixels, greys, { 0 });
    Bytes damaged = plain;
    damaged[damaged.size() - 20] ^= 0x40; // inside the last IDAT: its CRC no longer matches
    auto outOfPalette = pixels;
    outOfPalette[37] = 3;
    const std::vector<std::pair<const char *, Bytes>> transparency = { { "tRNS", { 0, 255, 255, 255 } } };
    const Bytes cases[] = {
        handMadePng(16, 16, 2, pixels, greys, { 0 }, transparency),
        handMadePng(16, 16, 2, outOfPalette, { greys.begin(), greys.begin() + 3 }, { 0 }),
        damaged,
        Bytes(plain.begin(), plain.begin() + long(plain.size()) - 30),
        handMadePng(12, 16, 2, randomIndices(12 * 16, 4, 5), greys, { 0 }),
    };
    EXPECT_FALSE(PalettePngReader::open(cases[0]));
    EXPECT_FALSE(PalettePngReader::open(cases[2]));
    for (const Bytes &png : cases) {
        const auto own = chrFromPng(png, TileSheetOrder::rows8x8);
        const auto reference = throughTileObjects(png, TileSheetOrder::rows8x8, std::nullopt);
        ASSERT_EQ(own.index(), reference.index());
        if (const auto *reason = std::get_if<QString>(&reference))
            EXPECT_EQ(std::get<QString>(own), *reason);
        else
            EXPECT_EQ(std::get<SheetChr>(own).chr, std::get<Bytes>(reference));
    }
    // Data for more rows than the header gives, or for fewer, is not read as a picture by the program's reader.
    EXPECT_TRUE(PalettePngReader::open(plain)->readRows([](int64_t, const uint8_t *) { return true; }));
    for (const int declared : { 8, 24 }) {
        const Bytes png = handMadePng(16, 16, 2, pixels, greys, { 0 }, {}, declared);
        ASSERT_TRUE(PalettePngReader::open(png));
        EXPECT_FALSE(PalettePngReader::open(png)->readRows([](int64_t, const uint8_t *) { return true; }));
    }
}

TileList someTiles(size_t count, unsigned seed)
{
    std::mt19937 random(seed);
    auto bytes = std::make_shared<Bytes>(count * 16);
    for (uint8_t &byte : *bytes)
        byte = uint8_t(random());
    return TileList::fromNesBytes(bytes, count);
}

// The sheet written row by row reads back, through Qt, as exactly the picture tileSheetImage draws, in both orders
// and with decoded (and edited) tiles among those still as bytes; it is never larger than Qt's own PNG of it.
TEST(TileSheetChr, WrittenSheetIsThePictureTileSheetImageDraws)
{
    ensureApplication();
    const TileColors colors = { 0x0F0F0F, 0xB53120, 0xEA9E22, 0xFFFFFF };
    for (const auto order : { TileSheetOrder::rows8x8, TileSheetOrder::sprites8x16 }) {
        TileList tiles = someTiles(77, 11);
        tiles[5]->values[2][3] = 7; // drawn as colour 3
        tiles[9] = Matrix::make(5, 6); // a smaller grid: the rest of the cell is colour 0
        tiles[9]->values[4][5] = 2;
        const auto png = tileSheetPng(tiles, colors, { 6, order });
        ASSERT_TRUE(std::holds_alternative<Bytes>(png));
        const auto expected = tileSheetImage(tiles, colors, { 6, order });
        auto read = readPng(std::get<Bytes>(png));
        ASSERT_TRUE(std::holds_alternative<QImage>(read));
        const QImage got = std::get<QImage>(read).convertToFormat(QImage::Format_Indexed8);
        const QImage &want = std::get<QImage>(expected);
        ASSERT_EQ(got.size(), want.size());
        EXPECT_EQ(got.colorTable(), want.colorTable());
        for (int y = 0; y < want.height(); ++y)
            ASSERT_EQ(0, std::memcmp(got.constScanLine(y), want.constScanLine(y), size_t(want.width()))) << y;
        EXPECT_LE(std::get<Bytes>(png).size(), std::get<Bytes>(encodePng(want)).size());
        // And the program's reader takes it back to the same tile bytes.
        const auto back = chrFromPng(std::get<Bytes>(png), order);
        ASSERT_TRUE(std::holds_alternative<SheetChr>(back));
        EXPECT_EQ(std::get<SheetChr>(back).chr, std::get<Bytes>(throughTileObjects(std::get<Bytes>(png), order, {})));
    }
}

} // namespace

namespace {

// A sheet of stretches of noise between stretches of blank and repeated tiles is drawn right, and its PNG is no larger
// than one whole deflate stream of the same rows at level 6 (what common writers make): noise coded with Huffman codes
// alone, the rest with matching.
TEST(TileSheetChr, MixedSheetsAreNoLargerThanOneLevelSixStream)
{
    ensureApplication();
    constexpr size_t count = 32768, stretch = 6144;
    std::mt19937 random(21);
    auto bytes = std::make_shared<Bytes>(count * 16, 0);
    for (size_t n = 0; n < count; ++n) {
        const size_t part = n / stretch;
        for (size_t i = 0; i < 16; ++i)
            (*bytes)[n * 16 + i] = part % 2 == 0 ? uint8_t(random()) : part % 4 == 1 ? 0 : uint8_t(0x18 + i);
    }
    const TileList tiles = TileList::fromNesBytes(bytes, count);
    const TileColors colors = { 0xECEEEC, 0x989698, 0x545454, 0x000000 };
    const TileSheetLayout layout { 32, TileSheetOrder::rows8x8 };
    const auto png = tileSheetPng(tiles, colors, layout);
    ASSERT_TRUE(std::holds_alternative<Bytes>(png));
    const auto expected = tileSheetImage(tiles, colors, layout);
    const QImage &want = std::get<QImage>(expected);
    auto read = readPng(std::get<Bytes>(png));
    ASSERT_TRUE(std::holds_alternative<QImage>(read));
    const QImage got = std::get<QImage>(read).convertToFormat(QImage::Format_Indexed8);
    ASSERT_EQ(got.size(), want.size());
    Bytes raw;
    for (int y = 0; y < want.height(); ++y) {
        ASSERT_EQ(0, std::memcmp(got.constScanLine(y), want.constScanLine(y), size_t(want.width()))) << y;
        raw.push_back(0);
        for (int x = 0; x < want.width(); x += 4) {
            const uchar *p = want.constScanLine(y) + x;
            raw.push_back(uint8_t(p[0] << 6 | p[1] << 4 | p[2] << 2 | p[3]));
        }
    }
    z_stream z {};
    ASSERT_EQ(deflateInit2(&z, 6, Z_DEFLATED, 15, 9, Z_DEFAULT_STRATEGY), Z_OK);
    Bytes plain(deflateBound(&z, uLong(raw.size())));
    z.next_in = raw.data();
    z.avail_in = uInt(raw.size());
    z.next_out = plain.data();
    z.avail_out = uInt(plain.size());
    ASSERT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    const size_t plainSize = z.total_out;
    deflateEnd(&z);
    // Signature, IHDR, a PLTE of four colours, one IDAT and IEND around the stream.
    const size_t around = 8 + 25 + 24 + 12 + 12;
    EXPECT_LE(std::get<Bytes>(png).size(), around + plainSize);
}

} // namespace
