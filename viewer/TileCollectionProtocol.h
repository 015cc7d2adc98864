#pragma once

#include "core/TileData.h"
#include "editor/ZoomSize.h"

#include <cstdint>
#include <set>

namespace mosavo {

// What the editor controller needs of the tile viewer.
class TileCollectionProtocol
{
public:
    virtual ~TileCollectionProtocol() = default;

    // Tile numbers of the current block (positions past the last tile are not in it).
    virtual const std::set<int64_t> &selectedTiles() const = 0;
    // Side of the selection block in tiles; writing it rebuilds the block at the same top-left tile and reports it.
    virtual ZoomSize zoomSize() const = 0;
    virtual void setZoomSize(ZoomSize zoomSize) = 0;
    // Shows tileData (held weakly) and selects again at the remembered top-left tile.
    virtual void configure(TileDataPtr tileData) = 0;
};

} // namespace mosavo
