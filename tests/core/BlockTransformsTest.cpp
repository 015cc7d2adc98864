#include "core/BlockTransforms.h"

#include <gtest/gtest.h>

#include <random>

using namespace mosavo;

namespace {
MatrixPtr randomPicture(int64_t rows, int64_t columns, unsigned seed)
{
    std::mt19937 engine(seed);
    auto picture = Matrix::make(rows, columns);
    for (int64_t &cell : picture->cells())
        cell = int64_t(engine() % 4);
    return picture;
}

MatrixPtr picture(std::initializer_list<int64_t> cells, int64_t rows, int64_t columns)
{
    return Matrix::make(std::vector<int64_t>(cells), rows, columns);
}
} // namespace

TEST(BlockTransforms, KnownPictures)
{
    const auto p = picture({ 1, 2, 3, //
                             4, 5, 6 },
                           2, 3);
    EXPECT_EQ(*transforms::flipHorizontal(*p), *picture({ 3, 2, 1, 6, 5, 4 }, 2, 3));
    EXPECT_EQ(*transforms::flipVertical(*p), *picture({ 4, 5, 6, 1, 2, 3 }, 2, 3));
    EXPECT_EQ(*transforms::rotateClockwise(*p), *picture({ 4, 1, 5, 2, 6, 3 }, 3, 2));
    EXPECT_EQ(*transforms::rotateCounterClockwise(*p), *picture({ 3, 6, 2, 5, 1, 4 }, 3, 2));
    EXPECT_EQ(*transforms::shift(*p, 1, 0), *picture({ 3, 1, 2, 6, 4, 5 }, 2, 3));
    EXPECT_EQ(*transforms::shift(*p, -1, 1), *picture({ 5, 6, 4, 2, 3, 1 }, 2, 3));
    EXPECT_EQ(*transforms::filled(*p, 0), Matrix(2, 3));
}

TEST(BlockTransforms, IdentitiesOnRandomBlocks)
{
    for (unsigned seed = 1; seed <= 5; ++seed) {
        const auto p = randomPicture(16, 16, seed);
        EXPECT_EQ(*transforms::flipHorizontal(*transforms::flipHorizontal(*p)), *p);
        EXPECT_EQ(*transforms::flipVertical(*transforms::flipVertical(*p)), *p);
        MatrixPtr turned = p;
        for (int i = 0; i < 4; ++i)
            turned = transforms::rotateClockwise(*turned);
        EXPECT_EQ(*turned, *p);
        EXPECT_EQ(*transforms::rotateCounterClockwise(*transforms::rotateClockwise(*p)), *p);
        MatrixPtr moved = p;
        for (int i = 0; i < 16; ++i)
            moved = transforms::shift(*moved, 1, 0);
        EXPECT_EQ(*moved, *p);
        const auto tile = randomPicture(8, 8, seed + 10);
        MatrixPtr down = tile;
        for (int i = 0; i < 8; ++i)
            down = transforms::shift(*down, 0, 1);
        EXPECT_EQ(*down, *tile);
        EXPECT_NE(*transforms::shift(*tile, 0, 1), *tile);
    }
}
