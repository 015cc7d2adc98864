#include "core/LevelMap.h"
#include "core/LevelArchive.h"
#include "core/MetatileSet.h"

#include <gtest/gtest.h>

using namespace mosavo;

namespace {

MetatileSet threeMetatiles()
{
    MetatileSet set;
    set.name = "blocks";
    set.patternTable = 1;
    set.metatiles = { Metatile { { 0, 0, 0, 0 }, 0, 0 }, Metatile { { 1, 2, 3, 4 }, 2, 0x81 },
        Metatile { { 5, 6, 7, 8 }, 3, 7 } };
    return set;
}

} // namespace

// A room drawn as a screen: each metatile's tiles in the right corners, its sub-palette in the attribute bits, and the
// room's place in the map chosen from its number (left to right, then top to bottom).
TEST(LevelMapRooms, RoomScreenLaysOutTilesAndAttributes)
{
    const MetatileSet set = threeMetatiles();
    LevelMap map = LevelMap::blank("level", 0, 3, 2);
    EXPECT_EQ(map.cells.size(), size_t(48 * 30));
    // Room 4 is the middle room of the lower row: its cell (0, 0) is map cell (16, 15), its last (31, 29).
    map.setAt(16, 15, 1);
    map.setAt(31, 29, 2);
    map.setAt(17, 15, 9); // past the set's end: tile 0, sub-palette 0
    const Screen screen = roomScreen(map, set, 4);
    EXPECT_EQ(screen.patternTable, 1);
    EXPECT_EQ(screen.tileAt(0, 0), 1);
    EXPECT_EQ(screen.tileAt(1, 0), 2);
    EXPECT_EQ(screen.tileAt(0, 1), 3);
    EXPECT_EQ(screen.tileAt(1, 1), 4);
    EXPECT_EQ(screen.subPaletteAt(0, 0), 2);
    EXPECT_EQ(screen.tileAt(2, 0), 0);
    EXPECT_EQ(screen.subPaletteAt(2, 0), 0);
    EXPECT_EQ(screen.tileAt(30, 28), 5);
    EXPECT_EQ(screen.tileAt(31, 29), 8);
    EXPECT_EQ(screen.subPaletteAt(31, 29), 3);
    // Another room does not see those cells.
    const Screen first = roomScreen(map, set, 0);
    EXPECT_EQ(first.tileAt(0, 0), 0);
    EXPECT_EQ(first.attributes, Screen {}.attributes);
}

TEST(LevelMapRooms, RoomBytesAndBehavioursFollowTheRoomOrder)
{
    const MetatileSet set = threeMetatiles();
    LevelMap map = LevelMap::blank("level", 0, 2, 2);
    map.setAt(16, 0, 1); // room 1, cell 0
    map.setAt(15, 14, 2); // room 0, last cell
    map.setAt(0, 15, 2); // room 2, cell 0
    const Bytes rooms = map.roomsBytes();
    ASSERT_EQ(rooms.size(), size_t(4 * 240));
    EXPECT_EQ(rooms[239], 2);
    EXPECT_EQ(rooms[240], 1);
    EXPECT_EQ(rooms[480], 2);
    EXPECT_EQ(map.roomCellBytes(3), Bytes(240, 0));
    const std::vector<uint8_t> behaviours = behaviourCells(map, set);
    EXPECT_EQ(behaviours[16], 0x81);
    EXPECT_EQ(behaviours[size_t(14 * 32 + 15)], 7);
    EXPECT_EQ(behaviours[0], 0);
}

TEST(LevelMapRooms, TilesUsedByMetatilesCountOnlyTheirTable)
{
    std::vector<MetatileSet> sets { threeMetatiles() };
    EXPECT_TRUE(tilesUsedByMetatiles(sets, 0).none());
    const auto used = tilesUsedByMetatiles(sets, 1);
    EXPECT_EQ(used.count(), 9u);
    EXPECT_TRUE(used[8]);
    EXPECT_FALSE(used[9]);
}

TEST(LevelArchive, SetsAndMapsComeBackAsWritten)
{
    const std::vector<MetatileSet> sets { threeMetatiles(), MetatileSet { "empty", 0, {} } };
    LevelMap map = LevelMap::blank("castle", 0, 16, 16);
    for (size_t i = 0; i < map.cells.size(); ++i)
        map.cells[i] = uint8_t(i % 3);
    std::string why;
    const auto setsBack = decodeMetatileSets(encodeMetatileSets(sets), &why);
    ASSERT_TRUE(setsBack) << why;
    EXPECT_EQ(*setsBack, sets);
    const auto mapsBack = decodeLevelMaps(encodeLevelMaps({ map }), *setsBack, &why);
    ASSERT_TRUE(mapsBack) << why;
    ASSERT_EQ(mapsBack->size(), 1u);
    EXPECT_EQ(mapsBack->front(), map);
}

// Every damaged field is refused with a reason naming it, never read in part.
TEST(LevelArchive, DamagedRecordsAreRefusedWithTheReason)
{
    const std::vector<MetatileSet> sets { threeMetatiles() };
    const ArchiveRecord goodSet = encodeMetatileSet(sets[0]);
    struct SetCase
    {
        const char *key;
        ArchiveRecord value;
        const char *reason;
    };
    const SetCase setCases[] = {
        { "Metatiles", ArchiveRecord::binary(Bytes(7, 0)), "7 bytes" },
        { "Metatiles", ArchiveRecord::binary(Bytes(257 * 6, 0)), "at most 256" },
        { "Metatiles", ArchiveRecord::binary(Bytes { 1, 2, 3, 4, 4, 0 }), "sub-palette 4" },
        { "Metatiles", "text", "not bytes" },
        { "PatternTable", 2, "PatternTable" },
        { "Name", 5, "name" },
    };
    for (const SetCase &c : setCases) {
        ArchiveRecord record = goodSet;
        record[c.key] = c.value;
        std::string why;
        EXPECT_FALSE(decodeMetatileSet(record, &why)) << c.key;
        EXPECT_NE(why.find(c.reason), std::string::npos) << why;
    }

    const ArchiveRecord goodMap = encodeLevelMap(LevelMap::blank("level", 0, 1, 1));
    const SetCase mapCases[] = {
        { "Set", 1, "\"Set\" is 1, outside 0-0" },
        { "Width", 17, "\"Width\" is 17" },
        { "Height", 0, "\"Height\" is 0" },
        { "Width", 2, "not 480 bytes" },
        { "Cells", ArchiveRecord::binary(Bytes(240, 3)), "cell (0, 0) is metatile 3, and its set holds 3" },
        { "Cells", 0, "not 240 bytes" },
    };
    for (const SetCase &c : mapCases) {
        ArchiveRecord record = goodMap;
        record[c.key] = c.value;
        std::string why;
        EXPECT_FALSE(decodeLevelMap(record, sets, &why)) << c.key;
        EXPECT_NE(why.find(c.reason), std::string::npos) << why;
    }
    std::string why;
    EXPECT_FALSE(decodeLevelMap(goodMap, {}, &why));
    EXPECT_NE(why.find("no metatile set"), std::string::npos) << why;
    EXPECT_FALSE(decodeLevelMaps(ArchiveRecord::array({ goodMap, 3 }), sets, &why));
    EXPECT_EQ(why, "map 1: it is not a record");
}
