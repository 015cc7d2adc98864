#include "app/document/EditorViewControllerSettings.h"
#include "app/levels/LevelImport.h"

#include <gtest/gtest.h>

namespace {

using kestova::EditorViewControllerSettings;
using namespace mosavo;

std::shared_ptr<EditorViewControllerSettings> withLevel()
{
    auto document = EditorViewControllerSettings::emptyConsoleObject(ConsoleType::nes);
    MetatileSet set { "blocks", 1, { Metatile { { 1, 2, 3, 4 }, 2, 9 }, Metatile {} } };
    document->metatileSets() = { set, MetatileSet { "spare", 0, {} } };
    LevelMap map = LevelMap::blank("stage", 0, 2, 3);
    map.setAt(31, 44, 1);
    document->levelMaps() = { map };
    return document;
}

// Sets and maps are kept in both forms of the document file; a document without them has no such keys and opens
// with none, as before they existed.
TEST(LevelDocument, SetsAndMapsKeptInBothFormsAndAbsentWhenNone)
{
    const auto document = withLevel();
    for (bool text : { false, true }) {
        std::string why;
        const auto back = EditorViewControllerSettings::fromDocumentBytes(*document->documentBytes(text), &why);
        ASSERT_TRUE(back && back->tileData()) << why;
        EXPECT_EQ(back->metatileSets(), document->metatileSets());
        EXPECT_EQ(back->levelMaps(), document->levelMaps());
    }
    const auto plain = EditorViewControllerSettings::emptyConsoleObject(ConsoleType::nes);
    const ArchiveRecord record = plain->encode();
    EXPECT_FALSE(record.contains("MetatileSets"));
    EXPECT_FALSE(record.contains("LevelMaps"));
    const auto back = EditorViewControllerSettings::fromDocumentBytes(*plain->documentBytes());
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->metatileSets().empty());
    EXPECT_TRUE(back->levelMaps().empty());
}

TEST(LevelDocument, WrongKindOrSizeRefusesTheDocumentWithTheReason)
{
    const ArchiveRecord good = withLevel()->encode();
    struct Case
    {
        const char *key;
        std::function<void(ArchiveRecord &)> damage;
        const char *reason;
    };
    const Case cases[] = {
        { "MetatileSets", [](ArchiveRecord &r) { r["MetatileSets"] = "blocks"; }, "its metatile sets are damaged" },
        { "MetatileSets", [](ArchiveRecord &r) { r["MetatileSets"][0]["Metatiles"] = ArchiveRecord::binary(Bytes(5)); },
            "metatile set 0: its \"Metatiles\" are 5 bytes" },
        { "LevelMaps", [](ArchiveRecord &r) { r["LevelMaps"] = 3; }, "its maps are damaged" },
        { "LevelMaps", [](ArchiveRecord &r) { r["LevelMaps"][0]["Set"] = 2; }, "map 0: its \"Set\" is 2, outside 0-1" },
        // The map's cells name metatile 1, which the second set lacks.
        { "LevelMaps", [](ArchiveRecord &r) { r["LevelMaps"][0]["Set"] = 1; },
            "its cell (0, 0) is metatile 0, and its set holds 0" },
        { "LevelMaps", [](ArchiveRecord &r) { r.erase("MetatileSets"); }, "no metatile set" },
    };
    for (const Case &c : cases) {
        ArchiveRecord record = good;
        c.damage(record);
        std::string why;
        const auto document = EditorViewControllerSettings::decode(record, &why);
        EXPECT_FALSE(document->tileData()) << c.reason;
        EXPECT_NE(why.find(c.reason), std::string::npos) << why;
        EXPECT_TRUE(document->levelMaps().empty() && document->metatileSets().empty());
    }
}

// A screen made into a set and a one-room map: identical 2 x 2 areas are one metatile, and the room drawn from
// them is the screen again.
TEST(LevelDocument, MetatilesFromAScreenGiveTheScreenBack)
{
    auto document = EditorViewControllerSettings::emptyConsoleObject(ConsoleType::nes);
    Screen screen;
    screen.name = "title";
    screen.patternTable = 1;
    for (int row = 0; row < Screen::rows; ++row)
        for (int column = 0; column < Screen::columns; ++column)
            screen.setTile(column, row, uint8_t((column / 2 + row / 2) % 5 * 4 + (column % 2) + (row % 2) * 2));
    for (int row = 0; row < Screen::rows; row += 2)
        for (int column = 0; column < Screen::columns; column += 2)
            screen.setSubPalette(column, row, (column / 2) % 2 * 3);
    document->screens().push_back(screen);
    EXPECT_TRUE(kestova::makeMetatilesFromScreen(*document, 1).has_value());
    ASSERT_FALSE(kestova::makeMetatilesFromScreen(*document, 0).has_value());
    ASSERT_EQ(document->metatileSets().size(), 1u);
    const MetatileSet &set = document->metatileSets()[0];
    // Five patterns of tiles, each in sub-palette 0 or 3 as its column says: (a + b) % 5 with a % 2 gives all ten.
    EXPECT_EQ(set.metatiles.size(), 10u);
    EXPECT_EQ(set.patternTable, 1);
    const Screen back = roomScreen(document->levelMaps()[0], set, 0);
    EXPECT_EQ(back.tiles, screen.tiles);
    EXPECT_EQ(back.attributes, screen.attributes);
}

} // namespace
