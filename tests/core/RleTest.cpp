#include "core/Rle.h"

#include <gtest/gtest.h>

#include <random>

using namespace mosavo;

namespace {
constexpr size_t nametableSize = 1024;

// What the NES-side unpacker does, step by step, with nothing checked: the reference the packer is held to.
Bytes unpackLikeTheNes(const Bytes &packed)
{
    Bytes out;
    const uint8_t tag = packed.at(0);
    uint8_t previous = 0;
    for (size_t at = 1;;) {
        const uint8_t b = packed.at(at++);
        if (b != tag) {
            out.push_back(b);
            previous = b;
            continue;
        }
        const uint8_t count = packed.at(at++);
        if (count == 0)
            return out;
        out.insert(out.end(), count, previous);
    }
}

// Random data made of runs: mostly short ones, some far longer than 255, over a few or many byte values.
Bytes randomRuns(std::mt19937 &engine, size_t size, unsigned values)
{
    Bytes data;
    std::uniform_int_distribution<unsigned> value(0, values - 1);
    std::uniform_int_distribution<int> kind(0, 9);
    while (data.size() < size) {
        const int k = kind(engine);
        size_t run = k < 6 ? 1 + engine() % 3 : k < 9 ? 3 + engine() % 40 : 200 + engine() % 600;
        run = std::min(run, size - data.size());
        data.insert(data.end(), run, uint8_t(value(engine)));
    }
    return data;
}
} // namespace

TEST(Rle, PacksKnownDataByHand)
{
    struct Case
    {
        const char *name;
        Bytes data;
        Bytes packed;
    };
    const Case cases[] = {
        { "empty", {}, { 0x00, 0x00, 0x00 } },
        { "tag is the smallest value not used", { 0x00, 0x01, 0x03 }, { 0x02, 0x00, 0x01, 0x03, 0x02, 0x00 } },
        { "one and two copies stay literal", { 5, 7, 7 }, { 0, 5, 7, 7, 0, 0 } },
        { "three copies: the byte, then two repeats", { 7, 7, 7 }, { 0, 7, 0, 2, 0, 0 } },
        { "a run between literals", { 1, 9, 9, 9, 9, 2 }, { 0, 1, 9, 0, 3, 2, 0, 0 } },
        { "runs of different bytes next to each other", { 4, 4, 4, 5, 5, 5, 5 }, { 0, 4, 0, 2, 5, 0, 3, 0, 0 } },
    };
    for (const Case &c : cases) {
        const RleResult packed = rlePack(c.data);
        ASSERT_TRUE(packed) << c.name << ": " << packed.error;
        EXPECT_EQ(*packed.bytes, c.packed) << c.name;
    }
}

TEST(Rle, SplitsRunsLongerThan255)
{
    struct Case
    {
        size_t run;
        Bytes packed;
    };
    // A run of n is the byte and n - 1 repeats, at most 255 to a repeat; one copy left over is cheaper as a literal.
    const Case cases[] = {
        { 256, { 0, 0x20, 0, 255, 0, 0 } },
        { 257, { 0, 0x20, 0, 255, 0x20, 0, 0 } },
        { 258, { 0, 0x20, 0, 255, 0, 2, 0, 0 } },
        { 600, { 0, 0x20, 0, 255, 0, 255, 0, 89, 0, 0 } },
        { 1024, { 0, 0x20, 0, 255, 0, 255, 0, 255, 0, 255, 0, 3, 0, 0 } },
    };
    for (const Case &c : cases) {
        const Bytes data(c.run, 0x20);
        const RleResult packed = rlePack(data);
        ASSERT_TRUE(packed) << packed.error;
        EXPECT_EQ(*packed.bytes, c.packed) << "run of " << c.run;
        EXPECT_EQ(unpackLikeTheNes(*packed.bytes), data) << "run of " << c.run;
    }
}

TEST(Rle, RoundTripsRandomData)
{
    std::mt19937 engine(20240611);
    for (int round = 0; round < 400; ++round) {
        const size_t size = round % 4 == 0 ? nametableSize : engine() % 3000;
        const unsigned values = round % 3 == 0 ? 2 : round % 3 == 1 ? 16 : 255;
        const Bytes data = randomRuns(engine, size, values);
        const RleResult packed = rlePack(data, "the nametable");
        ASSERT_TRUE(packed) << packed.error;
        const Bytes &p = *packed.bytes;
        ASSERT_EQ(p.front(), *rleTag(data));
        ASSERT_EQ(unpackLikeTheNes(p), data) << "round " << round;

        size_t consumed = 0;
        const RleResult unpacked = rleUnpack(p, data.size(), &consumed);
        ASSERT_TRUE(unpacked) << unpacked.error;
        EXPECT_EQ(*unpacked.bytes, data);
        EXPECT_EQ(consumed, p.size());

        // Compact: never more than the data plus tag and end mark, and no literal run of three equal bytes left.
        EXPECT_LE(p.size(), data.size() + 3);
        for (size_t i = 1; i + 2 < p.size(); ++i)
            EXPECT_FALSE(p[i] != p[0] && p[i] == p[i + 1] && p[i] == p[i + 2] && (i == 1 || p[i - 1] != p[0]))
                << "three equal literals at " << i << " of round " << round;
    }
}

TEST(Rle, PacksNametablesUsing255ValuesAndRefusesAll256)
{
    Bytes nametable(nametableSize);
    for (size_t i = 0; i < nametable.size(); ++i)
        nametable[i] = uint8_t(i * 7 + 3);
    const RleResult refused = rlePack(nametable, "the nametable");
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.error, "the nametable uses all 256 byte values, so no RLE tag is free");
    EXPECT_FALSE(rleTag(nametable));

    // Without value 0xC4 the tag is 0xC4, and the data still comes back.
    for (auto &b : nametable)
        if (b == 0xC4)
            b = 0xC5;
    const RleResult packed = rlePack(nametable, "the nametable");
    ASSERT_TRUE(packed) << packed.error;
    EXPECT_EQ(packed.bytes->front(), 0xC4);
    EXPECT_EQ(*rleUnpack(*packed.bytes, nametableSize).bytes, nametable);
}

TEST(Rle, RefusesMalformedData)
{
    struct Case
    {
        const char *name;
        Bytes packed;
        size_t limit;
        std::string error;
    };
    const Case cases[] = {
        { "empty", {}, 1024, "the RLE data is empty: it has no tag byte" },
        { "only a tag", { 9 }, 1024, "the RLE data ends after 1 bytes without its end mark" },
        { "no end mark", { 9, 1, 2, 3 }, 1024, "the RLE data ends after 4 bytes without its end mark" },
        { "tag without its count", { 9, 1, 9 }, 1024,
            "the RLE data ends after its tag at byte 2, without a count or end mark" },
        { "repeat before any byte", { 9, 9, 4, 9, 0 }, 1024,
            "the RLE data repeats at byte 1 before any byte was written" },
        { "literals past the limit", { 9, 1, 2, 3, 9, 0 }, 2, "the RLE data unpacks to more than 2 bytes" },
        { "repeat past the limit", { 9, 1, 9, 255, 9, 255, 9, 0 }, 300, "the RLE data unpacks to more than 300 bytes" },
    };
    for (const Case &c : cases) {
        const RleResult result = rleUnpack(c.packed, c.limit);
        EXPECT_FALSE(result) << c.name;
        EXPECT_EQ(result.error, c.error) << c.name;
    }
}

TEST(Rle, UnpacksUpToTheEndMarkAndExactlyToTheLimit)
{
    size_t consumed = 0;
    const RleResult result = rleUnpack({ 9, 1, 9, 2, 9, 0, 0xAA, 0xBB }, 3, &consumed);
    ASSERT_TRUE(result) << result.error;
    EXPECT_EQ(*result.bytes, (Bytes { 1, 1, 1 }));
    EXPECT_EQ(consumed, 6u) << "bytes after the end mark are not read";

    const RleResult empty = rleUnpack({ 9, 9, 0 }, 0);
    ASSERT_TRUE(empty) << empty.error;
    EXPECT_TRUE(empty.bytes->empty());
}
