// The tile sheet reader straight to NES bytes (formats/TileSheetChr's chrFromPng, with its own reader of palette PNG
// pictures) over any bytes: it never crashes, and it reads exactly as tilesFromPng does, the general reader through
// tile objects: the same tiles, or the same reason.
#include "FuzzSupport.h"

#include "formats/TileSheetChr.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace mosavo;
    if (size > 16384)
        return 0;
    // A PNG header that declares a large picture only slows the run (both readers refuse the same sizes).
    if (size >= 24) {
        const auto side = [&](size_t at) {
            return uint32_t(data[at]) << 24 | uint32_t(data[at + 1]) << 16 | uint32_t(data[at + 2]) << 8 | data[at + 3];
        };
        if (side(16) > 256 || side(20) > 256)
            return 0;
    }
    const Bytes input = fuzz::bytesOf(data, size);
    const auto order = size % 2 ? TileSheetOrder::sprites8x16 : TileSheetOrder::rows8x8;
    const auto chr = chrFromPng(input, order);
    const auto tiles = tilesFromPng(input, order);
    fuzz::require(chr.index() == tiles.index(), "both readers read the picture, or both refuse it");
    if (const auto *reason = std::get_if<QString>(&tiles)) {
        fuzz::require(std::get<QString>(chr) == *reason, "the same reason");
        return 0;
    }
    const SheetChr &sheet = std::get<SheetChr>(chr);
    const SheetTiles &objects = std::get<SheetTiles>(tiles);
    fuzz::require(sheet.tileCount() == objects.tiles.size(), "the same number of tiles");
    fuzz::require(sheet.colorMapping == objects.colorMapping, "the same account of the colours");
    for (size_t n = 0; n < objects.tiles.size(); ++n)
        for (int64_t r = 0; r < 8; ++r) {
            uint8_t low = 0, high = 0;
            for (int64_t c = 0; c < 8; ++c) {
                const int64_t value = objects.tiles[n]->values[r][size_t(c)];
                low = uint8_t(low << 1 | (value & 1));
                high = uint8_t(high << 1 | (value >> 1 & 1));
            }
            fuzz::require(sheet.chr[n * 16 + size_t(r)] == low && sheet.chr[n * 16 + 8 + size_t(r)] == high,
                "the same tile bytes");
        }
    return 0;
}
