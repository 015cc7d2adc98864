#include "palette/NESColors.h"

namespace mosavo {

namespace {
// The master table, colour number 0x00 to 0x3F, as 0xRRGGBB.
constexpr std::array<uint32_t, 64> masterRgb = {
    0x545454, 0x001E74, 0x081090, 0x300088, 0x440064, 0x5C0030, 0x540400, 0x3C1800, // 0x00
    0x202A00, 0x083A00, 0x004000, 0x003C00, 0x00323C, 0x000000, 0x000000, 0x000000, // 0x08
    0x989698, 0x084CC4, 0x3032EC, 0x5C1EE4, 0x8814B0, 0xA01464, 0x982220, 0x783C00, // 0x10
    0x545A00, 0x287200, 0x087C00, 0x007628, 0x006678, 0x000000, 0x000000, 0x000000, // 0x18
    0xECEEEC, 0x4C9AEC, 0x787CEC, 0xB062EC, 0xE454EC, 0xEC58B4, 0xEC6A64, 0xD48820, // 0x20
    0xA0AA00, 0x74C400, 0x4CD020, 0x38CC6C, 0x38B4CC, 0x3C003C, 0x000000, 0x000000, // 0x28
    0xECEEEC, 0xA8CCEC, 0xBCBCEC, 0xD4B2EC, 0xECAEEC, 0xECAED4, 0xECB4B0, 0xE4C490, // 0x30
    0xCCD278, 0xB4DE78, 0xA8E290, 0x98E2B4, 0xA0D6E4, 0xA0A2A0, 0x000000, 0x000000, // 0x38
};

// Built once (a function-local static is initialised exactly once, even under concurrent first use).
const std::array<Color, 64> &masterColors()
{
    static const std::array<Color, 64> colors = [] {
        std::array<Color, 64> table;
        for (size_t i = 0; i < table.size(); ++i) {
            const uint32_t rgb = masterRgb[i];
            table[i] = Color::fromRgb255(int(rgb >> 16), int((rgb >> 8) & 0xFF), int(rgb & 0xFF));
        }
        return table;
    }();
    return colors;
}
} // namespace

const std::array<uint8_t, 64> nesKeyOrder = [] {
    std::array<uint8_t, 64> order {};
    for (unsigned low = 0; low < 16; ++low)
        for (unsigned high = 0; high < 4; ++high)
            order[low * 4 + high] = uint8_t(high * 16 + low);
    return order;
}();

std::optional<Color> nesColor(int64_t colorNumber)
{
    if (colorNumber < 0 || colorNumber >= 64)
        return std::nullopt;
    return masterColors()[size_t(colorNumber)];
}

uint32_t nesRgb(int64_t colorNumber)
{
    return (colorNumber >= 0 && colorNumber < 64) ? masterRgb[size_t(colorNumber)] : 0;
}

GeneralNESColorPalette::GeneralNESColorPalette()
    : palette_(nesColors())
{
}

std::vector<ColorEntry> GeneralNESColorPalette::nesColors()
{
    std::vector<ColorEntry> entries;
    entries.reserve(nesKeyOrder.size());
    for (uint8_t number : nesKeyOrder)
        entries.push_back({ number, masterColors()[number] });
    return entries;
}

int64_t GeneralNESColorPalette::colorNumber(int64_t hexValue)
{
    const auto byte = uint8_t(hexValue);
    for (size_t i = 0; i < nesKeyOrder.size(); ++i)
        if (nesKeyOrder[i] == byte)
            return int64_t(i);
    return int64_t(nesKeyOrder.size());
}

} // namespace mosavo
