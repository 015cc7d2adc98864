#include "core/Matrix.h"

#include <gtest/gtest.h>

#include <numeric>
#include <utility>

using namespace mosavo;

namespace {

// A matrix whose cells count 1, 2, 3, ... in reading order.
Matrix counting(int64_t rows, int64_t columns)
{
    Matrix matrix(rows, columns);
    std::iota(matrix.cells().begin(), matrix.cells().end(), int64_t(1));
    return matrix;
}

} // namespace

// Tiles keep their cells inside the object and larger grids on the heap; copies, moves and assignments must give
// independent, equal grids either way.
TEST(MatrixStorage, CopiesAndMovesKeepCellsForTilesAndLargerGrids)
{
    for (const auto &[rows, columns] : { std::pair<int64_t, int64_t> { 8, 8 }, { 1, 3 }, { 16, 16 }, { 9, 8 } }) {
        SCOPED_TRACE(testing::Message() << rows << " x " << columns);
        const Matrix original = counting(rows, columns);
        ASSERT_EQ(int64_t(original.cells().size()), rows * columns);
        EXPECT_EQ(original.values[rows - 1][columns - 1], rows * columns);
        EXPECT_EQ(original.values.size(), rows);

        Matrix copy = original;
        EXPECT_EQ(copy, original);
        copy.values[0][0] = 99;
        EXPECT_EQ(original.values[0][0], 1);
        EXPECT_FALSE(copy == original);

        Matrix moved = std::move(copy);
        EXPECT_EQ(moved.values[0][0], 99);
        EXPECT_EQ(moved.values[rows - 1][columns - 1], rows * columns);

        // Assignment across the two kinds of storage, both ways.
        Matrix small = counting(2, 2);
        Matrix large = counting(20, 20);
        small = original;
        large = original;
        EXPECT_EQ(small, original);
        EXPECT_EQ(large, original);
        large.values[rows - 1][0] = -5;
        EXPECT_EQ(original.values[rows - 1][0], (rows - 1) * columns + 1);
        Matrix target = counting(3, 30);
        target = std::move(large);
        EXPECT_EQ(target.values[rows - 1][0], -5);
        EXPECT_EQ(int64_t(target.cells().size()), rows * columns);
    }
    EXPECT_EQ(Matrix(0, 5).cells().size(), 0u);
    EXPECT_EQ(Matrix(-2, 4).cells().size(), 0u);
    EXPECT_EQ(Matrix(3, 3), Matrix(3, 3));
}
