#include "palette/NESColors.h"
#include "palette/NESPalette.h"
#include "viewer/TileView.h"

#include "app/support/DocumentFixture.h"

#include <QTest>

using namespace app_test;

namespace {

class PaletteSelectionTest : public ApplicationTest
{
protected:
    // Real clicks on the three selectors, in the middle of the box wanted.
    static void clickSubPalette(EditorViewController &controller, int number)
    {
        QWidget *selector = controller.selectablePalettesOutlet;
        const double box = selector->width() / 16.0;
        const double row = selector->height() / 2.0;
        QTest::mouseClick(
            selector, Qt::LeftButton, {}, QPoint(int(((number % 4) * 4 + 1.5) * box), int((number / 4 + 0.5) * row)));
        settle();
    }
    static void clickSlot(EditorViewController &controller, int slot)
    {
        QWidget *selector = controller.selectableColorsOutlet;
        QTest::mouseClick(
            selector, Qt::LeftButton, {}, QPoint(int((slot + 0.5) * selector->width() / 4.0), selector->height() / 2));
        settle();
    }
    // Clicks the master colour with the given colour number; returns it.
    static int64_t clickMasterColor(EditorViewController &controller, int64_t colorNumber)
    {
        QWidget *selector = controller.generalSelectableColorsOutlet;
        const int64_t position = GeneralNESColorPalette::colorNumber(colorNumber);
        QTest::mouseClick(selector, Qt::LeftButton, {},
            QPoint(int((position % 4 + 0.5) * selector->width() / 4.0),
                int((position / 4 + 0.5) * selector->height() / 16.0)));
        settle();
        return colorNumber;
    }
    // The controller, the three selectors, the editor and the document agree on one current sub-palette.
    static void expectOneCurrentSubPalette(EditorViewController &controller, MosavoDocument *document)
    {
        const int64_t current = controller.previouslySetSelectablePalette;
        const auto &palettes = *document->editorViewControllerSettings.lock()->palettes();
        ASSERT_GE(current, 0);
        ASSERT_LT(size_t(current), palettes.size());
        const PalettePtr &shown = palettes[size_t(current)];
        EXPECT_EQ(controller.selectablePalettesOutlet->currentPaletteSelected(), current);
        EXPECT_EQ(controller.selectablePalettesOutlet->palettes(), palettes);
        const BoxPosition highlighted = controller.selectablePalettesOutlet->boxSelected();
        EXPECT_EQ(highlighted.y * 4 + highlighted.x / 4, current) << "the strip outlines the current sub-palette";
        ASSERT_EQ(controller.selectableColorsOutlet->palettes().size(), 1u);
        EXPECT_EQ(controller.selectableColorsOutlet->palettes().front(), shown) << "the Colour row";
        EXPECT_EQ(controller.mosavo->colorPalette(), shown) << "the editor";
        EXPECT_EQ(controller.selectableColorsOutlet->currentBoxSelected(),
            controller.selectablePalettesOutlet->currentBoxSelected());
    }
    // Picks a master colour for slot `slot` of sub-palette `number` through clicks and checks that exactly that one
    // slot changed.
    static void expectPickChangesOneSlot(
        EditorViewController &controller, MosavoDocument *document, int number, int slot)
    {
        clickSubPalette(controller, number);
        clickSlot(controller, slot);
        const SettingsPtr settings = document->editorViewControllerSettings.lock();
        std::vector<int64_t> before = colorNumbers(settings);
        const int64_t wanted = before[size_t(number * 4 + slot)] == 0x2A ? 0x15 : 0x2A;
        clickMasterColor(controller, wanted);
        const std::vector<int64_t> after = colorNumbers(settings);
        before[size_t(number * 4 + slot)] = wanted;
        EXPECT_EQ(after, before) << "only slot " << slot << " of sub-palette " << number << " changes";
        expectOneCurrentSubPalette(controller, document);
    }
};

} // namespace

// Import Palette, its undo and redo, and Import Data run setup again; every time the selectors, the editor and the
// controller keep to one current sub-palette, and a master-colour pick changes exactly one slot of it.
TEST_F(PaletteSelectionTest, SetupKeepsOneCurrentSubPaletteAndAPickChangesOneSlot)
{
    MosavoDocument *document = openNew();
    EditorViewController &controller = controllerOf(document);
    expectOneCurrentSubPalette(controller, document);
    clickSubPalette(controller, 5);
    EXPECT_EQ(controller.previouslySetSelectablePalette, 5);
    expectOneCurrentSubPalette(controller, document);

    Bytes file(32);
    for (size_t i = 0; i < file.size(); ++i)
        file[i] = uint8_t((i * 5 + 1) % 0x40);
    const QString path = dir.filePath("colours.pal");
    writeBytes(path, file);
    panels->answers = { path };
    trigger(document, "importPalette");
    expectOneCurrentSubPalette(controller, document);
    expectPickChangesOneSlot(controller, document, 5, 2);

    QUndoStack &stack = controller.undoStack();
    stack.undo(); // the colour
    stack.undo(); // the import
    settle();
    expectOneCurrentSubPalette(controller, document);
    expectPickChangesOneSlot(controller, document, 5, 1);
    expectPickChangesOneSlot(controller, document, 0, 3);

    clickSubPalette(controller, 6);
    const QString chr = dir.filePath("tiles.chr");
    writeBytes(chr, Bytes(16 * 64, 0x55));
    panels->answers = { chr };
    trigger(document, "importData");
    expectOneCurrentSubPalette(controller, document);
    expectPickChangesOneSlot(controller, document, 6, 0);
    stack.undo();
    stack.undo();
    settle();
    expectOneCurrentSubPalette(controller, document);
    expectPickChangesOneSlot(controller, document, 6, 3);
}

// After Import Palette and after its undo, the Colour row and the Sub-palettes strip are repainted with the new
// colours at once.
TEST_F(PaletteSelectionTest, SwatchesRepaintAtOnceAfterImportPaletteAndUndo)
{
    MosavoDocument *document = openNew();
    EditorViewController &controller = controllerOf(document);
    PaintRecorder colourRow;
    PaintRecorder strip;
    controller.selectableColorsOutlet->installEventFilter(&colourRow);
    controller.selectablePalettesOutlet->installEventFilter(&strip);

    const QString path = dir.filePath("grey.pal");
    writeBytes(path, Bytes(32, 0x00));
    for (int step = 0; step < 2; ++step) {
        settle();
        colourRow.painted = {};
        strip.painted = {};
        if (step == 0) {
            panels->answers = { path };
            trigger(document, "importPalette");
        } else {
            controller.undoStack().undo();
            settle();
        }
        EXPECT_TRUE(colourRow.painted.contains(controller.selectableColorsOutlet->rect())) << "step " << step;
        EXPECT_TRUE(strip.painted.contains(controller.selectablePalettesOutlet->rect())) << "step " << step;
        EXPECT_EQ(controller.selectableColorsOutlet->palettes().front()->palette(),
            document->editorViewControllerSettings.lock()->palettes()->front()->palette());
    }
    controller.selectableColorsOutlet->removeEventFilter(&colourRow);
    controller.selectablePalettesOutlet->removeEventFilter(&strip);
}

// A document saved before its sub-palettes were ever shown restores them without colours; each takes four colours at
// its first display, takes master-colour picks and exports.
TEST_F(PaletteSelectionTest, SubPalettesSavedWithoutColoursTakeFourAtFirstDisplay)
{
    const SettingsPtr unshown = EditorViewControllerSettings::emptyConsoleObject(ConsoleType::nes);
    const QString path = dir.filePath("unshown.kestova");
    writeBytes(path, *unshown->documentBytes());
    MosavoDocument *document = documents().openDocumentAt(path);
    ASSERT_TRUE(document);
    settle();
    activate(document);
    EditorViewController &controller = controllerOf(document);
    for (const PalettePtr &palette : *document->editorViewControllerSettings.lock()->palettes())
        EXPECT_EQ(palette->palette().size(), 4u);
    expectPickChangesOneSlot(controller, document, 3, 1);

    const QString exported = dir.filePath("unshown.pal");
    panels->answers = { exported };
    trigger(document, "exportPalette");
    const Bytes written = readBytes(exported);
    ASSERT_EQ(written.size(), 32u);
    const auto numbers = colorNumbers(document->editorViewControllerSettings.lock());
    EXPECT_EQ(std::vector<int64_t>(written.begin(), written.end()), numbers);
}

// Tiles opened from a ROM or CHR file start in readable sub-palettes: sub-palette 0 is the viewer's greys in the
// viewer's order, the other seven fixed and distinct; a new document keeps random ones. A ROM with CHR-ROM opens at
// its first CHR-ROM tile.
TEST_F(PaletteSelectionTest, FilesOpenInReadableSubPalettesAndRomsAtTheirChrRom)
{
    MosavoDocument *document = documents().openDocumentAt(testFile("roms/example.nes"));
    ASSERT_TRUE(document);
    settle();
    EditorViewController &controller = controllerOf(document);
    const auto numbers = colorNumbers(document->editorViewControllerSettings.lock());
    ASSERT_EQ(numbers.size(), 32u);
    std::vector<int64_t> greys;
    for (const ColorEntry &entry : TileView::greyPalette()->palette())
        greys.push_back(entry.colorCode);
    EXPECT_EQ(greys, (std::vector<int64_t> { 0x30, 0x10, 0x00, 0x0F }));
    EXPECT_EQ(std::vector<int64_t>(numbers.begin(), numbers.begin() + 4), greys);
    for (size_t a = 0; a < 8; ++a)
        for (size_t b = a + 1; b < 8; ++b)
            EXPECT_FALSE(std::equal(numbers.begin() + std::ptrdiff_t(a * 4),
                numbers.begin() + std::ptrdiff_t(a * 4 + 4), numbers.begin() + std::ptrdiff_t(b * 4)))
                << "sub-palettes " << a << " and " << b;
    // The editor paints tile pixels of colour 1 in the viewer's light grey.
    EXPECT_EQ(controller.mosavo->colorPalette()->palette()[1].colorCode, 0x10);

    const auto chrRom = controller.chrRomStartTile();
    ASSERT_TRUE(chrRom);
    EXPECT_GT(*chrRom, 0);
    EXPECT_EQ(controller.tileCollection->currentlySelectedTile(), *chrRom);
    EXPECT_TRUE(controller.tileCollection->isShowingItem(*chrRom));
    ASSERT_FALSE(controller.mosavo->tileIDs().empty());
    EXPECT_EQ(controller.mosavo->tileIDs().front(), *chrRom);

    KestovaDocumentController::closeDocuments();
    settle();
    MosavoDocument *chr = documents().openDocumentAt(testFile("chr/Alpha.chr"));
    ASSERT_TRUE(chr);
    EXPECT_EQ(colorNumbers(chr->editorViewControllerSettings.lock()), numbers);
    KestovaDocumentController::closeDocuments();
    settle();
    MosavoDocument *fresh = openNew();
    EXPECT_NE(colorNumbers(fresh->editorViewControllerSettings.lock()), numbers) << "New keeps random sub-palettes";
}

// A 16-byte palette file goes into the background half or, when the user says so, the sprite half; Export Sprite
// Palette writes sub-palettes 4-7 as 16 bytes.
TEST_F(PaletteSelectionTest, SixteenBytePaletteFilesFillEitherHalf)
{
    MosavoDocument *document = openNew();
    const SettingsPtr settings = document->editorViewControllerSettings.lock();
    const auto before = colorNumbers(settings);
    Bytes half(16);
    for (size_t i = 0; i < half.size(); ++i)
        half[i] = uint8_t(0x20 + i);
    const QString path = dir.filePath("sprites.pal");
    writeBytes(path, half);

    alerts->halfAnswers = { std::nullopt }; // Cancel: nothing changes
    panels->answers = { path };
    trigger(document, "importPalette");
    EXPECT_EQ(colorNumbers(settings), before);
    EXPECT_EQ(controllerOf(document).undoStack().count(), 0);

    alerts->halfAnswers = { PaletteHalfChoice::sprites };
    panels->answers = { path };
    trigger(document, "importPalette");
    EXPECT_EQ(alerts->halfQuestions, QStringList({ "sprites.pal", "sprites.pal" }));
    auto after = colorNumbers(settings);
    EXPECT_TRUE(std::equal(after.begin(), after.begin() + 16, before.begin())) << "the background half stays";
    EXPECT_TRUE(std::equal(after.begin() + 16, after.end(), half.begin()));

    const QString out = dir.filePath("out-spr.pal");
    panels->answers = { out };
    trigger(document, "exportSpritePalette");
    EXPECT_EQ(readBytes(out), half);

    alerts->halfAnswers = { PaletteHalfChoice::background };
    panels->answers = { path };
    trigger(document, "importPalette");
    after = colorNumbers(settings);
    EXPECT_TRUE(std::equal(after.begin(), after.begin() + 16, half.begin()));
    EXPECT_TRUE(std::equal(after.begin() + 16, after.end(), half.begin()));
    controllerOf(document).undoStack().undo();
    settle();
    after = colorNumbers(settings);
    EXPECT_TRUE(std::equal(after.begin(), after.begin() + 16, before.begin())) << "one undo step";
}
