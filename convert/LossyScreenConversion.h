#pragma once

#include "convert/Dithering.h"
#include "convert/ScreenConversion.h"

#include <functional>
#include <optional>

namespace mosavo {

// How a picture is made to fit what the console can show.
struct LossySettings
{
    Dithering dithering = Dithering::none;
    // At most this many new tiles (never more than the pattern table has room for).
    std::optional<int> maxTiles;
    // Asked now and then with the share of the work done (0-1); when it says no, the conversion stops and is refused
    // with cancelledText.
    std::function<bool(double)> progress;
};

// The refusal of a conversion its progress function stopped.
inline constexpr const char *cancelledText = "the conversion was cancelled";

// Converts any 256 x 240 picture into a screen that obeys every rule of the console, coming as near the picture as it
// can (the request's pixels need not be display colours; fitColors, subPalettes aside, is not used):
// - the universal background colour and four sub-palettes of three colours are chosen for the whole picture (given
//   sub-palettes are used as they are): the 16 x 16 areas are clustered in OKLab by the colours they need;
// - every area takes the sub-palette that shows it best, and its pixels are drawn in that sub-palette's four colours
//   with the dithering asked for (a transparent pixel is the universal background colour);
// - identical tiles are shared, cells equal to a tile of the pattern table use it, and while more new tiles are
//   needed than maxTiles or the room in the pattern table (blank tiles tilesInUse does not mark), the two groups of
//   cells whose merging adds least error to the whole picture share one tile.
// The result carries its quality: tiles used and new, mean and worst perceptual error and where. Refused only for a
// picture of another size or one the pattern table cannot take at all (no room for even one new tile it needs).
ScreenConversionResult convertScreenPictureLossy(const ScreenPictureRequest &request, const LossySettings &settings);

} // namespace mosavo
