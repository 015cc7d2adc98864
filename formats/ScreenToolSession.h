#pragma once

#include "core/Bytes.h"
#include "core/FrameRenderer.h"
#include "core/Metasprite.h"
#include "core/Screen.h"

#include <vector>

namespace mosavo {

// What a text session of the common Windows screen tool holds that a document keeps: its tiles, its palette (the
// tool draws the background and the sprites from one set of four sub-palettes, so bytes 16-31 repeat bytes 0-15),
// its screen, its metasprites (none when the session has none) and how its sprites read their tiles.
struct ScreenToolSession
{
    Bytes tiles; // whole 4 KiB pattern tables
    PaletteBytes palette {};
    Screen screen;
    std::vector<Metasprite> metasprites;
    SpriteSettings sprites;
};

} // namespace mosavo
