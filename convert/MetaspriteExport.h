#pragma once

#include "convert/SourceWriters.h"
#include "core/Bytes.h"
#include "core/FrameRenderer.h"
#include "core/Metasprite.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mosavo {

// The metasprite tables of a document for the NES build: each metasprite's table (x offset, y offset, tile,
// attributes for each sprite, then the byte 128), one after another.

// Why the metasprites cannot make tables, or nothing: there are none, or a sprite's x offset is -128, which reads as
// the end byte 128.
std::optional<std::string> metaspriteTablesError(const std::vector<Metasprite> &metasprites);

// The tables one after another; nothing (the reason in whyNot) when metaspriteTablesError gives one.
std::optional<Bytes> metaspriteTablesBinary(const std::vector<Metasprite> &metasprites, std::string *whyNot = nullptr);

// The identifier each metasprite's table is named by in source: sourceIdentifiers of their names.
std::vector<std::string> metaspriteTableLabels(const std::vector<Metasprite> &metasprites);

// The tables as source, one row of four values a sprite with a comment of its offsets, flips, priority and
// sub-palette, each table named by metaspriteTableLabels, then the address table NAME:
//   ca65:  .export NAME, hero, coin          C:  const unsigned char hero[] = {
//          hero:                                     0xF8, 0xF0, 0x10, 0x41, // sprite 0 at (-8, -16): ...
//              .byte $F8,$F0,$10,$41 ; ...           0x80
//              .byte $80                         };
//          ...                                   ...
//          NAME:                                 const unsigned char* const NAME[] = {
//              .word hero, coin                      hero, coin
//                                                };
// Refused, beside the reasons of metaspriteTablesError, when NAME is not a name the language takes or a table would
// have the name NAME.
SourceResult metaspriteTablesSource(
    std::string_view name, const std::vector<Metasprite> &metasprites, SourceLanguage language);

// The comment of one sprite in the source tables: "sprite 1 at (0, -16): sub-palette 5, flipped horizontally, in
// front of the background".
std::string metaspriteSpriteComment(size_t index, const MetaspriteSprite &sprite);

// The smallest rectangle that holds every sprite of the metasprite, relative to its origin; empty (0 x 0 at the
// origin) for a metasprite without sprites.
struct SpriteBounds
{
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};
SpriteBounds metaspriteBounds(const Metasprite &metasprite, int spriteHeight);

// The metasprite drawn by the PPU's rules (list order is priority, at most eight sprites a row) on a transparent
// canvas of width x height with its origin at (originX, originY).
FramePicture metaspritePicture(const PatternTables &patterns, const Metasprite &metasprite,
    const SpriteSettings &settings, const PaletteBytes &palette, int width, int height, int originX, int originY);

} // namespace mosavo
