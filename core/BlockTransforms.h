#pragma once

#include "core/Matrix.h"

#include <cstdint>

namespace mosavo {

// Whole-picture transforms of a block of tiles (the editor's n x n block as one matrix). Each returns a new matrix of
// the same kind; the input is not changed.
namespace transforms {

MatrixPtr flipHorizontal(const Matrix &picture);
MatrixPtr flipVertical(const Matrix &picture);
// A quarter turn; a non-square picture turns into a picture of swapped width and height.
MatrixPtr rotateClockwise(const Matrix &picture);
MatrixPtr rotateCounterClockwise(const Matrix &picture);
// Moves every cell by (dx, dy), wrapping around the edges.
MatrixPtr shift(const Matrix &picture, int64_t dx, int64_t dy);
// Every cell set to value.
MatrixPtr filled(const Matrix &picture, int64_t value);

} // namespace transforms

} // namespace mosavo
