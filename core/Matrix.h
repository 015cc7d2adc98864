#pragma once

#include <array>
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
    // Row-major view of the cells: values[r] is the span of row r. The cells of a grid up to one 8 x 8 tile are kept
    // inside the object itself, so that a shared tile is one allocation; larger grids keep them in one heap block.
    class Values
    {
    public:
        std::span<int64_t> operator[](int64_t row) { return { data() + row * columns_, size_t(columns_) }; }
        std::span<const int64_t> operator[](int64_t row) const { return { data() + row * columns_, size_t(columns_) }; }
        int64_t size() const { return rows_; }
        bool empty() const { return rows_ == 0; }

        Values(const Values &other);
        Values(Values &&other) noexcept;
        Values &operator=(const Values &other);
        Values &operator=(Values &&other) noexcept;
        ~Values() = default;

    private:
        friend class Matrix;
        static constexpr size_t inlineCells = 64;

        Values(int64_t rows, int64_t columns);
        size_t count() const { return size_t(rows_ * columns_); }
        int64_t *data() { return heap_ ? heap_.get() : inline_.data(); }
        const int64_t *data() const { return heap_ ? heap_.get() : inline_.data(); }

        int64_t rows_;
        int64_t columns_;
        std::unique_ptr<int64_t[]> heap_; // set when there are more than inlineCells cells
        std::array<int64_t, inlineCells> inline_;
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
    std::span<int64_t> cells() { return { values.data(), values.count() }; }
    std::span<const int64_t> cells() const { return { values.data(), values.count() }; }

    // Each cell in decimal followed by one space, a line feed after each row; empty for a matrix without rows.
    std::string description() const;

    bool operator==(const Matrix &other) const;

private:
    int64_t rows_;
    int64_t columns_;
};

using MatrixPtr = std::shared_ptr<Matrix>;

} // namespace mosavo
