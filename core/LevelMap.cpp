#include "core/LevelMap.h"

namespace mosavo {

LevelMap LevelMap::blank(std::string name, int metatileSet, int roomsWide, int roomsHigh)
{
    LevelMap map;
    map.name = std::move(name);
    map.metatileSet = metatileSet;
    map.roomsWide = roomsWide;
    map.roomsHigh = roomsHigh;
    map.cells.assign(size_t(map.columns() * map.rows()), 0);
    return map;
}

Bytes LevelMap::roomCellBytes(int room) const
{
    Bytes bytes;
    bytes.reserve(roomCells);
    const int left = (room % roomsWide) * roomColumns;
    const int top = (room / roomsWide) * roomRows;
    for (int row = 0; row < roomRows; ++row)
        for (int column = 0; column < roomColumns; ++column)
            bytes.push_back(at(left + column, top + row));
    return bytes;
}

Bytes LevelMap::roomsBytes() const
{
    Bytes bytes;
    bytes.reserve(size_t(roomCount() * roomCells));
    for (int room = 0; room < roomCount(); ++room) {
        const Bytes cellsOfRoom = roomCellBytes(room);
        bytes.insert(bytes.end(), cellsOfRoom.begin(), cellsOfRoom.end());
    }
    return bytes;
}

std::vector<uint8_t> behaviourCells(const LevelMap &map, const MetatileSet &set)
{
    std::vector<uint8_t> behaviours(map.cells.size(), 0);
    for (size_t i = 0; i < map.cells.size(); ++i)
        if (map.cells[i] < set.metatiles.size())
            behaviours[i] = set.metatiles[map.cells[i]].behaviour;
    return behaviours;
}

Screen roomScreen(const LevelMap &map, const MetatileSet &set, int room)
{
    Screen screen;
    screen.name = map.name + " room " + std::to_string(room);
    screen.patternTable = set.patternTable & 1;
    const Bytes cells = map.roomCellBytes(room);
    const Metatile none;
    for (int row = 0; row < LevelMap::roomRows; ++row)
        for (int column = 0; column < LevelMap::roomColumns; ++column) {
            const uint8_t number = cells[size_t(row * LevelMap::roomColumns + column)];
            const Metatile &metatile = number < set.metatiles.size() ? set.metatiles[number] : none;
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 2; ++x)
                    screen.setTile(column * 2 + x, row * 2 + y, metatile.tileAt(x, y));
            screen.setSubPalette(column * 2, row * 2, metatile.subPalette & 3);
        }
    return screen;
}

} // namespace mosavo
