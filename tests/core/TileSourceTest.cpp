#include "core/ConsoleDataFactory.h"
#include "core/INesHeader.h"

#include <gtest/gtest.h>

using namespace mosavo;

namespace {

// Bytes that start with text, padded with zeros to size.
Bytes startingWith(std::initializer_list<uint8_t> first, size_t size)
{
    Bytes bytes(first);
    bytes.resize(size, 0);
    return bytes;
}

} // namespace

// A file is an iNES image only when it starts with 4E 45 53 1A; CHR data whose first tile begins with "NES" stays CHR
// data, and a file named *.chr is CHR data whatever its first bytes.
TEST(TileSource, OnlyTheFourByteMagicMakesARomImage)
{
    const Bytes chr = startingWith({ 'N', 'E', 'S', 0x00, 2, 1 }, 64);
    const TileDataPtr bare = ConsoleDataFactory::generate(chr);
    ASSERT_TRUE(bare);
    EXPECT_FALSE(bare->header());
    EXPECT_EQ(bare->totalNumberTiles(), 4);
    EXPECT_FALSE(ConsoleDataFactory::isRomImage(chr));
    EXPECT_FALSE(INesHeader::parse(chr));

    const Bytes rom = startingWith({ 'N', 'E', 'S', 0x1A, 0, 1 }, 16 + 8192);
    const TileDataPtr image = ConsoleDataFactory::generate(rom);
    ASSERT_TRUE(image);
    EXPECT_TRUE(image->header());
    EXPECT_EQ(image->totalNumberTiles(), 512);
    ASSERT_TRUE(INesHeader::parse(rom));
    EXPECT_EQ(INesHeader::parse(rom)->chrBytes, 8192u);

    // Known to be CHR data: the magic is a tile's first bytes.
    EXPECT_EQ(ConsoleDataFactory::sourceOfFileName("game.chr"), ConsoleDataFactory::Source::chrData);
    EXPECT_EQ(ConsoleDataFactory::sourceOfFileName("GAME.CHR"), ConsoleDataFactory::Source::chrData);
    EXPECT_EQ(ConsoleDataFactory::sourceOfFileName("game.nes"), ConsoleDataFactory::Source::byContent);
    EXPECT_EQ(ConsoleDataFactory::sourceOfFileName("chr"), ConsoleDataFactory::Source::byContent);
    const Bytes chrWithMagic = startingWith({ 'N', 'E', 'S', 0x1A }, 8192);
    const TileDataPtr asChr = ConsoleDataFactory::generate(chrWithMagic, ConsoleDataFactory::Source::chrData);
    ASSERT_TRUE(asChr);
    EXPECT_FALSE(asChr->header());
    EXPECT_EQ(asChr->totalNumberTiles(), 512);
    ASSERT_TRUE(asChr->consoleFormattedPixelData());
    EXPECT_EQ(*asChr->consoleFormattedPixelData(), chrWithMagic);

    // Known to be a ROM image: it needs its header.
    EXPECT_FALSE(ConsoleDataFactory::generate(Bytes(8, 0), ConsoleDataFactory::Source::iNesImage));
    const TileDataPtr known = ConsoleDataFactory::generate(rom, ConsoleDataFactory::Source::iNesImage);
    ASSERT_TRUE(known);
    EXPECT_TRUE(known->header());
}
