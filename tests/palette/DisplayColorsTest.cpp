#include "palette/DisplayColors.h"
#include "palette/NESColors.h"

#include <gtest/gtest.h>

using namespace mosavo;

namespace {
// A 192-byte file whose colour n is (n, 2n, 255 - n).
Bytes plainFile()
{
    Bytes bytes;
    for (int n = 0; n < 64; ++n)
        bytes.insert(bytes.end(), { uint8_t(n), uint8_t(2 * n), uint8_t(255 - n) });
    return bytes;
}

// A 1536-byte file whose colour n of set e is (e, n, 0x80 + e).
Bytes emphasisFile()
{
    Bytes bytes;
    for (int e = 0; e < 8; ++e)
        for (int n = 0; n < 64; ++n)
            bytes.insert(bytes.end(), { uint8_t(e), uint8_t(n), uint8_t(0x80 + e) });
    return bytes;
}

// Leaves the process-wide display colours as they were found.
class CurrentDisplayColors : public ::testing::Test
{
protected:
    void SetUp() override { resetCurrentDisplayColors(); }
    void TearDown() override { resetCurrentDisplayColors(); }
};
} // namespace

TEST(DisplayColors, DefaultIsTheMasterTable)
{
    const DisplayColors colors;
    EXPECT_TRUE(colors.isMasterTable());
    EXPECT_FALSE(colors.hasEmphasisSets());
    for (int n = 0; n < 64; ++n) {
        EXPECT_EQ(colors.rgb24(n), nesRgb(n)) << n;
        EXPECT_EQ(colors.color(n), *nesColor(n)) << n;
    }
    EXPECT_EQ(colors.rgb(0x16), (Rgb8 { 0x98, 0x22, 0x20 }));
    EXPECT_EQ(colors.rgb(0x56), colors.rgb(0x16)) << "only the low six bits of a colour number count";
}

TEST(DisplayColors, ReadsPlainAndEmphasisFiles)
{
    const auto plain = DisplayColors::fromFile(plainFile());
    ASSERT_TRUE(plain) << plain.error;
    EXPECT_FALSE(plain.colors->isMasterTable());
    EXPECT_FALSE(plain.colors->hasEmphasisSets());
    EXPECT_EQ(plain.colors->rgb(0x00), (Rgb8 { 0, 0, 255 }));
    EXPECT_EQ(plain.colors->rgb(0x21), (Rgb8 { 0x21, 0x42, 255 - 0x21 }));
    EXPECT_EQ(plain.colors->rgb(0x3F), (Rgb8 { 0x3F, 0x7E, 255 - 0x3F }));

    const auto sets = DisplayColors::fromFile(emphasisFile());
    ASSERT_TRUE(sets) << sets.error;
    EXPECT_TRUE(sets.colors->hasEmphasisSets());
    // Set e (red 1, green 2, blue 4) starts at byte 192 * e; its colours are used as stored, $xE and $xF too.
    for (int e = 0; e < 8; ++e)
        for (int n : { 0x00, 0x16, 0x2D, 0x3E, 0x3F })
            EXPECT_EQ(sets.colors->rgb(n, e), (Rgb8 { uint8_t(e), uint8_t(n), uint8_t(0x80 + e) })) << e << " " << n;
    EXPECT_EQ(sets.colors->rgb(0x16, 8 + emphasisBlue), sets.colors->rgb(0x16, emphasisBlue));
}

TEST(DisplayColors, RefusesOtherSizesNamingThem)
{
    for (size_t size : { size_t(0), size_t(32), size_t(191), size_t(193), size_t(384), size_t(1535), size_t(1537) }) {
        const auto result = DisplayColors::fromFile(Bytes(size, 0x10));
        EXPECT_FALSE(result) << size;
        EXPECT_EQ(result.error,
            "a display palette file is 192 bytes (64 RGB colours) or 1536 bytes (8 emphasis sets of 64), not "
                + std::to_string(size) + " bytes");
    }
}

TEST(DisplayColors, ApproximatesEmphasisWithoutStoredSets)
{
    const DisplayColors colors;
    // $30 is EC EE EC. Each emphasis bit darkens the two channels it does not name by 0.816328.
    struct Case
    {
        int emphasis;
        Rgb8 expected;
    };
    const Case cases[] = {
        { emphasisNone, { 0xEC, 0xEE, 0xEC } },
        { emphasisRed, { 0xEC, 194, 193 } }, // 238 * 0.816328 = 194.3, 236 * 0.816328 = 192.7
        { emphasisGreen, { 193, 0xEE, 193 } },
        { emphasisBlue, { 193, 194, 0xEC } },
        { emphasisRed | emphasisGreen, { 193, 194, 157 } }, // blue darkened twice: 236 * 0.816328^2 = 157.3
        { emphasisAll, { 157, 159, 157 } },
    };
    for (const Case &c : cases)
        EXPECT_EQ(colors.rgb(0x30, c.emphasis), c.expected) << "emphasis " << c.emphasis;

    // Column $xE/$xF is left alone, column $xD is not.
    const auto plain = DisplayColors::fromFile(plainFile());
    ASSERT_TRUE(plain);
    for (int n : { 0x0E, 0x0F, 0x1E, 0x2F, 0x3E })
        EXPECT_EQ(plain.colors->rgb(n, emphasisAll), plain.colors->rgb(n)) << n;
    EXPECT_EQ(plain.colors->rgb(0x3D, emphasisAll), (Rgb8 { 41, 81, 129 })); // 61, 122, 194 times 0.666391
}

TEST(DisplayColors, FindsTheColourNumberOfAColour)
{
    const DisplayColors colors;
    EXPECT_EQ(colors.colorNumberOf({ 0x98, 0x22, 0x20 }), 0x16);
    EXPECT_EQ(colors.colorNumberOf({ 0, 0, 0 }), 0x0F) << "black is $0F";
    EXPECT_EQ(colors.colorNumberOf({ 0xEC, 0xEE, 0xEC }), 0x20) << "the lowest of equal colours";
    EXPECT_FALSE(colors.colorNumberOf({ 1, 2, 3 }));
    EXPECT_EQ(colors.colorNumberOf(colors.rgb(0x12, emphasisRed), emphasisRed), 0x12);
    EXPECT_FALSE(colors.colorNumberOf({ 0x30, 0x32, 0xEC }, emphasisRed)) << "$12 as it looks without emphasis";

    const auto plain = DisplayColors::fromFile(plainFile());
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain.colors->colorNumberOf({ 0x2A, 0x54, 255 - 0x2A }), 0x2A);
    EXPECT_FALSE(plain.colors->colorNumberOf({ 0x98, 0x22, 0x20 }));
}

TEST_F(CurrentDisplayColors, ChangesAreSeenAndReported)
{
    EXPECT_TRUE(currentDisplayColors().isMasterTable());
    EXPECT_EQ(currentDisplayEmphasis(), emphasisNone);

    int calls = 0;
    const int id = addDisplayColorsObserver([&calls] { ++calls; });
    const auto file = DisplayColors::fromFile(plainFile());
    ASSERT_TRUE(file);
    setCurrentDisplayColors(*file.colors);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(currentDisplayColors().rgb(0x21), (Rgb8 { 0x21, 0x42, 255 - 0x21 }));
    setCurrentDisplayColors(*file.colors);
    EXPECT_EQ(calls, 1) << "setting the same colours again is no change";

    setCurrentDisplayEmphasis(emphasisGreen | emphasisBlue);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(currentDisplayEmphasis(), emphasisGreen | emphasisBlue);

    resetCurrentDisplayColors();
    EXPECT_EQ(calls, 3);
    EXPECT_TRUE(currentDisplayColors().isMasterTable());
    EXPECT_EQ(currentDisplayEmphasis(), emphasisNone);
    resetCurrentDisplayColors();
    EXPECT_EQ(calls, 3);

    removeDisplayColorsObserver(id);
    setCurrentDisplayEmphasis(emphasisRed);
    EXPECT_EQ(calls, 3) << "a removed observer is not called";
}

TEST_F(CurrentDisplayColors, ObserversMayRemoveThemselvesAndOthersWhileCalled)
{
    std::vector<std::string> calls;
    int second = 0;
    int first = 0;
    first = addDisplayColorsObserver([&] {
        calls.push_back("first");
        removeDisplayColorsObserver(first);
        removeDisplayColorsObserver(second);
    });
    second = addDisplayColorsObserver([&] { calls.push_back("second"); });
    const int third = addDisplayColorsObserver([&] { calls.push_back("third"); });

    setCurrentDisplayEmphasis(emphasisBlue);
    EXPECT_EQ(calls, (std::vector<std::string> { "first", "third" }));
    setCurrentDisplayEmphasis(emphasisRed);
    EXPECT_EQ(calls, (std::vector<std::string> { "first", "third", "third" }));
    removeDisplayColorsObserver(third);
}
