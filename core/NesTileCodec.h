#pragma once

#include "core/Matrix.h"

#include <cstdint>

namespace mosavo {

// One tile in the NES format: 16 bytes, the first plane (bit 0 of each pixel) in bytes 0-7, the second plane (bit 1)
// in bytes 8-15, one byte a row, the leftmost pixel in bit 7.
namespace nes {

constexpr size_t bytesPerTile = 16;

// The 8 x 8 tile of colour indices 0-3 that 16 bytes hold.
MatrixPtr decodeTile(const uint8_t *bytes);
// Decodes into cells of an existing 8 x 8 matrix.
void decodeTileInto(const uint8_t *bytes, int64_t *cells);

} // namespace nes

} // namespace mosavo
