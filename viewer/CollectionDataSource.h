#pragma once

#include "core/TileData.h"
#include "viewer/IndexPath.h"
#include "viewer/TileItem.h"

#include <QPointer>

#include <memory>

namespace mosavo {

class TileCollection;

// Answers the viewer's two questions: how many items there are and what the item at an index path shows.
class CollectionDataSource
{
public:
    // The tiles shown; owned by the editor settings.
    std::weak_ptr<TileData> tileData;
    // Back-reference to the viewer, set by its configure.
    QPointer<TileCollection> tileCollection;

    // 0 without tile data; otherwise the number of tiles (never more than the tile list holds, never negative).
    int64_t numberOfItemsInSection(int64_t section = 0) const;
    // The tile at indexPath.item: its matrix (absent without tile data or outside the tile list), whether the viewer
    // has it selected, and the palette the viewer draws it with.
    TileItem itemForIndexPath(IndexPath indexPath) const;
};

} // namespace mosavo
