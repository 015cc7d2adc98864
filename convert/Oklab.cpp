#include "convert/Oklab.h"

#include <algorithm>
#include <array>

namespace mosavo {

namespace {
// The 256 encoded values decoded once: most conversions start from 8-bit pixels.
const std::array<double, 256> &decodedBytes()
{
    static const std::array<double, 256> table = [] {
        std::array<double, 256> values {};
        for (size_t i = 0; i < values.size(); ++i)
            values[i] = srgbToLinear(double(i) / 255.0);
        return values;
    }();
    return table;
}
} // namespace

double srgbToLinear(double encoded)
{
    return encoded <= 0.04045 ? encoded / 12.92 : std::pow((encoded + 0.055) / 1.055, 2.4);
}

double linearToSrgb(double linear)
{
    linear = std::clamp(linear, 0.0, 1.0);
    return linear <= 0.0031308 ? linear * 12.92 : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
}

LinearRgb toLinear(Rgb8 rgb)
{
    const auto &table = decodedBytes();
    return { table[rgb.red], table[rgb.green], table[rgb.blue] };
}

Rgb8 toRgb8(const LinearRgb &linear)
{
    const auto byte = [](double channel) { return uint8_t(std::lround(linearToSrgb(channel) * 255.0)); };
    return { byte(linear.red), byte(linear.green), byte(linear.blue) };
}

Oklab toOklab(const LinearRgb &c)
{
    const double l = std::cbrt(0.4122214708 * c.red + 0.5363325363 * c.green + 0.0514459929 * c.blue);
    const double m = std::cbrt(0.2119034982 * c.red + 0.6806995451 * c.green + 0.1073969566 * c.blue);
    const double s = std::cbrt(0.0883024619 * c.red + 0.2817188376 * c.green + 0.6299787005 * c.blue);
    return { 0.2104542553 * l + 0.7936177850 * m - 0.0040720468 * s,
        1.9779984951 * l - 2.4285922050 * m + 0.4505937099 * s,
        0.0259040371 * l + 0.7827717662 * m - 0.8086757660 * s };
}

Oklab toOklab(Rgb8 rgb)
{
    return toOklab(toLinear(rgb));
}

LinearRgb toLinear(const Oklab &lab)
{
    const double l = lab.L + 0.3963377774 * lab.a + 0.2158037573 * lab.b;
    const double m = lab.L - 0.1055613458 * lab.a - 0.0638541728 * lab.b;
    const double s = lab.L - 0.0894841775 * lab.a - 1.2914855480 * lab.b;
    const double l3 = l * l * l, m3 = m * m * m, s3 = s * s * s;
    return { 4.0767416621 * l3 - 3.3077115913 * m3 + 0.2309699292 * s3,
        -1.2684380046 * l3 + 2.6097574011 * m3 - 0.3413193965 * s3,
        -0.0041960863 * l3 - 0.7034186147 * m3 + 1.7076147010 * s3 };
}

} // namespace mosavo
