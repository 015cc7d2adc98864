#include "formats/LevelTables.h"
#include "formats/FormatRegistry.h"

#include <gtest/gtest.h>

using namespace mosavo;

namespace {

MetatileSet twoMetatiles()
{
    MetatileSet set;
    set.metatiles = { Metatile { { 1, 2, 3, 4 }, 1, 0x10 }, Metatile { { 5, 6, 7, 8 }, 3, 0x20 } };
    return set;
}

// neslib's RLE, decoded here on its own terms: the first byte is the tag; tag n repeats the previous byte n times;
// tag 0 ends. Returns the bytes and how many packed bytes were read.
std::pair<Bytes, size_t> unpackOne(const Bytes &packed, size_t at)
{
    Bytes out;
    const uint8_t tag = packed.at(at++);
    uint8_t previous = 0;
    for (;;) {
        const uint8_t byte = packed.at(at++);
        if (byte != tag) {
            out.push_back(previous = byte);
            continue;
        }
        const uint8_t count = packed.at(at++);
        if (count == 0)
            return { out, at };
        out.insert(out.end(), count, previous);
    }
}

} // namespace

TEST(LevelTables, InterleavedAndTablesLayouts)
{
    const MetatileSet set = twoMetatiles();
    EXPECT_EQ(metatileTableBytes(set, MetatileLayout::interleaved), (Bytes { 1, 2, 3, 4, 1, 5, 6, 7, 8, 3 }));
    EXPECT_EQ(metatileTableBytes(set, MetatileLayout::tables), (Bytes { 1, 5, 2, 6, 3, 7, 4, 8, 1, 3, 0x10, 0x20 }));
    EXPECT_TRUE(metatileTableBytes(MetatileSet {}, MetatileLayout::tables).empty());
}

TEST(LevelTables, MapAndBehaviourBytesRowByRowOrRoomByRoom)
{
    const MetatileSet set = twoMetatiles();
    LevelMap map = LevelMap::blank("m", 0, 2, 1);
    map.setAt(17, 0, 1); // room 1, cell 1
    map.setAt(0, 1, 1); // room 0, cell 16; map row 1 starts at 32
    const Bytes rows = levelMapBytes(map, false);
    ASSERT_EQ(rows.size(), 480u);
    EXPECT_EQ(rows[17], 1);
    EXPECT_EQ(rows[32], 1);
    const Bytes rooms = levelMapBytes(map, true);
    EXPECT_EQ(rooms[16], 1);
    EXPECT_EQ(rooms[241], 1);
    EXPECT_EQ(std::count(rooms.begin(), rooms.end(), 1), 2);
    const Bytes behaviours = levelBehaviourBytes(map, set, true);
    EXPECT_EQ(behaviours[241], 0x20);
    EXPECT_EQ(behaviours[0], 0x10);
    EXPECT_EQ(std::count(behaviours.begin(), behaviours.end(), 0x20), 2);
}

TEST(LevelTables, RoomsPackedOneByOneUnpackToTheRooms)
{
    LevelMap map = LevelMap::blank("m", 0, 3, 2);
    for (size_t i = 0; i < map.cells.size(); ++i)
        map.cells[i] = uint8_t((i / 7) % 200); // runs of seven, every value but a few
    map.cells[5] = 255;
    const Bytes rooms = levelMapBytes(map, true);
    const Bytes packed = packRooms(rooms);
    EXPECT_LT(packed.size(), rooms.size());
    size_t at = 0;
    for (int room = 0; room < 6; ++room) {
        const auto [bytes, next] = unpackOne(packed, at);
        EXPECT_EQ(bytes, Bytes(rooms.begin() + room * 240, rooms.begin() + room * 240 + 240)) << "room " << room;
        at = next;
    }
    EXPECT_EQ(at, packed.size());
    EXPECT_EQ(unpackRooms(packed, 6), rooms);
    std::string why;
    EXPECT_FALSE(unpackRooms(packed, 7, &why));
    EXPECT_NE(why.find("room 6"), std::string::npos) << why;
}

// The registry's Tiled format writes a map that it reads back cell for cell, and refuses a map that is not whole rooms.
TEST(LevelTables, TiledFormatThroughTheRegistry)
{
    ASSERT_EQ(FormatRegistry::levelFormats().size(), 1u);
    const LevelFormat &format = FormatRegistry::tiledMapFormat();
    EXPECT_EQ(format.name(), "Tiled map");
    LevelFile file { LevelMap::blank("stage <1>", 0, 2, 1), "stage.tsx", {}, 0 };
    for (size_t i = 0; i < file.map.cells.size(); ++i)
        file.map.cells[i] = uint8_t(i % 7);
    const auto written = format.write(file);
    ASSERT_TRUE(written);
    const auto read = format.read(*written.value);
    ASSERT_TRUE(read) << read.error;
    EXPECT_EQ(read.value->map.cells, file.map.cells);
    EXPECT_EQ(read.value->map.name, "stage <1>");
    EXPECT_EQ(read.value->tilesetSource, "stage.tsx");
    std::string text(written.value->begin(), written.value->end());
    text.replace(text.find("width=\"32\""), 10, "width=\"31\"");
    const auto refused = format.read(Bytes(text.begin(), text.end()));
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error.find("whole rooms of 16 x 15 metatiles"), std::string::npos) << refused.error;
}
