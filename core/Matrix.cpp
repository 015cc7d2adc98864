#include "core/Matrix.h"

#include <algorithm>

namespace mosavo {

Matrix::Values::Values(int64_t rows, int64_t columns)
    : rows_(rows)
    , columns_(columns)
    , heap_(count() > inlineCells ? std::make_unique<int64_t[]>(count()) : nullptr)
{
    if (!heap_)
        std::fill_n(inline_.begin(), count(), 0);
}

Matrix::Values::Values(const Values &other)
    : rows_(other.rows_)
    , columns_(other.columns_)
    , heap_(other.heap_ ? std::make_unique_for_overwrite<int64_t[]>(other.count()) : nullptr)
{
    std::copy_n(other.data(), count(), data());
}

Matrix::Values::Values(Values &&other) noexcept
    : rows_(other.rows_)
    , columns_(other.columns_)
    , heap_(std::move(other.heap_))
{
    if (!heap_)
        std::copy_n(other.inline_.begin(), count(), inline_.begin());
    other.rows_ = 0;
    other.columns_ = 0;
}

Matrix::Values &Matrix::Values::operator=(const Values &other)
{
    if (this != &other)
        *this = Values(other);
    return *this;
}

Matrix::Values &Matrix::Values::operator=(Values &&other) noexcept
{
    if (this != &other) {
        rows_ = other.rows_;
        columns_ = other.columns_;
        heap_ = std::move(other.heap_);
        if (!heap_)
            std::copy_n(other.inline_.begin(), count(), inline_.begin());
        other.rows_ = 0;
        other.columns_ = 0;
    }
    return *this;
}

Matrix::Matrix(int64_t rows, int64_t columns)
    : values(std::max<int64_t>(rows, 0), std::max<int64_t>(columns, 0))
    , rows_(std::max<int64_t>(rows, 0))
    , columns_(std::max<int64_t>(columns, 0))
{ }

std::shared_ptr<Matrix> Matrix::make(int64_t rows, int64_t columns)
{
    return std::make_shared<Matrix>(rows, columns);
}

std::shared_ptr<Matrix> Matrix::make(std::span<const int64_t> values, int64_t rows, int64_t columns)
{
    if (rows < 0 || columns < 0 || int64_t(values.size()) != rows * columns)
        return nullptr;
    auto matrix = std::make_shared<Matrix>(rows, columns);
    std::copy(values.begin(), values.end(), matrix->values.data());
    return matrix;
}

bool Matrix::operator==(const Matrix &other) const
{
    return rows_ == other.rows_ && columns_ == other.columns_
        && std::equal(values.data(), values.data() + values.count(), other.values.data());
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
