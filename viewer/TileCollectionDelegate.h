#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace mosavo {

class TileCollection;

// Told about every selection of the tile viewer (the editor controller implements it). The viewer holds it weakly:
// weakReference() reads as absent once the delegate is destroyed, whoever owns it.
class TileCollectionDelegate
{
public:
    TileCollectionDelegate() = default;
    TileCollectionDelegate(const TileCollectionDelegate &) { }
    TileCollectionDelegate &operator=(const TileCollectionDelegate &) { return *this; }
    virtual ~TileCollectionDelegate() = default;

    // tileNumbers: the selected block, top row first, each row left to right; -1 marks a position past the last tile.
    virtual void selected(TileCollection *tileCollection, const std::vector<std::vector<int64_t>> &tileNumbers) = 0;

    std::weak_ptr<TileCollectionDelegate> weakReference() const { return liveness_; }

private:
    // Shares no ownership: only its lifetime matters, so weak references expire with this object.
    std::shared_ptr<TileCollectionDelegate> liveness_ { this, [](TileCollectionDelegate *) {} };
};

} // namespace mosavo
