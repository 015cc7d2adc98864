#pragma once

#include "core/Matrix.h"

#include <cstdint>

namespace mosavo {

// One cell of a matrix: x is the column, y the row (row 0 at the top).
struct Cell
{
    int64_t x = 0;
    int64_t y = 0;
    bool operator==(const Cell &) const = default;
};

// Pixel drawing on a colour-index matrix. Every function writes value into the cells it covers; cells outside the
// matrix are skipped (the shape is clipped, not moved), so corners may lie anywhere. Corners further than 4096 cells
// from the origin are pulled in to that distance.
namespace pixels {

// The Bresenham line from `from` to `to`, both ends included; 8-connected, no gaps.
void drawLine(Matrix &matrix, Cell from, Cell to, int64_t value);

// The rectangle with opposite corners a and b (inclusive): its one-cell border, or the whole area when filled.
void drawRectangle(Matrix &matrix, Cell a, Cell b, int64_t value, bool filled);

// The ellipse inscribed in the rectangle with opposite corners a and b (inclusive). It touches all four sides of
// the rectangle, is symmetric about both of its axes and its outline is 8-connected, also for rectangles one or
// two cells wide. filled paints the inside as well.
void drawEllipse(Matrix &matrix, Cell a, Cell b, int64_t value, bool filled);

// Replaces the 4-connected region of equal value around seed with value. Nothing when seed lies outside the
// matrix. Returns the number of cells changed.
int64_t floodFill(Matrix &matrix, Cell seed, int64_t value);

} // namespace pixels

} // namespace mosavo
