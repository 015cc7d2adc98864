#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace mosavo {

// A rectangular grid of signed integers, row 0 at the top. A tile is an 8 x 8 Matrix of colour indices 0-3; the
// editor keeps a whole block of tiles in one. Instances are shared by reference (std::shared_ptr), so a change made
// through one holder is seen by all of them. The cells live in one contiguous buffer and read as values[row][column].
class Matrix
{
public:
    // Row-major view of the cells: values[r] is the span of row r.
    class Values
    {
    public:
        std::span<int64_t> operator[](int64_t row) { return { cells_.data() + row * columns_, size_t(columns_) }; }
        std::span<const int64_t> operator[](int64_t row) const
        {
            return { cells_.data() + row * columns_, size_t(columns_) };
        }
        int64_t size() const { return rows_; }
        bool empty() const { return rows_ == 0; }

    private:
        friend class Matrix;
        Values(int64_t rows, int64_t columns)
            : rows_(rows)
            , columns_(columns)
            , cells_(size_t(rows * columns), 0)
        {
        }
        int64_t rows_;
        int64_t columns_;
        std::vector<int64_t> cells_;
    };

    // A grid of that size with every cell 0. Negative sizes count as 0.
    Matrix(int64_t rows, int64_t columns);

    static std::shared_ptr<Matrix> make(int64_t rows, int64_t columns);
    // Cell (r, c) takes values[r * columns + c]; nothing unless values holds exactly rows x columns integers.
    static std::shared_ptr<Matrix> make(std::span<const int64_t> values, int64_t rows, int64_t columns);

    int64_t rows() const { return rows_; }
    int64_t columns() const { return columns_; }

    Values values;

    // All cells, row after row.
    std::span<int64_t> cells() { return values.cells_; }
    std::span<const int64_t> cells() const { return values.cells_; }

    // Each cell in decimal followed by one space, a line feed after each row; empty for a matrix without rows.
    std::string description() const;

    bool operator==(const Matrix &other) const
    {
        return rows_ == other.rows_ && columns_ == other.columns_ && values.cells_ == other.values.cells_;
    }

private:
    int64_t rows_;
    int64_t columns_;
};

using MatrixPtr = std::shared_ptr<Matrix>;

} // namespace mosavo
