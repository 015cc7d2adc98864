#pragma once

#include "convert/Oklab.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mosavo {

// How a lossy conversion spreads colours it cannot show: not at all (each pixel its nearest colour), by an ordered
// 8 x 8 pattern (each pixel one of the two colours whose mix comes nearest, in the share the pattern gives), or by
// error diffusion (Floyd-Steinberg, row by row in alternate directions).
enum class Dithering { none, ordered, diffusion };

// "none", "ordered" or "diffusion"; nothing for any other name.
std::optional<Dithering> ditheringNamed(const std::string &name);
const char *ditheringName(Dithering dithering);

// A few colours a pixel may take (up to four), in linear light and OKLab.
struct DitherPalette
{
    std::vector<LinearRgb> linear;
    std::vector<Oklab> lab;

    void add(Rgb8 rgb)
    {
        linear.push_back(toLinear(rgb));
        lab.push_back(toOklab(rgb));
    }
};

// A picture in linear light to be shown in few colours: every pixel names the palette it may use (-1: none, the pixel
// is left out: nothing is diffused into or out of it and its index is 0).
struct DitherRequest
{
    int width = 0;
    int height = 0;
    std::vector<LinearRgb> pixels;
    std::vector<int> paletteOf;
    std::vector<DitherPalette> palettes;
};

// For every pixel, the position of its colour in its palette.
std::vector<uint8_t> ditherToPalettes(const DitherRequest &request, Dithering dithering);

// The position of the colour of palette nearest (OKLab) to lab.
int nearestColor(const DitherPalette &palette, const Oklab &lab);

} // namespace mosavo
