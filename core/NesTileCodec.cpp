#include "core/NesTileCodec.h"

#include <array>

namespace mosavo::nes {

namespace {
// bitsOfByte[b][i] is bit (7 - i) of b: the pixel columns a plane byte covers, leftmost first.
constexpr auto bitsOfByte = [] {
    std::array<std::array<int64_t, 8>, 256> table {};
    for (unsigned b = 0; b < 256; ++b)
        for (unsigned i = 0; i < 8; ++i)
            table[b][i] = (b >> (7 - i)) & 1u;
    return table;
}();
} // namespace

void decodeTileInto(const uint8_t *bytes, int64_t *cells)
{
    for (size_t r = 0; r < 8; ++r) {
        const auto &a = bitsOfByte[bytes[r]];
        const auto &b = bitsOfByte[bytes[r + 8]];
        for (size_t i = 0; i < 8; ++i)
            cells[r * 8 + i] = a[i] + 2 * b[i];
    }
}

MatrixPtr decodeTile(const uint8_t *bytes)
{
    auto tile = std::make_shared<Matrix>(8, 8);
    decodeTileInto(bytes, tile->cells().data());
    return tile;
}

} // namespace mosavo::nes
