#pragma once

#include "core/Bytes.h"
#include "core/LevelMap.h"
#include "core/MetatileSet.h"

#include <optional>
#include <string>

namespace mosavo {

// How a set's metatiles are written for a game.
enum class MetatileLayout {
    // Per metatile its top-left, top-right, bottom-left, bottom-right tile numbers, then its sub-palette: 5 bytes.
    interleaved,
    // Five tables of N bytes in that order (all top-left tiles, ...), then the N behaviour bytes.
    tables,
};

Bytes metatileTableBytes(const MetatileSet &set, MetatileLayout layout);

// The map's metatile numbers row by row over its whole width, or with rooms room by room (240 bytes each, rooms left
// to right, then top to bottom).
Bytes levelMapBytes(const LevelMap &map, bool rooms);
// The behaviour byte of every cell, laid out the same way.
Bytes levelBehaviourBytes(const LevelMap &map, const MetatileSet &set, bool rooms);

// Rooms (240 bytes each, as levelMapBytes writes them with rooms) each packed on its own as RLE (core/Rle), one after
// another. A room uses at most 240 byte values, so a tag is always free.
Bytes packRooms(const Bytes &rooms);
// The rooms of packed data: each unpacked to exactly 240 bytes, count of them; nothing with the reason otherwise.
std::optional<Bytes> unpackRooms(const Bytes &packed, int count, std::string *whyNot = nullptr);

} // namespace mosavo
