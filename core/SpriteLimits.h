#pragma once

#include "core/FrameRenderer.h"
#include "core/Metasprite.h"

#include <string>
#include <vector>

namespace mosavo {

// A metasprite of a document (its position in the list) placed as a program puts it in OAM: each sprite's OAM X and Y
// are x and y plus its offsets, so it is drawn from frame row y + offset + 1.
struct MetaspritePlacement
{
    int metasprite = 0;
    int x = 0;
    int y = 0;

    bool operator==(const MetaspritePlacement &) const = default;
};

// The sprites of the placements as OAM holds them (the first placement's sprites first, each metasprite in its own
// order; y is the first frame row drawn), each with the placement and the position in its metasprite it came from.
// Placements of missing metasprites, sprites off the screen (OAM X outside 0-255, Y outside 0-lastVisibleOamY) and
// sprites past the 64th are left out, as in an OAM dump of the placements.
struct PlacedMetaspriteSprite
{
    PlacedSprite sprite;
    int placement = 0;
    int index = 0;
};
std::vector<PlacedMetaspriteSprite> placeMetasprites(const std::vector<Metasprite> &metasprites,
                                                     const std::vector<MetaspritePlacement> &placements);

// One OAM of the placements, in the order given: each placed by the rules of oamBytes (core/Metasprite.h), its sprites
// in the entries after those the placements before it took. Placements of missing metasprites are passed over;
// sprites off the screen and past the 64th are left out, counted in leftOut for all the placements together.
std::array<uint8_t, 256> oamBytes(const std::vector<Metasprite> &metasprites,
    const std::vector<MetaspritePlacement> &placements, OamLeftOut *leftOut = nullptr);

// The report of Sprite > Check Limits: every frame row (0-239) with more than eight sprites on it, runs of rows with
// the same sprites on one line, naming the sprites the PPU does not draw there:
//   Scanlines 121-128: 9 sprites, 1 not drawn: "hero" at 128, 120 sprite 8 (tile $2A)
// or, when no row has more than eight, "No scanline has more than eight sprites." The first line says what was
// checked.
std::string spriteLimitsReport(const std::vector<Metasprite> &metasprites,
                               const std::vector<MetaspritePlacement> &placements, int spriteHeight);

} // namespace mosavo
