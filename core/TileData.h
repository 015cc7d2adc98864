#pragma once

#include "core/Bytes.h"
#include "core/Enums.h"
#include "core/Matrix.h"
#include "core/TileList.h"

#include <memory>
#include <optional>
#include <vector>

namespace mosavo {

// The collection of all tiles of one source. A tile's number is its index in matrices().
class TileData
{
public:
    virtual ~TileData() = default;

    // The 16-byte iNES header of the ROM image the tiles came from; absent for bare CHR data and blank data.
    virtual const std::optional<Bytes> &header() const = 0;
    virtual void setHeader(std::optional<Bytes> header) = 0;

    virtual TileList &matrices() = 0;
    virtual const TileList &matrices() const = 0;
    virtual void setMatrices(std::vector<MatrixPtr> matrices) = 0;

    virtual ConsoleType consoleType() const = 0;

    // All tiles in the console's byte format, header in front when there is one; absent when there are no tiles.
    virtual std::optional<Bytes> consoleFormattedPixelData() const = 0;

    virtual int64_t totalNumberTiles() const = 0;

    // Always absent: tile pixels are read through matrices().
    virtual std::optional<std::vector<std::vector<int64_t>>> pixels(int64_t tileNumber) const = 0;
};

using TileDataPtr = std::shared_ptr<TileData>;

} // namespace mosavo
