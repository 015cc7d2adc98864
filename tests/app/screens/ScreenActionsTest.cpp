#include "app/screens/ScreenActions.h"
#include "app/screens/ScreenImport.h"
#include "app/sprites/SpriteActions.h"
#include "palette/DisplayColors.h"
#include "viewer/TileCollection.h"

#include "app/support/DocumentFixture.h"

#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDockWidget>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QRadioButton>
#include <QSettings>
#include <QStatusBar>
#include <QTest>

using namespace app_test;

namespace {

class ScreenActionsTest : public ApplicationTest
{
protected:
    void SetUp() override
    {
        ApplicationTest::SetUp();
        QSettings().remove(ScreenActions::markUnusedKey);
        document = openNew();
        window = document->window();
        actions = ScreenActions::of(window);
        ASSERT_NE(actions, nullptr);
        settings = controllerOf(document).editorViewControllerSettings();
    }
    QUndoStack &stack() { return controllerOf(document).undoStack(); }
    const Screen &shown() { return settings->screens()[size_t(actions->currentScreen())]; }
    void click(int column, int row, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(actions->editor(), button, Qt::NoModifier, actions->editor()->cellRect(column, row).center());
    }
    // A left-button drag from one cell to another, as the mouse does it.
    void drag(int fromColumn, int fromRow, int toColumn, int toRow)
    {
        ScreenEditor *editor = actions->editor();
        QTest::mousePress(editor, Qt::LeftButton, Qt::NoModifier, editor->cellRect(fromColumn, fromRow).center());
        QTest::mouseMove(editor, editor->cellRect(toColumn, toRow).center());
        QTest::mouseRelease(editor, Qt::LeftButton, Qt::NoModifier, editor->cellRect(toColumn, toRow).center());
    }
    void chooseTool(ScreenTool tool)
    {
        window->findChild<QComboBox *>(QStringLiteral("screenTool"))->setCurrentIndex(int(tool));
    }
    TileCollection *viewer() { return window->findChild<TileCollection *>(QStringLiteral("tileCollection")); }
    void paintTile(int64_t number, int value)
    {
        MatrixPtr tile = Matrix::make(8, 8);
        // A pattern no picture cell of one colour gives.
        for (size_t i = 0; i < tile->cells().size(); ++i)
            tile->cells()[i] = int(i % 3 == 0 ? value : 3 - value % 3);
        controllerOf(document).importTiles({ number }, { tile }, QStringLiteral("Paint"));
    }

    MosavoDocument *document = nullptr;
    MainMosavoWindow *window = nullptr;
    ScreenActions *actions = nullptr;
    SettingsPtr settings;
};

TEST_F(ScreenActionsTest, StampAndPickThroughRealMouseEventsAreUndoSteps)
{
    EXPECT_EQ(actions->dock()->windowTitle(), QStringLiteral("Screens"));
    EXPECT_FALSE(actions->dock()->isVisible());
    trigger(document, "actionNewScreen");
    EXPECT_TRUE(actions->dock()->isVisible());
    ASSERT_EQ(settings->screens().size(), 1u);
    actions->dock()->resize(900, 800);
    // Blocks of one tile.
    window->findChild<QComboBox *>(QStringLiteral("zoomPopUp"))->setCurrentIndex(0);
    settle();

    // Stamp tile 5 of pattern table 0 at cell (3, 2).
    window->findChild<TileCollection *>(QStringLiteral("tileCollection"))->selectTile(5);
    settle();
    const int before = stack().index();
    QTest::mouseMove(actions->editor(), actions->editor()->cellRect(3, 2).center());
    click(3, 2);
    EXPECT_EQ(shown().tileAt(3, 2), 5);
    EXPECT_EQ(shown().tileAt(2, 2), 0);
    EXPECT_EQ(stack().index(), before + 1);
    // What the status bar says of the cell under the pointer follows the stamp.
    EXPECT_EQ(window->statusBar()->currentMessage(), ScreenEditor::describeCell(shown(), 3, 2));
    EXPECT_EQ(actions->screenList()->item(0)->text().contains(QStringLiteral("2 of 256 tiles")), true);

    // The right button picks the tile under the pointer into the tile viewer.
    window->findChild<TileCollection *>(QStringLiteral("tileCollection"))->selectTile(40);
    settle();
    click(3, 2, Qt::RightButton);
    const auto &selected = window->findChild<TileCollection *>(QStringLiteral("tileCollection"))->selectedTileIDs();
    ASSERT_FALSE(selected.empty());
    EXPECT_EQ(selected[0][0], 5);
    EXPECT_EQ(stack().index(), before + 1);

    // A tile outside the screen's pattern table is not stamped.
    window->findChild<TileCollection *>(QStringLiteral("tileCollection"))->selectTile(300);
    settle();
    click(4, 2);
    EXPECT_EQ(shown().tileAt(4, 2), 0);

    stack().undo();
    EXPECT_EQ(shown().tileAt(3, 2), 0);
    stack().redo();
    EXPECT_EQ(shown().tileAt(3, 2), 5);
    // The editor shows the tile's new pixels at once (in sub-palettes whose colours 0 and 3 differ).
    Bytes paletteBytes(32, 0x0F);
    paletteBytes[3] = 0x30;
    controllerOf(document).replacePalettes(*PaletteFactory::generate(paletteBytes));
    settle();
    const QRgb was = actions->editor()->picture().pixel(3 * 8, 2 * 8);
    paintTile(5, 3);
    EXPECT_NE(actions->editor()->picture().pixel(3 * 8, 2 * 8), was);
}

TEST_F(ScreenActionsTest, ListEditsAndRegionsAreOneUndoStepEach)
{
    actions->newScreen();
    Screen start = shown();
    start.setTile(0, 0, 7);
    start.setTile(1, 0, 8);
    start.setSubPalette(0, 0, 2);
    ASSERT_TRUE(actions->addScreen(start));
    ASSERT_EQ(settings->screens().size(), 2u);
    EXPECT_EQ(actions->currentScreen(), 1);

    actions->duplicateScreen();
    ASSERT_EQ(settings->screens().size(), 3u);
    EXPECT_EQ(settings->screens()[2].tiles, start.tiles);
    EXPECT_NE(settings->screens()[2].name, settings->screens()[1].name);
    ASSERT_TRUE(actions->renameScreen(2, QStringLiteral("title")));
    EXPECT_EQ(settings->screens()[2].name, "title");
    // Another screen's name is refused, and nothing goes on the undo stack.
    const int steps = stack().count();
    EXPECT_FALSE(actions->renameScreen(1, QStringLiteral("title")));
    EXPECT_NE(settings->screens()[1].name, "title");
    // So is a name longer than a document keeps (it could not be opened again).
    EXPECT_FALSE(actions->renameScreen(1, QString(257, u'n')));
    EXPECT_EQ(window->statusBar()->currentMessage(), QStringLiteral("A screen name may be at most 256 bytes long"));
    EXPECT_EQ(stack().count(), steps);
    actions->moveScreen(-1);
    EXPECT_EQ(settings->screens()[1].name, "title");
    EXPECT_EQ(actions->currentScreen(), 1);

    // Copy the two tiles (with their sub-palette) and paste them at (10, 4).
    actions->editor()->setSelection({ 0, 0, 2, 2 });
    actions->copyRegion();
    actions->editor()->setSelection({ 10, 4, 1, 1 });
    ASSERT_TRUE(actions->pasteRegion());
    EXPECT_EQ(shown().tileAt(10, 4), 7);
    EXPECT_EQ(shown().tileAt(11, 4), 8);
    EXPECT_EQ(shown().subPaletteAt(10, 4), 2);
    // Cut clears the selection's tiles.
    actions->editor()->setSelection({ 10, 4, 2, 1 });
    actions->cutRegion();
    EXPECT_EQ(shown().tileAt(10, 4), 0);
    EXPECT_EQ(shown().tileAt(11, 4), 0);

    actions->deleteScreen();
    EXPECT_EQ(settings->screens().size(), 2u);
    // Every step comes back off the stack, one at a time.
    stack().undo(); // delete
    EXPECT_EQ(settings->screens().size(), 3u);
    stack().undo(); // cut
    EXPECT_EQ(settings->screens()[1].tileAt(10, 4), 7);
    stack().undo(); // paste
    EXPECT_EQ(settings->screens()[1].tileAt(10, 4), 0);
    stack().redo(); // paste again
    EXPECT_EQ(settings->screens()[1].tileAt(11, 4), 8);
    EXPECT_EQ(settings->screens()[1].subPaletteAt(10, 4), 2);
    stack().redo(); // cut again
    EXPECT_EQ(settings->screens()[1].tileAt(11, 4), 0);
    stack().undo();
    stack().undo();
    stack().undo(); // move
    EXPECT_EQ(settings->screens()[2].name, "title");
    stack().undo(); // rename
    stack().undo(); // duplicate
    EXPECT_EQ(settings->screens().size(), 2u);
    stack().undo(); // add
    stack().undo(); // new
    EXPECT_TRUE(settings->screens().empty());
}

TEST_F(ScreenActionsTest, RegionKeysActOnTheSelectedCellsNotOnTheTiles)
{
    Screen start;
    start.setTile(0, 0, 7);
    start.setTile(1, 0, 8);
    ASSERT_TRUE(actions->addScreen(start));
    paintTile(7, 1);
    window->show();
    settle();
    chooseTool(ScreenTool::select);
    drag(0, 0, 1, 0);
    settle();
    ScreenEditor *editor = actions->editor();
    ASSERT_EQ(editor->selection(), (CellRect { 0, 0, 2, 1 }));
    ASSERT_TRUE(editor->hasFocus()) << "a click gives the screen editor the focus";
    const auto tiles = settings->tileData()->consoleFormattedPixelData();

    // Copy, then paste at (5, 5); Delete clears the selected cells.
    QTest::keySequence(editor, QKeySequence::Copy);
    drag(5, 5, 5, 5);
    QTest::keySequence(editor, QKeySequence::Paste);
    EXPECT_EQ(shown().tileAt(5, 5), 7);
    EXPECT_EQ(shown().tileAt(6, 5), 8);
    QTest::keyClick(editor, Qt::Key_Delete);
    EXPECT_EQ(shown().tileAt(5, 5), 0);
    EXPECT_EQ(shown().tileAt(6, 5), 8) << "only the selected cell";
    EXPECT_EQ(stack().undoText(), QStringLiteral("Clear Region"));
    EXPECT_EQ(settings->tileData()->consoleFormattedPixelData(), tiles) << "no tile is cleared";
}

TEST_F(ScreenActionsTest, RegionsPassThroughTheSystemClipboard)
{
    actions->newScreen();
    Screen start = shown();
    start.setTile(4, 6, 9);
    start.setSubPalette(4, 6, 3);
    ASSERT_TRUE(actions->addScreen(start));
    actions->editor()->setSelection({ 4, 6, 1, 1 });
    actions->copyRegion();
    const QMimeData *copied = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(copied && copied->hasFormat(ScreenActions::regionMimeType));
    EXPECT_EQ(copied->data(ScreenActions::regionMimeType), QByteArray("\x01\x01\x09\x03", 4));

    // A region another Kestova put there: 2 x 1 cells, tiles 20 and 21, sub-palette 1.
    const auto putOnClipboard = [](const QByteArray &bytes) {
        auto *data = new QMimeData;
        data->setData(ScreenActions::regionMimeType, bytes);
        QGuiApplication::clipboard()->setMimeData(data);
    };
    putOnClipboard(QByteArray("\x02\x01\x14\x15\x01\x01", 6));
    actions->editor()->setSelection({ 0, 0, 1, 1 });
    ASSERT_TRUE(actions->pasteRegion());
    EXPECT_EQ(shown().tileAt(0, 0), 20);
    EXPECT_EQ(shown().tileAt(1, 0), 21);
    EXPECT_EQ(shown().subPaletteAt(0, 0), 1);

    // Damaged bytes are refused and change nothing (not even through the region copied here before).
    const Screen before = shown();
    const int steps = stack().count();
    putOnClipboard(QByteArray("\x02\x01\x14", 3));
    EXPECT_FALSE(actions->pasteRegion());
    EXPECT_EQ(shown(), before);
    EXPECT_EQ(stack().count(), steps);

    // Without a region on the clipboard, the one copied here last.
    QGuiApplication::clipboard()->setText(QStringLiteral("some text"));
    actions->editor()->setSelection({ 8, 8, 1, 1 });
    ASSERT_TRUE(actions->pasteRegion());
    EXPECT_EQ(shown().tileAt(8, 8), 9);
}

TEST_F(ScreenActionsTest, ImportScreenPictureAndRemoveDuplicateTiles)
{
    // A picture on the backdrop $0F: a cell of $16 at the top left, the same cell again at (8, 0), one of $21 at (16,
    // 0).
    const DisplayColors colors;
    auto rgb = [&](int number) { return 0xFF000000u | colors.rgb24(number); };
    QImage picture(256, 240, QImage::Format_RGB32);
    picture.fill(rgb(0x0F));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            picture.setPixel(x, y, rgb(0x16));
            picture.setPixel(8 + x, y, rgb(0x16));
            picture.setPixel(16 + x, y, rgb(0x21));
        }
    const QString path = dir.filePath(QStringLiteral("level.png"));
    ASSERT_TRUE(picture.save(path));
    const int before = stack().index();
    ASSERT_TRUE(actions->importScreenPicture(path)) << alerts->errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(stack().index(), before + 1);
    ASSERT_EQ(settings->screens().size(), 1u);
    const Screen level = settings->screens()[0];
    EXPECT_EQ(level.name, "level");
    EXPECT_EQ(level.tileAt(0, 0), level.tileAt(1, 0));
    EXPECT_NE(level.tileAt(0, 0), level.tileAt(2, 0));
    // The editor shows the picture as it was drawn.
    EXPECT_EQ(actions->editor()->picture().pixel(3, 3) & 0xFFFFFF, rgb(0x16) & 0xFFFFFF);
    EXPECT_EQ(actions->editor()->picture().pixel(19, 3) & 0xFFFFFF, rgb(0x21) & 0xFFFFFF);
    stack().undo();
    EXPECT_TRUE(settings->screens().empty());
    stack().redo();

    // Two identical tiles on the screen become one.
    actions->setCurrentScreen(0);
    Screen twins = settings->screens()[0];
    paintTile(200, 1);
    paintTile(201, 1);
    twins.setTile(5, 5, 200);
    twins.setTile(6, 5, 201);
    ASSERT_TRUE(actions->addScreen(twins));
    const int used = shown().distinctTiles();
    ASSERT_TRUE(actions->removeDuplicateTiles());
    EXPECT_EQ(shown().tileAt(6, 5), 200);
    EXPECT_EQ(shown().distinctTiles(), used - 1);
    stack().undo();
    EXPECT_EQ(shown().tileAt(6, 5), 201);
    stack().redo();
    EXPECT_EQ(shown().tileAt(6, 5), 200);
    EXPECT_EQ(shown().distinctTiles(), used - 1);

    // A file that is not a picture: one message naming it, nothing changed.
    const QString broken = dir.filePath(QStringLiteral("broken.png"));
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
    file.close();
    const int index = stack().index();
    EXPECT_FALSE(actions->importScreenPicture(broken));
    ASSERT_EQ(alerts->errors.size(), 1);
    EXPECT_TRUE(alerts->errors[0].startsWith(broken)) << alerts->errors[0].toStdString();
    EXPECT_EQ(stack().index(), index);
}

TEST_F(ScreenActionsTest, PickDragPicksUpARectangleAsTheStamp)
{
    actions->newScreen();
    Screen start = shown();
    start.setTile(2, 2, 5);
    start.setTile(3, 2, 6);
    start.setTile(2, 3, 7);
    start.setTile(3, 3, 8);
    start.setSubPalette(2, 2, 2);
    ASSERT_TRUE(actions->addScreen(start));
    actions->dock()->resize(900, 800);
    auto *blocks = window->findChild<QComboBox *>(QStringLiteral("zoomPopUp"));
    // The stamp outline follows the viewer's block.
    blocks->setCurrentIndex(1);
    viewer()->selectTile(32);
    settle();
    EXPECT_EQ(actions->editor()->stampSize(), QSize(2, 2));
    blocks->setCurrentIndex(0);
    viewer()->selectTile(9);
    settle();
    EXPECT_EQ(actions->editor()->stampSize(), QSize(1, 1));

    // A Pick drag over 2 x 2 cells picks them up, tiles and sub-palettes, as the stamp; it changes nothing.
    chooseTool(ScreenTool::pick);
    const int steps = stack().index();
    drag(2, 2, 3, 3);
    ASSERT_TRUE(actions->pickedStamp());
    EXPECT_EQ(actions->pickedStamp()->tiles, (std::vector<uint8_t> { 5, 6, 7, 8 }));
    EXPECT_EQ(actions->editor()->stampSize(), QSize(2, 2));
    EXPECT_EQ(stack().index(), steps);

    // Stamped twice elsewhere, one undo step each.
    chooseTool(ScreenTool::stamp);
    click(10, 10);
    EXPECT_EQ(shown().tileAt(10, 10), 5);
    EXPECT_EQ(shown().tileAt(11, 11), 8);
    EXPECT_EQ(shown().subPaletteAt(10, 10), 2);
    click(20, 4);
    EXPECT_EQ(shown().tileAt(21, 4), 6);
    EXPECT_EQ(stack().index(), steps + 2);
    stack().undo();
    stack().undo();
    EXPECT_EQ(shown().tileAt(10, 10), 0);
    EXPECT_EQ(shown().subPaletteAt(10, 10), 0);
    stack().redo();
    EXPECT_EQ(shown().tileAt(11, 11), 8);
    EXPECT_EQ(shown().subPaletteAt(10, 10), 2);

    // A Pick click picks one tile into the viewer, and the viewer's block is the stamp again.
    chooseTool(ScreenTool::pick);
    click(3, 2);
    EXPECT_EQ(viewer()->selectedTileIDs(), (std::vector<std::vector<int64_t>> { { 6 } }));
    EXPECT_FALSE(actions->pickedStamp());
    EXPECT_EQ(actions->editor()->stampSize(), QSize(1, 1));
    chooseTool(ScreenTool::stamp);
    click(0, 0);
    EXPECT_EQ(shown().tileAt(0, 0), 6);
    EXPECT_EQ(shown().tileAt(1, 0), 0);
}

TEST_F(ScreenActionsTest, AttributeFillAndPatternTableThroughRealMouseEventsUndoAndRedo)
{
    actions->newScreen();
    actions->dock()->resize(900, 800);
    window->findChild<QComboBox *>(QStringLiteral("zoomPopUp"))->setCurrentIndex(0);
    settle();

    // Attribute byte 1 covers tiles (4-7, 0-3): cell (4, 2) is its bottom-left area, bits 4-5.
    chooseTool(ScreenTool::attribute);
    controllerOf(document).chooseSubPalette(3);
    const int steps = stack().index();
    click(4, 2);
    EXPECT_EQ(shown().attributes[1], 0x30);
    // A drag across both bottom areas, one step.
    controllerOf(document).chooseSubPalette(1);
    drag(4, 2, 6, 3);
    EXPECT_EQ(shown().attributes[1], 0x50);
    EXPECT_EQ(shown().attributes[0], 0);
    EXPECT_EQ(stack().index(), steps + 2);
    stack().undo();
    EXPECT_EQ(shown().attributes[1], 0x30);
    stack().undo();
    EXPECT_EQ(shown().attributes[1], 0);
    stack().redo();
    stack().redo();
    EXPECT_EQ(shown().attributes[1], 0x50);

    // A sprite sub-palette is refused, with the reason in the status bar, and paints nothing.
    controllerOf(document).chooseSubPalette(5);
    click(0, 0);
    EXPECT_TRUE(window->statusBar()->currentMessage().contains(QStringLiteral("background sub-palettes 0-3")))
        << window->statusBar()->currentMessage().toStdString();
    drag(0, 0, 3, 3);
    EXPECT_EQ(shown().attributes[0], 0);
    EXPECT_EQ(stack().index(), steps + 2);

    // Fill: the rectangle dragged out takes the viewer's tile.
    viewer()->selectTile(9);
    settle();
    chooseTool(ScreenTool::fill);
    drag(3, 2, 1, 1);
    for (int row = 1; row <= 2; ++row)
        for (int column = 1; column <= 3; ++column)
            EXPECT_EQ(shown().tileAt(column, row), 9) << column << ", " << row;
    EXPECT_EQ(shown().tileAt(0, 1), 0);
    EXPECT_EQ(shown().tileAt(4, 2), 0);
    EXPECT_EQ(shown().tileAt(1, 3), 0);
    stack().undo();
    EXPECT_EQ(shown().tileAt(2, 2), 0);
    stack().redo();
    EXPECT_EQ(shown().tileAt(2, 2), 9);

    // The pattern table chosen in the dock, one step.
    auto *table = window->findChild<QComboBox *>(QStringLiteral("screenPatternTable"));
    table->setFocus();
    QTest::keyClick(table, Qt::Key_Down);
    settle();
    EXPECT_EQ(shown().patternTable, 1);
    stack().undo();
    EXPECT_EQ(shown().patternTable, 0);
    EXPECT_EQ(table->currentIndex(), 0);
    stack().redo();
    EXPECT_EQ(shown().patternTable, 1);
    EXPECT_EQ(table->currentIndex(), 1);
}

TEST_F(ScreenActionsTest, ImportScreenPictureAsksForThePatternTableAndSubPalettes)
{
    // The document's sub-palettes: 0 is $0F $16 $21 $30; a picture in its colours.
    Bytes paletteBytes(32, 0x0F);
    paletteBytes[1] = 0x16;
    paletteBytes[2] = 0x21;
    paletteBytes[3] = 0x30;
    controllerOf(document).replacePalettes(*PaletteFactory::generate(paletteBytes));
    const DisplayColors colors;
    auto rgb = [&](int number) { return 0xFF000000u | colors.rgb24(number); };
    QImage picture(256, 240, QImage::Format_RGB32);
    picture.fill(rgb(0x0F));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            picture.setPixel(x, y, rgb(0x21));
    const QString path = dir.filePath(QStringLiteral("title.png"));
    ASSERT_TRUE(picture.save(path));

    // The dialog that comes up over the window once the picture is chosen.
    const auto chooseTitle = [&]() -> QDialog * {
        panels->answers = { path };
        trigger(document, "actionImportScreenPicture");
        for (QDialog *shown : window->findChildren<QDialog *>(QStringLiteral("screenImportDialog")))
            if (shown->isVisible())
                return shown;
        return nullptr;
    };
    QDialog *dialog = chooseTitle();
    ASSERT_NE(dialog, nullptr);
    auto *table = dialog->findChild<QComboBox *>(QStringLiteral("screenImportTable"));
    auto *own = dialog->findChild<QRadioButton *>(QStringLiteral("screenImportDocumentSubPalettes"));
    ASSERT_TRUE(table && own);
    EXPECT_EQ(table->currentIndex(), 0);
    EXPECT_TRUE(dialog->findChild<QRadioButton *>(QStringLiteral("screenImportFindSubPalettes"))->isChecked());
    table->setCurrentIndex(1);
    own->click();
    dialog->accept();
    settle();

    ASSERT_EQ(settings->screens().size(), 1u) << alerts->errors.join(QLatin1Char('\n')).toStdString();
    const Screen &title = settings->screens()[0];
    EXPECT_EQ(title.patternTable, 1);
    // The drawn cell is a tile of pattern table 1 (tiles 256-511) in colour 2 of sub-palette 0.
    const int tile = title.tileAt(0, 0);
    const auto &tiles = settings->tileData()->matrices();
    const auto &cells = tiles[size_t(256 + tile)]->cells();
    EXPECT_TRUE(std::all_of(cells.begin(), cells.end(), [](int64_t value) { return value == 2; }));
    const auto &table0 = tiles[size_t(tile)]->cells();
    EXPECT_TRUE(std::all_of(table0.begin(), table0.end(), [](int64_t value) { return value == 0; }));
    const PaletteBytes after = documentPaletteBytes(*settings);
    EXPECT_EQ(Bytes(after.begin(), after.begin() + 16), Bytes(paletteBytes.begin(), paletteBytes.begin() + 16));
    EXPECT_EQ(actions->editor()->picture().pixel(3, 3) & 0xFFFFFF, rgb(0x21) & 0xFFFFFF);
    // The next import offers the shown screen's table.
    QDialog *again = chooseTitle();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->findChild<QComboBox *>(QStringLiteral("screenImportTable"))->currentIndex(), 1);
    again->reject();
    settle();
    EXPECT_EQ(settings->screens().size(), 1u);
    // The same picture imported again is a second screen with a name of its own.
    QDialog *second = chooseTitle();
    ASSERT_NE(second, nullptr);
    second->accept();
    settle();
    ASSERT_EQ(settings->screens().size(), 2u);
    EXPECT_EQ(settings->screens()[1].name, settings->screens()[0].name + "_2");

    // A picture of another size is refused before the dialog asks anything.
    ASSERT_TRUE(picture.copy(0, 0, 128, 128).save(path));
    alerts->errors.clear();
    EXPECT_EQ(chooseTitle(), nullptr);
    ASSERT_EQ(alerts->errors.size(), 1);
    EXPECT_TRUE(alerts->errors.front().contains(QStringLiteral("a screen is made from a picture of 256 x 240")))
        << alerts->errors.front().toStdString();
    EXPECT_EQ(settings->screens().size(), 2u);
}

TEST_F(ScreenActionsTest, MarkUnusedTilesFollowsTheScreens)
{
    auto *viewer = window->findChild<TileCollection *>(QStringLiteral("tileCollection"));
    trigger(document, "actionMarkUnusedTiles");
    EXPECT_TRUE(viewer->markedTiles().empty()); // no screen reads a pattern table yet
    actions->newScreen();
    // A blank screen uses tile 0 of pattern table 0: tiles 1-255 are unused, table 1 is read by no screen.
    EXPECT_EQ(viewer->markedTiles().size(), 255u);
    EXPECT_FALSE(viewer->markedTiles().count(0));
    Screen screen = shown();
    screen.setTile(4, 4, 9);
    actions->addScreen(screen);
    EXPECT_EQ(viewer->markedTiles().size(), 254u);
    // A metasprite of 8x8 sprites reads table 1: its tiles but the sprite's tile 3 are marked too; undone, not.
    SpriteActions::of(window)->addMetasprite({ "hero", { { 0, 0, 3, 4 } } });
    EXPECT_EQ(viewer->markedTiles().size(), 254u + 255u);
    EXPECT_FALSE(viewer->markedTiles().count(256 + 3));
    EXPECT_TRUE(viewer->markedTiles().count(256 + 4));
    stack().undo();
    EXPECT_EQ(viewer->markedTiles().size(), 254u);
    EXPECT_FALSE(viewer->markedTiles().count(9));
    stack().undo();
    EXPECT_TRUE(viewer->markedTiles().count(9));
    trigger(document, "actionMarkUnusedTiles");
    EXPECT_TRUE(viewer->markedTiles().empty());

    // The choice is kept for the next window.
    trigger(document, "actionMarkUnusedTiles");
    KestovaDocumentController::closeDocuments();
    settle();
    MosavoDocument *next = openNew();
    ASSERT_NE(next, nullptr);
    EXPECT_TRUE(next->window()->findChild<QAction *>(QStringLiteral("actionMarkUnusedTiles"))->isChecked());
}

} // namespace
