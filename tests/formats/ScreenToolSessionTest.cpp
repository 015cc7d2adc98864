#include "formats/ScreenToolSessionReader.h"

#include <gtest/gtest.h>

using namespace mosavo;

namespace {

Bytes text(std::string_view source)
{
    return Bytes(source.begin(), source.end());
}

// A session without metasprites, its lines ending in CR LF: the second of four palette sets in use, tile 1 of
// eight solid rows in plane 0, a screen of tile 0 on its first row and tile 1 below, sub-palette 1 everywhere.
constexpr std::string_view screenOnly = "NSTssTXT\r\n"
                                        "\r\n"
                                        "BtnSprite8x16=0\r\n"
                                        "VarPalBank=1\r\n"
                                        "Palette=0f[10]0f1626300f0919290f0111210f0616260f[20]\r\n"
                                        "CHRMain=00[10]ff[8]00[8]00[1fe0]\r\n"
                                        "NameTable=00[20]01[3a0]\r\n"
                                        "AttrTable=55[40]\r\n"
                                        "Palette2=nothing to read\r\n";

// A session with metasprites: 8x16 sprites from pattern table 1, one empty metasprite between two, names for the
// first and (empty) the third, no attribute table.
constexpr std::string_view withSprites = "NSTssTXT\n"
                                         "BtnSprite8x16=1\n"
                                         "BtnChrBank2=1\n"
                                         "VarSpriteGridX=64\n"
                                         "VarSpriteGridY=64\n"
                                         "Palette=0f1626300f0919290f0111210f061626\n"
                                         "CHRMain=00[2000]\n"
                                         "NameTable=00[3c0]\n"
                                         "MetaSprites=38030040[2]034048ff[f8]ff[100]40058130ff[fc]ff[fd00]\n"
                                         "MetaSprite0=Hero walk\n"
                                         "MetaSprite2=\n";

std::string withLine(std::string_view session, std::string_view key, std::string_view line)
{
    std::string out(session);
    const size_t at = out.find(std::string(key) + "=");
    const size_t end = out.find('\n', at);
    return out.replace(at, end - at, line);
}

} // namespace

TEST(ScreenToolSession, ReadsTilesPaletteAndScreenOfASessionWithoutMetasprites)
{
    const auto session = ScreenToolSessionReader::read(text(screenOnly));
    ASSERT_TRUE(session) << session.error;
    const ScreenToolSession &s = *session.value;
    ASSERT_EQ(s.tiles.size(), 8192u);
    for (size_t i = 0; i < 48; ++i)
        EXPECT_EQ(s.tiles[i], i >= 16 && i < 24 ? 0xFF : 0x00) << i;
    const PaletteBytes expected = { 0x0f, 0x16, 0x26, 0x30, 0x0f, 0x09, 0x19, 0x29, 0x0f, 0x01, 0x11, 0x21, 0x0f, 0x06,
        0x16, 0x26, 0x0f, 0x16, 0x26, 0x30, 0x0f, 0x09, 0x19, 0x29, 0x0f, 0x01, 0x11, 0x21, 0x0f, 0x06, 0x16, 0x26 };
    EXPECT_EQ(s.palette, expected) << "set 1, for the background and the sprites";
    EXPECT_EQ(s.screen.tileAt(31, 0), 0);
    EXPECT_EQ(s.screen.tileAt(0, 1), 1);
    EXPECT_EQ(s.screen.tileAt(31, 29), 1);
    EXPECT_EQ(s.screen.subPaletteAt(20, 20), 1);
    EXPECT_EQ(s.screen.patternTable, 0);
    EXPECT_TRUE(s.metasprites.empty());
    EXPECT_FALSE(s.sprites.tall);
}

TEST(ScreenToolSession, ReadsMetaspritesFromTheGridOriginWithTheirNames)
{
    const auto session = ScreenToolSessionReader::read(text(withSprites));
    ASSERT_TRUE(session) << session.error;
    const ScreenToolSession &s = *session.value;
    EXPECT_TRUE(s.sprites.tall);
    EXPECT_EQ(s.screen.patternTable, 1);
    EXPECT_EQ(s.screen.attributes[0], 0) << "no attribute table: 0";
    ASSERT_EQ(s.metasprites.size(), 2u) << "the empty one is left out";
    EXPECT_EQ(s.metasprites[0].name, "Hero walk");
    const std::vector<MetaspriteSprite> first = { { 0, -8, 3, 4 }, { 8, 0, 3, 4, true } };
    EXPECT_EQ(s.metasprites[0].sprites, first);
    EXPECT_EQ(s.metasprites[1].name, "metasprite_2");
    const std::vector<MetaspriteSprite> third = { { -16, 0, 5, 5, false, true } };
    EXPECT_EQ(s.metasprites[1].sprites, third);
}

TEST(ScreenToolSession, RepeatCountsAreTheByteInAllInHex)
{
    std::string why;
    EXPECT_EQ(ScreenToolSessionReader::decodeBytes("00[f1]0100[e]", 256, &why)->size(), 256u);
    const auto runs = ScreenToolSessionReader::decodeBytes("ab[3]Cd[1]ef", 16, &why);
    ASSERT_TRUE(runs) << why;
    EXPECT_EQ(*runs, (Bytes { 0xAB, 0xAB, 0xAB, 0xCD, 0xEF }));
    EXPECT_FALSE(ScreenToolSessionReader::decodeBytes("00[11]", 16, &why));
    EXPECT_EQ(why, "it holds more than 16 bytes");
    EXPECT_FALSE(ScreenToolSessionReader::decodeBytes("00[ffffffff]", 65536, &why)) << "refused before it is made";
}

TEST(ScreenToolSession, DamagedSessionsAreRefusedWithTheKeyAndTheReason)
{
    const struct
    {
        std::string session;
        std::string reason;
    } cases[] = {
        { "NSTses\x01\x02", "it does not start with NSTssTXT" },
        { withLine(withSprites, "CHRMain", "CHRTiles=00"), "the session has no key CHRMain" },
        { withLine(withSprites, "Palette", "Pal=00"), "the session has no key Palette" },
        { withLine(withSprites, "NameTable", "Name=00"), "the session has no key NameTable" },
        { withLine(withSprites, "CHRMain", "CHRMain=00[2000]0"), "the key CHRMain: character 9 is not a hex digit" },
        { withLine(withSprites, "CHRMain", "CHRMain=0g[2000]"), "the key CHRMain: character 1 is not a hex digit" },
        { withLine(withSprites, "CHRMain", "CHRMain=[2]00"),
            "the key CHRMain: the count at character 0 follows no byte" },
        { withLine(withSprites, "CHRMain", "CHRMain=00[2000"), "the count at character 2 is not closed with ]" },
        { withLine(withSprites, "CHRMain", "CHRMain=00[zz]"), "the count at character 2 is not a hex number" },
        { withLine(withSprites, "CHRMain", "CHRMain=00[0]"), "the count at character 2 is 0" },
        { withLine(withSprites, "CHRMain", "CHRMain=00[1001]"),
            "the key CHRMain: it holds 4097 bytes, not whole 4 KiB" },
        { withLine(withSprites, "CHRMain", "CHRMain=00[1000]"),
            "the key BtnChrBank2: the screen reads pattern table 1" },
        { withLine(withSprites, "CHRMain", "CHRMain=00[ffffff]"), "the key CHRMain: it holds more than 65536 bytes" },
        { withLine(withSprites, "NameTable", "NameTable=00[3bf]"), "the key NameTable: it holds 959 tile numbers" },
        { withLine(withSprites, "NameTable", "NameTable=00[3c0]\nVarNameW=64"), "the map is 64 x 30 tiles" },
        { withLine(withSprites, "Palette", "Palette=0f[11]"), "the key Palette: it holds 17 bytes, not 16" },
        { withLine(withSprites, "Palette", "Palette=0f[f]40"), "byte 15 ($40) is not an NES colour number" },
        { withLine(withSprites, "Palette", "Palette=0f[10]\nVarPalBank=2"), "the palette set 2 is not one of the 1" },
        { withLine(withSprites, "Palette", "Palette=0f[10]\nVarPalBank=one"),
            "the key VarPalBank: \"one\" is not a whole" },
        { withLine(withSprites, "MetaSprites", "MetaSprites=ff[ff]"), "the key MetaSprites: it holds 255 bytes" },
        { withLine(withSprites, "MetaSprites", "MetaSprites=400500f0ff[fc]"),
            "sprite 0 of metasprite 0 lies at (176, 0) from its origin" },
    };
    for (const auto &c : cases) {
        const auto result = ScreenToolSessionReader::read(text(c.session));
        EXPECT_FALSE(result) << c.session.substr(0, 200);
        EXPECT_NE(result.error.find(c.reason), std::string::npos) << c.reason << "\n" << result.error;
    }
}
