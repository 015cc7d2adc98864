#pragma once

#include "core/FrameRenderer.h"
#include "core/LevelMap.h"
#include "core/MetatileSet.h"
#include "core/PatternTables.h"

namespace mosavo {

// The whole map as the console shows each room (each drawn by renderBackground), rooms side by side:
// roomsWide x 256 by roomsHigh x 240 colour numbers.
FramePicture renderLevel(
    const PatternTables &patterns, const LevelMap &map, const MetatileSet &set, const PaletteBytes &palette);

// The metatiles of a set drawn as the console would, `columns` to a row in set order (16 x 16 pixels each), the
// cells past the last metatile in the universal background colour. At least one row.
FramePicture renderMetatileSet(
    const PatternTables &patterns, const MetatileSet &set, const PaletteBytes &palette, int columns = 16);

} // namespace mosavo
