#include "formats/LevelTables.h"

#include "core/Rle.h"

namespace mosavo {

Bytes metatileTableBytes(const MetatileSet &set, MetatileLayout layout)
{
    Bytes bytes;
    const size_t count = set.metatiles.size();
    if (layout == MetatileLayout::interleaved) {
        for (const Metatile &metatile : set.metatiles) {
            bytes.insert(bytes.end(), metatile.tiles.begin(), metatile.tiles.end());
            bytes.push_back(metatile.subPalette);
        }
        return bytes;
    }
    bytes.reserve(count * 6);
    for (size_t corner = 0; corner < 4; ++corner)
        for (const Metatile &metatile : set.metatiles)
            bytes.push_back(metatile.tiles[corner]);
    for (const Metatile &metatile : set.metatiles)
        bytes.push_back(metatile.subPalette);
    for (const Metatile &metatile : set.metatiles)
        bytes.push_back(metatile.behaviour);
    return bytes;
}

Bytes levelMapBytes(const LevelMap &map, bool rooms)
{
    return rooms ? map.roomsBytes() : Bytes(map.cells.begin(), map.cells.end());
}

Bytes levelBehaviourBytes(const LevelMap &map, const MetatileSet &set, bool rooms)
{
    LevelMap behaviours = map;
    behaviours.cells = behaviourCells(map, set);
    return levelMapBytes(behaviours, rooms);
}

Bytes packRooms(const Bytes &rooms)
{
    Bytes packed;
    for (size_t at = 0; at + LevelMap::roomCells <= rooms.size(); at += LevelMap::roomCells) {
        const Bytes room(rooms.begin() + std::ptrdiff_t(at), rooms.begin() + std::ptrdiff_t(at + LevelMap::roomCells));
        const RleResult result = rlePack(room, "the room");
        if (result) // always: 240 bytes leave a tag free
            packed.insert(packed.end(), result.bytes->begin(), result.bytes->end());
    }
    return packed;
}

std::optional<Bytes> unpackRooms(const Bytes &packed, int count, std::string *whyNot)
{
    Bytes rooms;
    size_t at = 0;
    for (int room = 0; room < count; ++room) {
        size_t consumed = 0;
        const RleResult result
            = rleUnpack(Bytes(packed.begin() + std::ptrdiff_t(std::min(at, packed.size())), packed.end()),
                LevelMap::roomCells, &consumed);
        if (!result || result.bytes->size() != size_t(LevelMap::roomCells)) {
            if (whyNot)
                *whyNot = "room " + std::to_string(room) + ": "
                    + (result ? "it unpacks to " + std::to_string(result.bytes->size()) + " bytes, not 240"
                              : result.error);
            return std::nullopt;
        }
        rooms.insert(rooms.end(), result.bytes->begin(), result.bytes->end());
        at += consumed;
    }
    return rooms;
}

} // namespace mosavo
