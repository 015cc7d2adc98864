#include "core/BlockTransforms.h"

namespace mosavo::transforms {

namespace {
// result(r, c) = picture(source(r, c)) for a result of the given shape.
template<typename Source>
MatrixPtr remap(const Matrix &picture, int64_t rows, int64_t columns, Source source)
{
    auto result = Matrix::make(rows, columns);
    for (int64_t r = 0; r < rows; ++r)
        for (int64_t c = 0; c < columns; ++c) {
            const auto [sr, sc] = source(r, c);
            result->values[r][size_t(c)] = picture.values[sr][size_t(sc)];
        }
    return result;
}

int64_t wrap(int64_t value, int64_t size)
{
    const int64_t m = value % size;
    return m < 0 ? m + size : m;
}
} // namespace

MatrixPtr flipHorizontal(const Matrix &picture)
{
    const int64_t w = picture.columns();
    return remap(picture, picture.rows(), w, [w](int64_t r, int64_t c) { return std::pair(r, w - 1 - c); });
}

MatrixPtr flipVertical(const Matrix &picture)
{
    const int64_t h = picture.rows();
    return remap(picture, h, picture.columns(), [h](int64_t r, int64_t c) { return std::pair(h - 1 - r, c); });
}

MatrixPtr rotateClockwise(const Matrix &picture)
{
    // Result row r is the source's column r read from the bottom up.
    const int64_t h = picture.rows();
    return remap(picture, picture.columns(), h, [h](int64_t r, int64_t c) { return std::pair(h - 1 - c, r); });
}

MatrixPtr rotateCounterClockwise(const Matrix &picture)
{
    const int64_t w = picture.columns();
    return remap(picture, w, picture.rows(), [w](int64_t r, int64_t c) { return std::pair(c, w - 1 - r); });
}

MatrixPtr shift(const Matrix &picture, int64_t dx, int64_t dy)
{
    const int64_t h = picture.rows();
    const int64_t w = picture.columns();
    if (h == 0 || w == 0)
        return Matrix::make(h, w);
    return remap(picture, h, w, [=](int64_t r, int64_t c) { return std::pair(wrap(r - dy, h), wrap(c - dx, w)); });
}

MatrixPtr filled(const Matrix &picture, int64_t value)
{
    auto result = Matrix::make(picture.rows(), picture.columns());
    for (int64_t &cell : result->cells())
        cell = value;
    return result;
}

} // namespace mosavo::transforms
