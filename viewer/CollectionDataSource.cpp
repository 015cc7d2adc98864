#include "viewer/CollectionDataSource.h"

#include "viewer/TileCollection.h"

#include <algorithm>

namespace mosavo {

int64_t CollectionDataSource::numberOfItemsInSection(int64_t) const
{
    const TileDataPtr tiles = tileData.lock();
    if (!tiles)
        return 0;
    return std::clamp<int64_t>(tiles->totalNumberTiles(), 0, int64_t(tiles->matrices().size()));
}

TileItem CollectionDataSource::itemForIndexPath(IndexPath indexPath) const
{
    TileItem item;
    const TileDataPtr tiles = tileData.lock();
    if (!tiles)
        return item;
    const int64_t n = indexPath.item;
    if (n >= 0 && n < int64_t(tiles->matrices().size()))
        item.matrix = tiles->matrices()[size_t(n)];
    item.index = n;
    item.selected = tileCollection && tileCollection->selectedTiles().contains(n);
    item.tileView.isSelected = item.selected;
    item.tileView.number = n;
    if (tileCollection)
        item.tileView.palette = tileCollection->displayPalette();
    if (item.matrix)
        item.tileView.matrix = item.matrix;
    return item;
}

} // namespace mosavo
