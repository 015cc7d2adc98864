#pragma once

#include "palette/DisplayColors.h"

#include <cmath>

namespace mosavo {

// A colour in linear light (sRGB primaries), each channel 0.0-1.0.
struct LinearRgb
{
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
};

// A colour in the OKLab perceptual space: lightness L (0 black to 1 white) and the opponent axes a (green-red) and b
// (blue-yellow). Euclidean distance in it follows how different two colours look; 0.02 is about the smallest
// difference one sees side by side.
struct Oklab
{
    double L = 0.0;
    double a = 0.0;
    double b = 0.0;
};

// The sRGB transfer: an 8-bit or 0.0-1.0 encoded channel to linear light and back.
double srgbToLinear(double encoded);
double linearToSrgb(double linear);
LinearRgb toLinear(Rgb8 rgb);
// Rounded to 8 bits, clamped.
Rgb8 toRgb8(const LinearRgb &linear);

Oklab toOklab(const LinearRgb &linear);
Oklab toOklab(Rgb8 rgb);
LinearRgb toLinear(const Oklab &lab);

inline double squaredDistance(const Oklab &x, const Oklab &y)
{
    const double dL = x.L - y.L, da = x.a - y.a, db = x.b - y.b;
    return dL * dL + da * da + db * db;
}

inline double distance(const Oklab &x, const Oklab &y)
{
    return std::sqrt(squaredDistance(x, y));
}

} // namespace mosavo
