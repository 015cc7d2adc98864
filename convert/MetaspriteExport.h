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

// The tables as source: ca65, a label NAME_N for each metasprite and NAME, a .word table of their addresses; C, an
// array NAME_N for each and NAME, an array of pointers to them.
SourceResult metaspriteTablesSource(
    std::string_view name, const std::vector<Metasprite> &metasprites, SourceLanguage language);

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
