#pragma once

#include "palette/PaletteProtocol.h"

#include <array>
#include <cstdint>
#include <optional>

namespace mosavo {

// The 64 colour numbers in display order: for each low digit, the numbers with high digit 0, 1, 2, 3.
extern const std::array<uint8_t, 64> nesKeyOrder;

// The master table's colour of an NES colour number 0x00-0x3F; nothing for any other number.
std::optional<Color> nesColor(int64_t colorNumber);
// The colour's 8-bit components exactly as in the table (0xRRGGBB); 0 for numbers outside it.
uint32_t nesRgb(int64_t colorNumber);

// All 64 master colours in display order.
class GeneralNESColorPalette : public PaletteProtocol
{
public:
    GeneralNESColorPalette();

    int64_t size() const override { return size_; }
    void setSize(int64_t size) { size_ = size; }
    const std::vector<ColorEntry> &palette() override { return palette_; }
    void setPalette(std::vector<ColorEntry> entries) override { palette_ = std::move(entries); }

    // The 64 entries in display order (a new list each call).
    static std::vector<ColorEntry> nesColors();
    // Position of a colour number in nesKeyOrder (0-63), or 64 when it is not a master colour number.
    static int64_t colorNumber(int64_t hexValue);

private:
    int64_t size_ = 64;
    std::vector<ColorEntry> palette_;
};

} // namespace mosavo
