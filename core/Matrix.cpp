#include "core/Matrix.h"

#include <algorithm>

namespace mosavo {

Matrix::Matrix(int64_t rows, int64_t columns)
    : values(std::max<int64_t>(rows, 0), std::max<int64_t>(columns, 0))
    , rows_(std::max<int64_t>(rows, 0))
    , columns_(std::max<int64_t>(columns, 0))
{
}

std::shared_ptr<Matrix> Matrix::make(int64_t rows, int64_t columns)
{
    return std::make_shared<Matrix>(rows, columns);
}

std::shared_ptr<Matrix> Matrix::make(std::span<const int64_t> values, int64_t rows, int64_t columns)
{
    if (rows < 0 || columns < 0 || int64_t(values.size()) != rows * columns)
        return nullptr;
    auto matrix = std::make_shared<Matrix>(rows, columns);
    std::copy(values.begin(), values.end(), matrix->values.cells_.begin());
    return matrix;
}

std::string Matrix::description() const
{
    std::string text;
    for (int64_t r = 0; r < rows_; ++r) {
        for (int64_t value : values[r]) {
            text += std::to_string(value);
            text += ' ';
        }
        text += '\n';
    }
    return text;
}

} // namespace mosavo
