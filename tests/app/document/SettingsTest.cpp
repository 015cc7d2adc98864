#include "app/document/EditorViewControllerSettings.h"

#include "core/ConsoleDataFactory.h"
#include "palette/NESColors.h"
#include "palette/NESPalette.h"
#include "palette/PaletteFactory.h"

#include <gtest/gtest.h>

using namespace kestova;
using namespace mosavo;

namespace {
std::vector<int64_t> colorNumbers(const std::vector<PalettePtr> &palettes)
{
    std::vector<int64_t> numbers;
    for (const auto &palette : palettes)
        for (const auto &entry : palette->palette())
            numbers.push_back(entry.colorCode);
    return numbers;
}

SettingsPtr reopened(const EditorViewControllerSettings &settings)
{
    std::string why;
    auto restored = EditorViewControllerSettings::fromDocumentBytes(*settings.documentBytes(), &why);
    EXPECT_TRUE(restored) << why;
    return restored;
}
} // namespace

TEST(EditorViewControllerSettings, NewDocumentContent)
{
    auto settings = EditorViewControllerSettings::emptyConsoleObject(ConsoleType::nes);
    ASSERT_TRUE(settings->tileData());
    EXPECT_EQ(settings->tileData()->totalNumberTiles(), 512);
    ASSERT_TRUE(settings->palettes());
    EXPECT_EQ(settings->palettes()->size(), 8u);
    EXPECT_TRUE(settings->isCHRData());
    EXPECT_FALSE(settings->isRomData());
    EXPECT_EQ(settings->zoomSize(), ZoomSize::x4);
    EXPECT_EQ(settings->version(), 0);
    EXPECT_EQ(settings->consoleType(), ConsoleType::nes);
    EXPECT_FALSE(EditorViewControllerSettings().consoleType());
}

TEST(EditorViewControllerSettings, DocumentRoundTripKeepsTilesPalettesZoomAndHeader)
{
    Bytes rom(16 + 8192, 0);
    rom[0] = 'N', rom[1] = 'E', rom[2] = 'S', rom[3] = 0x1A, rom[5] = 1;
    rom[16 + 100] = 0xA5;
    auto settings = std::make_shared<EditorViewControllerSettings>();
    settings->setTileData(ConsoleDataFactory::generate(rom));
    settings->setPalettes(*PaletteFactory::generate(PaletteType::nes));
    settings->setVersion(3);
    settings->setZoomSize(ZoomSize::x2);
    settings->setIsRomData(true);
    settings->setSelectedPalette(5);
    settings->tileData()->matrices()[7]->values[2][3] = 3;
    const auto shownColors = colorNumbers(*settings->palettes()); // shown palettes have drawn their colours

    const ArchiveRecord record = settings->encode();
    EXPECT_EQ(record["SelectedPalette"], 0);
    EXPECT_EQ(record["ZoomSize"], 2);
    const std::vector<std::string> keys { "$class", "Version", "ZoomSize", "TileData", "TileSource", "Palettes",
        "SelectedPalette" };
    std::vector<std::string> written;
    for (const auto &item : record.items())
        written.push_back(item.key());
    EXPECT_EQ(written, keys);
    EXPECT_EQ(record["$class"], "EditorViewControllerSettings");
    EXPECT_EQ(record["TileSource"], "iNES");

    const Bytes document = *settings->documentBytes();
    ASSERT_GE(document.size(), 3u);
    EXPECT_EQ(Bytes(document.begin(), document.begin() + 3), (Bytes { 0xD9, 0xD9, 0xF7 }));

    auto restored = reopened(*settings);
    ASSERT_TRUE(restored);
    EXPECT_EQ(restored->version(), 3);
    EXPECT_EQ(restored->zoomSize(), ZoomSize::x2);
    EXPECT_FALSE(restored->isRomData());
    EXPECT_FALSE(restored->isCHRData());
    EXPECT_EQ(restored->selectedPalette(), 0);
    EXPECT_EQ(restored->tileData()->header(), Bytes(rom.begin(), rom.begin() + 16));
    EXPECT_EQ(restored->tileData()->consoleFormattedPixelData(), settings->tileData()->consoleFormattedPixelData());
    EXPECT_EQ(restored->tileData()->matrices()[7]->values[2][3], 3);
    EXPECT_EQ(colorNumbers(*restored->palettes()), shownColors);
    EXPECT_EQ((*restored->palettes())[0]->palette()[0].color, (*settings->palettes())[0]->palette()[0].color);
}

TEST(EditorViewControllerSettings, DamagedRecordsGiveDefaultsWithoutTiles)
{
    auto settings = EditorViewControllerSettings::emptyConsoleObject(ConsoleType::nes);
    const ArchiveRecord good = settings->encode();

    auto expectDefaults = [](const ArchiveRecord &record, const char *what) {
        std::string why;
        auto decoded = EditorViewControllerSettings::decode(record, &why);
        EXPECT_FALSE(decoded->tileData()) << what;
        EXPECT_FALSE(decoded->palettes()) << what;
        EXPECT_EQ(decoded->version(), 0) << what;
        EXPECT_EQ(decoded->zoomSize(), ZoomSize::x4) << what;
        EXPECT_FALSE(why.empty()) << what;
    };
    ArchiveRecord zoom3 = good;
    zoom3["ZoomSize"] = 3;
    zoom3["Version"] = 9;
    expectDefaults(zoom3, "zoom 3");
    ArchiveRecord noPalettes = good;
    noPalettes.erase("Palettes");
    expectDefaults(noPalettes, "no palettes");
    ArchiveRecord textTiles = good;
    textTiles["TileData"] = "not bytes";
    expectDefaults(textTiles, "tile data of another kind");
    ArchiveRecord badTiles = good;
    badTiles["TileData"] = ArchiveRecord::binary({ 1, 2, 3 });
    expectDefaults(badTiles, "tile data that does not decode");
    expectDefaults(EditorViewControllerSettings().encode(), "settings saved without tiles");
}

TEST(EditorViewControllerSettings, ForeignOrBrokenFilesAreNotDocuments)
{
    std::string why;
    EXPECT_FALSE(EditorViewControllerSettings::fromDocumentBytes(Bytes(8192, 0), &why));
    EXPECT_EQ(why, "it is not a Kestova document");

    auto settings = EditorViewControllerSettings::emptyConsoleObject(ConsoleType::nes);
    Bytes truncated = *settings->documentBytes();
    truncated.resize(truncated.size() / 2);
    EXPECT_FALSE(EditorViewControllerSettings::fromDocumentBytes(truncated, &why));
    EXPECT_NE(why.find("damaged"), std::string::npos) << why;

    Bytes other { 0xD9, 0xD9, 0xF7 };
    ArchiveRecord::to_cbor(makeArchiveRecord("NESPalette"), other);
    EXPECT_FALSE(EditorViewControllerSettings::fromDocumentBytes(other, &why));
    EXPECT_NE(why.find("root object"), std::string::npos) << why;

    // Nesting far deeper than any document is refused without exhausting the stack.
    Bytes deep { 0xD9, 0xD9, 0xF7 };
    deep.insert(deep.end(), 1'000'000, 0x81);
    deep.push_back(0x00);
    EXPECT_FALSE(EditorViewControllerSettings::fromDocumentBytes(deep, &why));
}

TEST(EditorViewControllerSettings, ScreensAndSpritesSurviveAndDamageRefuses)
{
    auto settings = EditorViewControllerSettings::emptyConsoleObject(ConsoleType::nes);
    // Without them the record keeps the keys of before.
    const ArchiveRecord plain = settings->encode();
    EXPECT_FALSE(plain.contains("Screens") || plain.contains("Metasprites") || plain.contains("SpriteSize"));

    Screen screen;
    screen.name = "level";
    screen.setTile(5, 5, 9);
    settings->screens().push_back(screen);
    settings->metasprites().push_back({ "hero", { { -4, -8, 3, 6, true, false, true } } });
    settings->animations().push_back({ "idle", { { 0, 30 } } });
    settings->setSpritePatternTable(0);
    settings->setTallSprites(true);
    auto restored = reopened(*settings);
    ASSERT_TRUE(restored);
    EXPECT_EQ(restored->screens(), settings->screens());
    EXPECT_EQ(restored->metasprites(), settings->metasprites());
    EXPECT_EQ(restored->animations(), settings->animations());
    EXPECT_EQ(restored->spritePatternTable(), 0);
    EXPECT_TRUE(restored->tallSprites());

    // A damaged entry refuses the whole document, naming what is wrong.
    ArchiveRecord record = settings->encode();
    record["Screens"][0]["Attributes"] = "none";
    std::string why;
    EXPECT_FALSE(EditorViewControllerSettings::decode(record, &why)->tileData());
    EXPECT_NE(why.find("screens"), std::string::npos) << why;
    record = settings->encode();
    record["SpriteSize"] = 12;
    EXPECT_FALSE(EditorViewControllerSettings::decode(record, &why)->tileData());
    record = settings->encode();
    record["Animations"][0]["Frames"][0]["Metasprite"] = 1; // there is only metasprite 0
    EXPECT_FALSE(EditorViewControllerSettings::decode(record, &why)->tileData());
}

TEST(EditorViewControllerSettings, ViewStateRoundTripsAndIsOptional)
{
    auto settings = EditorViewControllerSettings::emptyConsoleObject(ConsoleType::nes);
    // Without a view state the record holds only the first keys, and reads back without one.
    EXPECT_FALSE(settings->encode().contains("SelectedTile"));
    EXPECT_EQ(reopened(*settings)->viewState(), DocumentViewState {});

    DocumentViewState state;
    state.viewerScrollTile = 160;
    state.selectedTile = 511;
    state.blockSize = 2;
    state.currentSubPalette = 7;
    state.viewerScale = 3;
    state.subPaletteView = true;
    state.tallSprites = false;
    settings->setViewState(state);
    const ArchiveRecord record = settings->encode();
    EXPECT_EQ(record["ViewerScrollTile"], 160);
    EXPECT_EQ(record["SelectedTile"], 511);
    EXPECT_EQ(record["BlockSize"], 2);
    EXPECT_EQ(record["CurrentSubPalette"], 7);
    EXPECT_EQ(record["ViewerScale"], 3);
    EXPECT_EQ(record["SubPaletteView"], true);
    EXPECT_EQ(record["TallSprites"], false);
    auto restored = reopened(*settings);
    ASSERT_TRUE(restored);
    EXPECT_EQ(restored->viewState(), state);

    // Parts may be missing one by one.
    DocumentViewState some;
    some.blockSize = 1;
    settings->setViewState(some);
    EXPECT_EQ(reopened(*settings)->viewState(), some);
}

TEST(EditorViewControllerSettings, ViewStateOfTheWrongKindRefusesTheDocumentAndOutOfRangeFallsBack)
{
    auto settings = EditorViewControllerSettings::emptyConsoleObject(ConsoleType::nes); // 512 tiles, 8 palettes
    const ArchiveRecord good = settings->encode();
    // Of the wrong kind: the document is refused, with the reason.
    const struct
    {
        const char *key;
        ArchiveRecord value;
        const char *reason;
    } refused[] = {
        { "SelectedTile", "3", "its \"SelectedTile\" is not a whole number" },
        { "SelectedTile", 2.5, "its \"SelectedTile\" is not a whole number" },
        { "CurrentSubPalette", true, "its \"CurrentSubPalette\" is not a whole number" },
        { "SubPaletteView", 1, "its \"SubPaletteView\" is not true or false" },
        { "TallSprites", nullptr, "its \"TallSprites\" is not true or false" },
    };
    for (const auto &c : refused) {
        ArchiveRecord record = good;
        record[c.key] = c.value;
        std::string why;
        auto decoded = EditorViewControllerSettings::decode(record, &why);
        EXPECT_FALSE(decoded->tileData()) << c.key << " = " << c.value.dump();
        EXPECT_EQ(why, c.reason) << c.key << " = " << c.value.dump();
        // Through the document file as well: nothing, and the reason.
        Bytes bytes { 0xD9, 0xD9, 0xF7 };
        ArchiveRecord::to_cbor(record, bytes);
        EXPECT_FALSE(EditorViewControllerSettings::fromDocumentBytes(bytes, &why)) << c.key;
        EXPECT_EQ(why, c.reason);
    }
    // Out of range: the document opens, that part of its view is left at its default, and a warning says which.
    const struct
    {
        const char *key;
        ArchiveRecord value;
        const char *warning;
    } fallBack[] = {
        { "ViewerScrollTile", 512, "its \"ViewerScrollTile\" is not a tile number (0 to 511); the default is used" },
        { "ViewerScrollTile", -1, "its \"ViewerScrollTile\" is not a tile number (0 to 511); the default is used" },
        { "SelectedTile", uint64_t(UINT64_MAX),
            "its \"SelectedTile\" is not a tile number (0 to 511); the default is used" },
        { "BlockSize", 3, "its \"BlockSize\" is not 1, 2 or 4; the default is used" },
        { "BlockSize", 8, "its \"BlockSize\" is not 1, 2 or 4; the default is used" },
        { "BlockSize", 0, "its \"BlockSize\" is not 1, 2 or 4; the default is used" },
        { "CurrentSubPalette", 8,
            "its \"CurrentSubPalette\" is not a sub-palette number (0 to 7); the default is used" },
        { "ViewerScale", 0, "its \"ViewerScale\" is not 1, 2, 3 or 4; the default is used" },
        { "ViewerScale", 5, "its \"ViewerScale\" is not 1, 2, 3 or 4; the default is used" },
    };
    for (const auto &c : fallBack) {
        ArchiveRecord record = good;
        record["SelectedTile"] = 5;
        record[c.key] = c.value;
        std::string why;
        Bytes bytes { 0xD9, 0xD9, 0xF7 };
        ArchiveRecord::to_cbor(record, bytes);
        auto decoded = EditorViewControllerSettings::fromDocumentBytes(bytes, &why);
        ASSERT_TRUE(decoded && decoded->tileData()) << c.key << " = " << c.value.dump() << ": " << why;
        EXPECT_EQ(decoded->readWarnings(), std::vector<std::string> { c.warning }) << c.key;
        const DocumentViewState &state = decoded->viewState();
        const auto absent = [&](const char *key, const auto &part) {
            if (std::string(c.key) == key) {
                EXPECT_FALSE(part.has_value()) << key;
            }
        };
        absent("ViewerScrollTile", state.viewerScrollTile);
        absent("BlockSize", state.blockSize);
        absent("CurrentSubPalette", state.currentSubPalette);
        absent("ViewerScale", state.viewerScale);
        if (std::string(c.key) != "SelectedTile") {
            EXPECT_EQ(state.selectedTile, std::optional<int64_t>(5)) << "the other parts are read";
        }
        // Saved again, the defaults are what the document holds: it opens without a warning.
        auto again = EditorViewControllerSettings::fromDocumentBytes(*decoded->documentBytes(), &why);
        ASSERT_TRUE(again && again->tileData()) << why;
        EXPECT_TRUE(again->readWarnings().empty()) << c.key;
    }
    // A tile number is checked against the document's own tiles.
    ArchiveRecord small = good;
    small["TileData"] = ArchiveRecord::binary(std::vector<uint8_t>(20 * 16, 0));
    small["SelectedTile"] = 19;
    EXPECT_TRUE(EditorViewControllerSettings::decode(small)->readWarnings().empty());
    small["SelectedTile"] = 20;
    EXPECT_EQ(EditorViewControllerSettings::decode(small)->readWarnings().size(), 1u);
}

// A document whose "Palettes" list is empty opens with the eight sub-palettes of a new document and saves them; a
// stored colour number wins over the display colour stored beside it.
TEST(EditorViewControllerSettings, EmptyPalettesAreMadeAndColourNumbersWinOverStoredColours)
{
    auto settings = EditorViewControllerSettings::emptyConsoleObject(ConsoleType::nes);
    ArchiveRecord record = settings->encode();
    record["Palettes"] = ArchiveRecord::array();
    record["CurrentSubPalette"] = 6;
    std::string why;
    auto decoded = EditorViewControllerSettings::decode(record, &why);
    ASSERT_TRUE(decoded->tileData()) << why;
    ASSERT_TRUE(decoded->palettes());
    ASSERT_EQ(decoded->palettes()->size(), 8u);
    EXPECT_EQ(decoded->viewState().currentSubPalette, std::optional<int64_t>(6));
    for (const auto &palette : *decoded->palettes())
        EXPECT_EQ(palette->palette().size(), 4u) << "colours drawn at first display";
    const ArchiveRecord saved = decoded->encode();
    ASSERT_EQ(saved["Palettes"].size(), 8u);
    auto reopened = EditorViewControllerSettings::decode(saved, &why);
    ASSERT_TRUE(reopened->tileData()) << why;
    EXPECT_EQ((*reopened->palettes())[3]->palette()[2].colorCode, (*decoded->palettes())[3]->palette()[2].colorCode);

    // Colour $16 stored with the display colour of $30: $16 is read, with its own display colour.
    ArchiveRecord numbers = saved;
    ArchiveRecord &box = numbers["Palettes"][0]["Palette"][1];
    box["Key"] = 0x16;
    box["Color"] = ArchiveRecord::array({ 1.0, 1.0, 1.0, 1.0 });
    auto read = EditorViewControllerSettings::decode(numbers, &why);
    ASSERT_TRUE(read->tileData()) << why;
    const ColorEntry entry = (*read->palettes())[0]->palette()[1];
    EXPECT_EQ(entry.colorCode, 0x16);
    EXPECT_EQ(entry.color, *nesColor(0x16));
}

// A document records what its tiles came from: CHR data whose first tile begins with 4E 45 53 1A stays CHR data when
// saved and opened again; a document without the record reads its tile data as it always has.
TEST(EditorViewControllerSettings, TileSourceSurvivesWhateverTheFirstBytes)
{
    Bytes chr(8192, 0);
    chr[0] = 'N', chr[1] = 'E', chr[2] = 'S', chr[3] = 0x1A;
    auto settings = std::make_shared<EditorViewControllerSettings>();
    settings->setTileData(ConsoleDataFactory::generate(chr, ConsoleDataFactory::Source::chrData));
    settings->setPalettes(*PaletteFactory::generate(PaletteType::nes));
    ASSERT_FALSE(settings->tileData()->header());
    ArchiveRecord record = settings->encode();
    EXPECT_EQ(record["TileSource"], "CHR");
    auto restored = reopened(*settings);
    ASSERT_TRUE(restored);
    EXPECT_FALSE(restored->tileData()->header());
    EXPECT_EQ(restored->tileData()->totalNumberTiles(), 512);
    EXPECT_EQ(restored->tileData()->consoleFormattedPixelData(), chr);

    // Without the record: "NES" first is a ROM image, as documents have always been read.
    record.erase("TileSource");
    std::string why;
    auto old = EditorViewControllerSettings::decode(record, &why);
    ASSERT_TRUE(old && old->tileData()) << why;
    EXPECT_TRUE(old->tileData()->header());
    EXPECT_EQ(old->tileData()->totalNumberTiles(), 511);

    record["TileSource"] = "tape";
    why.clear();
    auto refused = EditorViewControllerSettings::decode(record, &why);
    EXPECT_FALSE(refused && refused->tileData());
    EXPECT_NE(why.find("TileSource"), std::string::npos) << why;
}
