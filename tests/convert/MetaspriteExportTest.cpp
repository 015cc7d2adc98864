#include "convert/MetaspriteExport.h"

#include "BuildFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
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
    EXPECT_NE(source.text->find("\ncoin:\n"), std::string::npos);
    EXPECT_NE(source.text->find(".export hero_frames, hero, coin\n"), std::string::npos);
    const Bytes assembled = assembleCa65(*source.text);
    Bytes expected = *metaspriteTablesBinary(heroAndCoin());
    // hero_frames: .word hero ($8000), coin ($8011, after hero's 17 bytes).
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

TEST(MetaspriteExport, NamesEachTableAfterItsMetaspriteAndCommentsEachSprite)
{
    Metasprite walk { "Hero walk (1)", { { -8, -16, 0x10, 5, true, false, true } } };
    Metasprite again { "hero-walk-1", { { 0, 0, 0x01, 7, true, true } } };
    Metasprite digit { "1up", {} };
    Metasprite reserved { "x", { { 1, 2, 3, 6, false, true } } };
    const std::vector<Metasprite> metasprites = { walk, again, digit, reserved };
    EXPECT_EQ(
        metaspriteTableLabels(metasprites), (std::vector<std::string> { "Hero_walk_1", "hero_walk_1", "_1up", "x_" }));
    EXPECT_EQ(metaspriteTableLabels({ walk, walk, { "", {} } }),
        (std::vector<std::string> { "Hero_walk_1", "Hero_walk_1_2", "unnamed" }));

    const auto c = metaspriteTablesSource("frames", metasprites, SourceLanguage::c);
    ASSERT_TRUE(c) << c.error;
    EXPECT_EQ(*c.text,
        "// Metasprite tables: for each sprite its x offset, y offset, tile and attributes, then the byte 128.\n"
        "const unsigned char Hero_walk_1[] = {\n"
        "    0xF8, 0xF0, 0x10, 0x61, // sprite 0 at (-8, -16): sub-palette 5, flipped horizontally, behind the "
        "background\n"
        "    0x80\n"
        "};\n"
        "const unsigned char hero_walk_1[] = {\n"
        "    0x00, 0x00, 0x01, 0xC3, // sprite 0 at (0, 0): sub-palette 7, flipped both ways, in front of the "
        "background\n"
        "    0x80\n"
        "};\n"
        "const unsigned char _1up[] = {\n"
        "    0x80\n"
        "};\n"
        "const unsigned char x_[] = {\n"
        "    0x01, 0x02, 0x03, 0x82, // sprite 0 at (1, 2): sub-palette 6, flipped vertically, in front of the "
        "background\n"
        "    0x80\n"
        "};\n"
        "const unsigned char* const frames[] = {\n"
        "    Hero_walk_1, hero_walk_1, _1up, x_\n"
        "};\n");
    const auto ca65 = metaspriteTablesSource("frames", metasprites, SourceLanguage::ca65);
    ASSERT_TRUE(ca65) << ca65.error;
    EXPECT_EQ(*ca65.text,
        "; Metasprite tables: for each sprite its x offset, y offset, tile and attributes, then the byte $80.\n"
        ".export frames, Hero_walk_1, hero_walk_1, _1up, x_\n"
        "Hero_walk_1:\n"
        "    .byte $F8,$F0,$10,$61 ; sprite 0 at (-8, -16): sub-palette 5, flipped horizontally, behind the "
        "background\n"
        "    .byte $80\n"
        "hero_walk_1:\n"
        "    .byte $00,$00,$01,$C3 ; sprite 0 at (0, 0): sub-palette 7, flipped both ways, in front of the "
        "background\n"
        "    .byte $80\n"
        "_1up:\n"
        "    .byte $80\n"
        "x_:\n"
        "    .byte $01,$02,$03,$82 ; sprite 0 at (1, 2): sub-palette 6, flipped vertically, in front of the "
        "background\n"
        "    .byte $80\n"
        "frames:\n"
        "    .word Hero_walk_1, hero_walk_1, _1up, x_\n");

    const auto clash = metaspriteTablesSource("x_", metasprites, SourceLanguage::c);
    EXPECT_EQ(
        clash.error, "metasprite 3 (\"x\") would be named x_, as the address table is: give the table another name");
}

namespace {
// neslib's call that draws a metasprite, as its header declares it, and a stand-in for its code.
constexpr const char *neslibHeader
    = "void __fastcall__ oam_meta_spr(unsigned char x, unsigned char y, const unsigned char *data);\n";
constexpr const char *neslibStandIn = ".export _oam_meta_spr\n_oam_meta_spr:\n    rts\n";
} // namespace

TEST_F(MetaspriteBuild, CAndCa65TablesBuildIntoANeslibProgram)
{
    const auto metasprites = heroAndCoin();
    write("frames.c", *metaspriteTablesSource("hero_frames", metasprites, SourceLanguage::c).text);
    write("tables.s", *metaspriteTablesSource("hero_tables", metasprites, SourceLanguage::ca65).text);
    write("neslib.h", neslibHeader);
    write("neslib.s", neslibStandIn);
    write("main.c",
        "#include \"neslib.h\"\n"
        "extern const unsigned char hero[];\n"
        "extern const unsigned char* const hero_frames[];\n"
        "void draw_from_asm(void);\n"
        "void main(void) {\n"
        "    oam_meta_spr(100, 50, hero);\n"
        "    oam_meta_spr(20, 30, hero_frames[1]);\n"
        "    draw_from_asm();\n"
        "}\n");
    // Assembly code takes the ca65 tables by their exported labels.
    write("draw.s",
        ".import hero_tables, hero, coin\n"
        ".export _draw_from_asm\n"
        "_draw_from_asm:\n"
        "    lda hero_tables\n"
        "    lda hero\n"
        "    lda coin\n"
        "    rts\n");
    run("cl65 -t none -O -Ln labels.txt -o program main.c frames.c tables.s draw.s neslib.s");
    const Bytes program = read("program");
    auto labels = labelAddresses("labels.txt");
    const Bytes hero = metaspriteTableBytes(metasprites[0]);
    const Bytes coin = metaspriteTableBytes(metasprites[1]);
    for (const auto &[c, ca65] : { std::pair<std::string, std::string> { "_hero", "hero" }, { "_coin", "coin" } }) {
        ASSERT_TRUE(labels.count(c) && labels.count(ca65)) << c;
        const Bytes &table = c == "_hero" ? hero : coin;
        EXPECT_EQ(bytesAt(program, labels[c], table.size()), table) << c;
        EXPECT_EQ(bytesAt(program, labels[ca65], table.size()), table) << ca65;
    }
    Bytes pointers = word(labels["_hero"]);
    const Bytes second = word(labels["_coin"]);
    pointers.insert(pointers.end(), second.begin(), second.end());
    EXPECT_EQ(bytesAt(program, labels["_hero_frames"], 4), pointers);
    Bytes words = word(labels["hero"]);
    const Bytes coinWord = word(labels["coin"]);
    words.insert(words.end(), coinWord.begin(), coinWord.end());
    EXPECT_EQ(bytesAt(program, labels["hero_tables"], 4), words);
}
