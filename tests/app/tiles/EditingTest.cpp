#include "core/BlockTransforms.h"
#include "core/ConsoleDataFactory.h"
#include "palette/NESColors.h"
#include "palette/NESPalette.h"

#include "app/support/DocumentFixture.h"

#include <QClipboard>
#include <QDir>
#include <QMimeData>
#include <QTest>

#include <random>

using app_test::colorNumbers;

namespace {
class EditingTest : public app_test::ApplicationTest
{
protected:
    // A document holding the example ROM's tiles, its window active.
    MosavoDocument *openRom()
    {
        MosavoDocument *document = documents().openDocumentAt(testFile("roms/example.nes"));
        EXPECT_NE(document, nullptr);
        settle();
        activate(document);
        return document;
    }
    static Bytes tileBytes(MosavoDocument *document)
    {
        return *document->editorViewControllerSettings.lock()->tileData()->consoleFormattedPixelData();
    }
    static std::vector<int64_t> paletteNumbers(MosavoDocument *document)
    {
        return colorNumbers(document->editorViewControllerSettings.lock());
    }
    static void pressKey(QWidget *widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(widget, Qt::Key(key), modifiers);
        settle();
    }
};
} // namespace

TEST_F(EditingTest, RandomEditsUndoToTheOriginalAndRedoToTheResult)
{
    MosavoDocument *document = openRom();
    EditorViewController &controller = controllerOf(document);
    const Bytes originalTiles = tileBytes(document);
    const auto originalColors = paletteNumbers(document);
    QUndoStack &stack = controller.undoStack();
    std::mt19937 random(20261208);
    auto pick = [&random](int bound) { return int(random() % unsigned(bound)); };

    for (int step = 0; step < 60; ++step) {
        switch (pick(8)) {
        case 0: { // a gesture with a random tool
            const std::vector<QAbstractButton *> tools { controller.toolPencil, controller.toolStraightLine,
                controller.toolFill, controller.toolBoxEmpty, controller.toolBoxFilled, controller.toolCircleEmpty,
                controller.toolCircleFilled };
            controller.toolSelected(tools[size_t(pick(int(tools.size())))]);
            controller.choosePaintSlot(pick(4));
            app_test::drag(controller.mosavo,
                { QPointF(pick(512), pick(512)), QPointF(pick(512), pick(512)), QPointF(pick(512), pick(512)) });
            break;
        }
        case 1: // a master colour into a slot of a sub-palette
            controller.chooseSubPalette(pick(8));
            controller.choosePaintSlot(pick(4));
            QTest::mouseClick(controller.generalSelectableColorsOutlet, Qt::LeftButton, {},
                QPoint(5 + 30 * pick(4), 5 + 20 * pick(16)));
            break;
        case 2:
            QTest::mouseClick(controller.tileCollection->viewport(), Qt::LeftButton, {}, QPoint(pick(300), pick(300)));
            break;
        case 3: {
            const std::function<void()> operations[] = {
                [&] { controller.flipBlockHorizontally(); },
                [&] { controller.flipBlockVertically(); },
                [&] { controller.rotateBlockClockwise(); },
                [&] { controller.rotateBlockCounterClockwise(); },
                [&] { controller.shiftBlock(1, 0); },
                [&] { controller.shiftBlock(0, -1); },
                [&] { controller.clearBlock(); },
            };
            operations[pick(7)]();
            break;
        }
        case 4:
            controller.copyBlock();
            QTest::mouseClick(controller.tileCollection->viewport(), Qt::LeftButton, {}, QPoint(pick(300), pick(300)));
            settle();
            controller.pasteBlock();
            break;
        case 5: {
            Bytes file(32);
            for (auto &b : file)
                b = uint8_t(pick(64));
            controller.replacePalettes(*PaletteFactory::generate(file));
            break;
        }
        case 6:
            if (pick(4) == 0) {
                Bytes chr(16 * 512);
                for (auto &b : chr)
                    b = uint8_t(random());
                controller.replaceTileData(ConsoleDataFactory::generate(chr));
            }
            break;
        default: {
            static const ZoomSize zooms[] = { ZoomSize::x1, ZoomSize::x2, ZoomSize::x4 };
            controller.mosavo->setZoomSize(zooms[pick(3)]);
            controller.tileCollection->setZoomSize(controller.mosavo->zoomSize());
            break;
        }
        }
        settle();
    }
    ASSERT_GT(stack.count(), 20) << "the random session made edits";
    EXPECT_NE(tileBytes(document), originalTiles);
    const Bytes finalTiles = tileBytes(document);
    const auto finalColors = paletteNumbers(document);
    EXPECT_TRUE(document->isModified());

    while (stack.canUndo()) {
        stack.undo();
        settle();
    }
    EXPECT_EQ(tileBytes(document), originalTiles);
    EXPECT_EQ(paletteNumbers(document), originalColors);
    EXPECT_FALSE(document->isModified()) << "back at the state the document was opened in";

    while (stack.canRedo()) {
        stack.redo();
        settle();
    }
    EXPECT_EQ(tileBytes(document), finalTiles);
    EXPECT_EQ(paletteNumbers(document), finalColors);
    EXPECT_TRUE(document->isModified());
}

TEST_F(EditingTest, OneGestureIsOneStepAndTheModifiedFlagFollowsTheHistory)
{
    MosavoDocument *document = openNew();
    EditorViewController &controller = controllerOf(document);
    QUndoStack &stack = controller.undoStack();
    controller.choosePaintSlot(3);

    std::vector<QPointF> stroke;
    for (int x = 4; x < 500; x += 7)
        stroke.emplace_back(x, 4 + x / 3);
    app_test::drag(controller.mosavo, stroke);
    settle();
    EXPECT_EQ(stack.count(), 1);
    EXPECT_TRUE(document->isModified());
    const Bytes afterStroke = tileBytes(document);

    // A click that changes nothing adds no step.
    app_test::drag(controller.mosavo, { { 8, 4 + 8 / 3 } });
    settle();
    EXPECT_EQ(stack.count(), 1);

    const QString path = dir.filePath("saved.kestova");
    panels->answers = { path };
    ASSERT_TRUE(document->save());
    EXPECT_FALSE(document->isModified());

    controller.clearBlock();
    settle();
    EXPECT_TRUE(document->isModified());
    stack.undo();
    settle();
    EXPECT_FALSE(document->isModified()) << "undone back to the saved state";
    EXPECT_EQ(tileBytes(document), afterStroke);
    stack.undo();
    settle();
    EXPECT_TRUE(document->isModified());
    EXPECT_EQ(tileBytes(document), Bytes(8192, 0));
    EXPECT_EQ(controller.mosavo->bitmapCanvasForDrawing()->matrix()->values[4][4], 0)
        << "the editor shows the undone pixels";

    // A master colour pick is one step of its own.
    const auto before = paletteNumbers(document);
    QTest::mouseClick(controller.generalSelectableColorsOutlet, Qt::LeftButton, {}, QPoint(95, 305));
    settle();
    const auto picked = paletteNumbers(document);
    if (picked != before) {
        stack.undo();
        settle();
        EXPECT_EQ(paletteNumbers(document), before);
    }
}

TEST_F(EditingTest, BlockOperationsOnKnownTiles)
{
    MosavoDocument *document = openRom();
    EditorViewController &controller = controllerOf(document);
    controller.tileCollection->selectTile(0); // the ROM opens at its CHR-ROM
    settle();
    const Bytes original = tileBytes(document);
    const MatrixPtr block = controller.blockPicture();
    const auto numbers = controller.blockTileNumbers();
    ASSERT_EQ(numbers.size(), 16u);
    EXPECT_EQ(numbers[4], 16);

    controller.flipBlockHorizontally();
    settle();
    EXPECT_EQ(*controller.blockPicture(), *transforms::flipHorizontal(*block));
    const auto &tiles = document->editorViewControllerSettings.lock()->tileData()->matrices();
    EXPECT_EQ(tiles[0]->values[0][0], block->values[0][31]) << "the block is mirrored as one picture";
    controller.flipBlockHorizontally();
    settle();
    EXPECT_EQ(tileBytes(document), original);

    for (int i = 0; i < 4; ++i)
        controller.rotateBlockClockwise();
    for (int i = 0; i < 32; ++i)
        controller.shiftBlock(1, 0);
    settle();
    EXPECT_EQ(tileBytes(document), original);

    controller.copyBlock();
    ASSERT_TRUE(QApplication::clipboard()->mimeData()->hasFormat(EditorViewController::tileMimeType));
    EXPECT_FALSE(QApplication::clipboard()->image().isNull()) << "a picture for other programs too";
    controller.clearBlock();
    settle();
    EXPECT_EQ(*controller.blockPicture(), Matrix(32, 32));
    ASSERT_TRUE(controller.pasteBlock());
    settle();
    EXPECT_EQ(tileBytes(document), original);

    // Paste into another block at another size: only the overlapping tiles change.
    controller.mosavo->setZoomSize(ZoomSize::x2);
    controller.tileCollection->setZoomSize(ZoomSize::x2);
    settle();
    QTest::mouseClick(
        controller.tileCollection->viewport(), Qt::LeftButton, {}, controller.tileCollection->cellRect(100).center());
    settle();
    ASSERT_EQ(controller.blockTileNumbers(), (std::vector<int64_t> { 100, 101, 116, 117 }));
    controller.pasteBlock();
    settle();
    EXPECT_EQ(*tiles[100], *tiles[0]);
    EXPECT_EQ(*tiles[117], *tiles[17]);
}

TEST_F(EditingTest, KeysChooseSlotsPalettesToolsAndShift)
{
    MosavoDocument *document = openNew();
    EditorViewController &controller = controllerOf(document);
    QWidget *window = document->window();

    pressKey(window, Qt::Key_2);
    EXPECT_EQ(controller.mosavo->colorFromPalette(), 1);
    EXPECT_EQ(controller.selectableColorsOutlet->boxSelected().x, 1);
    pressKey(window, Qt::Key_BracketRight);
    pressKey(window, Qt::Key_BracketRight);
    const SettingsPtr settings = document->editorViewControllerSettings.lock();
    EXPECT_EQ(controller.mosavo->colorPalette(), (*settings->palettes())[2]);
    pressKey(window, Qt::Key_BracketLeft);
    pressKey(window, Qt::Key_BracketLeft);
    pressKey(window, Qt::Key_BracketLeft);
    EXPECT_EQ(controller.mosavo->colorPalette(), (*settings->palettes())[7]) << "wraps around";
    pressKey(window, Qt::Key_F);
    EXPECT_EQ(controller.mosavo->toolType(), ToolType::fillBucket);
    EXPECT_TRUE(controller.toolFill->isChecked());
    pressKey(window, Qt::Key_R, Qt::ShiftModifier);
    EXPECT_EQ(controller.mosavo->toolType(), ToolType::boxFilled);
    pressKey(window, Qt::Key_Minus);
    EXPECT_EQ(controller.mosavo->zoomSize(), ZoomSize::x4);
    pressKey(window, Qt::Key_Plus);
    EXPECT_EQ(controller.mosavo->zoomSize(), ZoomSize::x2);

    // Arrow keys shift the block while the editor has the focus.
    pressKey(window, Qt::Key_P);
    pressKey(window, Qt::Key_4);
    app_test::drag(controller.mosavo, { { 2, 2 } });
    settle();
    controller.mosavo->setFocus();
    pressKey(controller.mosavo, Qt::Key_Right);
    pressKey(controller.mosavo, Qt::Key_Down);
    EXPECT_EQ(controller.blockPicture()->values[1][1], 3);
    EXPECT_EQ(controller.blockPicture()->values[0][0], 0);

    // Alt+click picks the slot under the pointer; the right button paints slot 0.
    const int pixel = int(controller.mosavo->width() / pixelsPerSide(controller.mosavo->zoomSize()));
    const QPoint onPixel11(pixel + pixel / 2, pixel + pixel / 2);
    pressKey(window, Qt::Key_1);
    QTest::mouseClick(controller.mosavo, Qt::LeftButton, Qt::AltModifier, onPixel11);
    settle();
    EXPECT_EQ(controller.mosavo->colorFromPalette(), 3);
    EXPECT_EQ(controller.selectableColorsOutlet->boxSelected().x, 3);
    QTest::mouseClick(controller.mosavo, Qt::MiddleButton, {}, QPoint(6 * pixel, 6 * pixel));
    settle();
    EXPECT_EQ(controller.mosavo->colorFromPalette(), 0);
    pressKey(window, Qt::Key_3);
    QTest::mouseClick(controller.mosavo, Qt::RightButton, {}, onPixel11);
    settle();
    EXPECT_EQ(controller.blockPicture()->values[1][1], 0);
    EXPECT_EQ(controller.mosavo->colorFromPalette(), 2) << "erasing keeps the paint slot";
}

TEST_F(EditingTest, StatusBarTellsWhatTheTilesAre)
{
    MosavoDocument *document = openRom();
    EditorViewController &controller = controllerOf(document);
    EXPECT_EQ(controller.tileDataSummary(),
        QStringLiteral(
            "iNES ROM \u00b7 2560 tiles \u00b7 PRG 2 \u00d7 16 KiB \u00b7 CHR 1 \u00d7 8 KiB \u00b7 mapper 0"));
    EXPECT_EQ(controller.chrRomStartTile(), 2048);
    controller.replaceTileData(ConsoleDataFactory::generate(Bytes(4096, 0)));
    settle();
    EXPECT_EQ(controller.tileDataSummary(), QStringLiteral("CHR data \u00b7 256 tiles"));
    EXPECT_FALSE(controller.chrRomStartTile());
}

TEST_F(EditingTest, ViewerOptionsFollowTheSubPaletteAndTheSpriteOrder)
{
    MosavoDocument *document = openNew();
    EditorViewController &controller = controllerOf(document);
    const SettingsPtr settings = document->editorViewControllerSettings.lock();
    auto cellColor = [&controller] {
        settle();
        const QImage shot = controller.tileCollection->viewport()->grab().toImage();
        return shot.pixelColor(controller.tileCollection->cellRect(8).center()).rgb()
            & 0xFFFFFF; // outside the selection
    };
    EXPECT_EQ(cellColor(), nesRgb(0x30)) << "grey by default";

    auto *showSubPalette = document->window()->findChild<QAction *>("actionShowSubPalette");
    showSubPalette->trigger();
    EXPECT_EQ(cellColor(), nesRgb((*settings->palettes())[0]->palette()[0].colorCode));
    controller.chooseSubPalette(3);
    EXPECT_EQ(cellColor(), nesRgb((*settings->palettes())[3]->palette()[0].colorCode));
    showSubPalette->trigger();
    EXPECT_EQ(cellColor(), nesRgb(0x30));

    trigger(document, "actionSprites8x16");
    showSubPalette->trigger();
    // A picture of the window with both options on, for a person to look at.
    document->window()->grab().save(QDir::temp().filePath("kestova-view-options.png"));
    showSubPalette->trigger();
    const std::vector<int64_t> sprites { 0, 2, 4, 6, 1, 3, 5, 7, 32, 34, 36, 38, 33, 35, 37, 39 };
    EXPECT_EQ(controller.mosavo->tileIDs(), sprites) << "the editor shows 8x16 sprites upright";
    trigger(document, "actionSprites8x16");
    EXPECT_EQ(controller.mosavo->tileIDs()[1], 1);
}
