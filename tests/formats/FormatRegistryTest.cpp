#include "formats/FormatRegistry.h"

#include <gtest/gtest.h>

using namespace mosavo;

TEST(FormatRegistry, PicksTheMetaspriteTableFormatByTheFileName)
{
    const Bytes binary = { 0x00, 0x00, 0x01, 0x00, 0x80 };
    const std::string_view c = "const unsigned char hero[]={0,0,1,0,128};";
    const std::string_view ca65 = "hero:\n .byte 0,0,1,0,128\n";
    const struct
    {
        std::string fileName;
        Bytes bytes;
        std::string firstName;
    } cases[] = {
        { "sprites/hero.c", Bytes(c.begin(), c.end()), "hero" },
        { "HERO.H", Bytes(c.begin(), c.end()), "hero" },
        { "a.b/hero.S", Bytes(ca65.begin(), ca65.end()), "hero" },
        { "hero.asm", Bytes(ca65.begin(), ca65.end()), "hero" },
        { "hero.inc", Bytes(ca65.begin(), ca65.end()), "hero" },
        { "C:\\art\\walk cycle.bin", binary, "walk_cycle_0" },
        { "frames", binary, "frames_0" },
    };
    for (const auto &row : cases) {
        const auto read = FormatRegistry::metaspriteTableFormatFor(row.fileName)->read(row.bytes);
        ASSERT_TRUE(read) << row.fileName << ": " << read.error;
        EXPECT_EQ(read.value->metasprites.front().name, row.firstName) << row.fileName;
    }
    EXPECT_EQ(&FormatRegistry::nametableFormat(true), FormatRegistry::screenFormats()[1]);
    EXPECT_EQ(FormatRegistry::nametableFormat(false).name(), "nametable");
}
