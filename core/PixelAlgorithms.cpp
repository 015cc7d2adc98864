#include "core/PixelAlgorithms.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

namespace mosavo::pixels {

namespace {

constexpr int64_t coordinateLimit = 4096;

Cell clamped(Cell cell)
{
    return { std::clamp(cell.x, -coordinateLimit, coordinateLimit),
        std::clamp(cell.y, -coordinateLimit, coordinateLimit) };
}

void plot(Matrix &matrix, int64_t x, int64_t y, int64_t value)
{
    if (x < 0 || y < 0 || x >= matrix.columns() || y >= matrix.rows())
        return;
    matrix.values[y][size_t(x)] = value;
}

// Columns first to last (inclusive) of row y, clipped to the matrix.
void plotRun(Matrix &matrix, int64_t y, int64_t first, int64_t last, int64_t value)
{
    if (y < 0 || y >= matrix.rows())
        return;
    first = std::max<int64_t>(first, 0);
    last = std::min<int64_t>(last, matrix.columns() - 1);
    if (first > last)
        return;
    auto row = matrix.values[y];
    std::fill(row.begin() + first, row.begin() + last + 1, value);
}

struct Span
{
    int64_t left = 0;
    int64_t right = -1;
};

// The cells of one row of an ellipse inscribed in a box. An odd side 2a + 1 is measured in doubled coordinates around
// the middle cell: a cell belongs to the ellipse when its centre lies inside the ellipse whose half-axes are a quarter
// cell short of the box's half-sides, so the middle row and column reach the sides and the end rows and columns keep at
// least their middle cell. An even side is drawn as the odd side one shorter with its middle row (or column) doubled,
// which keeps both halves mirror images of each other.
class EllipseRows
{
public:
    EllipseRows(Cell topLeft, int64_t width, int64_t height)
        : left_(topLeft.x)
        , top_(topLeft.y)
        , width_(width)
        , height_(height)
        , halfWidth_((width - 1) / 2)
        , halfHeight_((height - 1) / 2)
        , rx_(4 * halfWidth_ + 1)
        , ry_(4 * halfHeight_ + 1)
    { }

    int64_t top() const { return top_; }
    int64_t bottom() const { return top_ + height_ - 1; }

    // Empty for rows outside the box.
    Span span(int64_t y) const
    {
        if (y < top() || y > bottom())
            return {};
        int64_t row = y - top_;
        if (height_ % 2 == 0 && row > halfHeight_)
            --row; // the lower of the two middle rows repeats the upper one
        const int64_t dy = 2 * (row - halfHeight_);
        // (2 dx)^2 / rx^2 + (2 dy)^2 / ry^2 <= 1 with dx = 2 * cells from the middle column
        const int64_t bound = rx_ * rx_ * (ry_ * ry_ - 4 * dy * dy) / (16 * ry_ * ry_);
        int64_t cells = int64_t(std::sqrt(double(bound)));
        while (cells > 0 && cells * cells > bound)
            --cells;
        while ((cells + 1) * (cells + 1) <= bound)
            ++cells;
        cells = std::min(cells, halfWidth_);
        const int64_t middle = left_ + halfWidth_;
        return { middle - cells, middle + cells + (width_ % 2 == 0 ? 1 : 0) };
    }

private:
    int64_t left_;
    int64_t top_;
    int64_t width_;
    int64_t height_;
    int64_t halfWidth_;
    int64_t halfHeight_;
    int64_t rx_;
    int64_t ry_;
};

} // namespace

void drawLine(Matrix &matrix, Cell from, Cell to, int64_t value)
{
    from = clamped(from);
    to = clamped(to);
    const int64_t dx = std::abs(to.x - from.x);
    const int64_t dy = -std::abs(to.y - from.y);
    const int64_t stepX = from.x < to.x ? 1 : -1;
    const int64_t stepY = from.y < to.y ? 1 : -1;
    int64_t error = dx + dy;
    int64_t x = from.x;
    int64_t y = from.y;
    for (;;) {
        plot(matrix, x, y, value);
        if (x == to.x && y == to.y)
            break;
        const int64_t doubled = 2 * error;
        if (doubled >= dy) {
            error += dy;
            x += stepX;
        }
        if (doubled <= dx) {
            error += dx;
            y += stepY;
        }
    }
}

void drawRectangle(Matrix &matrix, Cell a, Cell b, int64_t value, bool filled)
{
    a = clamped(a);
    b = clamped(b);
    const int64_t left = std::min(a.x, b.x);
    const int64_t right = std::max(a.x, b.x);
    const int64_t top = std::min(a.y, b.y);
    const int64_t bottom = std::max(a.y, b.y);
    const int64_t firstRow = std::max<int64_t>(top, 0);
    const int64_t lastRow = std::min<int64_t>(bottom, matrix.rows() - 1);
    for (int64_t y = firstRow; y <= lastRow; ++y) {
        if (filled || y == top || y == bottom) {
            plotRun(matrix, y, left, right, value);
        } else {
            plot(matrix, left, y, value);
            plot(matrix, right, y, value);
        }
    }
}

void drawEllipse(Matrix &matrix, Cell a, Cell b, int64_t value, bool filled)
{
    a = clamped(a);
    b = clamped(b);
    const Cell topLeft { std::min(a.x, b.x), std::min(a.y, b.y) };
    const EllipseRows ellipse(topLeft, std::abs(a.x - b.x) + 1, std::abs(a.y - b.y) + 1);
    const int64_t firstRow = std::max<int64_t>(ellipse.top(), 0);
    const int64_t lastRow = std::min<int64_t>(ellipse.bottom(), matrix.rows() - 1);
    for (int64_t y = firstRow; y <= lastRow; ++y) {
        const Span row = ellipse.span(y);
        if (filled) {
            plotRun(matrix, y, row.left, row.right, value);
            continue;
        }
        // A cell is inside (not on the outline) when its four neighbours belong to the ellipse. The rows above and
        // below are centred on the same axis, so the narrower of the two bounds the inside of this row.
        const Span above = ellipse.span(y - 1);
        const Span below = ellipse.span(y + 1);
        const Span narrower = (above.right - above.left) < (below.right - below.left) ? above : below;
        const int64_t insideLeft = std::max(row.left + 1, narrower.left);
        const int64_t insideRight = std::min(row.right - 1, narrower.right);
        if (insideLeft > insideRight) {
            plotRun(matrix, y, row.left, row.right, value);
        } else {
            plotRun(matrix, y, row.left, insideLeft - 1, value);
            plotRun(matrix, y, insideRight + 1, row.right, value);
        }
    }
}

int64_t floodFill(Matrix &matrix, Cell seed, int64_t value)
{
    if (seed.x < 0 || seed.y < 0 || seed.x >= matrix.columns() || seed.y >= matrix.rows())
        return 0;
    const int64_t target = matrix.values[seed.y][size_t(seed.x)];
    if (target == value)
        return 0;
    int64_t changed = 0;
    std::vector<Cell> pending { seed };
    while (!pending.empty()) {
        const Cell cell = pending.back();
        pending.pop_back();
        if (cell.x < 0 || cell.y < 0 || cell.x >= matrix.columns() || cell.y >= matrix.rows())
            continue;
        int64_t &pixel = matrix.values[cell.y][size_t(cell.x)];
        if (pixel != target)
            continue;
        pixel = value;
        ++changed;
        pending.push_back({ cell.x + 1, cell.y });
        pending.push_back({ cell.x - 1, cell.y });
        pending.push_back({ cell.x, cell.y + 1 });
        pending.push_back({ cell.x, cell.y - 1 });
    }
    return changed;
}

} // namespace mosavo::pixels
