#include "core/PatternTables.h"

#include <algorithm>

namespace mosavo {

namespace {
// One tile's 16 NES bytes (low plane, then high plane) to 64 colour indices.
void decodeTile(const uint8_t *bytes, uint8_t *out)
{
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const int bit = 7 - x;
            out[y * 8 + x] = uint8_t(((bytes[y] >> bit) & 1) | (((bytes[y + 8] >> bit) & 1) << 1));
        }
}
} // namespace

void PatternTables::setTile(int index, const Matrix &tile)
{
    if (index < 0 || index >= tileCount || tile.rows() < 8 || tile.columns() < 8)
        return;
    uint8_t *out = &pixels[size_t(index * 64)];
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const int64_t value = tile.values[y][x];
            out[y * 8 + x] = uint8_t(value < 0 || value > 3 ? 3 : value);
        }
}

PatternTables PatternTables::fromChr(std::span<const uint8_t> chr)
{
    PatternTables tables;
    const size_t tiles = std::min<size_t>(chr.size() / 16, tileCount);
    for (size_t t = 0; t < tiles; ++t)
        decodeTile(chr.data() + t * 16, &tables.pixels[t * 64]);
    return tables;
}

PatternTables PatternTables::fromTiles(const TileData &tiles, int64_t firstTile)
{
    PatternTables tables;
    const TileList &list = tiles.matrices();
    for (int t = 0; t < tileCount; ++t) {
        const int64_t number = firstTile + t;
        if (number < 0 || number >= int64_t(list.size()))
            continue;
        if (const uint8_t *bytes = list.sourceBytes(size_t(number)))
            decodeTile(bytes, &tables.pixels[size_t(t * 64)]);
        else if (const MatrixPtr &matrix = list[size_t(number)])
            tables.setTile(t, *matrix);
    }
    return tables;
}

} // namespace mosavo
