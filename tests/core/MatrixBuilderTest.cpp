#include "core/MatrixBuilder.h"

#include <gtest/gtest.h>

using namespace mosavo;

namespace {
MatrixPtr numberedTile(int64_t base)
{
    auto tile = Matrix::make(8, 8);
    for (size_t i = 0; i < tile->cells().size(); ++i)
        tile->cells()[i] = base + int64_t(i);
    return tile;
}

class PictureCanvas : public GraphicEditor
{
public:
    explicit PictureCanvas(MatrixPtr m)
        : m_(std::move(m))
    {
    }
    MatrixPtr matrix() const override { return m_; }

private:
    MatrixPtr m_;
};
} // namespace

TEST(MatrixBuilder, PlacesTilesIntoTheirSlots)
{
    MatrixBuilder builder(2, 2, 8, 8);
    auto untouched = builder.createMatrix();
    EXPECT_EQ(untouched->rows(), 16);
    EXPECT_EQ(untouched->columns(), 16);
    EXPECT_EQ(*untouched, Matrix(16, 16));

    auto tileA = numberedTile(1);
    builder.matrices[0][1] = tileA;
    auto picture = builder.createMatrix();
    for (int64_t r = 0; r < 16; ++r)
        for (int64_t c = 0; c < 16; ++c) {
            const int64_t expected = (r < 8 && c >= 8) ? tileA->values[r][size_t(c - 8)] : 0;
            ASSERT_EQ(picture->values[r][size_t(c)], expected) << r << "," << c;
        }
}

TEST(MatrixBuilder, OversizedTilesAreClippedToTheirSlot)
{
    MatrixBuilder builder(1, 1, 8, 8);
    auto big = Matrix::make(10, 10);
    std::fill(big->cells().begin(), big->cells().end(), 3);
    builder.matrices[0][0] = big;
    auto picture = builder.createMatrix();
    EXPECT_EQ(picture->rows(), 8);
    EXPECT_EQ(picture->columns(), 8);
    EXPECT_EQ(picture->values[7][7], 3);
}

TEST(MatrixBuilder, CutsCanvasesInReadingOrder)
{
    MatrixBuilder builder(2, 2, 8, 8);
    std::vector<MatrixPtr> tiles { numberedTile(0), numberedTile(100), numberedTile(200), numberedTile(300) };
    builder.matrices = { { tiles[0], tiles[1] }, { tiles[2], tiles[3] } };
    const PictureCanvas canvas(builder.createMatrix());
    const auto cut = MatrixBuilder::convertToMatrices(canvas, Matrix(8, 8));
    ASSERT_TRUE(cut);
    ASSERT_EQ(cut->size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(*(*cut)[i], *tiles[i]) << i;
        EXPECT_NE((*cut)[i], tiles[i]) << "cut tiles are new matrices";
    }

    EXPECT_FALSE(MatrixBuilder::convertToMatrices(PictureCanvas(Matrix::make(16, 12)), Matrix(8, 8)));
    EXPECT_FALSE(MatrixBuilder::convertToMatrices(PictureCanvas(Matrix::make(0, 0)), Matrix(8, 8)));
    EXPECT_FALSE(MatrixBuilder::convertToMatrices(PictureCanvas(Matrix::make(8, 8)), Matrix(0, 8)));
}
