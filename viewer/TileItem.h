#pragma once

#include "viewer/TileView.h"

namespace mosavo {

// One cell of the viewer as its data source makes it: the tile number, its matrix (absent when there is no tile to
// show) and its view. Items are values made when a cell is painted; no widget exists per tile.
struct TileItem
{
    int64_t index = 0;
    MatrixPtr matrix;
    bool selected = false;
    TileView tileView;
};

} // namespace mosavo
