#include "formats/MetaspriteBinaryFormat.h"
#include "formats/MetaspriteCFormat.h"
#include "formats/MetaspriteCa65Format.h"

#include <gtest/gtest.h>

using namespace mosavo;

namespace {

Bytes text(std::string_view source)
{
    return Bytes(source.begin(), source.end());
}

// The metasprites of the hand-written files below.
std::vector<Metasprite> walkFrames()
{
    Metasprite first { "walk_0", {} };
    first.sprites.push_back({ -8, -16, 0x10, 4 });
    first.sprites.push_back({ 0, -16, 0x10, 5, true });
    first.sprites.push_back({ -8, 0, 0x21, 6, false, true, true });
    first.sprites.push_back({ 127, -128, 0xFF, 7, true, true });
    Metasprite second { "walk_1", { { 0, 0, 0x31, 4, false, false, true } } };
    Metasprite empty { "nothing", {} };
    return { first, second, empty };
}

constexpr std::string_view neslibC = R"(// exported for neslib
#include "neslib.h"
#define PAL1 1 /* a name of the file's own */

const unsigned char walk_0[]={
	- 8,-16,0x10,0,
	  0,-16,0x10,1|OAM_FLIP_H, /* mirrored */
	 -8,  0,0x21,2+OAM_FLIP_V+OAM_BEHIND,
	127,128,255,(3|OAM_FLIP_H)|OAM_FLIP_V,
	128
};

static const unsigned char walk_1[2 * 4 + 1] = { 0, 0, 0X31, OAM_BEHIND, 0x80u };
const unsigned char nothing[] = { 128, };

extern const unsigned char other[];
const unsigned char* const walk[]={ walk_0, walk_1, nothing };
)";

constexpr std::string_view ca65Source = R"(; exported for neslib
.export walk, walk_0, walk_1
.segment "RODATA"
FLIP = $40
walk_0:
    .byte -8, $F0, $10, 0        ; first row
    .byte 0, -16, $10, 1 | OAM_FLIP_H
    .BYTE $F8,0,$21,%10100010
    .db 127, 128, 255, 3 | FLIP | OAM_FLIP_V
    .byte $80
walk_1: .byte 0,0,$31,OAM_BEHIND,128
nothing:
    .byte 128
walk:
    .word walk_0, walk_1, nothing
)";

} // namespace

TEST(MetaspriteTableFormat, ReadsHandWrittenCAndCa65AsNeslibWritesThem)
{
    const auto c = MetaspriteCFormat().read(text(neslibC));
    ASSERT_TRUE(c) << c.error;
    EXPECT_EQ(c.value->metasprites, walkFrames());
    EXPECT_EQ(c.value->tableName, "walk");

    const auto ca65 = MetaspriteCa65Format().read(text(ca65Source));
    ASSERT_TRUE(ca65) << ca65.error;
    EXPECT_EQ(ca65.value->metasprites, walkFrames());
    EXPECT_EQ(ca65.value->tableName, "walk");
}

TEST(MetaspriteTableFormat, ExportedAndReadBackGivesTheSameBytesAndNames)
{
    const std::vector<Metasprite> frames = walkFrames();
    const MetaspriteBinaryFormat binary("walk");
    const MetaspriteCFormat c;
    const MetaspriteCa65Format ca65;
    for (const MetaspriteTableFormat *format :
        std::initializer_list<const MetaspriteTableFormat *> { &binary, &c, &ca65 }) {
        const auto written = format->write(frames, "walk");
        ASSERT_TRUE(written) << format->name() << ": " << written.error;
        const auto read = format->read(*written.value);
        ASSERT_TRUE(read) << format->name() << ": " << read.error;
        EXPECT_EQ(read.value->metasprites.size(), frames.size());
        for (size_t i = 0; i < frames.size(); ++i) {
            EXPECT_EQ(read.value->metasprites[i].sprites, frames[i].sprites) << format->name() << " " << i;
            if (format != &binary) {
                EXPECT_EQ(read.value->metasprites[i].name, frames[i].name) << format->name();
            }
        }
        EXPECT_EQ(
            *format->write(read.value->metasprites, read.value->tableName.empty() ? "walk" : read.value->tableName)
                 .value,
            *written.value)
            << format->name() << ": written again, byte for byte";
    }
    // The binary names its metasprites after the prefix it is given.
    const auto read = binary.read(*binary.write(frames, "").value);
    EXPECT_EQ(read.value->metasprites[2].name, "walk_2");
}

TEST(MetaspriteTableFormat, BinaryAndEightBySixteenTables)
{
    // 8x16 sprites: bit 0 of the tile picks the pattern table; the byte comes back as it was.
    const Bytes tall = { 0xF8, 0xF0, 0x11, 0x00, 0x00, 0xF0, 0x11, 0x40, 0x80, 0xFC, 0xF8, 0x2A, 0x03, 0x80 };
    const auto read = MetaspriteBinaryFormat().read(tall);
    ASSERT_TRUE(read) << read.error;
    ASSERT_EQ(read.value->metasprites.size(), 2u);
    EXPECT_EQ(read.value->metasprites[0].sprites[1].tile, 0x11);
    EXPECT_TRUE(read.value->metasprites[0].sprites[1].flipHorizontally);
    EXPECT_EQ(read.value->metasprites[1].sprites[0].x, -4);
    EXPECT_EQ(read.value->metasprites[1].sprites[0].y, -8);
    EXPECT_EQ(read.value->metasprites[1].sprites[0].subPalette, 7);
    EXPECT_EQ(read.value->metasprites[0].name, "metasprite_0");
    EXPECT_EQ(*MetaspriteBinaryFormat().write(read.value->metasprites, "").value, tall);

    const struct
    {
        Bytes bytes;
        std::string reason;
    } damaged[] = {
        { {}, "the file is empty" },
        { { 0x00, 0x00, 0x01, 0x00 }, "metasprite 0 (from byte 0) ends with the file" },
        { { 0x80, 0x00, 0x00, 0x01 }, "metasprite 1 ends inside its sprite 0 at byte 1" },
    };
    for (const auto &d : damaged) {
        const auto result = MetaspriteBinaryFormat().read(d.bytes);
        EXPECT_FALSE(result);
        EXPECT_NE(result.error.find(d.reason), std::string::npos) << result.error;
    }
}

TEST(MetaspriteTableFormat, DamagedSourceIsRefusedWithTheLineAndReason)
{
    const struct
    {
        std::string_view source;
        std::string reason;
    } cFiles[] = {
        { "const unsigned char a[]={0,0,1,0};", "line 1: the array a ends without the byte 128" },
        { "const unsigned char a[]={0,0,1,0,128,5};", "has 1 values after the byte 128" },
        { "\n\nconst unsigned char a[]={0,0,300,0,128};", "line 3: the array a: value 2 (300) is not a byte" },
        { "const unsigned char a[]={0,0,OAM_FLIP_X,0,128};",
            "value 2: \"OAM_FLIP_X\" is not a value: the name "
            "OAM_FLIP_X is not known" },
        { "const unsigned char a[]={0,0,1,0x1G,128};", "'G' is not a digit" },
        { "const unsigned char a[]={0,0,1,};", "ends inside sprite 0" },
        { "/* open\nconst unsigned char a[]={128};", "the comment opened on line 1 is not closed" },
        { "const unsigned char a[]={128}", "a declaration does not end with ;" },
        { "const unsigned char a[]=5;", "the array a has no list of values in braces" },
        { "int x = 5;", "it holds no metasprite table" },
        { "const unsigned char a[]={0,0,1,0,(1|2,128};", "a parenthesis is not closed" },
    };
    for (const auto &f : cFiles) {
        const auto result = MetaspriteCFormat().read(text(f.source));
        EXPECT_FALSE(result) << f.source;
        EXPECT_NE(result.error.find(f.reason), std::string::npos) << f.source << "\n" << result.error;
    }

    const struct
    {
        std::string_view source;
        std::string reason;
    } ca65Files[] = {
        { "a:\n  .byte 0,0,1,0\n", "line 1: the label a ends without the byte 128" },
        { "  .byte 128\n", "line 1: .byte values before any label" },
        { "a:\n  .res 4\n", "line 2: the directive .res is not read" },
        { "a:\n  .byte 1,2,,128\n", "line 2, the label a: \"\" is not a value: it is empty" },
        { "a:\n  .byte \"ab\",128\n", "line 2: a string or character is not a table value" },
        { "a:\n  .word b\n  .byte 128\n", "line 3: the label a mixes .word and .byte values" },
        { "a:\n lda #0\n", "line 2: \"lda #0\" is neither a label, a directive nor a value" },
        { "; nothing here\n", "it holds no metasprite table" },
        { "a:\n .byte 0,0,-129,0,128\n", "value 2 (-129) is not a byte" },
    };
    for (const auto &f : ca65Files) {
        const auto result = MetaspriteCa65Format().read(text(f.source));
        EXPECT_FALSE(result) << f.source;
        EXPECT_NE(result.error.find(f.reason), std::string::npos) << f.source << "\n" << result.error;
    }
}
