#include "convert/MetaspriteExport.h"

#include "BuildFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

using namespace mosavo;

namespace {

// Two metasprites with negative offsets, flips, priority and every sub-palette.
std::vector<Metasprite> heroAndCoin()
{
    Metasprite hero { "hero", {} };
    hero.sprites.push_back({ -8, -16, 0x10, 4 });
    hero.sprites.push_back({ 0, -16, 0x10, 5, true });
    hero.sprites.push_back({ -8, -8, 0x20, 6, false, true });
    hero.sprites.push_back({ 0, -8, 0x21, 7, true, true, true });
    Metasprite coin { "coin", { { 127, -128, 0xFF, 4 } } };
    return { hero, coin };
}

using MetaspriteBuild = BuildFolder;

} // namespace

TEST(MetaspriteExport, BinaryIsEachTableThenTheEndByte)
{
    const auto bytes = metaspriteTablesBinary(heroAndCoin());
    ASSERT_TRUE(bytes);
    const Bytes expected = { 0xF8, 0xF0, 0x10, 0x00, 0x00, 0xF0, 0x10, 0x41, 0xF8, 0xF8, 0x20, 0x82, 0x00, 0xF8, 0x21,
        0xE3, 0x80, 0x7F, 0x80, 0xFF, 0x00, 0x80 };
    EXPECT_EQ(*bytes, expected);
}

TEST(MetaspriteExport, RefusesNoMetaspritesAndAnXOffsetThatReadsAsTheEnd)
{
    std::string why;
    EXPECT_FALSE(metaspriteTablesBinary({}, &why));
    EXPECT_EQ(why, "there are no metasprites");
    auto metasprites = heroAndCoin();
    metasprites[1].sprites.push_back({ -128, 0, 1, 4 });
    EXPECT_FALSE(metaspriteTablesBinary(metasprites, &why));
    EXPECT_EQ(why,
        "sprite 1 of metasprite 1 (\"coin\") has the x offset -128, which its table would read as the end "
        "byte 128");
    const auto source = metaspriteTablesSource("frames", metasprites, SourceLanguage::c);
    EXPECT_FALSE(source);
    EXPECT_EQ(source.error, why);
    EXPECT_FALSE(metaspriteTablesSource("lda", heroAndCoin(), SourceLanguage::ca65)) << "a name ca65 cannot take";
}

TEST_F(MetaspriteBuild, Ca65SourceAssemblesToTheBinaryAndTheAddressTable)
{
    const auto source = metaspriteTablesSource("hero_frames", heroAndCoin(), SourceLanguage::ca65);
    ASSERT_TRUE(source) << source.error;
    EXPECT_NE(source.text->find("hero_frames_1:"), std::string::npos);
    const Bytes assembled = assembleCa65(*source.text);
    Bytes expected = *metaspriteTablesBinary(heroAndCoin());
    // hero_frames: .word hero_frames_0 ($8000), hero_frames_1 ($8011, after hero's 17 bytes).
    expected.insert(expected.end(), { 0x00, 0x80, 0x11, 0x80 });
    EXPECT_EQ(assembled, expected);
}

TEST_F(MetaspriteBuild, CSourceCompilesToTheBinaryThroughThePointers)
{
    const auto metasprites = heroAndCoin();
    const auto source = metaspriteTablesSource("hero_frames", metasprites, SourceLanguage::c);
    ASSERT_TRUE(source) << source.error;
    write("frames.c", *source.text);
    write("main.c",
        "#include <stdio.h>\n"
        "#include \"frames.c\"\n"
        "int main(void) {\n"
        "    FILE *f = fopen(\"out.bin\", \"wb\");\n"
        "    unsigned i, n;\n"
        "    if (!f || sizeof hero_frames / sizeof hero_frames[0] != 2) return 1;\n"
        "    for (i = 0; i < 2; ++i) {\n"
        "        for (n = 0; hero_frames[i][n] != 128; n += 4) {}\n" // x offset 128 ends a table
        "        if (fwrite(hero_frames[i], 1, n + 1, f) != n + 1) return 1;\n"
        "    }\n"
        "    return fclose(f) != 0;\n"
        "}\n");
    run("cc -std=c99 -Wall -Wextra -pedantic -Werror -o dump main.c && ./dump");
    EXPECT_EQ(read("out.bin"), *metaspriteTablesBinary(metasprites));
}

TEST(MetaspriteExport, OamDumpPlacesTheSpritesFirstAndHidesTheRest)
{
    const auto oam = oamBytes(heroAndCoin()[0], 100, 50);
    const uint8_t first[16] = { 34, 0x10, 0x00, 92, 34, 0x10, 0x41, 100, 42, 0x20, 0x82, 92, 42, 0x21, 0xE3, 100 };
    EXPECT_TRUE(std::equal(std::begin(first), std::end(first), oam.begin()));
    for (size_t entry = 4; entry < 64; ++entry)
        EXPECT_EQ(oam[entry * 4], oamHiddenY) << entry;
}

TEST(MetaspriteExport, PictureFollowsTheHardwareRulesOnATransparentCanvas)
{
    // Ten sprites of a solid tile in one row: the ninth and tenth vanish. Sprite 0 is in front of sprite 10, which
    // it overlaps half; a flipped sprite shows its tile mirrored.
    PatternTables patterns;
    for (int i = 0; i < 64; ++i) {
        patterns.pixels[size_t(256 * 64 + i)] = 1; // tile 0 of table 1: solid colour 1
        patterns.pixels[size_t(257 * 64 + i)] = (i % 8) < 4 ? 2 : 0; // tile 1: the left half colour 2
    }
    Metasprite row { "row", {} };
    for (int i = 0; i < 10; ++i)
        row.sprites.push_back({ i * 8, 0, 0, 4 });
    row.sprites[0].tile = 1;
    row.sprites.push_back({ 4, 8, 1, 5, true }); // below the row, mirrored: its right half drawn
    PaletteBytes palette {};
    palette[17] = 0x16;
    palette[18] = 0x30;
    palette[21] = 0x12;
    palette[22] = 0x2A;
    const auto bounds = metaspriteBounds(row, 8);
    EXPECT_EQ(bounds.left, 0);
    EXPECT_EQ(bounds.top, 0);
    EXPECT_EQ(bounds.width, 80);
    EXPECT_EQ(bounds.height, 16);
    const FramePicture picture = metaspritePicture(patterns, row, { false, 1 }, palette, 80, 16, 0, 0);
    EXPECT_EQ(picture.at(0, 0), 0x30) << "sprite 0 draws its left half";
    EXPECT_EQ(picture.at(5, 0), FramePicture::transparentColor) << "and nothing in its right half";
    EXPECT_EQ(picture.at(8 * 7 + 3, 7), 0x16) << "the eighth sprite shows";
    EXPECT_EQ(picture.at(8 * 8 + 3, 3), FramePicture::transparentColor) << "the ninth vanishes";
    EXPECT_EQ(picture.at(8 * 9 + 3, 3), FramePicture::transparentColor) << "and the tenth";
    EXPECT_EQ(picture.at(5, 8), FramePicture::transparentColor) << "the mirrored sprite's left half is empty";
    EXPECT_EQ(picture.at(9, 8), 0x2A) << "its right half drawn from the tile's left";
    // Moved by --at: origin at (2, 3) on a larger canvas.
    const FramePicture moved = metaspritePicture(patterns, row, { false, 1 }, palette, 90, 20, 2, 3);
    EXPECT_EQ(moved.at(2, 3), 0x30);
    EXPECT_EQ(moved.at(1, 3), FramePicture::transparentColor);

    // OAM order decides, not position: the ninth sprite vanishes though it is the leftmost.
    Metasprite leftmostLast { "leftmost_last", {} };
    for (int i = 0; i < 8; ++i)
        leftmostLast.sprites.push_back({ 8 + i * 8, 0, 0, 4 });
    leftmostLast.sprites.push_back({ 0, 0, 0, 4 });
    const FramePicture leftmost = metaspritePicture(patterns, leftmostLast, { false, 1 }, palette, 72, 8, 0, 0);
    EXPECT_EQ(leftmost.at(3, 3), FramePicture::transparentColor) << "the ninth in OAM order, leftmost, vanishes";
    EXPECT_EQ(leftmost.at(8 * 8 + 3, 3), 0x16) << "the eighth, rightmost, shows";
}
