#pragma once

#include <cstdint>
#include <optional>

namespace mosavo {

// Tiles per side of a square block: in the editor the block it shows, in the viewer the block a click selects.
enum class ZoomSize : int64_t { x1 = 1, x2 = 2, x4 = 4, x8 = 8, x16 = 16 };

inline std::optional<ZoomSize> zoomSizeFromRaw(int64_t raw)
{
    switch (raw) {
    case 1:
    case 2:
    case 4:
    case 8:
    case 16:
        return ZoomSize(raw);
    default:
        return std::nullopt;
    }
}

// Tiles per side (n).
constexpr int64_t tilesPerSide(ZoomSize zoom)
{
    return int64_t(zoom);
}
// Pixels per side of the block of 8 x 8 tiles (8n).
constexpr int64_t pixelsPerSide(ZoomSize zoom)
{
    return 8 * int64_t(zoom);
}

enum class TilesPerView { x1, x4, x16 };

struct TileViewerMapper
{
    uint64_t x = 0;
    uint64_t y = 0;
    uint64_t width = 0;
    uint64_t height = 0;
};

} // namespace mosavo
