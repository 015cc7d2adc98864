#pragma once

#include "core/Bytes.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace mosavo {

// One hardware sprite of a metasprite, placed relative to the metasprite's origin.
struct MetaspriteSprite
{
    int x = 0; // offset from the origin, -128..127
    int y = 0;
    uint8_t tile = 0; // for 8x16 sprites bit 0 picks the pattern table and the top half is tile & 0xFE
    int subPalette = 4; // 4-7
    bool flipHorizontally = false;
    bool flipVertically = false;
    bool behindBackground = false;

    // The OAM attribute byte: bits 0-1 sub-palette - 4, bit 5 behind the background, bit 6 and 7 the flips.
    uint8_t attributes() const;
    void setAttributes(uint8_t attributes);

    bool operator==(const MetaspriteSprite &) const = default;
};

// A named, ordered list of sprites: the first is drawn in front of the others.
struct Metasprite
{
    std::string name;
    std::vector<MetaspriteSprite> sprites;

    bool operator==(const Metasprite &) const = default;
};

// One step of an animation: a metasprite shown for a number of frames (1/60 s each).
struct AnimationFrame
{
    int metasprite = 0;
    int duration = 1;

    bool operator==(const AnimationFrame &) const = default;
};

struct Animation
{
    std::string name;
    std::vector<AnimationFrame> frames;

    bool operator==(const Animation &) const = default;
};

// The byte that ends a metasprite in its table.
constexpr uint8_t metaspriteTableEnd = 128;

// The table NES C libraries draw a metasprite from: x offset, y offset, tile, attributes for each sprite (offsets as
// signed bytes), then the byte 128.
Bytes metaspriteTableBytes(const Metasprite &metasprite);

// OAM holds 64 sprites of 4 bytes.
constexpr size_t oamEntries = 64;

// Unused OAM entries hold this Y, which puts them below the screen.
constexpr uint8_t oamHiddenY = 0xFF;

// The largest Y of a sprite the picture shows a line of (it is drawn from the line below its Y).
constexpr int lastVisibleOamY = 238;

// 64 entries of Y, tile, attributes, X: the metasprite's sprites first, in its order, at Y = y + offset and
// X = x + offset (a sprite shows one line below its Y). Sprites off the screen (X outside 0-255, Y outside
// 0-lastVisibleOamY) and sprites beyond the 64th are left out (counted in leftOut when given); every other entry has
// Y = oamHiddenY.
struct OamLeftOut
{
    size_t offScreen = 0;
    size_t beyondOam = 0;
};
std::array<uint8_t, 256> oamBytes(const Metasprite &metasprite, int x, int y, OamLeftOut *leftOut = nullptr);

// Every entry of OAM hidden (Y = oamHiddenY).
std::array<uint8_t, 256> hiddenOam();
// Writes the metasprite's sprites placed at x, y into OAM from entry on, as oamBytes does, counting into left what
// is left out; the next free entry.
size_t writeOamSprites(std::array<uint8_t, 256> &oam, size_t entry, const Metasprite &metasprite, int x, int y,
    OamLeftOut &left);

} // namespace mosavo
