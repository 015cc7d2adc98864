#include "core/SystemLog.h"
#include "palette/NESColors.h"
#include "palette/NESPalette.h"
#include "palette/PaletteFactory.h"
#include "palette/Random.h"

#include <gtest/gtest.h>

#include <set>

using namespace mosavo;

namespace {
std::vector<int64_t> codes(PaletteProtocol &palette)
{
    std::vector<int64_t> numbers;
    for (const auto &entry : palette.palette())
        numbers.push_back(entry.colorCode);
    return numbers;
}

Color rgb(int r, int g, int b)
{
    return Color::fromRgb255(r, g, b);
}
} // namespace

TEST(MasterPalette, DisplayOrderAndPositions)
{
    const auto colors = GeneralNESColorPalette::nesColors();
    ASSERT_EQ(colors.size(), 64u);
    EXPECT_EQ(colors[0].colorCode, 0x00);
    EXPECT_EQ(colors[1].colorCode, 0x10);
    EXPECT_EQ(colors[4].colorCode, 0x01);
    EXPECT_EQ(colors[63].colorCode, 0x3F);
    for (const auto &entry : colors)
        EXPECT_EQ(entry.color, *nesColor(entry.colorCode));

    for (int64_t k = 0; k < 64; ++k)
        EXPECT_EQ(GeneralNESColorPalette::colorNumber(k), (k % 16) * 4 + k / 16) << k;
    for (int64_t k = 0x40; k <= 0xFF; ++k)
        EXPECT_EQ(GeneralNESColorPalette::colorNumber(k), 64) << k;
    EXPECT_EQ(GeneralNESColorPalette::colorNumber(0x2D), 54);
    EXPECT_EQ(GeneralNESColorPalette::colorNumber(0x0D), 52);
    EXPECT_EQ(GeneralNESColorPalette::colorNumber(0x1D), 53);

    GeneralNESColorPalette master;
    EXPECT_EQ(master.size(), 64);
    EXPECT_EQ(master.palette(), colors);
    EXPECT_EQ(master.values().size(), 64u);
}

TEST(MasterPalette, TableValuesThatAreEasyToGetWrong)
{
    EXPECT_EQ(*nesColor(0x20), *nesColor(0x30));
    EXPECT_EQ(*nesColor(0x2D), rgb(60, 0, 60));
    EXPECT_EQ(*nesColor(0x16), rgb(152, 34, 32));
    EXPECT_EQ(nesRgb(0x27), 0xD48820u);
    for (int black : { 0x0D, 0x0E, 0x0F, 0x1D, 0x1E, 0x1F, 0x2E, 0x2F, 0x3E, 0x3F })
        EXPECT_EQ(*nesColor(black), rgb(0, 0, 0)) << black;
    EXPECT_FALSE(nesColor(0x40));
    EXPECT_FALSE(nesColor(-1));
}

TEST(NESPalette, FromFourMasterColourNumbers)
{
    auto palette = NESPalette::fromData({ 0x0F, 0x16, 0x27, 0x30 });
    ASSERT_TRUE(palette);
    const std::vector<ColorEntry> expected { { 0x0F, rgb(0, 0, 0) },
                                             { 0x16, rgb(152, 34, 32) },
                                             { 0x27, rgb(212, 136, 32) },
                                             { 0x30, rgb(236, 238, 236) } };
    EXPECT_EQ(palette->palette(), expected);
    EXPECT_FALSE(NESPalette::fromData({ 1, 2, 3 }));
    EXPECT_FALSE(NESPalette::fromData({ 1, 2, 3, 4, 5 }));
    EXPECT_FALSE(NESPalette::fromData({ 1, 0x40, 3, 4 }));
}

TEST(NESPalette, ArraysOfPalettesAreAllOrNothing)
{
    auto none = NESPalette::generateArrayOfPalettes({});
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->empty());
    EXPECT_FALSE(NESPalette::generateArrayOfPalettes(Bytes(6, 0)));
    auto two = NESPalette::generateArrayOfPalettes({ 1, 2, 3, 4, 5, 6, 7, 8 });
    ASSERT_TRUE(two);
    ASSERT_EQ(two->size(), 2u);
    EXPECT_EQ(codes(*(*two)[1]), (std::vector<int64_t> { 5, 6, 7, 8 }));
    EXPECT_FALSE(NESPalette::generateArrayOfPalettes({ 1, 2, 3, 4, 5, 0x41, 7, 8 }));
}

TEST(NESPalette, RandomColoursAreDrawnOnceOnFirstRead)
{
    seedRandom(7);
    NESPalette palette;
    EXPECT_FALSE(palette.hasColors());
    const auto first = palette.palette();
    ASSERT_EQ(first.size(), 4u);
    EXPECT_EQ(palette.palette(), first);
    for (const auto &entry : first) {
        ASSERT_GE(entry.colorCode, 0);
        ASSERT_LT(entry.colorCode, 64);
        EXPECT_EQ(entry.color, *nesColor(entry.colorCode));
    }
    std::set<int64_t> seen;
    for (int i = 0; i < 2000; ++i)
        seen.insert(NESPalette::randomColor().colorCode);
    EXPECT_EQ(seen.size(), 64u) << "every master colour can be drawn";
}

TEST(NESPalette, ArchiveKeepsColourNumbersAndForcesOpaque)
{
    auto palette = NESPalette::fromData({ 0x0F, 0x16, 0x27, 0x30 });
    auto entries = palette->palette();
    entries[1].color.alpha = 0.5;
    palette->setPalette(entries);
    const ArchiveRecord record = palette->encode();
    EXPECT_EQ(record["$class"], "NESPalette");
    ASSERT_EQ(record["Palette"].size(), 4u);
    EXPECT_EQ(record["Palette"][1]["Key"], 0x16);
    EXPECT_EQ(record["Palette"][1]["Color"].size(), 4u);

    // Through CBOR, as a document stores it.
    const auto restored = NESPalette::decode(ArchiveRecord::from_cbor(ArchiveRecord::to_cbor(record)));
    EXPECT_EQ(restored->size(), 4);
    EXPECT_EQ(codes(*restored), (std::vector<int64_t> { 0x0F, 0x16, 0x27, 0x30 }));
    EXPECT_EQ(restored->palette()[1].color, rgb(152, 34, 32));
}

// A palette archived before its colours were drawn restores without colours and draws its four at first read, so it
// can be edited and exported like a new one.
TEST(NESPalette, ArchiveOfAnUnreadPaletteDrawsFourColoursWhenRestored)
{
    NESPalette unread;
    const ArchiveRecord record = unread.encode();
    EXPECT_FALSE(unread.hasColors()) << "archiving draws no colours";
    EXPECT_TRUE(record["Palette"].empty());
    auto restored = NESPalette::decode(record);
    EXPECT_FALSE(restored->hasColors());
    ASSERT_EQ(restored->palette().size(), 4u);
    for (const ColorEntry &entry : restored->palette())
        EXPECT_TRUE(nesColor(entry.colorCode).has_value());
    EXPECT_EQ(restored->encode()["Palette"].size(), 4u) << "the drawn colours are kept and archived";
}

TEST(NESPalette, DamagedArchivesFallBack)
{
    ArchiveRecord nullColor = PaletteBox(0x21, *nesColor(0x21)).encode();
    nullColor["Color"] = ArchiveRecord::array({ nullptr, nullptr, nullptr, nullptr });
    const PaletteBox box = PaletteBox::decode(nullColor);
    EXPECT_EQ(box.key, 0);
    EXPECT_EQ(box.color, rgb(0, 0, 0));
    EXPECT_EQ(PaletteBox::decode(ArchiveRecord { { "Key", 3 } }).key, 0);

    std::vector<std::string> lines;
    auto previous = setSystemLogSink([&](std::string_view line) { lines.emplace_back(line); });
    auto broken = NESPalette::decode(ArchiveRecord { { "Palette", "not a list" } });
    auto missing = NESPalette::decode(ArchiveRecord::object());
    setSystemLogSink(previous);
    EXPECT_FALSE(broken->hasColors());
    EXPECT_FALSE(missing->hasColors());
    EXPECT_EQ(lines, std::vector<std::string>(2, "Failed to decode the array of palettes for the NES"));
}

TEST(PaletteFactory, PaletteFileIsExactly32MasterColourNumbers)
{
    Bytes file;
    for (int p = 0; p < 8; ++p)
        file.insert(file.end(), { 0x0F, 0x00, 0x10, 0x30 });
    auto palettes = PaletteFactory::generate(file);
    ASSERT_TRUE(palettes);
    ASSERT_EQ(palettes->size(), 8u);
    for (auto &palette : *palettes)
        EXPECT_EQ(codes(*palette), (std::vector<int64_t> { 0x0F, 0x00, 0x10, 0x30 }));

    for (size_t size : { 0u, 31u, 33u, 36u })
        EXPECT_FALSE(PaletteFactory::generate(Bytes(size, 0))) << size;
    Bytes bad = file;
    bad.back() = 0x40;
    EXPECT_FALSE(PaletteFactory::generate(bad));
}

TEST(PaletteFactory, ConvertRoundTripsThroughTheFile)
{
    auto fresh = *PaletteFactory::generate(PaletteType::nes);
    ASSERT_EQ(fresh.size(), 8u);
    EXPECT_EQ(std::set<PalettePtr>(fresh.begin(), fresh.end()).size(), 8u);
    const auto numbers = PaletteFactory::colorNumbers(fresh);
    ASSERT_EQ(numbers.size(), 32u);
    const auto bytes = PaletteFactory::convert(numbers, PaletteType::nes);
    ASSERT_TRUE(bytes);
    auto back = PaletteFactory::generate(*bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(PaletteFactory::colorNumbers(*back), numbers);

    EXPECT_FALSE(PaletteFactory::convert(std::vector<int64_t>(28, 1), PaletteType::nes));
    EXPECT_FALSE(PaletteFactory::convert(std::vector<int64_t>(36, 1), PaletteType::nes));
}
