#include "core/Enums.h"
#include "core/Matrix.h"

#include <gtest/gtest.h>

using namespace mosavo;

TEST(Matrix, FlatListMustFitTheShape)
{
    std::vector<int64_t> flat(64);
    for (size_t i = 0; i < flat.size(); ++i)
        flat[i] = int64_t(i);
    EXPECT_EQ(Matrix::make(std::span(flat).first(63), 8, 8), nullptr);
    std::vector<int64_t> longer(65);
    EXPECT_EQ(Matrix::make(longer, 8, 8), nullptr);
    auto tile = Matrix::make(flat, 8, 8);
    ASSERT_NE(tile, nullptr);
    EXPECT_EQ(tile->values[1][0], 8);
    EXPECT_EQ(tile->values[0][7], 7);
    EXPECT_EQ(tile->values[7][7], 63);
}

TEST(Matrix, DescriptionPrintsRowsWithTrailingSpaces)
{
    EXPECT_EQ(Matrix(0, 0).description(), "");
    const std::vector<int64_t> row { 5, 0, 12 };
    EXPECT_EQ(Matrix::make(row, 1, 3)->description(), "5 0 12 \n");
    const std::vector<int64_t> square { 0, 1, 2, -3 };
    EXPECT_EQ(Matrix::make(square, 2, 2)->description(), "0 1 \n2 -3 \n");
}

TEST(Matrix, SharedHoldersSeeEachOthersWrites)
{
    auto first = Matrix::make(8, 8);
    MatrixPtr second = first;
    first->values[3][4] = 2;
    EXPECT_EQ(second->values[3][4], 2);
    EXPECT_EQ(second->cells()[3 * 8 + 4], 2);
}

TEST(Enums, RawValuesRoundTripAndUnknownValuesGiveNothing)
{
    EXPECT_EQ(consoleRomTypeFromRaw(0), ConsoleRomType::nesROM);
    EXPECT_EQ(consoleRomTypeFromRaw(1), ConsoleRomType::nes);
    EXPECT_FALSE(consoleRomTypeFromRaw(2));
    EXPECT_FALSE(consoleRomTypeFromRaw(-1));
    EXPECT_EQ(consoleTypeFromRaw(0), ConsoleType::nes);
    EXPECT_FALSE(consoleTypeFromRaw(1));
    EXPECT_EQ(paletteTypeFromRaw(0), PaletteType::nes);
    EXPECT_FALSE(paletteTypeFromRaw(-1));
}
