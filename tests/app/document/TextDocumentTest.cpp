#include "app/document/ArchiveText.h"
#include "app/document/EditorViewControllerSettings.h"

#include "core/ConsoleDataFactory.h"
#include "palette/NESPalette.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace kestova;
using namespace mosavo;

namespace {

// A document of every kind of content: tiles of a known pattern, colours, a screen, metasprites, an animation.
SettingsPtr fullDocument(const Bytes &chr)
{
    auto document = EditorViewControllerSettings::emptyConsoleObject(ConsoleType::nes);
    document->setTileData(ConsoleDataFactory::generate(chr));
    std::vector<PalettePtr> palettes;
    for (uint8_t p = 0; p < 8; ++p)
        palettes.push_back(NESPalette::fromData({ 0x0F, uint8_t(0x10 + p), uint8_t(0x20 + p), 0x30 }));
    document->setPalettes(std::move(palettes));
    Screen screen;
    screen.name = "title";
    for (int i = 0; i < Screen::tileCount; ++i)
        screen.tiles[size_t(i)] = uint8_t(i * 7);
    screen.attributes[3] = 0xE4;
    document->screens().push_back(screen);
    document->metasprites() = { { "hero", { { -8, -16, 3, 5, true } } }, { "coin", { { 0, 0, 9, 6 } } } };
    document->animations() = { { "spin", { { 1, 4 }, { 0, 6 } } } };
    document->setTallSprites(true);
    return document;
}

Bytes knownChr()
{
    Bytes chr(8192);
    for (size_t i = 0; i < chr.size(); ++i)
        chr[i] = uint8_t((i * 31) >> 3);
    return chr;
}

std::string text(const EditorViewControllerSettings &document)
{
    const Bytes bytes = *document.documentBytes(true);
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::string> lines(const std::string &text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

} // namespace

TEST(TextDocument, RoundTripsThroughTextAndCborToTheSameDocument)
{
    const auto document = fullDocument(knownChr());
    std::string why;
    const std::string asText = text(*document);
    const auto fromText = EditorViewControllerSettings::fromDocumentBytes(Bytes(asText.begin(), asText.end()), &why);
    ASSERT_TRUE(fromText) << why;
    EXPECT_EQ(fromText->encode(), document->encode());
    // Text to the binary form and back gives the same text.
    const auto fromCbor = EditorViewControllerSettings::fromDocumentBytes(*fromText->documentBytes(), &why);
    ASSERT_TRUE(fromCbor) << why;
    EXPECT_EQ(text(*fromCbor), asText);
    EXPECT_EQ(fromCbor->screens(), document->screens());
    EXPECT_EQ(fromCbor->animations(), document->animations());

    // The name decides the form.
    EXPECT_EQ(*document->documentBytesFor("art/Title.KESTOVA.json"), Bytes(asText.begin(), asText.end()));
    EXPECT_EQ(*document->documentBytesFor("art/title.kestova"), *document->documentBytes());
    EXPECT_FALSE(ArchiveText::isTextName("title.json"));
}

TEST(TextDocument, OneLineATileAndANametableRowSoAOnePixelEditIsOneLine)
{
    const std::vector<std::string> before = lines(text(*fullDocument(knownChr())));
    // One line a tile: 512 lines of 32 hex digits; one a nametable row: 30 lines of 64.
    size_t tileLines = 0, rowLines = 0;
    for (const std::string &line : before) {
        const size_t quote = line.find('"');
        if (quote == std::string::npos || line.find_first_not_of("0123456789abcdef", quote + 1) == quote + 1)
            continue;
        const size_t digits = line.find('"', quote + 1) - quote - 1;
        tileLines += digits == 32;
        rowLines += digits == 64;
    }
    EXPECT_EQ(tileLines, 512u);
    EXPECT_EQ(rowLines, 30u);

    Bytes edited = knownChr();
    edited[16 * 300 + 9] ^= 0x04; // one pixel of tile 300
    const std::vector<std::string> after = lines(text(*fullDocument(edited)));
    ASSERT_EQ(after.size(), before.size());
    size_t changed = 0;
    for (size_t i = 0; i < before.size(); ++i)
        changed += before[i] != after[i];
    EXPECT_EQ(changed, 1u);
}

TEST(TextDocument, DamagedTextIsRefusedWithTheReason)
{
    std::string asText = text(*fullDocument(knownChr()));
    const auto refused = [](const std::string &damaged) {
        std::string why;
        EXPECT_FALSE(EditorViewControllerSettings::fromDocumentBytes(Bytes(damaged.begin(), damaged.end()), &why));
        return why;
    };
    std::string badHex = asText;
    const size_t tile = badHex.find("\"$hex\"");
    badHex.replace(badHex.find('"', badHex.find('[', tile)) + 1, 2, "zz");
    EXPECT_EQ(refused(badHex),
        "the document is damaged (line 0 of the bytes of \"TileData\" holds \"zz\", which is not "
        "a hex byte)");
    std::string odd = asText;
    odd.replace(odd.find('"', odd.find('[', tile)) + 1, 1, "");
    EXPECT_EQ(
        refused(odd), "the document is damaged (line 0 of the bytes of \"TileData\" has an odd number of digits)");
    EXPECT_EQ(refused(asText.substr(0, asText.size() / 2)), "the document is damaged (it is not valid JSON)");
    std::string deep = "{\"$class\": ";
    for (int i = 0; i < 100; ++i)
        deep += "[";
    EXPECT_EQ(refused(deep), "the document is damaged (it is not valid JSON)");
}
