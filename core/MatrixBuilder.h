#pragma once

#include "core/GraphicEditor.h"
#include "core/Matrix.h"

#include <optional>
#include <vector>

namespace mosavo {

// Assembles a grid of tiles into one Matrix, and cuts a canvas's colour grid back into tiles.
class MatrixBuilder
{
public:
    // Every slot starts as the one shared all-zero tile of the configured shape.
    MatrixBuilder(int64_t columns, int64_t rows, int64_t pixelsPerMatrixColumns, int64_t pixelsPerMatrixRows);

    // matrices[i][j]: the tile at tile-row i, tile-column j.
    std::vector<std::vector<MatrixPtr>> matrices;
    int64_t columns;
    int64_t rows;
    MatrixPtr matrixConfiguration;

    // One matrix of (tile rows x rows) by (tile columns x columns); cells that fall outside are dropped.
    MatrixPtr createMatrix() const;

    // The tiles of the canvas in reading order, each shaped like configuration; nothing when either shape is empty or
    // the canvas is not a whole number of tiles in each direction.
    static std::optional<std::vector<MatrixPtr>> convertToMatrices(const GraphicEditor &canvas,
                                                                   const Matrix &configuration);
    static std::optional<std::vector<MatrixPtr>> convertToMatrices(const Matrix &picture, const Matrix &configuration);
};

} // namespace mosavo
