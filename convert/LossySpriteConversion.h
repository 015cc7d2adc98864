#pragma once

#include "convert/LossyScreenConversion.h"
#include "convert/SpriteConversion.h"

#include <array>

namespace mosavo {

// Converts any picture into a metasprite as convertSpritePicture does, first bringing it within what sprites can
// show: pixels of alpha 128 or more are opaque, the others empty (in a picture without any, pixels exactly in the
// universal background colour are empty); the sprite sub-palettes are chosen for the cells by clustering them in
// OKLab (kept ones and given ones as they are, the others found for the places left); every cell takes the one that
// shows it best and its pixels are drawn in its three colours with the dithering asked for. The result carries its
// quality (tiles and perceptual error of the opaque pixels). Refused as convertSpritePicture refuses (offsets, too
// few free tiles, nothing opaque).
SpriteConversion convertSpritePictureLossy(const RgbaPicture &picture, const PatternTables &bank,
    const std::bitset<256> &tilesInUse, const SpriteConversionSettings &settings, const LossySettings &lossy);

// A picture in the four colours of one sub-palette: the colour index (0-3) of every pixel, and how near it comes.
struct TileColorReduction
{
    std::vector<uint8_t> indices;
    ConversionQuality quality;
};

// Brings a picture to the four colours of a target sub-palette (colour numbers; transparent pixels, alpha below 128,
// take colour 0), with the dithering asked for.
TileColorReduction reduceToSubPalette(const RgbaPicture &picture, const std::array<uint8_t, 4> &subPalette,
    const DisplayColors &display, int emphasis, Dithering dithering);
// The same for four colours given as they are shown.
TileColorReduction reduceToColors(const RgbaPicture &picture, const std::array<Rgb8, 4> &colors, Dithering dithering);

} // namespace mosavo
