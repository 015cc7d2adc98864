#include "formats/NametableFormat.h"
#include "formats/RleNametableFormat.h"

#include <gtest/gtest.h>

using namespace mosavo;

namespace {

// Tiles: 256 x $20, 255 x $21, 449 x $22; attributes: 63 x $55, then $AA. Packed by hand as the rules say, with the
// tag the packer picks (0, the smallest byte the data lacks) and its way of splitting runs: a run of 256 is the byte
// and one repeat of 255, one of 449 the byte and repeats of 255 and 193.
const Bytes handPacked = { 0x00, //
    0x20, 0x00, 0xFF, //
    0x21, 0x00, 0xFE, //
    0x22, 0x00, 0xFF, 0x00, 0xC1, //
    0x55, 0x00, 0x3E, 0xAA, //
    0x00, 0x00 };

Screen expectedScreen()
{
    Screen screen;
    for (int i = 0; i < Screen::tileCount; ++i)
        screen.tiles[size_t(i)] = i < 256 ? 0x20 : i < 511 ? 0x21 : 0x22;
    screen.attributes.fill(0x55);
    screen.attributes[63] = 0xAA;
    return screen;
}

} // namespace

TEST(NametableFormat, ReadsBothSizesAndRefusesAnyOtherWithItsSize)
{
    Bytes full(1024);
    for (size_t i = 0; i < full.size(); ++i)
        full[i] = uint8_t(i * 7);
    const auto screen = NametableFormat().read(full);
    ASSERT_TRUE(screen) << screen.error;
    EXPECT_EQ(screen.value->tileAt(1, 0), 7);
    EXPECT_EQ(screen.value->attributes[0], uint8_t(960 * 7));
    EXPECT_EQ(*NametableFormat().write(*screen.value).value, full) << "written again, byte for byte";

    const auto tilesOnly = NametableFormat().read(Bytes(full.begin(), full.begin() + 960));
    ASSERT_TRUE(tilesOnly) << tilesOnly.error;
    EXPECT_EQ(tilesOnly.value->tiles, screen.value->tiles);
    for (uint8_t a : tilesOnly.value->attributes)
        EXPECT_EQ(a, 0);

    for (size_t size : { size_t(0), size_t(959), size_t(961), size_t(1023), size_t(1025), size_t(2048) }) {
        const auto refused = NametableFormat().read(Bytes(size));
        EXPECT_FALSE(refused) << size;
        EXPECT_NE(refused.error.find("not " + std::to_string(size)), std::string::npos) << refused.error;
    }
}

TEST(NametableFormat, RleRunsOf255And256ReadAndPackBackToTheSameBytes)
{
    const auto screen = RleNametableFormat().read(handPacked);
    ASSERT_TRUE(screen) << screen.error;
    EXPECT_EQ(*screen.value, expectedScreen());
    const auto packed = RleNametableFormat().write(*screen.value);
    ASSERT_TRUE(packed) << packed.error;
    EXPECT_EQ(*packed.value, handPacked);

    // The same screen packed another way: tag $FF, runs cut short and literals repeated, bytes after the end mark.
    Bytes other = { 0xFF, 0x20, 0x20, 0xFF, 0xFE, 0x21, 0xFF, 0x80, 0xFF, 0x7E, 0x22 };
    for (int i = 0; i < 448; ++i)
        other.push_back(0x22);
    other.insert(other.end(), { 0x55, 0xFF, 0x3E, 0xAA, 0xFF, 0x00, 0x12, 0x34 });
    const auto again = RleNametableFormat().read(other);
    ASSERT_TRUE(again) << again.error;
    EXPECT_EQ(*again.value, expectedScreen());

    // 960 bytes packed: the tiles alone, attributes 0.
    const auto tilesOnly = RleNametableFormat().read(
        { 0x01, 0x07, 0x01, 0xFF, 0x07, 0x01, 0xFF, 0x07, 0x01, 0xFF, 0x07, 0x01, 0xBF, 0x01, 0x00 });
    ASSERT_TRUE(tilesOnly) << tilesOnly.error;
    EXPECT_EQ(tilesOnly.value->tileAt(31, 29), 0x07);
    EXPECT_EQ(tilesOnly.value->attributes[10], 0);
}

TEST(NametableFormat, DamagedRleIsRefusedWithTheReason)
{
    const struct
    {
        Bytes packed;
        std::string reason;
    } cases[] = {
        { {}, "the RLE data is empty" },
        { { 0x00, 0x20, 0x00, 0xFF }, "without its end mark" },
        { { 0x00, 0x00, 0x05, 0x00, 0x00 }, "before any byte was written" },
        { { 0x00, 0x20, 0x00, 0xFF, 0x00, 0x00 }, "unpacks to 256 bytes, not to a nametable" },
        { { 0x00, 0x20, 0x00, 0xFF, 0x20, 0x00, 0xFF, 0x20, 0x00, 0xFF, 0x20, 0x00, 0xFF, 0x20, 0x00, 0x00 },
            "unpacks to more than 1024 bytes" },
    };
    for (const auto &c : cases) {
        const auto result = RleNametableFormat().read(c.packed);
        EXPECT_FALSE(result);
        EXPECT_NE(result.error.find(c.reason), std::string::npos) << result.error;
    }
    // A screen that uses every byte value has no free tag.
    Screen every;
    for (int i = 0; i < Screen::tileCount; ++i)
        every.tiles[size_t(i)] = uint8_t(i);
    EXPECT_EQ(RleNametableFormat().write(every).error, "the nametable uses all 256 byte values, so no RLE tag is free");
}
