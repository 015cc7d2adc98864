#include "app/levels/LevelActions.h"
#include "app/screens/ScreenActions.h"
#include "viewer/TileCollection.h"

#include "app/levels/LevelTestSupport.h"
#include "app/window/BackgroundWork.h"
#include "app/support/DocumentFixture.h"

#include <QApplication>
#include <QComboBox>
#include <QDockWidget>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QUndoStack>

using namespace app_test;

namespace {

class LevelWindowTest : public ApplicationTest
{
protected:
    void SetUp() override
    {
        ApplicationTest::SetUp();
        document = openNew();
        window = document->window();
        actions = LevelActions::of(window);
        ASSERT_NE(actions, nullptr);
        settings = controllerOf(document).editorViewControllerSettings();
        const QString picture = dir.filePath(QStringLiteral("level.png"));
        ASSERT_TRUE(level_test::levelPicture(2, 1, 6).save(picture));
        ASSERT_TRUE(actions->importLevelPicture(picture));
        settle();
        actions->dock()->resize(1000, 800);
        actions->mapView()->setScale(1);
        settle();
    }
    QUndoStack &stack() { return controllerOf(document).undoStack(); }
    const LevelMap &map() { return settings->levelMaps()[0]; }
    QPoint at(int column, int row) { return actions->mapView()->cellRect(column, row).center(); }

    MosavoDocument *document = nullptr;
    MainMosavoWindow *window = nullptr;
    LevelActions *actions = nullptr;
    SettingsPtr settings;
};

TEST_F(LevelWindowTest, ImportIsOneUndoStepAndShowsTheLevel)
{
    EXPECT_TRUE(actions->dock()->isVisible());
    ASSERT_EQ(settings->levelMaps().size(), 1u);
    EXPECT_EQ(settings->metatileSets()[0].metatiles.size(), 6u);
    EXPECT_EQ(actions->setView()->metatileCount(), 6);
    EXPECT_EQ(actions->mapView()->sizeHint(), QSize(512, 240));
    ASSERT_NE(window->findChild<QAction *>(QStringLiteral("actionShowLevels")), nullptr);
    stack().undo();
    EXPECT_TRUE(settings->levelMaps().empty());
    EXPECT_TRUE(settings->metatileSets().empty());
    stack().redo();
    EXPECT_EQ(settings->levelMaps().size(), 1u);
}

// Stamping a click, a drag, a Shift + drag rectangle: each gesture is one undo step; the right button picks.
TEST_F(LevelWindowTest, EveryMapGestureIsOneUndoStep)
{
    LevelMapView *view = actions->mapView();
    const LevelMap original = map();
    const int stamped = (original.at(3, 2) + 1) % 6;
    actions->chooseMetatile(stamped);
    const int steps = stack().count();
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, at(3, 2));
    EXPECT_EQ(map().at(3, 2), stamped);
    actions->chooseMetatile(5);
    EXPECT_EQ(stack().count(), steps + 1);

    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, at(0, 7));
    QTest::mouseMove(view, at(1, 7));
    QTest::mouseMove(view, at(2, 7));
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, at(2, 7));
    EXPECT_EQ(stack().count(), steps + 2);
    for (int column = 0; column < 3; ++column)
        EXPECT_EQ(map().at(column, 7), 5);

    actions->chooseMetatile(4);
    QTest::mousePress(view, Qt::LeftButton, Qt::ShiftModifier, at(20, 3));
    QTest::mouseMove(view, at(23, 5));
    QTest::mouseRelease(view, Qt::LeftButton, Qt::ShiftModifier, at(23, 5));
    EXPECT_EQ(stack().count(), steps + 3);
    int filled = 0;
    for (int row = 3; row <= 5; ++row)
        for (int column = 20; column <= 23; ++column)
            filled += map().at(column, row) == 4;
    EXPECT_EQ(filled, 12);

    QTest::mouseClick(view, Qt::RightButton, Qt::NoModifier, at(0, 7));
    EXPECT_EQ(actions->chosenMetatile(), 5);
    EXPECT_EQ(stack().count(), steps + 3);
    // The status bar names the room, the cell and the metatile with its tiles.
    QTest::mouseMove(view, at(21, 4));
    EXPECT_TRUE(
        window->statusBar()->currentMessage().startsWith(QStringLiteral("Room 1 (1, 0), cell (5, 4): metatile 4")))
        << window->statusBar()->currentMessage().toStdString();

    stack().undo();
    EXPECT_EQ(map().at(21, 4), original.at(21, 4));
    stack().undo();
    EXPECT_EQ(map().at(1, 7), original.at(1, 7));
    stack().undo();
    EXPECT_EQ(map(), original);
    stack().redo();
    EXPECT_EQ(map().at(3, 2), stamped);
}

TEST_F(LevelWindowTest, BehaviourByteIsOneUndoStepAndShowsInTheOverlay)
{
    actions->chooseMetatile(2);
    auto *behaviour = window->findChild<QSpinBox *>(QStringLiteral("metatileBehaviour"));
    ASSERT_NE(behaviour, nullptr);
    const int steps = stack().count();
    behaviour->setValue(0x41);
    EXPECT_EQ(settings->metatileSets()[0].metatiles[2].behaviour, 0x41);
    EXPECT_EQ(stack().count(), steps + 1);
    stack().undo();
    EXPECT_EQ(settings->metatileSets()[0].metatiles[2].behaviour, 0);
    EXPECT_EQ(behaviour->value(), 0);
}

TEST_F(LevelWindowTest, MetatilesFromTheShownScreen)
{
    Screen screen;
    screen.name = "title";
    screen.setTile(2, 2, 7);
    settings->screens().push_back(screen);
    trigger(document, "actionMakeMetatilesFromScreen");
    ASSERT_EQ(settings->levelMaps().size(), 2u);
    EXPECT_EQ(settings->metatileSets()[1].metatiles.size(), 2u);
    EXPECT_EQ(actions->currentMap(), 1);
    stack().undo();
    EXPECT_EQ(settings->levelMaps().size(), 1u);
}

} // namespace

namespace {

// The tile viewer's 2 x 2 block in the current sub-palette becomes a metatile, and unused metatiles go with the maps
// renumbered; each one undo step.
TEST_F(LevelWindowTest, AddBlockAndDeleteUnusedMetatiles)
{
    window->findChild<QComboBox *>(QStringLiteral("zoomPopUp"))->setCurrentIndex(1);
    settle();
    window->findChild<TileCollection *>(QStringLiteral("tileCollection"))->selectTile(32);
    settle();
    const auto &rows = window->findChild<TileCollection *>(QStringLiteral("tileCollection"))->selectedTileIDs();
    ASSERT_EQ(rows.size(), 2u);
    const size_t count = settings->metatileSets()[0].metatiles.size();
    trigger(document, "actionAddBlockAsMetatile");
    ASSERT_EQ(settings->metatileSets()[0].metatiles.size(), count + 1);
    const Metatile &added = settings->metatileSets()[0].metatiles.back();
    EXPECT_EQ(added.tiles,
        (std::array<uint8_t, 4> {
            uint8_t(rows[0][0]), uint8_t(rows[0][1]), uint8_t(rows[1][0]), uint8_t(rows[1][1]) }));
    EXPECT_EQ(actions->chosenMetatile(), int(count));

    // Stamped over every use of metatile 1, which becomes unused; deleting the unused ones renumbers the map.
    actions->chooseMetatile(0);
    LevelMapView *view = actions->mapView();
    std::vector<QPoint> uses;
    for (int row = 0; row < map().rows(); ++row)
        for (int column = 0; column < map().columns(); ++column)
            if (map().at(column, row) == 1)
                uses.push_back({ column, row });
    ASSERT_FALSE(uses.empty());
    for (const QPoint &cell : uses)
        QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, at(cell.x(), cell.y()));
    const LevelMap stamped = map();
    const int steps = stack().count();
    trigger(document, "actionDeleteUnusedMetatiles");
    EXPECT_EQ(stack().count(), steps + 1);
    // Metatile 1 and the added one were unused.
    EXPECT_EQ(settings->metatileSets()[0].metatiles.size(), count - 1);
    for (size_t i = 0; i < map().cells.size(); ++i)
        EXPECT_EQ(map().cells[i], stamped.cells[i] > 1 ? stamped.cells[i] - 1 : stamped.cells[i]) << i;
    stack().undo();
    EXPECT_EQ(map(), stamped);
    EXPECT_EQ(settings->metatileSets()[0].metatiles.size(), count + 1);
}

} // namespace

namespace {

// A region selected with Ctrl + drag, copied through the clipboard and pasted at another selection: one undo step.
TEST_F(LevelWindowTest, RegionsCopiedAndPastedThroughTheClipboard)
{
    LevelMapView *view = actions->mapView();
    QTest::mousePress(view, Qt::LeftButton, Qt::ControlModifier, at(2, 1));
    QTest::mouseMove(view, at(4, 2));
    QTest::mouseRelease(view, Qt::LeftButton, Qt::ControlModifier, at(4, 2));
    EXPECT_EQ(actions->selection(), QRect(QPoint(2, 1), QPoint(4, 2)));
    const LevelMap before = map();
    trigger(document, "actionCopyLevelRegion");
    QTest::mouseClick(view, Qt::LeftButton, Qt::ControlModifier, at(30, 13));
    const int steps = stack().count();
    trigger(document, "actionPasteLevelRegion");
    EXPECT_EQ(stack().count(), steps + 1);
    // Three columns wide, cut at the map's right edge after two; two rows.
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(map().at(30 + x, 13 + y), before.at(2 + x, 1 + y)) << x << "," << y;
    EXPECT_EQ(map().at(29, 13), before.at(29, 13));
    stack().undo();
    EXPECT_EQ(map(), before);
}

} // namespace

namespace {

// A metatile's sub-palette changed and its place in the set moved: the maps show the same blocks, each change one
// undo step.
TEST_F(LevelWindowTest, SubPaletteAndOrderOfAMetatile)
{
    actions->chooseMetatile(2);
    auto *subPalette = window->findChild<QSpinBox *>(QStringLiteral("metatileSubPalette"));
    ASSERT_NE(subPalette, nullptr);
    const int old = settings->metatileSets()[0].metatiles[2].subPalette;
    const int steps = stack().count();
    subPalette->setValue((old + 1) % 4);
    EXPECT_EQ(settings->metatileSets()[0].metatiles[2].subPalette, (old + 1) % 4);
    // The room drawn from it shows the new sub-palette at once.
    int cell = 0;
    while (map().cells[size_t(cell)] != 2)
        ++cell;
    const Screen room = roomScreen(map(), settings->metatileSets()[0], (cell % 32) / 16);
    EXPECT_EQ(room.subPaletteAt((cell % 16) * 2, (cell / 32) * 2), (old + 1) % 4);
    stack().undo();
    EXPECT_EQ(settings->metatileSets()[0].metatiles[2].subPalette, old);

    const std::vector<Metatile> set = settings->metatileSets()[0].metatiles;
    const LevelMap before = map();
    trigger(document, "actionMoveMetatileLater");
    EXPECT_EQ(stack().count(), steps + 1);
    EXPECT_EQ(settings->metatileSets()[0].metatiles[3], set[2]);
    EXPECT_EQ(settings->metatileSets()[0].metatiles[2], set[3]);
    EXPECT_EQ(actions->chosenMetatile(), 3);
    for (size_t i = 0; i < map().cells.size(); ++i)
        EXPECT_EQ(settings->metatileSets()[0].metatiles[map().cells[i]], set[before.cells[i]]) << i;
    stack().undo();
    EXPECT_EQ(map(), before);
}

} // namespace

namespace {

// The chosen metatile takes the tile viewer's 2 x 2 block: the map view draws it at once wherever it is used, one
// undo step; a block reaching into the other pattern table is refused and changes nothing.
TEST_F(LevelWindowTest, MetatileTilesSetFromTheBlock)
{
    auto *tiles = window->findChild<TileCollection *>(QStringLiteral("tileCollection"));
    window->findChild<QComboBox *>(QStringLiteral("zoomPopUp"))->setCurrentIndex(1);
    settle();
    tiles->selectTile(32);
    settle();
    const auto rows = tiles->selectedTileIDs();
    ASSERT_EQ(rows.size(), 2u);
    // Metatile 2 is drawn from tiles of the picture, the block from tiles it left blank.
    actions->chooseMetatile(2);
    const Metatile old = settings->metatileSets()[0].metatiles[2];
    QPoint used(-1, -1), blank(-1, -1);
    for (int row = 0; row < map().rows(); ++row)
        for (int column = 0; column < map().columns(); ++column) {
            if (map().at(column, row) == 2 && used.x() < 0)
                used = { column, row };
            if (map().at(column, row) == 0 && blank.x() < 0)
                blank = { column, row };
        }
    ASSERT_GE(used.x(), 0);
    ASSERT_GE(blank.x(), 0);
    LevelMapView *view = actions->mapView();
    const QImage before = view->grab().toImage();
    const int steps = stack().count();
    trigger(document, "actionSetMetatileTilesFromBlock");
    EXPECT_EQ(stack().count(), steps + 1);
    const std::array<uint8_t, 4> block { uint8_t(rows[0][0]), uint8_t(rows[0][1]), uint8_t(rows[1][0]),
        uint8_t(rows[1][1]) };
    EXPECT_EQ(settings->metatileSets()[0].metatiles[2].tiles, block);
    EXPECT_EQ(settings->metatileSets()[0].metatiles[2].subPalette, old.subPalette);
    settle();
    const QImage after = view->grab().toImage();
    const QRect usedRect = view->cellRect(used.x(), used.y());
    const QRect blankRect = view->cellRect(blank.x(), blank.y());
    // Inside the grid lines: the metatile's cell now looks like a blank one, the blank cell as it was.
    const QPoint inside(usedRect.width() / 4, usedRect.height() / 4);
    EXPECT_NE(after.copy(usedRect.adjusted(1, 1, -1, -1)), before.copy(usedRect.adjusted(1, 1, -1, -1)));
    EXPECT_EQ(after.copy(blankRect.adjusted(1, 1, -1, -1)), before.copy(blankRect.adjusted(1, 1, -1, -1)));
    EXPECT_EQ(after.pixel(usedRect.topLeft() + inside), after.pixel(blankRect.topLeft() + inside));

    stack().undo();
    EXPECT_EQ(settings->metatileSets()[0].metatiles[2], old);
    settle();
    EXPECT_EQ(view->grab().toImage(), before);

    // A block of tiles 240-241 over 256-257 reaches into pattern table 1: refused, nothing changed.
    tiles->selectTile(240);
    settle();
    const auto across = tiles->selectedTileIDs();
    ASSERT_EQ(across.size(), 2u);
    ASSERT_EQ(across[1][0], 256);
    const int index = stack().index();
    trigger(document, "actionSetMetatileTilesFromBlock");
    EXPECT_EQ(stack().index(), index);
    EXPECT_EQ(settings->metatileSets()[0].metatiles[2], old);
    EXPECT_TRUE(window->statusBar()->currentMessage().contains(QStringLiteral("not in the set's pattern table")))
        << window->statusBar()->currentMessage().toStdString();
}

} // namespace

namespace {

// Level > Import Level Picture runs off the window's thread: a busy cursor, after half a second a progress dialog
// over the window, and Cancel leaves the document and its undo steps as they were. Uncancelled, the same picture
// comes in as one undo step.
TEST_F(LevelWindowTest, LevelPictureImportShowsProgressAndCanBeCancelled)
{
    // The largest level there is, 16 x 16 rooms (one room repeated) in an uncompressed picture of some 63 MB, takes
    // far longer to read and convert than the progress dialog, shown at once here, takes to appear.
    const QImage room = level_test::levelPicture(1, 1, 6);
    QImage large(room.width() * 16, room.height() * 16, QImage::Format_RGB32);
    {
        QPainter painter(&large);
        painter.drawTiledPixmap(large.rect(), QPixmap::fromImage(room));
    }
    const QString picture = dir.filePath(QStringLiteral("large.png"));
    ASSERT_TRUE(large.convertToFormat(QImage::Format_ARGB32).save(picture, "PNG", 100));
    const std::string before = settings->encode().dump();
    const int index = stack().index();
    const int steps = stack().count();
    bool shown = false, busy = false;
    QString label;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (const QCursor *cursor = QApplication::overrideCursor())
            busy = busy || cursor->shape() == Qt::BusyCursor;
        auto *progress = window->findChild<QProgressDialog *>(QStringLiteral("workProgress"));
        if (!progress || !progress->isVisible() || shown)
            return;
        shown = true;
        label = progress->labelText();
        auto *cancel = progress->findChild<QPushButton *>();
        ASSERT_NE(cancel, nullptr);
        QTest::mouseClick(cancel, Qt::LeftButton);
    });
    watch.start(5);
    const int delay = kestova::progressDelayMilliseconds;
    kestova::progressDelayMilliseconds = 0;
    panels->answers.push_back(picture);
    trigger(document, "actionImportLevelPicture");
    kestova::progressDelayMilliseconds = delay;
    watch.stop();
    ASSERT_TRUE(shown) << "the import ended before its progress showed";
    EXPECT_TRUE(busy);
    EXPECT_EQ(label, QStringLiteral("Importing large.png\u2026"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(settings->encode().dump() == before) << "the document changed";
    EXPECT_EQ(stack().count(), steps);
    EXPECT_EQ(stack().index(), index);
    EXPECT_EQ(window->statusBar()->currentMessage(), QStringLiteral("Import of large.png cancelled"));
    EXPECT_TRUE(alerts->errors.empty()) << alerts->errors.join(QStringLiteral("; ")).toStdString();

    panels->answers.push_back(picture);
    trigger(document, "actionImportLevelPicture");
    ASSERT_EQ(settings->levelMaps().size(), 2u);
    EXPECT_EQ(settings->levelMaps()[1].roomCount(), 256);
    EXPECT_EQ(stack().index(), index + 1);
    stack().undo();
    EXPECT_EQ(settings->levelMaps().size(), 1u);
}

} // namespace
