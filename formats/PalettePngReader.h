#pragma once

#include "core/Bytes.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace mosavo {

// A reader of the program's own for plain palette PNG pictures, the usual form of a tile sheet: colour type 3 of
// 2, 4 or 8 bits a pixel, not interlaced, without transparency (tRNS), every chunk's CRC right. It reads the rows one
// at a time, so that no picture of the whole sheet is held. Anything else (other colour types or depths, interlacing,
// transparency, an unknown critical chunk, damage of any kind) it leaves to the general picture reader, which reads
// it the same way or says what is wrong.
class PalettePngReader
{
public:
    // The reader over png (which must outlive it), or nothing when the bytes are not such a picture.
    static std::optional<PalettePngReader> open(std::span<const uint8_t> png);

    int64_t width() const { return width_; }
    int64_t height() const { return height_; }
    // The palette's colours, 0xAARRGGBB with alpha 255.
    const std::vector<uint32_t> &palette() const { return palette_; }

    // Bits a pixel: 2, 4 or 8.
    int bitDepth() const { return bitDepth_; }

    // Calls row(y, packed) for every row, top first, with the row's bytes as the picture packs them: bitDepth() bits
    // a pixel, the leftmost pixel in the highest bits of the first byte. False when the picture data is damaged or
    // cut short, or holds more or less than the rows; row may stop the reading by returning false, which is then
    // returned.
    bool readRows(const std::function<bool(int64_t y, const uint8_t *packed)> &row) const;

private:
    PalettePngReader() = default;

    int64_t width_ = 0;
    int64_t height_ = 0;
    int bitDepth_ = 8;
    std::vector<uint32_t> palette_;
    std::vector<std::span<const uint8_t>> data_;
};

} // namespace mosavo
