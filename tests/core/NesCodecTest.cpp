#include "core/ConsoleDataFactory.h"
#include "core/INesHeader.h"
#include "core/NESTileDataCollection.h"
#include "core/SystemLog.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace mosavo;

namespace {
Bytes romImage(size_t dataSize, uint8_t fill = 0)
{
    Bytes bytes(16 + dataSize, fill);
    bytes[0] = 'N';
    bytes[1] = 'E';
    bytes[2] = 'S';
    bytes[3] = 0x1A;
    for (size_t i = 4; i < 16; ++i)
        bytes[i] = uint8_t(i);
    return bytes;
}

Bytes randomBytes(size_t size, unsigned seed)
{
    std::mt19937 engine(seed);
    Bytes bytes(size);
    for (auto &b : bytes)
        b = uint8_t(engine());
    return bytes;
}

std::string rowsOf(const Matrix &tile)
{
    std::string text;
    for (int64_t r = 0; r < tile.rows(); ++r) {
        for (int64_t value : tile.values[r])
            text += char('0' + value);
        text += ' ';
    }
    return text;
}
} // namespace

TEST(NesCodec, PlaneWeightsFollowTheHardware)
{
    using Row = std::array<int64_t, 8>;
    EXPECT_EQ(ConsoleDataFactory::returnRowOfPixelValues(0x80, 0x01), (Row { 1, 0, 0, 0, 0, 0, 0, 2 }));
    EXPECT_EQ(ConsoleDataFactory::returnRowOfPixelValues(0xF0, 0x0F), (Row { 1, 1, 1, 1, 2, 2, 2, 2 }));
    EXPECT_EQ(ConsoleDataFactory::returnRowOfPixelValues(0xFF, 0xFF), (Row { 3, 3, 3, 3, 3, 3, 3, 3 }));

    // The reference tile of the PPU documentation.
    const Bytes reference { 0x41, 0xC2, 0x44, 0x48, 0x10, 0x20, 0x40, 0x80, 0x01, 0x02, 0x04, 0x08, 0x16, 0x21, 0x42,
        0x87 };
    auto data = ConsoleDataFactory::generate(Bytes(reference.begin(), reference.end()));
    ASSERT_TRUE(data);
    ASSERT_EQ(data->totalNumberTiles(), 1);
    EXPECT_EQ(rowsOf(*data->matrices()[0]), "01000003 11000030 01000300 01003000 00030220 00300002 03000020 30000222 ");
    EXPECT_EQ(data->consoleFormattedPixelData(), reference);
}

TEST(NesCodec, TranslateToBytesPutsBitZeroInTheFirstPlane)
{
    const std::vector<int64_t> row { 1, 0, 0, 0, 0, 0, 0, 2 };
    EXPECT_EQ(NESTileDataCollection::translateToBytes(row), std::make_pair(uint8_t(0x80), uint8_t(0x01)));
    const std::vector<int64_t> outOfRange { 5, 3, -1, 0, 0, 0, 0, 0 };
    EXPECT_EQ(NESTileDataCollection::translateToBytes(outOfRange), std::make_pair(uint8_t(0xE0), uint8_t(0xE0)));
}

TEST(NesCodec, BareChrMustBeWholeTiles)
{
    for (size_t size : { 16u, 1024u, 2656u, 4096u, 8192u }) {
        auto data = ConsoleDataFactory::generate(Bytes(size, 0));
        ASSERT_TRUE(data) << size;
        EXPECT_EQ(data->totalNumberTiles(), int64_t(size / 16)) << size;
        EXPECT_FALSE(data->header()) << size;
    }
    for (size_t size : { 0u, 15u, 100u, 4097u })
        EXPECT_FALSE(ConsoleDataFactory::generate(Bytes(size, 0))) << size;

    const auto empty = ConsoleDataFactory::checkType({});
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->consoleType, ConsoleRomType::nes);
    EXPECT_FALSE(empty->header);
    EXPECT_TRUE(empty->data && empty->data->empty());
}

TEST(NesCodec, RomImagesAreRecognisedByTheirFirstThreeBytes)
{
    // 16 bytes: a ROM image with nothing after the header classifies but does not decode.
    const Bytes headerOnly = romImage(0);
    const auto classified = ConsoleDataFactory::checkType(headerOnly);
    ASSERT_TRUE(classified);
    EXPECT_EQ(classified->consoleType, ConsoleRomType::nesROM);
    EXPECT_EQ(classified->header, headerOnly);
    EXPECT_TRUE(classified->data->empty());
    EXPECT_FALSE(ConsoleDataFactory::generate(headerOnly));

    // 15 bytes starting "NES" are neither a ROM image nor whole tiles.
    const Bytes short15(headerOnly.begin(), headerOnly.begin() + 15);
    EXPECT_FALSE(ConsoleDataFactory::checkType(short15));
    EXPECT_FALSE(ConsoleDataFactory::generate(short15));

    // A 4096-byte buffer starting "NES" and 1A is a ROM image, even with the bank counts wrong; without the 1A it is
    // CHR data.
    Bytes odd(4096, 0);
    odd[0] = 'N', odd[1] = 'E', odd[2] = 'S';
    auto chr = ConsoleDataFactory::generate(odd);
    ASSERT_TRUE(chr);
    EXPECT_EQ(chr->totalNumberTiles(), 256);
    EXPECT_FALSE(chr->header());
    odd[3] = 0x1A;
    auto data = ConsoleDataFactory::generate(odd);
    ASSERT_TRUE(data);
    EXPECT_EQ(data->totalNumberTiles(), 255);
    EXPECT_EQ(data->header(), Bytes(odd.begin(), odd.begin() + 16));
}

TEST(NesCodec, RomTilesCoverProgramAndCharacterBytes)
{
    Bytes rom = romImage(32768 + 8192);
    rom[16 + 32768] = 0x80; // first CHR tile, plane 0, row 0
    auto data = ConsoleDataFactory::generate(rom);
    ASSERT_TRUE(data);
    EXPECT_EQ(data->totalNumberTiles(), 2560);
    EXPECT_EQ(data->header(), Bytes(rom.begin(), rom.begin() + 16));
    EXPECT_EQ(data->matrices()[2048]->values[0][0], 1);
    EXPECT_EQ(data->consoleFormattedPixelData(), rom);
}

TEST(NesCodec, EveryAcceptedBufferRoundTripsByteExact)
{
    for (unsigned seed = 1; seed <= 4; ++seed) {
        const Bytes chr = randomBytes(4096 * seed, seed);
        EXPECT_EQ(ConsoleDataFactory::generate(chr)->consoleFormattedPixelData(), chr);

        // ROM images whose data ends in a partial tile keep the trailing bytes.
        Bytes rom = romImage(0);
        const Bytes body = randomBytes(1000 * seed + seed, seed + 100);
        rom.insert(rom.end(), body.begin(), body.end());
        auto data = ConsoleDataFactory::generate(rom);
        ASSERT_TRUE(data);
        EXPECT_EQ(data->totalNumberTiles(), int64_t(body.size() / 16));
        EXPECT_EQ(data->consoleFormattedPixelData(), rom) << "seed " << seed;
    }
}

TEST(NesCodec, BlankDataAndEmptyCollections)
{
    auto blank = ConsoleDataFactory::generate(ConsoleType::nes);
    ASSERT_TRUE(blank);
    EXPECT_EQ(blank->totalNumberTiles(), 512);
    EXPECT_FALSE(blank->header());
    EXPECT_EQ(blank->consoleFormattedPixelData(), Bytes(8192, 0));

    auto withHeader = static_cast<NESTileDataCollection *>(blank.get());
    const Bytes header = romImage(0);
    const auto encoded = withHeader->formatTileDataAsNES(header);
    ASSERT_TRUE(encoded);
    EXPECT_EQ(encoded->size(), 8208u);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), encoded->begin()));

    NESTileDataCollection empty(std::vector<MatrixPtr> {});
    EXPECT_EQ(empty.totalNumberTiles(), 0);
    EXPECT_FALSE(empty.consoleFormattedPixelData());
    EXPECT_EQ(NESTileDataCollection::fromData(Bytes(64, 1))->totalNumberTiles(), 0);
    for (int64_t n : { int64_t(0), int64_t(511), int64_t(-1) })
        EXPECT_FALSE(blank->pixels(n));
}

TEST(NesCodec, NewCollectionsLogTheirCreation)
{
    std::vector<std::string> lines;
    auto previous = setSystemLogSink([&](std::string_view line) { lines.emplace_back(line); });
    NESTileDataCollection collection({ Matrix::make(8, 8) });
    setSystemLogSink(previous);
    EXPECT_EQ(lines, std::vector<std::string> { "Creating new TileData object" });
}

TEST(INesHeader, ReadsSizesMapperAndFormat)
{
    Bytes header = romImage(0);
    header[4] = 2, header[5] = 1, header[6] = 0x31, header[7] = 0x40;
    std::fill(header.begin() + 8, header.end(), 0);
    auto facts = INesHeader::parse(header);
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->prgBanks(), 2u);
    EXPECT_EQ(facts->chrBanks(), 1u);
    EXPECT_EQ(facts->mapper, 0x43);
    EXPECT_FALSE(facts->nes2);
    EXPECT_FALSE(facts->trainer);
    EXPECT_EQ(facts->chrOffsetAfterHeader(), 32768u);

    header[6] |= 0x04; // trainer
    EXPECT_EQ(INesHeader::parse(header)->chrOffsetAfterHeader(), 512u + 32768u);

    // NES 2.0: mapper bits 8-11 in byte 8, size MSBs in byte 9.
    header[7] = 0x58, header[8] = 0x21, header[9] = 0x10;
    facts = INesHeader::parse(header);
    EXPECT_TRUE(facts->nes2);
    EXPECT_EQ(facts->mapper, 0x153);
    EXPECT_EQ(facts->submapper, 2);
    EXPECT_EQ(facts->chrBanks(), 257u);

    // Text written into the header by old tools leaves only the low mapper nibble.
    Bytes dirty = romImage(0);
    dirty[6] = 0x10, dirty[7] = 0x44;
    std::copy_n("DiskDude!", 9, dirty.begin() + 7);
    EXPECT_EQ(INesHeader::parse(dirty)->mapper, 1);
    EXPECT_FALSE(INesHeader::parse(Bytes(15, 'N')));
}

// Tiles read from a byte past a 16-byte boundary: the bytes skipped and those after the last whole tile are kept, so
// the file comes back unchanged, and an edited tile changes exactly its own 16 bytes.
TEST(NesCodec, TilesReadFromAByteShiftKeepEveryOtherByte)
{
    const Bytes rom = [] {
        Bytes bytes = romImage(4096);
        const Bytes noise = randomBytes(4096, 7);
        std::copy(noise.begin(), noise.end(), bytes.begin() + 16);
        return bytes;
    }();
    for (size_t shift : { size_t(1), size_t(12), size_t(15) }) {
        SCOPED_TRACE(shift);
        const TileDataPtr tiles = ConsoleDataFactory::generate(rom, shift);
        ASSERT_TRUE(tiles);
        EXPECT_EQ(tiles->totalNumberTiles(), 255);
        EXPECT_EQ(ConsoleDataFactory::byteShift(*tiles), shift);
        EXPECT_EQ(tiles->consoleFormattedPixelData(), rom);
        // Tile 3 is the 16 bytes from 16 + shift + 48.
        const Bytes tileBytes(
            rom.begin() + std::ptrdiff_t(16 + shift + 48), rom.begin() + std::ptrdiff_t(16 + shift + 64));
        const TileDataPtr alone = ConsoleDataFactory::generate(tileBytes);
        EXPECT_EQ(rowsOf(*tiles->matrices()[3]), rowsOf(*alone->matrices()[0]));

        tiles->matrices()[3] = Matrix::make(8, 8);
        const auto written = tiles->consoleFormattedPixelData();
        ASSERT_TRUE(written);
        ASSERT_EQ(written->size(), rom.size());
        for (size_t i = 0; i < rom.size(); ++i) {
            const bool inTile = i >= 16 + shift + 48 && i < 16 + shift + 64;
            ASSERT_EQ((*written)[i], inTile ? 0 : rom[i]) << "byte " << i;
        }
    }

    // Bare CHR data keeps its length; a shift of a whole tile or more is no shift.
    const Bytes chr = randomBytes(64, 3);
    const TileDataPtr shifted = ConsoleDataFactory::generate(chr, 5);
    ASSERT_TRUE(shifted);
    EXPECT_FALSE(shifted->header());
    EXPECT_EQ(shifted->totalNumberTiles(), 3);
    EXPECT_EQ(shifted->consoleFormattedPixelData(), chr);
    EXPECT_FALSE(ConsoleDataFactory::generate(chr, 16));
    EXPECT_FALSE(ConsoleDataFactory::generate(Bytes(10, 1), 12));
    EXPECT_EQ(ConsoleDataFactory::byteShift(*ConsoleDataFactory::generate(chr)), 0u);
}

// The size a collection tells without making its bytes is the size of the bytes it makes: ROM images with bytes past
// the last whole tile, bare CHR data, tiles read from a byte shift, and a collection without tiles.
TEST(NesCodec, FormattedSizeIsTheSizeOfTheBytes)
{
    std::mt19937 random(5);
    const auto bytes = [&](size_t size, bool rom) {
        Bytes data(size);
        for (uint8_t &byte : data)
            byte = uint8_t(random());
        if (rom && size >= 4)
            std::copy_n("NES\x1A", 4, data.begin());
        else if (!data.empty())
            data[0] = 0;
        return data;
    };
    const std::vector<TileDataPtr> collections = {
        ConsoleDataFactory::generate(bytes(16 + 8192 + 7, true)),
        ConsoleDataFactory::generate(bytes(8192, false)),
        ConsoleDataFactory::generate(bytes(16 + 4096 + 3, true), size_t(5)),
        ConsoleDataFactory::generate(bytes(4096, false), size_t(9)),
    };
    for (const TileDataPtr &tiles : collections) {
        ASSERT_TRUE(tiles);
        const auto &collection = dynamic_cast<const NESTileDataCollection &>(*tiles);
        EXPECT_EQ(collection.formattedSize(), tiles->consoleFormattedPixelData()->size());
    }
    EXPECT_EQ(NESTileDataCollection(std::vector<MatrixPtr> {}).formattedSize(), 0u);
}
