#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace mosavo {

// How close a converted picture comes to its source, and the tiles it took.
struct ConversionQuality
{
    // Distinct tiles the result uses, and how many of them are new in the pattern table.
    int tilesUsed = 0;
    int newTiles = 0;
    // The perceptual error (see measureError): its mean over the picture, and the worst mean of one 16 x 16 area with
    // that area's top-left pixel.
    double meanError = 0.0;
    double worstError = 0.0;
    int worstX = 0;
    int worstY = 0;
};

// The perceptual error between two RGBA8 pictures of one size: each is smoothed in linear light by a 5 x 5 binomial
// filter (as the eye blends neighbouring pixels at a normal viewing distance, so a dithered pattern counts as the
// colour it makes), and the OKLab distance of the two at every pixel is the error there. Pixels that are transparent
// (alpha 0) in the source are left out. Fills the error figures of quality (the tile counts are left as they are).
void measureError(std::span<const uint8_t> source, std::span<const uint8_t> result, int width, int height,
    ConversionQuality &quality);

// "212 tiles (180 new), perceptual error mean 0.021, worst 0.084 in the 16 x 16 area at (112, 64)"
std::string qualityText(const ConversionQuality &quality);

} // namespace mosavo
