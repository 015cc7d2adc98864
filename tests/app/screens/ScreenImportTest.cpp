#include "app/screens/ScreenImport.h"
#include "app/sprites/SpriteImport.h"

#include "core/ConsoleDataFactory.h"
#include "palette/NESPalette.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <set>

using namespace kestova;

namespace {

QRgb master(int number)
{
    return 0xFF000000u | mosavo::DisplayColors().rgb24(number);
}

// A picture of the backdrop $0F with a block of $16 at the top left and a cell of $21 at (16, 0).
QImage picture()
{
    QImage image(256, 240, QImage::Format_RGB32);
    image.fill(master(0x0F));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            image.setPixel(x, y, master(0x16));
            image.setPixel(16 + x, y, master(0x21));
        }
    return image;
}

// A ROM image document: 32 KiB of PRG-ROM, then one bank of CHR-ROM.
SettingsPtr romDocument(bool withChrRom)
{
    mosavo::Bytes rom = { 'N', 'E', 'S', 0x1A, 2, uint8_t(withChrRom ? 1 : 0), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 };
    rom.resize(16 + 32768 + (withChrRom ? 8192 : 0), 0);
    auto document = std::make_shared<EditorViewControllerSettings>();
    document->setTileData(mosavo::ConsoleDataFactory::generate(rom));
    document->setIsRomData(true);
    return document;
}

int64_t tilePixel(const EditorViewControllerSettings &document, int64_t tile, int x, int y)
{
    return document.tileData()->matrices()[size_t(tile)]->values[y][x];
}

} // namespace

TEST(ScreenImport, PicturesBecomeScreensInTheCharacterRomOfARom)
{
    SettingsPtr document = romDocument(true);
    const mosavo::DisplayColors colors;
    auto first = convertScreenImage(picture(), *document, colors, 0, std::nullopt, 1, "first");
    ASSERT_TRUE(std::holds_alternative<mosavo::ScreenConversion>(first)) << std::get<QString>(first).toStdString();
    applyScreenConversion(*document, std::get<mosavo::ScreenConversion>(first));
    ASSERT_EQ(document->screens().size(), 1u);
    const mosavo::Screen screen = document->screens()[0]; // a copy: later imports grow the list
    EXPECT_EQ(screen.name, "first");
    EXPECT_EQ(screen.patternTable, 1);
    // CHR-ROM starts at tile 2048 (after 32 KiB of PRG-ROM); pattern table 1 256 tiles later.
    const int64_t table = 2048 + 256;
    const int64_t block = table + screen.tileAt(0, 0);
    EXPECT_NE(screen.tileAt(0, 0), screen.tileAt(1, 0));
    EXPECT_NE(tilePixel(*document, block, 3, 3), 0);
    EXPECT_EQ(tilePixel(*document, table + screen.tileAt(1, 0), 3, 3), 0) << "blank cells share a blank tile";
    EXPECT_EQ(tilePixel(*document, 2048 + screen.tileAt(0, 0), 3, 3), 0) << "pattern table 0 untouched";
    // The found sub-palettes are the document's 0-3; 4-7 are new ones.
    ASSERT_TRUE(document->palettes());
    ASSERT_EQ(document->palettes()->size(), 8u);
    const auto colorOf
        = [&](size_t palette, size_t slot) { return (*document->palettes())[palette]->palette()[slot].colorCode; };
    EXPECT_EQ(colorOf(0, 0), 0x0F);
    const int blockPalette = screen.subPaletteAt(0, 0);
    EXPECT_EQ(colorOf(size_t(blockPalette), size_t(tilePixel(*document, block, 0, 0))), 0x16);

    // A second picture reuses the tiles the first wrote and leaves the first screen's tiles alone.
    const mosavo::Bytes before = *document->tileData()->consoleFormattedPixelData();
    QImage indexed = picture().convertToFormat(QImage::Format_Indexed8);
    auto second = convertScreenImage(indexed, *document, colors, 0,
        mosavo::BackgroundSubPalettes { { { 0x0F, 0x01, 0x02, 0x03 }, { 0x0F, 0x11, 0x21, 0x16 },
            { 0x0F, 0x05, 0x06, 0x07 }, { 0x0F, 0x08, 0x09, 0x0A } } },
        1, "second");
    ASSERT_TRUE(std::holds_alternative<mosavo::ScreenConversion>(second)) << std::get<QString>(second).toStdString();
    const auto &made = std::get<mosavo::ScreenConversion>(second);
    // $21 is colour 2 again (the first screen's sub-palette held $16 and $21), $16 is colour 3 now: a new tile.
    EXPECT_EQ(made.reusedTiles, 2);
    EXPECT_EQ(made.tileChanges.size(), 1u);
    for (const mosavo::ScreenTileChange &change : made.tileChanges)
        EXPECT_FALSE(mosavo::tilesUsedByScreens(document->screens(), 1)[size_t(change.tile)]);
    applyScreenConversion(*document, made);
    EXPECT_EQ(document->screens().size(), 2u);
    const mosavo::Bytes after = *document->tileData()->consoleFormattedPixelData();
    for (int tile : { int(screen.tileAt(0, 0)), int(screen.tileAt(2, 0)) })
        EXPECT_TRUE(std::equal(before.begin() + 16 + (table + tile) * 16, before.begin() + 16 + (table + tile + 1) * 16,
            after.begin() + 16 + (table + tile) * 16))
            << "tile " << tile << " of the first screen kept";
    EXPECT_EQ(colorOf(0, 2), 0x02);
    EXPECT_EQ(colorOf(1, 3), 0x16);
}

TEST(ScreenImport, NewTilesLeaveTheMetaspritesTilesAlone)
{
    // 8x16 sprites of pairs 0/1 (table 0) and 4/5 (byte 5: table 1), and 8x8 ones of table 1 tile 2, all blank.
    for (const bool tall : { true, false }) {
        SettingsPtr document = romDocument(true);
        document->setTallSprites(tall);
        document->setSpritePatternTable(1);
        document->metasprites().push_back({ "hero", { { 0, 0, uint8_t(tall ? 0 : 2), 4 }, { 8, 0, 5, 4 } } });
        for (const int table : { 0, 1 }) {
            auto converted
                = convertScreenImage(picture(), *document, mosavo::DisplayColors(), 0, std::nullopt, table, "");
            ASSERT_TRUE(std::holds_alternative<mosavo::ScreenConversion>(converted));
            std::set<int> drawn;
            for (const mosavo::ScreenTileChange &change : std::get<mosavo::ScreenConversion>(converted).tileChanges)
                drawn.insert(change.tile);
            const std::set<int> used = tall ? (table == 0 ? std::set<int> { 0, 1 } : std::set<int> { 4, 5 })
                                            : (table == 0 ? std::set<int> {} : std::set<int> { 2, 5 });
            for (const int tile : used)
                EXPECT_FALSE(drawn.count(tile)) << (tall ? "8x16" : "8x8") << " table " << table << " tile " << tile;
            EXPECT_EQ(drawn.size(), 2u);
            if (!tall && table == 0) {
                EXPECT_TRUE(drawn.count(2)) << "8x8 sprites read table 1 only: tile 2 of table 0 is free";
            }
        }
    }
}

TEST(ScreenImport, RefusalsNameTheFileAndTheReason)
{
    const mosavo::DisplayColors colors;
    auto noChrRom = convertScreenImage(picture(), *romDocument(false), colors, 0, std::nullopt, 0, "");
    ASSERT_TRUE(std::holds_alternative<QString>(noChrRom));
    EXPECT_TRUE(std::get<QString>(noChrRom).startsWith(QStringLiteral("is an iNES ROM image without CHR-ROM")));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("wide.png"));
    ASSERT_TRUE(QImage(300, 240, QImage::Format_RGB32).save(path));
    SettingsPtr document = EditorViewControllerSettings::emptyConsoleObject(mosavo::ConsoleType::nes);
    auto wide = convertScreenPictureFile(path, *document, colors, 0, std::nullopt, 0, "");
    ASSERT_TRUE(std::holds_alternative<QString>(wide));
    EXPECT_EQ(std::get<QString>(wide),
        path
            + QStringLiteral(
                ": the picture is 300 x 240 pixels; a screen is made from a picture of 256 x 240 (scale or "
                "crop it to 256 x 240 in a paint program first, keeping hard pixel edges)"));
    auto missing
        = convertScreenPictureFile(dir.filePath(QStringLiteral("none.png")), *document, colors, 0, std::nullopt, 0, "");
    ASSERT_TRUE(std::holds_alternative<QString>(missing));
    EXPECT_TRUE(std::get<QString>(missing).contains(QStringLiteral("none.png: cannot be read as a picture")));
    EXPECT_TRUE(document->screens().empty());
}

TEST(SpriteImport, PicturesBecomeSpritesInTheCharacterRomOfARom)
{
    // 32 KiB of PRG-ROM is 2048 tiles: the CHR-ROM bank starts at tile 2048, its pattern table 1 at 2304.
    SettingsPtr document = romDocument(true);
    QImage sprite(8, 8, QImage::Format_ARGB32);
    sprite.fill(Qt::transparent);
    sprite.setPixel(2, 3, master(0x16));
    auto converted = convertSpriteImage(sprite, *document, {});
    ASSERT_TRUE(std::holds_alternative<SpriteImport>(converted)) << std::get<QString>(converted).toStdString();
    const SpriteImport &import = std::get<SpriteImport>(converted);
    ASSERT_EQ(import.tileChanges.size(), 1u);
    EXPECT_EQ(import.tileChanges[0].tile, 2304 + import.metasprite.sprites[0].tile);
    applySpriteImport(*document, import);
    EXPECT_NE(tilePixel(*document, import.tileChanges[0].tile, 2, 3), 0);
    // PRG-ROM is left alone.
    for (int64_t tile = 0; tile < 2048; ++tile)
        ASSERT_EQ(tilePixel(*document, tile, 2, 3), 0) << tile;

    // Without CHR-ROM there is no pattern table to draw into.
    SettingsPtr chrRam = romDocument(false);
    auto refused = convertSpriteImage(sprite, *chrRam, {});
    ASSERT_TRUE(std::holds_alternative<QString>(refused));
    EXPECT_NE(std::get<QString>(refused).indexOf(QStringLiteral("without CHR-ROM")), -1);
}
