#pragma once

#include "core/Bytes.h"
#include "core/MetatileSet.h"
#include "core/Screen.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mosavo {

// A level: W x H rooms (a room is one screen, 16 x 15 metatiles), at most 16 x 16 rooms, each cell the number of a
// metatile of the set it names (its position among the document's sets). Rooms are numbered left to right, then top
// to bottom.
struct LevelMap
{
    static constexpr int roomColumns = 16;
    static constexpr int roomRows = 15;
    static constexpr int roomCells = roomColumns * roomRows; // 240
    static constexpr int maximumRooms = 16; // across and down

    std::string name;
    int metatileSet = 0;
    int roomsWide = 1;
    int roomsHigh = 1;
    // columns() x rows() metatile numbers, row by row over the whole width.
    std::vector<uint8_t> cells;

    // A map of that many rooms, every cell metatile 0.
    static LevelMap blank(std::string name, int metatileSet, int roomsWide, int roomsHigh);

    int columns() const { return roomsWide * roomColumns; }
    int rows() const { return roomsHigh * roomRows; }
    int roomCount() const { return roomsWide * roomsHigh; }
    uint8_t at(int column, int row) const { return cells[size_t(row * columns() + column)]; }
    void setAt(int column, int row, uint8_t metatile) { cells[size_t(row * columns() + column)] = metatile; }

    // The 240 metatile numbers of a room, row by row.
    Bytes roomCellBytes(int room) const;
    // Every room's 240 numbers, room after room.
    Bytes roomsBytes() const;

    bool operator==(const LevelMap &) const = default;
};

// What each cell's metatile says, as the map lays them out: its behaviour byte (0 for a number past the set's end).
std::vector<uint8_t> behaviourCells(const LevelMap &map, const MetatileSet &set);

// A room drawn as a screen of the set's pattern table: each metatile's four tiles, its sub-palette in the attribute
// table. A cell naming no metatile of the set shows tile 0 in sub-palette 0.
Screen roomScreen(const LevelMap &map, const MetatileSet &set, int room);

} // namespace mosavo
