#include "core/ConsoleDataFactory.h"
#include "core/NESTileDataCollection.h"
#include "core/TileList.h"

#include <gtest/gtest.h>

#include <random>

using namespace mosavo;

namespace {
Bytes randomChr(size_t tiles, unsigned seed)
{
    std::mt19937 engine(seed);
    Bytes bytes(tiles * 16);
    for (auto &b : bytes)
        b = uint8_t(engine());
    return bytes;
}
} // namespace

TEST(TileList, DecodesTilesWhenFirstAskedFor)
{
    const Bytes chr = randomChr(64, 3);
    auto lazy = TileList::fromNesBytes(std::make_shared<const Bytes>(chr), 64);
    const auto eager = ConsoleDataFactory::nesToMatrices(chr);
    EXPECT_EQ(lazy.size(), 64u);
    EXPECT_EQ(lazy.decodedCount(), 0u);
    EXPECT_NE(lazy.sourceBytes(5), nullptr);

    EXPECT_EQ(*lazy[5], *eager[5]);
    EXPECT_EQ(lazy.decodedCount(), 1u);
    EXPECT_EQ(lazy.sourceBytes(5), nullptr) << "a decoded tile is no longer read from its bytes";
    EXPECT_EQ(lazy[5], lazy[5]) << "decoded once, then shared";

    size_t count = 0;
    for (const MatrixPtr &tile : lazy)
        EXPECT_EQ(*tile, *eager[count++]);
    EXPECT_EQ(count, 64u);
    EXPECT_EQ(lazy.decodedCount(), 64u);
}

TEST(TileList, EditedAndUntouchedTilesEncodeTogether)
{
    Bytes rom(16, 0);
    rom[0] = 'N', rom[1] = 'E', rom[2] = 'S', rom[3] = 0x1A;
    const Bytes body = randomChr(300, 9);
    rom.insert(rom.end(), body.begin(), body.end());
    rom.insert(rom.end(), { 1, 2, 3 }); // a partial tile at the end
    auto data = ConsoleDataFactory::generate(rom);
    ASSERT_TRUE(data);
    EXPECT_EQ(data->consoleFormattedPixelData(), rom) << "nothing decoded: the bytes as read";

    // Replace one tile, change another in place, read a third: only the first two change in the output.
    auto replacement = Matrix::make(8, 8);
    replacement->values[0][0] = 1; // bit 7 of plane 0, row 0
    data->matrices()[10] = replacement;
    data->matrices()[20]->values[7][7] = 3;
    (void)data->matrices()[30];
    Bytes expected = rom;
    std::fill(expected.begin() + 16 + 160, expected.begin() + 16 + 176, 0);
    expected[16 + 160] = 0x80;
    expected[16 + 320 + 7] |= 0x01;
    expected[16 + 320 + 15] |= 0x01;
    EXPECT_EQ(data->consoleFormattedPixelData(), expected);
}
