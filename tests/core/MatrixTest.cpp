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
    EXPECT_EQ(tile->values[7][7], 63);
}
