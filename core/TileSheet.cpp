#include "core/TileSheet.h"

#include <algorithm>
#include <bit>
#include <limits>

namespace mosavo {

TileSheetCell tileSheetCell(TileSheetOrder order, int64_t columns, int64_t tileNumber)
{
    if (order == TileSheetOrder::rows8x8)
        return { tileNumber / columns, tileNumber % columns };
    const int64_t sprite = tileNumber / 2;
    return { (sprite / columns) * 2 + tileNumber % 2, sprite % columns };
}

int64_t tileSheetRows(TileSheetOrder order, int64_t columns, int64_t tileCount)
{
    if (tileCount <= 0)
        return 0;
    if (order == TileSheetOrder::rows8x8)
        return (tileCount + columns - 1) / columns;
    const int64_t sprites = (tileCount + 1) / 2;
    return (sprites + columns - 1) / columns * 2;
}

int64_t colorDistance(uint32_t a, uint32_t b)
{
    int64_t sum = 0;
    for (int shift : { 16, 8, 0 }) {
        const int64_t d = int64_t((a >> shift) & 0xFF) - int64_t((b >> shift) & 0xFF);
        sum += d * d;
    }
    return sum;
}

std::variant<NearestColorMapping, NearestColorRefusal> nearestColorMapping(
    std::span<const uint32_t> colors, const std::array<uint32_t, 4> &palette)
{
    constexpr size_t slotCount = 4;
    if (colors.size() > slotCount)
        return NearestColorRefusal { NearestColorRefusal::Reason::tooManyColors, slotCount, 0, 0 };

    // The palette colours nearest to each colour (several when equally near), as a bit set of slots.
    std::vector<unsigned> nearest(colors.size(), 0);
    for (size_t i = 0; i < colors.size(); ++i) {
        int64_t best = std::numeric_limits<int64_t>::max();
        for (size_t s = 0; s < slotCount; ++s) {
            const int64_t d = colorDistance(colors[i], palette[s]);
            if (d < best) {
                best = d;
                nearest[i] = 0;
            }
            if (d == best)
                nearest[i] |= 1u << s;
        }
    }

    // The first one-to-one choice, trying slots in palette order for each colour in turn (at most 4 x 3 x 2 x 1).
    NearestColorMapping mapping;
    mapping.colorIndices.assign(colors.size(), -1);
    auto choose = [&](auto &self, size_t i, unsigned taken) -> bool {
        if (i == colors.size())
            return true;
        for (size_t s = 0; s < slotCount; ++s)
            if ((nearest[i] & (1u << s)) && !(taken & (1u << s))) {
                mapping.colorIndices[i] = int(s);
                if (self(self, i + 1, taken | (1u << s)))
                    return true;
            }
        return false;
    };
    if (choose(choose, 0, 0))
        return mapping;

    // Name the first pair of colours that want the same palette colour.
    for (size_t i = 1; i < colors.size(); ++i)
        for (size_t j = 0; j < i; ++j)
            if (const unsigned shared = nearest[i] & nearest[j])
                return NearestColorRefusal { NearestColorRefusal::Reason::sharedSlot, i, j, std::countr_zero(shared) };
    // Not reached: without a shared nearest colour every colour has a palette colour of its own.
    return NearestColorRefusal { NearestColorRefusal::Reason::sharedSlot, 0, 0, 0 };
}

} // namespace mosavo
