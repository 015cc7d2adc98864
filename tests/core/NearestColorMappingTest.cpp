#include "core/TileSheet.h"

#include <gtest/gtest.h>

#include <vector>

using namespace mosavo;

namespace {
// Black, dark grey, light grey, white: a typical background sub-palette ($0F $00 $10 $30 in the master table).
constexpr std::array<uint32_t, 4> palette = { 0x000000, 0x666666, 0xADADAD, 0xFFFEFF };

std::vector<int> slotsOf(const std::variant<NearestColorMapping, NearestColorRefusal> &result)
{
    const auto *mapping = std::get_if<NearestColorMapping>(&result);
    return mapping ? mapping->colorIndices : std::vector<int> { -99 };
}
} // namespace

// Colours that can go one to one: each to the palette colour nearest to it, whatever order they come in.
TEST(NearestColorMapping, MapsExactAndNearColoursOneToOne)
{
    struct Case
    {
        const char *what;
        std::vector<uint32_t> colors;
        std::vector<int> slots;
    };
    const Case cases[] = {
        { "no colours", {}, {} },
        { "exact, in palette order", { 0x000000, 0x666666, 0xADADAD, 0xFFFEFF }, { 0, 1, 2, 3 } },
        { "exact, in another order", { 0xFFFEFF, 0x000000, 0xADADAD }, { 3, 0, 2 } },
        { "another program's greys", { 0x0A0A0A, 0x5C5C5C, 0xB6B6B6, 0xF0F0F0 }, { 0, 1, 2, 3 } },
        { "two colours only", { 0x707070, 0x101010 }, { 1, 0 } },
        { "a red nearest to dark grey", { 0xA00000, 0xFFFFFF }, { 1, 3 } },
        // 0x333333 lies exactly halfway between black and 0x666666: the first palette colour is taken.
        { "a tie goes to the first free one", { 0x333333 }, { 0 } },
        { "a tie gives way to an exact match", { 0x000000, 0x333333 }, { 0, 1 } },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(slotsOf(nearestColorMapping(c.colors, palette)), c.slots);
    }

    // A palette holding one colour twice: two picture colours near it take one each.
    const std::array<uint32_t, 4> twice = { 0x0F0F0F, 0x0F0F0F, 0xFFFFFF, 0xFF0000 };
    EXPECT_EQ(
        slotsOf(nearestColorMapping(std::vector<uint32_t> { 0x101010, 0x0E0E0E }, twice)), (std::vector<int> { 0, 1 }));
}

// Refusals name the colours at fault: the fifth of five, or the two that want one palette colour.
TEST(NearestColorMapping, RefusesFiveColoursAndTwoToOneSlot)
{
    struct Case
    {
        const char *what;
        std::vector<uint32_t> colors;
        NearestColorRefusal::Reason reason;
        size_t color;
        size_t other;
        int slot;
    };
    using R = NearestColorRefusal::Reason;
    const Case cases[] = {
        { "five colours", { 0x000000, 0x666666, 0xADADAD, 0xFFFEFF, 0x123456 }, R::tooManyColors, 4, 0, 0 },
        { "two darks", { 0x000000, 0x202020 }, R::sharedSlot, 1, 0, 0 },
        { "two near whites after others", { 0x666666, 0xF0F0F0, 0x000000, 0xFAFAFA }, R::sharedSlot, 3, 1, 3 },
        { "red and a grey both nearest dark grey", { 0x707070, 0xA00000 }, R::sharedSlot, 1, 0, 1 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const auto result = nearestColorMapping(c.colors, palette);
        const auto *refusal = std::get_if<NearestColorRefusal>(&result);
        ASSERT_NE(refusal, nullptr);
        EXPECT_EQ(refusal->reason, c.reason);
        EXPECT_EQ(refusal->color, c.color);
        if (c.reason == R::sharedSlot) {
            EXPECT_EQ(refusal->other, c.other);
            EXPECT_EQ(refusal->slot, c.slot);
        }
    }
}

TEST(NearestColorMapping, DistanceIsSquaredRgb)
{
    EXPECT_EQ(colorDistance(0x000000, 0x000000), 0);
    EXPECT_EQ(colorDistance(0x010203, 0x000000), 1 + 4 + 9);
    EXPECT_EQ(colorDistance(0xFF0000, 0x00FF00), 2 * 255 * 255);
    EXPECT_EQ(colorDistance(0x00FF00, 0xFF0000), colorDistance(0xFF0000, 0x00FF00));
}
