#pragma once

#include "convert/Oklab.h"
#include "palette/DisplayColors.h"

#include <cstdint>
#include <span>
#include <vector>

namespace mosavo {

// How far (OKLab distance, after the fit below) a picture colour may lie from the display colour it is read as for an
// exact reading to take it. Emulator palettes within the shifts fitColors models come back within about 0.01; 0.05 is
// a clearly visible difference (2.5 times the smallest one sees), so anything further was not drawn in those colours.
inline constexpr double colorTooFarDistance = 0.05;

// A global change of display colours as emulator palettes differ from one another: the hue turned (degrees, in the
// YUV plane of the video signal), the saturation scaled, and the encoded channels raised to a power (a display gamma
// of 2.2 * gammaRatio where the program's table assumes 2.2).
struct DisplayShift
{
    double hueDegrees = 0.0;
    double saturation = 1.0;
    double gammaRatio = 1.0;
};

// An encoded (sRGB-like) colour with the shift applied, in OKLab.
Oklab shiftedColor(Rgb8 rgb, const DisplayShift &shift);

// The colours of a picture to read as colour numbers.
struct ColorFitRequest
{
    // The picture's distinct colours, and (optionally, same length) how many pixels show each.
    std::vector<Rgb8> colors;
    std::vector<double> weights;
    const DisplayColors *displayColors = nullptr;
    int emphasis = emphasisNone;
    // Colour numbers the document's palette uses: where several numbers show one display colour, these win.
    std::vector<uint8_t> preferredNumbers;
};

// One colour number per picture colour, in the request's order.
struct ColorFit
{
    std::vector<uint8_t> numbers;
    // OKLab distance of each colour to the display colour of its number as shifted by the fit.
    std::vector<double> distances;
    // The shift of the display colours that fits the picture best.
    DisplayShift shift;

    // Position of the first colour further than colorTooFarDistance, or -1.
    int firstTooFar() const;
};

// Reads the colours as a whole: the shift within hue -12..12 degrees, saturation 0.8-1.2 and gamma ratio 0.88-1.12
// that brings the picture's colours nearest to display colours is found, and every colour takes the nearest shifted
// display colour, distinct colours distinct display colours where there are enough (an assignment of least total
// distance; a colour it would put clearly further than its nearest keeps its nearest). When no shift fits better than
// none, a colour that is exactly a display colour is read as that colour. Among numbers showing one display colour the
// choice is preferredColorNumber's.
ColorFit fitColors(const ColorFitRequest &request);

// The number to write for a display colour several numbers show (number being one of them): one of preferred (the
// first listed) that shows it, else $30 for white, else $0F for black, else the lowest number but $0D, which some
// televisions cannot show steadily.
uint8_t preferredColorNumber(
    const DisplayColors &colors, int emphasis, uint8_t number, std::span<const uint8_t> preferred = {});

} // namespace mosavo
