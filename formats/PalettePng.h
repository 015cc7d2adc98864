#pragma once

#include "core/Bytes.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <variant>
#include <vector>

namespace mosavo {

// A PNG writer of the program's own for palette pictures of two bits a pixel (four colours), for large tile sheets:
// the rows are made one at a time and deflated as they come, so that no picture of the whole sheet is ever held.
// The file holds IHDR (colour type 3, bit depth 2, not interlaced), PLTE, one IDAT and IEND; every row has filter 0
// (none), the deflate stream zlib level 6 with memory level 9 (palette pictures of two bits a pixel gain nothing from
// the other filters, and this is what common PNG writers use by default), except that stretches of rows (32 KiB) in
// which hardly any four bytes repeat (noise) are coded with Huffman codes alone (Z_HUFFMAN_ONLY), which is no larger
// and much quicker.

inline constexpr int palettePngLevel = 6;
inline constexpr int palettePngMemoryLevel = 9;

// Fills the packed row y of a picture of width pixels: (width + 3) / 4 bytes, four pixels a byte, the leftmost in the
// two highest bits.
using PackedRowSource = std::function<void(int64_t y, uint8_t *row)>;

// The PNG bytes of a width x height picture (each at least 1) of colour indices 0-3 whose four palette entries are the
// colours (0xRRGGBB); or why they cannot be made.
std::variant<Bytes, QString> encodePalettePng2(
    int64_t width, int64_t height, const std::vector<uint32_t> &colors, const PackedRowSource &rows);

} // namespace mosavo
