#include "app/tiles/ROMMenu.h"
#include "app/tiles/RomPaletteDialog.h"
#include "app/window/GoToTile.h"
#include "core/ConsoleDataFactory.h"
#include "palette/DisplayColors.h"

#include "app/support/DocumentFixture.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTest>

namespace {

// An NROM game on CHR-RAM whose font (fontTiles tiles) starts at file offset fontOffset in PRG-ROM: byte 12 of the
// tile the file counts from the header, so it shows aligned only with a byte shift of 12, as tiles 12 on.
constexpr size_t fontOffset = 220;
constexpr size_t fontTiles = 4;
// And a palette at paletteOffset.
constexpr size_t paletteOffset = 0x1211;

Bytes chrRamRom()
{
    Bytes rom(16 + 16384, 0);
    const uint8_t header[] = { 'N', 'E', 'S', 0x1A, 1, 0, 1, 0 };
    std::copy(std::begin(header), std::end(header), rom.begin());
    for (size_t i = 16; i < rom.size(); ++i)
        rom[i] = uint8_t(i * 29 + 3);
    for (size_t i = 0; i < fontTiles * 16; ++i)
        rom[fontOffset + i] = uint8_t(i * 37 + 5);
    for (size_t i = 0; i < 32; ++i)
        rom[paletteOffset + i] = uint8_t((i * 9 + 0x11) % 0x40);
    return rom;
}

class ByteOffsetWindowTest : public app_test::ApplicationTest
{
protected:
    static void pressKey(QWidget *widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(widget, Qt::Key(key), modifiers);
        settle();
    }
    static Bytes tileBytes(MosavoDocument *document)
    {
        return *document->editorViewControllerSettings.lock()->tileData()->consoleFormattedPixelData();
    }
    static const MatrixPtr &tileOf(MosavoDocument *document, int64_t tile)
    {
        return document->editorViewControllerSettings.lock()->tileData()->matrices()[size_t(tile)];
    }
    static Bytes readBack(const QString &path)
    {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        return Bytes(bytes.begin(), bytes.end());
    }
};
} // namespace

// Shift+Right moves the start of the tiles one byte at a time until the font shows aligned; a pixel painted in the
// editor then changes exactly the bytes of that tile, in the document and in the file written back; the shift is
// kept in the saved document, and Go to Tile with an offset inside a tile offers to move the shift there.
TEST_F(ByteOffsetWindowTest, FontAtAnOddOffsetIsShownAlignedAndEditedInPlace)
{
    const Bytes rom = chrRamRom();
    const QString path = dir.filePath("font.nes");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char *>(rom.data()), qsizetype(rom.size()));
    }
    MosavoDocument *document = documents().openDocumentAt(path);
    ASSERT_NE(document, nullptr);
    settle();
    activate(document);
    EditorViewController &controller = controllerOf(document);
    QWidget *window = document->window();
    auto *menu = window->findChild<QMenu *>(QStringLiteral("menuByteOffset"));
    ASSERT_NE(menu, nullptr);

    auto fontTile = [&rom](size_t k) {
        return ConsoleDataFactory::generate(Bytes(rom.begin() + std::ptrdiff_t(fontOffset + 16 * k),
                                                rom.begin() + std::ptrdiff_t(fontOffset + 16 * k + 16)))
            ->matrices()[0];
    };
    EXPECT_NE(*tileOf(document, 12), *fontTile(0)) << "garbled before the shift";
    for (int i = 0; i < 13; ++i)
        pressKey(window, Qt::Key_Right, Qt::ShiftModifier);
    pressKey(window, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(controller.tileByteShift(), 12u);
    EXPECT_EQ(controller.tileByteOffset(), 28u);
    EXPECT_EQ(
        window->findChild<QStatusBar *>()->currentMessage(), QStringLiteral("Tiles start at file offset $1C (28)"));
    EXPECT_TRUE(controller.tileDataSummary().contains(QStringLiteral("1023 tiles from byte 28")))
        << controller.tileDataSummary().toStdString();
    for (size_t k = 0; k < fontTiles; ++k)
        EXPECT_EQ(*tileOf(document, int64_t(12 + k)), *fontTile(k)) << "font tile " << k;
    EXPECT_EQ(tileBytes(document), rom) << "moving the shift changes no byte";

    // Pixel (0, 0) of a tile painted in colour 3 with the pencil: bit 7 of both planes of its row 0 (at shift 12, tile t
    // starts at byte 28 + 16t).
    controller.tileCollection->selectTile(13);
    settle();
    // The editor's block holds tile 13; its top-left tile is the one painted.
    const auto &shown = controller.mosavo->tileIDs();
    ASSERT_NE(std::find(shown.begin(), shown.end(), 13), shown.end());
    const size_t painted = size_t(shown.at(0));
    pressKey(window, Qt::Key_P);
    pressKey(window, Qt::Key_4);
    app_test::drag(controller.mosavo, { { 1, 1 } });
    settle();
    Bytes expected = rom;
    expected[28 + 16 * painted] |= 0x80;
    expected[28 + 16 * painted + 8] |= 0x80;
    ASSERT_NE(expected, rom) << "the pixel was not colour 3 already";
    EXPECT_EQ(tileBytes(document), expected);

    alerts->confirmAnswers = { true };
    document->window()->romMenu()->menuWillOpen();
    trigger(document, "writeBack");
    EXPECT_TRUE(alerts->errors.isEmpty()) << alerts->errors.join(u'\n').toStdString();
    EXPECT_EQ(readBack(path), expected) << "Write Back changes only the bytes of the tile edited";

    // The shift is kept in the document; an archive without it opens at no shift.
    const SettingsPtr settings = document->editorViewControllerSettings.lock();
    std::string why;
    const SettingsPtr reopened = EditorViewControllerSettings::decode(settings->encode(), &why);
    ASSERT_TRUE(reopened->tileData()) << why;
    EXPECT_EQ(ConsoleDataFactory::byteShift(*reopened->tileData()), 12u);
    EXPECT_EQ(reopened->tileData()->consoleFormattedPixelData(), expected);
    auto record = settings->encode();
    record.erase("TileByteShift");
    EXPECT_EQ(ConsoleDataFactory::byteShift(*EditorViewControllerSettings::decode(record, &why)->tileData()), 0u);

    // Undo takes back the edit, then the last move of the shift (from 13 to 12), one step at a time.
    controller.undoStack().undo();
    settle();
    EXPECT_EQ(tileBytes(document), rom);
    controller.undoStack().undo();
    settle();
    EXPECT_EQ(controller.tileByteShift(), 13u);

    // Go to Tile @$DE (222): byte 1 of tile 12 at shift 13; yes moves the shift to 14 and selects the tile starting
    // there, tile 12 again.
    alerts->confirmAnswers = { true };
    trigger(document, "actionGoToTile");
    auto *dialog = window->findChild<GoToTileDialog *>();
    ASSERT_NE(dialog, nullptr);
    QTest::keyClicks(dialog->input(), QStringLiteral("@$DE"));
    QTest::keyClick(dialog->input(), Qt::Key_Return);
    settle();
    ASSERT_EQ(alerts->confirmQuestions.size(), 2);
    EXPECT_TRUE(alerts->confirmQuestions.back().contains(QStringLiteral("The offset is byte 1 of tile $C (12)")))
        << alerts->confirmQuestions.back().toStdString();
    EXPECT_EQ(controller.tileByteShift(), 14u);
    EXPECT_TRUE(controller.tileCollection->selectedTiles().contains(12));
}

// Palette panels open in the folder of the ROM the tiles came from; the display colours chosen are kept for the next
// session (their file in the settings) until Default Colours.
TEST_F(ByteOffsetWindowTest, PalettePanelsOpenInTheRomsFolderAndDisplayColoursAreKept)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("game")));
    const QString folder = QFileInfo(dir.filePath("game")).absoluteFilePath();
    const QString path = folder + QStringLiteral("/font.nes");
    const Bytes rom = chrRamRom();
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char *>(rom.data()), qsizetype(rom.size()));
    }
    MosavoDocument *document = documents().openDocumentAt(path);
    ASSERT_NE(document, nullptr);
    settle();
    activate(document);

    panels->answers = { QString() };
    trigger(document, "importPalette");
    ASSERT_FALSE(panels->shownSuggestions.isEmpty());
    EXPECT_EQ(panels->shownSuggestions.back(), folder + u'/');
    panels->answers = { QString() };
    trigger(document, "exportPalette");
    EXPECT_TRUE(panels->shownSuggestions.back().startsWith(folder + u'/'))
        << panels->shownSuggestions.back().toStdString();
    EXPECT_TRUE(panels->shownSuggestions.back().endsWith(QStringLiteral(".pal")));

    QByteArray emulator(192, '\0');
    for (int i = 0; i < emulator.size(); ++i)
        emulator[i] = char(i * 5);
    const QString colours = dir.filePath("emulator.pal");
    {
        QFile file(colours);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(emulator);
    }
    panels->answers = { colours };
    trigger(document, "actionDisplayColors");
    EXPECT_TRUE(alerts->errors.isEmpty()) << alerts->errors.join(u'\n').toStdString();
    EXPECT_EQ(QSettings().value(QStringLiteral("DisplayColorsFile")).toString(), QFileInfo(colours).absoluteFilePath());
    trigger(document, "actionDefaultColors");
    EXPECT_FALSE(QSettings().contains(QStringLiteral("DisplayColorsFile")));
}

// ROM > Import Palette from ROM previews the 32 bytes at the offset typed and applies them as the eight sub-palettes
// (one undo step) only when they are colour numbers.
TEST_F(ByteOffsetWindowTest, PaletteFromRomIsPreviewedThenApplied)
{
    const Bytes rom = chrRamRom();
    const QString path = dir.filePath("palette.nes");
    app_test::writeBytes(path, rom);
    MosavoDocument *document = documents().openDocumentAt(path);
    ASSERT_NE(document, nullptr);
    settle();
    activate(document);
    const SettingsPtr settings = document->editorViewControllerSettings.lock();
    const std::vector<int64_t> before = app_test::colorNumbers(settings);

    trigger(document, "importPaletteFromRom");
    auto *dialog = document->window()->findChild<RomPaletteDialog *>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->applyButton()->isEnabled());
    QTest::keyClicks(dialog->input(), QStringLiteral("$10"));
    EXPECT_FALSE(dialog->applyButton()->isEnabled());
    EXPECT_EQ(dialog->message(), QStringLiteral("Byte 0 (offset $10) is $D3, not a colour number $00-$3F"));
    dialog->input()->clear();
    QTest::keyClicks(dialog->input(), QStringLiteral("@0x1211"));
    ASSERT_TRUE(dialog->applyButton()->isEnabled()) << dialog->message().toStdString();
    std::vector<int64_t> expected;
    for (size_t i = 0; i < 32; ++i) {
        expected.push_back(rom[paletteOffset + i]);
        EXPECT_EQ(
            dialog->swatch(i)->palette().color(QPalette::Window).rgb(), 0xFF000000u | shownRgb(rom[paletteOffset + i]))
            << "swatch " << i;
    }
    EXPECT_EQ(app_test::colorNumbers(settings), before) << "a preview changes nothing";

    QTest::mouseClick(dialog->applyButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(app_test::colorNumbers(settings), expected);
    controllerOf(document).undoStack().undo();
    settle();
    EXPECT_EQ(app_test::colorNumbers(settings), before);
}
