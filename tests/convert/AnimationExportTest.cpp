#include "convert/AnimationExport.h"
#include "convert/MetaspriteExport.h"

#include "BuildFolder.h"

#include <gtest/gtest.h>

using namespace mosavo;

namespace {

std::vector<Metasprite> frames()
{
    return { { "walk 0", { { 0, 0, 1, 4 } } }, { "walk 1", { { 0, 0, 2, 5, true } } },
        { "jump", { { -4, -8, 3, 6 } } } };
}

// "walk" shares its name with nothing, "jump" with the metasprite table jump.
std::vector<Animation> animations()
{
    return { { "walk", { { 0, 8 }, { 1, 8 } } }, { "jump", { { 2, 255 }, { 0, 1 } } } };
}

using AnimationBuild = BuildFolder;

} // namespace

TEST(AnimationExport, WritesEachAnimationsFramesInTheDocumentedLayout)
{
    const auto ca65 = animationsSource("hero_anims", animations(), frames(), SourceLanguage::ca65);
    ASSERT_TRUE(ca65) << ca65.error;
    EXPECT_EQ(*ca65.text,
        "; Animations: per frame the address of its metasprite table (.word) and how many frames it shows\n"
        "; (.byte); a frame of address 0 and duration 0 ends each list. hero_anims lists the animations.\n"
        ".import walk_0, walk_1, jump\n"
        ".export hero_anims, walk, jump_2\n"
        "; \"walk\"\n"
        "walk:\n"
        "    .word walk_0\n    .byte 8\n"
        "    .word walk_1\n    .byte 8\n"
        "    .word 0\n    .byte 0\n"
        "; \"jump\"\n"
        "jump_2:\n"
        "    .word jump\n    .byte 255\n"
        "    .word walk_0\n    .byte 1\n"
        "    .word 0\n    .byte 0\n"
        "hero_anims:\n"
        "    .word walk, jump_2\n");
    const auto c = animationsSource("hero_anims", animations(), frames(), SourceLanguage::c);
    ASSERT_TRUE(c) << c.error;
    EXPECT_NE(c.text->find("struct hero_anims_frame {\n    const unsigned char* metasprite;\n    unsigned char "
                           "duration;\n};\n"),
        std::string::npos);
    EXPECT_NE(c.text->find("const struct hero_anims_frame jump_2[] = {\n    { jump, 255 },\n    { walk_0, 1 },\n    { "
                           "0, 0 }\n};\n"),
        std::string::npos)
        << *c.text;

    auto bad = animations();
    bad[1].frames[0].metasprite = 3;
    EXPECT_EQ(animationsSource("anims", bad, frames(), SourceLanguage::c).error,
        "frame 0 of animation 1 (\"jump\") shows metasprite 3, which does not exist");
    bad = animations();
    bad[0].frames[1].duration = 256;
    EXPECT_EQ(animationsSource("anims", bad, frames(), SourceLanguage::c).error,
        "frame 1 of animation 0 (\"walk\") lasts 256 frames; a duration is one byte, 1..255");
    EXPECT_EQ(animationsSource("anims", {}, frames(), SourceLanguage::ca65).error, "there are no animations");
    EXPECT_FALSE(animationsSource("lda", animations(), frames(), SourceLanguage::ca65));
    // A name with a newline stays inside its comment.
    auto named = animations();
    named[0].name = "walk\nlda #0";
    EXPECT_NE(animationsSource("anims", named, frames(), SourceLanguage::ca65).text->find("; \"walk lda #0\"\n"),
        std::string::npos);
}

TEST_F(AnimationBuild, CAndCa65AnimationsLinkBesideTheirTablesToTheSameBytes)
{
    const std::vector<Animation> list = animations();
    for (const SourceLanguage language : { SourceLanguage::c, SourceLanguage::ca65 }) {
        const bool c = language == SourceLanguage::c;
        const std::string prefix = c ? "_" : ""; // cc65 puts an underscore before C's names
        write(c ? "tables.c" : "tables.s", *metaspriteTablesSource("hero_frames", frames(), language).text);
        write(c ? "anims.c" : "anims.s", *animationsSource("hero_anims", list, frames(), language).text);
        run(c ? "cl65 -t none -O -Ln labels.txt -o program tables.c anims.c"
              : "cl65 -t none -Ln labels.txt -o program tables.s anims.s");
        const Bytes program = read("program");
        auto labels = labelAddresses("labels.txt");
        const std::vector<std::string> tables = metaspriteTableLabels(frames());
        const std::vector<std::string> names = { "walk", "jump_2" };
        Bytes animationTable;
        for (size_t a = 0; a < list.size(); ++a) {
            Bytes expected;
            for (const AnimationFrame &frame : list[a].frames) {
                const Bytes address = word(labels[prefix + tables[size_t(frame.metasprite)]]);
                expected.insert(expected.end(), address.begin(), address.end());
                expected.push_back(uint8_t(frame.duration));
            }
            expected.insert(expected.end(), { 0, 0, 0 });
            ASSERT_TRUE(labels.count(prefix + names[a])) << names[a];
            EXPECT_EQ(bytesAt(program, labels[prefix + names[a]], expected.size()), expected) << names[a] << " " << c;
            const Bytes address = word(labels[prefix + names[a]]);
            animationTable.insert(animationTable.end(), address.begin(), address.end());
        }
        EXPECT_EQ(bytesAt(program, labels[prefix + "hero_anims"], 4), animationTable) << c;
    }
}
