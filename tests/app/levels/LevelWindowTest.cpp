#include "app/levels/LevelActions.h"
#include "app/screens/ScreenActions.h"

#include "app/levels/LevelTestSupport.h"
#include "app/support/DocumentFixture.h"

#include <QDockWidget>
#include <QMenu>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
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
