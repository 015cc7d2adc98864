#include "viewer/CollectionDelegate.h"

#include "editor/MosavoLogging.h"
#include "viewer/TileCollection.h"

#include <algorithm>

namespace mosavo {

void CollectionDelegate::didSelectItemsAt(TileCollection *collectionView, const std::vector<IndexPath> &indexPaths)
{
    const std::shared_ptr<TileCollectionDelegate> controller = tileCollectionDelegate.lock();
    if (indexPaths.empty() || !controller) {
        qCWarning(mosavoLog).noquote() << "WARN: didSelectItemsAt index path was zero";
        return;
    }
    IndexPath clicked = indexPaths.front();
    const int64_t tileCount = collectionView ? collectionView->collectionDataSource().numberOfItemsInSection() : 0;
    clicked.item = std::clamp<int64_t>(clicked.item, 0, std::max<int64_t>(0, tileCount - 1));

    if (collectionView)
        for (int64_t n : previouslySelectedTiles)
            collectionView->setNeedsDisplay(n);

    const int64_t dimension = tilesPerSide(zoomSize);
    const IndexPath position { clicked.section,
        std::max<int64_t>(0, displayIndexOfTile(arrangement, clicked.item, tileCount)) };
    const IndexPath topLeft = adjustCursorPosition(position, dimension);
    const int64_t topLeftTile = tileNumberAtDisplayIndex(arrangement, topLeft.item, tileCount);
    indexPathForSelectedTile = { topLeft.section, topLeftTile >= 0 ? topLeftTile : topLeft.item };
    std::vector<std::vector<int64_t>> block = setSelectableTiles(collectionView, topLeft, dimension);

    previouslySelectedTiles.clear();
    for (const auto &row : block)
        for (int64_t n : row)
            if (n >= 0)
                previouslySelectedTiles.insert(n);

    if (collectionView) {
        if (!block.empty() && !block.front().empty() && block.front().front() >= 0)
            collectionView->currentlySelectedTile_ = block.front().front();
        collectionView->selectedTileIDs_ = block;
    }
    controller->selected(collectionView, block);
}

IndexPath CollectionDelegate::adjustCursorPosition(IndexPath cursorPoint, int64_t dimension) const
{
    const int64_t columns = numberOfColumns;
    if (columns <= 0)
        return { cursorPoint.section, 0 };
    int64_t row = cursorPoint.item / columns;
    int64_t column = cursorPoint.item % columns;
    if (column + dimension > columns)
        column = column - (dimension - 1);
    if (row + dimension > numberOfRows)
        row = row - (dimension - 1);
    row = std::clamp<int64_t>(row, 0, std::max<int64_t>(0, numberOfRows - 1));
    column = std::clamp<int64_t>(column, 0, columns - 1);
    return { cursorPoint.section, row * columns + column };
}

std::vector<std::vector<int64_t>> CollectionDelegate::setSelectableTiles(
    TileCollection *collectionView, IndexPath from, int64_t dimension)
{
    const int64_t tileCount = collectionView ? collectionView->collectionDataSource().numberOfItemsInSection() : 0;
    std::vector<std::vector<int64_t>> block;
    const int64_t firstColumn = numberOfColumns > 0 ? from.item % numberOfColumns : 0;
    std::set<int64_t> chosen;
    for (int64_t r = 0; r < dimension; ++r) {
        std::vector<int64_t> row;
        for (int64_t c = 0; c < dimension; ++c) {
            const int64_t position = from.item + r * numberOfColumns + c;
            // A block never wraps into the next grid row.
            const int64_t n
                = firstColumn + c < numberOfColumns ? tileNumberAtDisplayIndex(arrangement, position, tileCount) : -1;
            if (n < 0) {
                row.push_back(-1);
                continue;
            }
            chosen.insert(n);
            if (collectionView)
                collectionView->setNeedsDisplay(n);
            row.push_back(n);
        }
        block.push_back(std::move(row));
    }
    if (collectionView)
        collectionView->selectedTiles_ = std::move(chosen);
    return block;
}

} // namespace mosavo
