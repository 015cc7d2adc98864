#pragma once

#include "editor/ZoomSize.h"
#include "viewer/IndexPath.h"
#include "viewer/TileArrangement.h"
#include "viewer/TileCollectionDelegate.h"

#include <QPointer>

#include <cstdint>
#include <memory>
#include <set>
#include <vector>

namespace mosavo {

class TileCollection;

// Turns a clicked tile into a square block of zoomSize tiles, highlights it, stores it in the viewer and reports it
// row by row to the viewer's TileCollectionDelegate. Blocks are square in display positions (row x 16 + column of the
// viewer's grid); the tile numbers reported are those the positions show in the viewer's arrangement.
class CollectionDelegate
{
public:
    // The controller; copied from the viewer when the grid is sized.
    std::weak_ptr<TileCollectionDelegate> tileCollectionDelegate;
    QPointer<TileCollection> tileCollection;
    IndexPath indexPathForSelectedTile;
    ZoomSize zoomSize = ZoomSize::x4;
    // Kept equal to the viewer's arrangement.
    TileArrangement arrangement = TileArrangement::rows8x8;
    // Display rows of the grid.
    int64_t numberOfRows = 0;
    int64_t numberOfColumns = 0;
    // Tile numbers of the last block, un-highlighted by the next selection.
    std::set<int64_t> previouslySelectedTiles;

    // Selects the block for the first index path, whose item is a tile number (the others are ignored); a click past
    // the last tile counts as a click on the last tile. Without index paths or a controller it only logs.
    void didSelectItemsAt(TileCollection *collectionView, const std::vector<IndexPath> &indexPaths);

    // The block's top-left display position for a clicked display position: a block running over the right (bottom)
    // edge ends at the clicked column (row) instead of starting there; the result is then kept inside the grid (row
    // and column at least 0, at most the last row and column).
    IndexPath adjustCursorPosition(IndexPath cursorPoint, int64_t dimension) const;

    // The block of dimension x dimension tile numbers shown from display position from on, rows top first; positions
    // without a tile (past the last tile, or past the grid's right edge) are -1 and are neither highlighted nor kept in
    // the viewer's selectedTiles.
    std::vector<std::vector<int64_t>> setSelectableTiles(
        TileCollection *collectionView, IndexPath from, int64_t dimension);
};

} // namespace mosavo
