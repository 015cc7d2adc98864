#include "core/LevelPicture.h"

#include <algorithm>

namespace mosavo {

namespace {

// Copies a width x height part of from (at fromX, fromY) into to at (toX, toY).
void blit(const FramePicture &from, int fromX, int fromY, int width, int height, FramePicture &to, int toX, int toY)
{
    for (int y = 0; y < height; ++y) {
        const size_t source = size_t(fromY + y) * size_t(from.width) + size_t(fromX);
        const size_t target = size_t(toY + y) * size_t(to.width) + size_t(toX);
        std::copy_n(from.colors.begin() + std::ptrdiff_t(source), width, to.colors.begin() + std::ptrdiff_t(target));
        std::copy_n(from.backgroundIndices.begin() + std::ptrdiff_t(source), width,
            to.backgroundIndices.begin() + std::ptrdiff_t(target));
    }
}

} // namespace

FramePicture renderLevel(
    const PatternTables &patterns, const LevelMap &map, const MetatileSet &set, const PaletteBytes &palette)
{
    FramePicture level = FramePicture::filled(
        map.roomsWide * FramePicture::frameWidth, map.roomsHigh * FramePicture::frameHeight, palette[0] & 0x3F);
    for (int room = 0; room < map.roomCount(); ++room) {
        const FramePicture frame = renderBackground(patterns, roomScreen(map, set, room), palette);
        blit(frame, 0, 0, frame.width, frame.height, level, (room % map.roomsWide) * FramePicture::frameWidth,
            (room / map.roomsWide) * FramePicture::frameHeight);
    }
    return level;
}

FramePicture renderMetatileSet(
    const PatternTables &patterns, const MetatileSet &set, const PaletteBytes &palette, int columns)
{
    columns = std::clamp(columns, 1, LevelMap::roomColumns);
    const int count = int(set.metatiles.size());
    const int rows = std::max(1, (count + columns - 1) / columns);
    FramePicture picture = FramePicture::filled(columns * 16, rows * 16, palette[0] & 0x3F);
    // The metatiles laid out in a one-room-wide map, room after room, then each block copied to its place.
    const int perRoom = LevelMap::roomCells;
    LevelMap layout = LevelMap::blank({}, 0, 1, std::clamp((count + perRoom - 1) / perRoom, 1, LevelMap::maximumRooms));
    for (int i = 0; i < count && i < layout.roomCount() * perRoom; ++i)
        layout.cells[size_t(i)] = uint8_t(i);
    for (int room = 0; room * perRoom < count; ++room) {
        const FramePicture frame = renderBackground(patterns, roomScreen(layout, set, room), palette);
        for (int i = room * perRoom; i < count && i < (room + 1) * perRoom; ++i) {
            const int cell = i - room * perRoom;
            blit(frame, (cell % LevelMap::roomColumns) * 16, (cell / LevelMap::roomColumns) * 16, 16, 16, picture,
                (i % columns) * 16, (i / columns) * 16);
        }
    }
    return picture;
}

} // namespace mosavo
