#include "app/window/GoToTile.h"
#include "app/window/TileReadout.h"
#include "palette/NESColors.h"

#include "app/support/DocumentFixture.h"

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QStatusBar>
#include <QTest>

namespace {
class NumbersWindowTest : public app_test::ApplicationTest
{
protected:
    // mappers.nes: 32 KiB PRG-ROM, then 32 KiB CHR-ROM from tile 2048.
    MosavoDocument *openRom()
    {
        MosavoDocument *document = documents().openDocumentAt(testFile("roms/mappers.nes"));
        EXPECT_NE(document, nullptr);
        settle();
        activate(document);
        return document;
    }
    static MainMosavoWindow &windowOf(MosavoDocument *document) { return *document->window(); }
    static QString readout(MosavoDocument *document)
    {
        auto *label = windowOf(document).findChild<QLabel *>(QStringLiteral("pointerReadout"));
        return label ? label->text() : QStringLiteral("(no readout)");
    }
    static void moveTo(QWidget *widget, QPointF at)
    {
        QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &move);
    }
    static QString statusText(MosavoDocument *document) { return windowOf(document).statusBar()->currentMessage(); }
    static Bytes tileBytes(MosavoDocument *document)
    {
        return *document->editorViewControllerSettings.lock()->tileData()->consoleFormattedPixelData();
    }
    // Gives the current sub-palette the colours $0F $00 $10 $30 (black, dark grey, light grey, white).
    static void useGreySubPalette(MosavoDocument *document)
    {
        const PalettePtr palette = controllerOf(document).mosavo->colorPalette();
        std::vector<ColorEntry> entries;
        for (int64_t number : { 0x0F, 0x00, 0x10, 0x30 })
            entries.push_back({ number, *nesColor(number) });
        palette->setPalette(entries);
    }
};
} // namespace

// The pointer over a viewer cell names that tile, its offset in the file and its CHR bank; over the editor it names
// the pixel and its colour index too; leaving clears the line.
TEST_F(NumbersWindowTest, StatusBarReadsOutTheTileUnderThePointer)
{
    MosavoDocument *document = openRom();
    EditorViewController &controller = controllerOf(document);
    TileCollection &viewer = *controller.tileCollection;
    viewer.selectTile(2048 + 0x1A0);
    settle();

    const int64_t tile = 2048 + 0x1A0;
    ASSERT_TRUE(viewer.isShowingItem(tile));
    moveTo(viewer.viewport(), QRectF(viewer.cellRect(tile)).center());
    EXPECT_EQ(readout(document),
        QStringLiteral(
            "Tile $9A0 (2464), $A0 in its pattern table \u00b7 offset $9A10 (39440) \u00b7 CHR bank 0 \u00b7 "
            "pattern table $1000 (4 KiB bank 1) \u00b7 2 KiB bank 3 \u00b7 1 KiB bank 6"));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(viewer.viewport(), &leave);
    EXPECT_EQ(readout(document), QString());

    // The editor shows the block from that tile: pixel (3, 5) of its top-left tile.
    Mosavo &editor = *controller.mosavo;
    const int64_t first = editor.tileIDs().at(0);
    const double pixel = double(editor.width()) / double(8 * int(editor.zoomSize()));
    moveTo(&editor, QPointF((3 + 0.5) * pixel, (5 + 0.5) * pixel));
    const auto &matrices = document->editorViewControllerSettings.lock()->tileData()->matrices();
    const int64_t color = matrices[size_t(first)]->values[5][3];
    const QString text = readout(document);
    EXPECT_TRUE(text.startsWith(QStringLiteral("Tile %1").arg(hexAndDecimal(uint64_t(first))))) << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("\u00b7 pixel (3, 5) colour %1").arg(color))) << text.toStdString();
    QEvent leaveEditor(QEvent::Leave);
    QApplication::sendEvent(&editor, &leaveEditor);
    EXPECT_EQ(readout(document), QString());
}

// View > Go to Tile (Ctrl+L) takes a tile number or a file offset, selects that tile in the viewer and the editor,
// and keeps the dialog open with the reason when the text names no tile.
TEST_F(NumbersWindowTest, GoToTileJumpsToATileOrAnOffset)
{
    MosavoDocument *document = openRom();
    EditorViewController &controller = controllerOf(document);
    auto *action = windowOf(document).findChild<QAction *>(QStringLiteral("actionGoToTile"));
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
    auto *menuView = windowOf(document).findChild<QMenu *>(QStringLiteral("menuView"));
    ASSERT_NE(menuView, nullptr);
    EXPECT_TRUE(menuView->actions().contains(action));

    auto openDialog = [&]() -> GoToTileDialog * {
        action->trigger();
        settle();
        auto *dialog = windowOf(document).findChild<GoToTileDialog *>();
        EXPECT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog && dialog->isVisible());
        return dialog;
    };

    // A file offset, typed: 0x9010 is the first tile of the second pattern table of CHR-ROM.
    GoToTileDialog *dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    QTest::keyClicks(dialog->input(), QStringLiteral("@0x9010"));
    QTest::keyClick(dialog->input(), Qt::Key_Return);
    settle();
    EXPECT_TRUE(windowOf(document).findChildren<GoToTileDialog *>().isEmpty()) << "the dialog closed";
    EXPECT_TRUE(controller.tileCollection->selectedTiles().contains(2304));
    EXPECT_TRUE(controller.tileCollection->isShowingItem(2304));
    const auto &shown = controller.mosavo->tileIDs();
    EXPECT_NE(std::find(shown.begin(), shown.end(), 2304), shown.end()) << "the editor shows it";
    EXPECT_TRUE(statusText(document).startsWith(
        QStringLiteral("Tile $900 (2304), $00 in its pattern table \u00b7 offset $9010 (36880)")))
        << statusText(document).toStdString();

    // Text that names no tile: the reason in the dialog, which stays; the selection stays.
    dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    QTest::keyClicks(dialog->input(), QStringLiteral("tile 5000"));
    QTest::keyClick(dialog->input(), Qt::Key_Return);
    settle();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->message(), QStringLiteral("There is no tile $1388 (5000): the tiles are $0 to $FFF (4095)"));
    EXPECT_TRUE(controller.tileCollection->selectedTiles().contains(2304));
    dialog->input()->clear();
    QTest::keyClicks(dialog->input(), QStringLiteral("$1A"));
    QTest::keyClick(dialog->input(), Qt::Key_Return);
    settle();
    EXPECT_TRUE(controller.tileCollection->selectedTiles().contains(0x1A));
    EXPECT_TRUE(statusText(document).contains(QStringLiteral("in PRG-ROM (16 KiB bank 0)")));

    // Cancel changes nothing.
    dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    QTest::keyClicks(dialog->input(), QStringLiteral("100"));
    QTest::keyClick(dialog->input(), Qt::Key_Escape);
    settle();
    EXPECT_TRUE(controller.tileCollection->selectedTiles().contains(0x1A));
    EXPECT_FALSE(controller.tileCollection->selectedTiles().contains(100));
}

// A picture from another program pasted from the clipboard or imported from a PNG file goes through the nearest-colour
// rule: near colours are accepted as one undo step and the status bar says how they were read; a picture of five
// colours is refused.
TEST_F(NumbersWindowTest, PastedPicturesUseTheNearestColourRule)
{
    MosavoDocument *document = openRom();
    EditorViewController &controller = controllerOf(document);
    useGreySubPalette(document);
    const Bytes before = tileBytes(document);
    const int64_t first = controller.mosavo->tileIDs().at(0);
    const int64_t right = controller.mosavo->tileIDs().at(1);
    const int64_t uncovered
        = document->editorViewControllerSettings.lock()->tileData()->matrices()[size_t(right)]->values[2][2];

    // 10 x 3 pixels of near white, with one near dark grey pixel.
    QImage picture(10, 3, QImage::Format_RGB32);
    picture.fill(qRgb(0xF4, 0xF4, 0xF4));
    picture.setPixel(9, 2, qRgb(0x60, 0x60, 0x60));
    QApplication::clipboard()->setImage(picture);
    trigger(document, "actionPaste");
    EXPECT_TRUE(alerts->errors.isEmpty()) << alerts->errors.join(u'\n').toStdString();
    EXPECT_TRUE(statusText(document).startsWith(QStringLiteral("Pasted a 10x3 picture into the block, reading the "
                                                               "nearest colours of the current sub-palette")))
        << statusText(document).toStdString();
    const auto &matrices = document->editorViewControllerSettings.lock()->tileData()->matrices();
    EXPECT_EQ(matrices[size_t(first)]->values[0][0], 3);
    EXPECT_EQ(matrices[size_t(first)]->values[2][7], 3);
    EXPECT_EQ(matrices[size_t(right)]->values[2][1], 1) << "pixel (9, 2) is in the next tile";
    EXPECT_EQ(matrices[size_t(right)]->values[2][2], uncovered) << "pixels the picture does not cover keep theirs";
    controller.undoStack().undo();
    settle();
    EXPECT_EQ(tileBytes(document), before) << "one undo step";

    // The same colours as a PNG file of two tiles, imported into the block.
    QImage sheet(16, 8, QImage::Format_RGB32);
    sheet.fill(qRgb(0xF4, 0xF4, 0xF4));
    sheet.setPixel(9, 2, qRgb(0x60, 0x60, 0x60));
    const QString png = dir.filePath("near.png");
    ASSERT_TRUE(sheet.save(png));
    panels->answers = { png };
    trigger(document, "actionImportPng");
    EXPECT_TRUE(alerts->errors.isEmpty()) << alerts->errors.join(u'\n').toStdString();
    EXPECT_TRUE(statusText(document).startsWith(QStringLiteral("Imported 2 tiles from %1 into the block, reading the "
                                                               "nearest colours of the current sub-palette")
                                                    .arg(png)))
        << statusText(document).toStdString();
    EXPECT_EQ(matrices[size_t(right)]->values[2][1], 1);
    controller.undoStack().undo();
    settle();
    EXPECT_EQ(tileBytes(document), before);

    QImage five(8, 8, QImage::Format_RGB32);
    five.fill(qRgb(0, 0, 0));
    const QRgb others[] = { qRgb(0x66, 0x66, 0x66), qRgb(0xAD, 0xAD, 0xAD), qRgb(0xFF, 0xFE, 0xFF), qRgb(0xFF, 0, 0) };
    for (int i = 0; i < 4; ++i)
        five.setPixel(i + 1, 4, others[i]);
    QApplication::clipboard()->setImage(five);
    trigger(document, "actionPaste");
    ASSERT_EQ(alerts->errors.size(), 1);
    EXPECT_TRUE(alerts->errors.front().startsWith(QStringLiteral("The picture on the clipboard could not be pasted")));
    EXPECT_TRUE(alerts->errors.front().contains(QStringLiteral("more than four colours (pixel (4, 4) is #FF0000")))
        << alerts->errors.front().toStdString();
    EXPECT_EQ(tileBytes(document), before);
}

// The colour in the chosen slot is outlined among the master colours, following slot and sub-palette choices.
TEST_F(NumbersWindowTest, MasterGridOutlinesTheChosenSlotsColour)
{
    MosavoDocument *document = openRom();
    EditorViewController &controller = controllerOf(document);
    useGreySubPalette(document);
    controller.choosePaintSlot(2);
    settle();
    auto &master = *controller.generalSelectableColorsOutlet;
    EXPECT_EQ(master.outlinedColor(), std::optional<int64_t>(0x10));
    controller.choosePaintSlot(3);
    settle();
    EXPECT_EQ(master.outlinedColor(), std::optional<int64_t>(0x30));
    controller.chooseSubPalette(5);
    settle();
    const PalettePtr fifth = controller.mosavo->colorPalette();
    EXPECT_EQ(master.outlinedColor(), std::optional<int64_t>(fifth->palette()[3].colorCode));
}

// The readout follows what changes under a pointer at rest: a pencil click, another block size, the undo of an
// import. Go to Tile's message and the readout never show at once: the message hides the readout, and a pointer that
// moves on brings the readout back in its place. However long the readout, it never widens the window.
TEST_F(NumbersWindowTest, ReadoutsFollowTheChangesTheyDescribe)
{
    MosavoDocument *document = openRom();
    EditorViewController &controller = controllerOf(document);
    useGreySubPalette(document);
    Mosavo &editor = *controller.mosavo;
    auto *label = windowOf(document).findChild<QLabel *>(QStringLiteral("pointerReadout"));
    ASSERT_NE(label, nullptr);
    const double pixel = double(editor.width()) / double(8 * int(editor.zoomSize()));
    const QPointF at((3 + 0.5) * pixel, (5 + 0.5) * pixel);
    const int64_t first = editor.tileIDs().at(0);
    const auto colourThere = [&] {
        return document->editorViewControllerSettings.lock()->tileData()->matrices()[size_t(first)]->values[5][3];
    };
    const QSize windowSize = windowOf(document).size();
    moveTo(&editor, at);
    settle();
    EXPECT_EQ(windowOf(document).size(), windowSize) << "the readout's length widened the window";
    const int64_t before = colourThere();
    EXPECT_TRUE(readout(document).endsWith(QStringLiteral("pixel (3, 5) colour %1").arg(before)))
        << readout(document).toStdString();
    EXPECT_TRUE(label->isVisible());

    // A pencil click where the pointer rests.
    const int64_t paint = before == 2 ? 1 : 2;
    editor.setColorFromPalette(paint);
    app_test::drag(&editor, { at });
    settle();
    ASSERT_EQ(colourThere(), paint);
    EXPECT_TRUE(readout(document).endsWith(QStringLiteral("pixel (3, 5) colour %1").arg(paint)))
        << readout(document).toStdString();

    // Zoom in (+, a smaller block), then out again (-): another pixel is under the pointer each time.
    const QString large = readout(document);
    trigger(document, "actionZoomIn");
    const QString smaller = readout(document);
    EXPECT_NE(smaller, large);
    moveTo(&editor, at);
    EXPECT_EQ(readout(document), smaller) << "what the editor reports there";
    trigger(document, "actionZoomOut");
    EXPECT_EQ(readout(document), large);

    // A PNG of white imported into the block, then undone.
    QImage white(16, 16, QImage::Format_RGB32);
    white.fill(qRgb(0xFF, 0xFF, 0xFF));
    const QString png = dir.filePath("white.png");
    ASSERT_TRUE(white.save(png));
    panels->answers = { png };
    trigger(document, "actionImportPng");
    ASSERT_EQ(colourThere(), 3);
    EXPECT_TRUE(readout(document).endsWith(QStringLiteral("pixel (3, 5) colour 3"))) << readout(document).toStdString();
    controller.undoStack().undo();
    settle();
    ASSERT_EQ(colourThere(), paint);
    EXPECT_TRUE(readout(document).endsWith(QStringLiteral("pixel (3, 5) colour %1").arg(paint)))
        << readout(document).toStdString();

    // Go to Tile while the readout shows: one line at a time.
    moveTo(&editor, at);
    ASSERT_TRUE(label->isVisible());
    windowOf(document).findChild<QAction *>(QStringLiteral("actionGoToTile"))->trigger();
    settle();
    auto *dialog = windowOf(document).findChild<GoToTileDialog *>();
    ASSERT_NE(dialog, nullptr);
    QTest::keyClicks(dialog->input(), QStringLiteral("$1A"));
    QTest::keyClick(dialog->input(), Qt::Key_Return);
    settle();
    EXPECT_TRUE(statusText(document).startsWith(QStringLiteral("Tile $1A (26)"))) << statusText(document).toStdString();
    EXPECT_FALSE(label->isVisible()) << "the readout does not draw over the message";
    moveTo(&editor, at + QPointF(pixel, 0));
    EXPECT_TRUE(statusText(document).isEmpty());
    EXPECT_TRUE(label->isVisible());
    EXPECT_TRUE(readout(document).contains(QStringLiteral("pixel (4, 5)"))) << readout(document).toStdString();
}
