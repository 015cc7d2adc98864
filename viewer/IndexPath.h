#pragma once

#include <compare>
#include <cstdint>

namespace mosavo {

// One cell of the tile viewer: the viewer has a single section (0) and item = tile number.
struct IndexPath
{
    int64_t section = 0;
    int64_t item = 0;

    auto operator<=>(const IndexPath &) const = default;
};

} // namespace mosavo
