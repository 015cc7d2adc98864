#include "convert/PaletteFinder.h"

#include <gtest/gtest.h>

using namespace mosavo;

TEST(PaletteFinder, PacksSetsIntoFourPalettes)
{
    // Eight areas whose colours need exactly four palettes, two of them only found by putting {1,2} with {3}.
    const std::vector<std::set<uint8_t>> sets = { { 0x01, 0x02 }, { 0x03 }, { 0x11, 0x12, 0x13 }, { 0x21, 0x22, 0x23 },
                                                  { 0x31, 0x32 },  { 0x31 }, { 0x32, 0x33 },       { 0x01 } };
    const auto palettes = findSubPalettes(sets, 4);
    ASSERT_TRUE(palettes);
    EXPECT_LE(palettes->size(), 4u);
    for (const auto &set : sets)
        EXPECT_GE(subPaletteHolding(*palettes, set), 0);
}

TEST(PaletteFinder, NamesTheSetsThatCannotBeCovered)
{
    std::vector<std::set<uint8_t>> sets = { { 0x01, 0x02, 0x03 }, { 0x04, 0x05, 0x06 }, { 0x07, 0x08, 0x09 },
                                            { 0x0A, 0x0B, 0x0C }, { 0x11 },             { 0x01, 0x02, 0x03 } };
    std::vector<size_t> uncovered;
    EXPECT_FALSE(findSubPalettes(sets, 4, &uncovered));
    EXPECT_EQ(uncovered, std::vector<size_t> { 4 });
    EXPECT_TRUE(findSubPalettes(sets, 5));
    sets.push_back({ 0x20, 0x21, 0x22, 0x23 }); // four colours besides colour 0 never fit
    EXPECT_FALSE(findSubPalettes(sets, 8, &uncovered));
    EXPECT_EQ(uncovered, std::vector<size_t> { 6 });
    EXPECT_FALSE(findSubPalettes(sets, 8)) << "refused also when no one asks which set it is";
}

TEST(PaletteFinder, FillsShortPalettesAndHandlesEmptySets)
{
    const auto palettes = findSubPalettes({ {}, { 0x16 }, {} }, 4);
    ASSERT_TRUE(palettes);
    ASSERT_EQ(palettes->size(), 1u);
    EXPECT_EQ(palettes->front(), (SubPaletteColors { 0x16, 0x16, 0x16 }));
    EXPECT_TRUE(findSubPalettes({}, 4)->empty());
}
