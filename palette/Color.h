#pragma once

#include <cstdint>

namespace mosavo {

// An RGB colour with alpha, each component 0.0-1.0.
struct Color
{
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
    double alpha = 1.0;

    static constexpr Color fromRgb255(int r, int g, int b) { return { r / 255.0, g / 255.0, b / 255.0, 1.0 }; }
    bool operator==(const Color &) const = default;
};

// One palette entry: an NES colour number and its colour.
struct ColorEntry
{
    int64_t colorCode = 0;
    Color color;
    bool operator==(const ColorEntry &) const = default;
};

} // namespace mosavo
