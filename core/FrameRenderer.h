#pragma once

#include "core/Metasprite.h"
#include "core/PatternTables.h"
#include "core/Screen.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace mosavo {

// The 32 palette bytes of $3F00-$3F1F: background sub-palettes 0-3, then sprite sub-palettes 4-7, four colour
// numbers each. Byte 0 is the universal background colour.
using PaletteBytes = std::array<uint8_t, 32>;

// A picture as the PPU makes it: one NES colour number ($00-$3F) a pixel, row 0 first, or transparentColor where
// nothing was drawn (only on canvases that start transparent). backgroundIndices keeps the background's colour index
// 0-3 of each pixel, which decides where behind-background sprites show.
struct FramePicture
{
    static constexpr int frameWidth = 256;
    static constexpr int frameHeight = 240;
    static constexpr uint8_t transparentColor = 0xFF;

    int width = 0;
    int height = 0;
    std::vector<uint8_t> colors;
    std::vector<uint8_t> backgroundIndices;

    uint8_t at(int x, int y) const { return colors[size_t(y * width + x)]; }

    // A canvas of the given size filled with one colour number (or transparentColor), background index 0 throughout.
    static FramePicture filled(int width, int height, uint8_t color);
};

// How sprites read their tiles: 8x8 from one pattern table, or 8x16 where the tile byte's bit 0 picks the table.
struct SpriteSettings
{
    bool tall = false;
    int patternTable = 0; // 8x8 sprites only

    int height() const { return tall ? 16 : 8; }
};

// A sprite on a canvas: y is the first row it covers (an OAM entry at Y covers rows Y + 1 on).
struct PlacedSprite
{
    int x = 0;
    int y = 0;
    uint8_t tile = 0;
    uint8_t attributes = 0;
};

// The background of a screen: 256 x 240, colour index 0 of every sub-palette in the universal background colour.
FramePicture renderBackground(const PatternTables &patterns, const Screen &screen, const PaletteBytes &palette);

// Draws one 8 x 8 cell of a screen's background into a frame-sized picture, by the rules of renderBackground (for a
// view that recomposes only the cells whose tiles changed).
void renderBackgroundCell(FramePicture &picture, const PatternTables &patterns, const Screen &screen,
                          const PaletteBytes &palette, int column, int row);

// Draws sprites over a picture by the PPU's rules: list order is priority (the first opaque sprite pixel wins, even
// when that sprite is behind the background), colour 0 is transparent, a behind-background sprite shows only where the
// background's colour index is 0, and only the first eight sprites that cover a row are drawn on it.
void drawSprites(FramePicture &picture, const PatternTables &patterns, std::span<const PlacedSprite> sprites,
                 const SpriteSettings &settings, const PaletteBytes &palette);

// The 64 sprites of 256 OAM bytes (Y, tile, attributes, X), each drawn from row Y + 1.
std::vector<PlacedSprite> spritesFromOam(std::span<const uint8_t, 256> oam);

// The sprites of a metasprite with its origin at (originX, originY); each covers rows from originY + its y offset.
std::vector<PlacedSprite> placeMetasprite(const Metasprite &metasprite, int originX, int originY);

// What the PPU shows: the screen's background (or colour 0 everywhere without one) and, when oam is given, its
// sprites over it.
FramePicture renderFrame(const PatternTables &patterns, const Screen *screen, const std::array<uint8_t, 256> *oam,
                         const SpriteSettings &settings, const PaletteBytes &palette);

// A row with more than eight sprites on it: every sprite covering it, in order, and those past the eighth, which the
// PPU does not draw there (positions in the list given).
struct ScanlineOverflow
{
    int row = 0;
    std::vector<int> sprites;
    std::vector<int> dropped;
};

// Every row from firstRow to lastRow (inclusive) on which more than eight of the sprites lie.
std::vector<ScanlineOverflow> scanlineOverflows(std::span<const PlacedSprite> sprites, int spriteHeight, int firstRow,
                                                int lastRow);

// The most sprites that cover any one row.
int mostSpritesOnOneRow(std::span<const PlacedSprite> sprites, int spriteHeight);

} // namespace mosavo
