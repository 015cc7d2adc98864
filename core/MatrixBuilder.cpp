#include "core/MatrixBuilder.h"

#include <algorithm>

namespace mosavo {

MatrixBuilder::MatrixBuilder(int64_t columns, int64_t rows, int64_t pixelsPerMatrixColumns, int64_t pixelsPerMatrixRows)
    : columns(std::max<int64_t>(columns, 0))
    , rows(std::max<int64_t>(rows, 0))
    , matrixConfiguration(Matrix::make(pixelsPerMatrixRows, pixelsPerMatrixColumns))
{
    matrices.assign(size_t(this->rows), std::vector<MatrixPtr>(size_t(this->columns), matrixConfiguration));
}

MatrixPtr MatrixBuilder::createMatrix() const
{
    const int64_t tileRows = matrixConfiguration->rows();
    const int64_t tileColumns = matrixConfiguration->columns();
    auto result = Matrix::make(tileRows * rows, tileColumns * columns);
    for (size_t i = 0; i < matrices.size(); ++i) {
        for (size_t j = 0; j < matrices[i].size(); ++j) {
            const MatrixPtr &tile = matrices[i][j];
            if (!tile)
                continue;
            for (int64_t r = 0; r < tile->rows(); ++r) {
                const int64_t targetRow = int64_t(i) * tileRows + r;
                if (targetRow >= result->rows())
                    break;
                auto source = tile->values[r];
                auto target = result->values[targetRow];
                for (int64_t c = 0; c < tile->columns(); ++c) {
                    const int64_t targetColumn = int64_t(j) * tileColumns + c;
                    if (targetColumn >= result->columns())
                        break;
                    target[size_t(targetColumn)] = source[size_t(c)];
                }
            }
        }
    }
    return result;
}

std::optional<std::vector<MatrixPtr>> MatrixBuilder::convertToMatrices(const GraphicEditor &canvas,
                                                                       const Matrix &configuration)
{
    const MatrixPtr picture = canvas.matrix();
    if (!picture)
        return std::nullopt;
    return convertToMatrices(*picture, configuration);
}

std::optional<std::vector<MatrixPtr>> MatrixBuilder::convertToMatrices(const Matrix &picture,
                                                                       const Matrix &configuration)
{
    const int64_t tileRows = configuration.rows();
    const int64_t tileColumns = configuration.columns();
    if (picture.columns() == 0 || tileColumns == 0 || picture.rows() == 0 || tileRows == 0)
        return std::nullopt;
    if (picture.columns() % tileColumns != 0 || picture.rows() % tileRows != 0)
        return std::nullopt;

    std::vector<MatrixPtr> tiles;
    tiles.reserve(size_t((picture.rows() / tileRows) * (picture.columns() / tileColumns)));
    for (int64_t top = 0; top < picture.rows(); top += tileRows) {
        for (int64_t left = 0; left < picture.columns(); left += tileColumns) {
            auto tile = Matrix::make(tileRows, tileColumns);
            for (int64_t r = 0; r < tileRows; ++r) {
                auto source = picture.values[top + r].subspan(size_t(left), size_t(tileColumns));
                std::copy(source.begin(), source.end(), tile->values[r].begin());
            }
            tiles.push_back(std::move(tile));
        }
    }
    return tiles;
}

} // namespace mosavo
