#pragma once

#include "core/TileData.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace mosavo {

class Mosavo;

// Receives the edits of the pixel editor (the editor controller implements it). The editor holds it weakly:
// weakReference() reads as absent once the data source is destroyed, whoever owns it.
class MosavoDataSource
{
public:
    MosavoDataSource() = default;
    MosavoDataSource(const MosavoDataSource &) { }
    MosavoDataSource &operator=(const MosavoDataSource &) { return *this; }
    virtual ~MosavoDataSource() = default;

    // Called once per finished gesture. tileData holds the n x n tiles now shown, row by row; tile k belongs to tile
    // number tileNumbers[k]. Positions without a valid tile number (fewer numbers than tiles, a negative number or one
    // past the last tile) are filler squares and belong to no tile.
    virtual void updated(Mosavo *mosavo, TileDataPtr tileData, const std::vector<int64_t> &tileNumbers) = 0;

    std::weak_ptr<MosavoDataSource> weakReference() const { return liveness_; }

private:
    // Shares no ownership: only its lifetime matters, so weak references expire with this object.
    std::shared_ptr<MosavoDataSource> liveness_ { this, [](MosavoDataSource *) {} };
};

} // namespace mosavo
