#include "convert/SourceWriters.h"

#include "BuildFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

using namespace mosavo;

namespace {
using SourceBuild = BuildFolder;

Bytes randomBytes(size_t size, unsigned seed)
{
    std::mt19937 engine(seed);
    Bytes bytes(size);
    for (auto &b : bytes)
        b = uint8_t(engine());
    return bytes;
}

Bytes sequence(size_t size, uint8_t first = 0)
{
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = uint8_t(first + i);
    return bytes;
}
} // namespace

TEST(SourceWriters, WritesKnownBytesInRowsOf16)
{
    const Bytes bytes = sequence(17, 0xF0);
    const auto ca65 = byteSource("title_nam", bytes, SourceLanguage::ca65);
    ASSERT_TRUE(ca65) << ca65.error;
    EXPECT_EQ(*ca65.text,
        "title_nam:\n"
        "    .byte $F0,$F1,$F2,$F3,$F4,$F5,$F6,$F7,$F8,$F9,$FA,$FB,$FC,$FD,$FE,$FF\n"
        "    .byte $00\n");

    const auto c = byteSource("title_nam", bytes, SourceLanguage::c);
    ASSERT_TRUE(c) << c.error;
    EXPECT_EQ(*c.text,
        "const unsigned char title_nam[17] = {\n"
        "    0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF,\n"
        "    0x00\n"
        "};\n");
}

TEST(SourceWriters, WritesKnownTables)
{
    const std::vector<Bytes> entries = { { 0, 0, 1, 0, 128 }, { 248, 0, 2, 0x41, 128 } };
    const auto ca65 = tableSource("hero", entries, SourceLanguage::ca65);
    ASSERT_TRUE(ca65) << ca65.error;
    EXPECT_EQ(*ca65.text,
        "hero_0:\n"
        "    .byte $00,$00,$01,$00,$80\n"
        "hero_1:\n"
        "    .byte $F8,$00,$02,$41,$80\n"
        "hero:\n"
        "    .word hero_0, hero_1\n");

    const auto c = tableSource("hero", entries, SourceLanguage::c);
    ASSERT_TRUE(c) << c.error;
    EXPECT_EQ(*c.text,
        "const unsigned char hero_0[] = {\n"
        "    0x00, 0x00, 0x01, 0x00, 0x80\n"
        "};\n"
        "const unsigned char hero_1[] = {\n"
        "    0xF8, 0x00, 0x02, 0x41, 0x80\n"
        "};\n"
        "const unsigned char* const hero[] = {\n"
        "    hero_0, hero_1\n"
        "};\n");
}

TEST(SourceWriters, RefusesNamesThatAreNotIdentifiers)
{
    struct Case
    {
        const char *name;
        SourceLanguage language;
        std::string error;
    };
    const Case cases[] = {
        { "", SourceLanguage::c,
            "the name is empty: a label needs a letter or underscore, then letters, digits or "
            "underscores" },
        { "1up", SourceLanguage::ca65, "\"1up\" cannot be a name: it must start with a letter or underscore" },
        { "title-screen", SourceLanguage::c,
            "\"title-screen\" cannot be a name: only letters, digits and "
            "underscores are allowed" },
        { "two words", SourceLanguage::ca65,
            "\"two words\" cannot be a name: only letters, digits and underscores "
            "are allowed" },
        { "unsigned", SourceLanguage::c, "\"unsigned\" cannot be a name: it is a C keyword" },
        { "lda", SourceLanguage::ca65, "\"lda\" cannot be a name: ca65 reads it as a register or instruction" },
        { "X", SourceLanguage::ca65, "\"X\" cannot be a name: ca65 reads it as a register or instruction" },
        { "z", SourceLanguage::ca65, "\"z\" cannot be a name: ca65 reads it as a register or instruction" },
    };
    for (const Case &c : cases) {
        EXPECT_EQ(sourceNameError(c.name, c.language), c.error) << c.name;
        const auto bytes = byteSource(c.name, { 1, 2 }, c.language);
        EXPECT_FALSE(bytes) << c.name;
        EXPECT_EQ(bytes.error, c.error);
        EXPECT_EQ(tableSource(c.name, { { 1 } }, c.language).error, c.error);
    }
    // Each language refuses only its own words.
    EXPECT_FALSE(sourceNameError("lda", SourceLanguage::c));
    EXPECT_FALSE(sourceNameError("unsigned", SourceLanguage::ca65));
    EXPECT_FALSE(sourceNameError("_Level1_bg", SourceLanguage::ca65));
    EXPECT_FALSE(sourceNameError("_Level1_bg", SourceLanguage::c));
}

TEST(SourceWriters, RefusesWhatCCannotHold)
{
    EXPECT_EQ(byteSource("empty", {}, SourceLanguage::c).error, "\"empty\" has no bytes, and C has no empty arrays");
    EXPECT_EQ(*byteSource("empty", {}, SourceLanguage::ca65).text, "empty:\n");
    for (auto language : { SourceLanguage::ca65, SourceLanguage::c }) {
        EXPECT_EQ(tableSource("t", {}, language).error, "the table \"t\" has no entries");
        EXPECT_EQ(tableSource("t", { { 1 }, {} }, language).error, "entry 1 of the table \"t\" has no bytes");
    }
}

TEST_F(SourceBuild, Ca65SourceAssemblesToTheBytes)
{
    for (const Bytes &bytes : { randomBytes(1024, 1), sequence(256), Bytes { 0x7F } }) {
        const auto source = byteSource("nametable", bytes, SourceLanguage::ca65);
        ASSERT_TRUE(source) << source.error;
        EXPECT_EQ(assembleCa65(*source.text), bytes);
    }
}

TEST_F(SourceBuild, Ca65TableAssemblesToEntriesAndTheirAddresses)
{
    std::vector<Bytes> entries;
    for (size_t i = 0; i < 11; ++i)
        entries.push_back(randomBytes(1 + 4 * i, unsigned(i)));
    const auto source = tableSource("metasprites", entries, SourceLanguage::ca65);
    ASSERT_TRUE(source) << source.error;

    Bytes expected;
    std::vector<size_t> addresses;
    for (const Bytes &entry : entries) {
        addresses.push_back(0x8000 + expected.size());
        expected.insert(expected.end(), entry.begin(), entry.end());
    }
    for (size_t address : addresses) {
        expected.push_back(uint8_t(address & 0xFF));
        expected.push_back(uint8_t(address >> 8));
    }
    EXPECT_EQ(assembleCa65(*source.text), expected);
}

TEST_F(SourceBuild, CSourceCompilesToTheBytes)
{
    const Bytes bytes = randomBytes(1024, 7);
    const auto source = byteSource("nametable", bytes, SourceLanguage::c);
    ASSERT_TRUE(source) << source.error;
    write("nametable.c", *source.text);
    write("main.c",
        "#include <stdio.h>\n"
        "#include \"nametable.c\"\n"
        "int main(void) {\n"
        "    FILE *f = fopen(\"out.bin\", \"wb\");\n"
        "    return !f || fwrite(nametable, 1, sizeof nametable, f) != sizeof nametable || fclose(f) != 0;\n"
        "}\n");
    run("cc -std=c99 -Wall -Wextra -pedantic -Werror -o dump main.c && ./dump");
    EXPECT_EQ(read("out.bin"), bytes) << "the array holds exactly the bytes, and its size is theirs";
}

TEST_F(SourceBuild, CTableCompilesToEntriesReachedThroughThePointers)
{
    const std::vector<Bytes> entries = { randomBytes(5, 1), randomBytes(9, 2), randomBytes(1, 3), randomBytes(13, 4),
        randomBytes(17, 5), randomBytes(21, 6), randomBytes(25, 7), randomBytes(29, 8), randomBytes(33, 9) };
    const auto source = tableSource("frames", entries, SourceLanguage::c);
    ASSERT_TRUE(source) << source.error;
    write("frames.c", *source.text);
    std::string sizes;
    Bytes expected;
    for (const Bytes &entry : entries) {
        sizes += std::to_string(entry.size()) + ",";
        expected.insert(expected.end(), entry.begin(), entry.end());
    }
    write("main.c",
        "#include <stdio.h>\n"
        "#include \"frames.c\"\n"
        "static const unsigned sizes[] = {"
            + sizes
            + "};\n"
              "int main(void) {\n"
              "    FILE *f = fopen(\"out.bin\", \"wb\");\n"
              "    unsigned i;\n"
              "    if (!f || sizeof frames / sizeof frames[0] != sizeof sizes / sizeof sizes[0]) return 1;\n"
              "    for (i = 0; i < sizeof sizes / sizeof sizes[0]; ++i)\n"
              "        if (fwrite(frames[i], 1, sizes[i], f) != sizes[i]) return 1;\n"
              "    return fclose(f) != 0;\n"
              "}\n");
    run("cc -std=c99 -Wall -Wextra -pedantic -Werror -o dump main.c && ./dump");
    EXPECT_EQ(read("out.bin"), expected);
}

TEST_F(SourceBuild, CSourceBuildsWithCc65ToTheBytes)
{
    // The NES's own C compiler puts the array in RODATA; linked flat, the binary is the array.
    const Bytes bytes = randomBytes(960, 11);
    const auto source = byteSource("level", bytes, SourceLanguage::c);
    ASSERT_TRUE(source) << source.error;
    write("level.c", *source.text);
    run("cc65 -O -t none -o level.s level.c");
    std::ifstream in(path("level.s"));
    std::stringstream assembly;
    assembly << in.rdbuf();
    EXPECT_EQ(assembleCa65(assembly.str()), bytes);
}

TEST_F(SourceBuild, CTableBuildsWithCc65ToEntriesAndTheirAddresses)
{
    const std::vector<Bytes> entries = { randomBytes(5, 21), randomBytes(1, 22), randomBytes(9, 23) };
    const auto source = tableSource("walk", entries, SourceLanguage::c);
    ASSERT_TRUE(source) << source.error;
    write("walk.c", *source.text);
    run("cc65 -O -t none -o walk.s walk.c");
    std::ifstream in(path("walk.s"));
    std::stringstream assembly;
    assembly << in.rdbuf();

    Bytes expected;
    std::vector<size_t> addresses;
    for (const Bytes &entry : entries) {
        addresses.push_back(0x8000 + expected.size());
        expected.insert(expected.end(), entry.begin(), entry.end());
    }
    for (size_t address : addresses) {
        expected.push_back(uint8_t(address & 0xFF));
        expected.push_back(uint8_t(address >> 8));
    }
    EXPECT_EQ(assembleCa65(assembly.str()), expected);
}
