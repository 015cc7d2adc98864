#include "app/screens/ScreenActions.h"
#include "app/sprites/SpriteActions.h"
#include "app/window/FlowLayout.h"
#include "editor/Mosavo.h"
#include "screen/ScreenEditor.h"
#include "sprite/MetaspriteEditor.h"

#include "app/support/DocumentFixture.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDockWidget>
#include <QListWidget>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QToolButton>

using namespace app_test;

namespace {

// The Screens and Sprites docks at the window's smallest size and at a large one: nothing needs a sideways scroll,
// every control can be reached in the dock, the lists and views keep their height and the pixel editor its size.
class DockLayoutTest : public ApplicationTest
{
protected:
    void SetUp() override
    {
        ApplicationTest::SetUp();
        QSettings settings;
        for (const QString &key : { MainMosavoWindow::geometryKey, MainMosavoWindow::splitterKey,
                 MainMosavoWindow::viewerScaleKey, SpriteActions::zoomKey })
            settings.remove(key);
    }
    template<typename T = QWidget>
    static T *part(MainMosavoWindow *window, const char *name)
    {
        T *found = window->findChild<T *>(QString::fromLatin1(name));
        EXPECT_TRUE(found) << name;
        return found;
    }
    // A window of that size with both docks opened on a screen and a metasprite with a frame.
    MainMosavoWindow *windowWithDocks(QSize size)
    {
        MosavoDocument *document = openNew();
        if (!document)
            return nullptr;
        MainMosavoWindow *window = document->window();
        window->resize(size);
        settle();
        trigger(document, "actionNewScreen");
        trigger(document, "actionNewMetasprite");
        SpriteActions *sprites = SpriteActions::of(window);
        sprites->renameMetasprite(0, QStringLiteral("metasprite_with_a_rather_long_name_2"));
        sprites->addFrame();
        settle();
        return window;
    }
    // Every button and choice of the dock lies inside the part of the dock that is seen, once scrolled to (up and
    // down only: the dock never scrolls sideways); scrolled tells whether any needed a scroll.
    static void expectControlsReachable(QDockWidget *dock, bool mayScroll, const char *size)
    {
        auto *scroll = qobject_cast<QScrollArea *>(dock->widget());
        ASSERT_TRUE(scroll);
        EXPECT_EQ(scroll->horizontalScrollBar()->maximum(), 0) << dock->objectName().toStdString() << " " << size;
        EXPECT_LE(scroll->widget()->width(), scroll->viewport()->width()) << size;
        if (!mayScroll) {
            EXPECT_EQ(scroll->verticalScrollBar()->maximum(), 0) << dock->objectName().toStdString() << " " << size;
        }
        QList<QPointer<QWidget>> controls;
        QWidget *content = scroll->widget();
        for (QAbstractButton *button : content->findChildren<QAbstractButton *>())
            controls << button;
        for (QComboBox *choice : content->findChildren<QComboBox *>())
            controls << choice;
        for (QSpinBox *box : content->findChildren<QSpinBox *>())
            controls << box;
        int checked = 0;
        for (const QPointer<QWidget> &control : controls) {
            // Controls of folded parts are not the dock's to show.
            if (!control || !control->isVisibleTo(content) || control->objectName().isEmpty())
                continue;
            if (mayScroll)
                scroll->ensureWidgetVisible(control, 0, 0);
            settle();
            const QRect inView(control->mapTo(scroll->viewport(), QPoint(0, 0)), control->size());
            EXPECT_TRUE(scroll->viewport()->rect().contains(inView))
                << dock->objectName().toStdString() << " " << control->objectName().toStdString() << " at " << size
                << ": " << inView.x() << "," << inView.y() << " " << inView.width() << "x" << inView.height() << " in "
                << scroll->viewport()->width() << "x" << scroll->viewport()->height();
            ++checked;
        }
        EXPECT_GT(checked, 8) << dock->objectName().toStdString();
    }
    static void raise(QDockWidget *dock)
    {
        dock->raise();
        dock->show();
        settle();
    }
};

TEST_F(DockLayoutTest, DocksFitTheSmallestWindowWithoutSidewaysScrolling)
{
    MainMosavoWindow *window = windowWithDocks({ 1024, 600 });
    ASSERT_TRUE(window);
    EXPECT_EQ(window->size(), QSize(1024, 600));
    auto *screens = part<QDockWidget>(window, "screensDock");
    auto *sprites = part<QDockWidget>(window, "spritesDock");

    raise(screens);
    EXPECT_GE(part<Mosavo>(window, "mosavo")->width(), minimumEditorSide);
    expectControlsReachable(screens, false, "1024x600");
    // The whole width of the screen at 1x is seen; the list and the view keep their height.
    auto *screenView = part<QScrollArea>(window, "screenScroll");
    EXPECT_EQ(part<ScreenEditor>(window, "screenEditor")->scale(), 1);
    EXPECT_EQ(screenView->horizontalScrollBar()->maximum(), 0) << "the screen at 1x needs no sideways scroll";
    EXPECT_GE(screenView->viewport()->width(), 256);
    EXPECT_GE(screenView->height(), ScreenActions::minimumListHeight);
    EXPECT_GE(part<QListWidget>(window, "screenList")->height(), ScreenActions::minimumListHeight);

    raise(sprites);
    EXPECT_GE(part<Mosavo>(window, "mosavo")->width(), minimumEditorSide);
    // Folded at first in a short window; unfolded, the sprite view keeps its height beside the frames.
    part<QToolButton>(window, "animationFold")->click();
    settle();
    ASSERT_TRUE(part<QWidget>(window, "animationFrames")->isVisible());
    expectControlsReachable(sprites, true, "1024x600");
    EXPECT_GE(part<QScrollArea>(window, "metaspriteScroll")->height(), SpriteActions::minimumListHeight);
    EXPECT_GE(part<QListWidget>(window, "metaspriteList")->height(), SpriteActions::minimumListHeight);
    EXPECT_GE(part<QListWidget>(window, "frameList")->height(), SpriteActions::minimumListHeight);
}

TEST_F(DockLayoutTest, DocksShowEverythingAtOnceInALargeWindow)
{
    MainMosavoWindow *window = windowWithDocks({ 1920, 1080 });
    ASSERT_TRUE(window);
    auto *screens = part<QDockWidget>(window, "screensDock");
    auto *sprites = part<QDockWidget>(window, "spritesDock");
    raise(screens);
    expectControlsReachable(screens, false, "1920x1080");
    // The screen starts at the largest whole zoom its view shows whole: 2x here, with nothing to scroll.
    auto *screenView = part<QScrollArea>(window, "screenScroll");
    ScreenEditor *editor = part<ScreenEditor>(window, "screenEditor");
    EXPECT_GE(editor->scale(), 2);
    EXPECT_EQ(editor->scale(), ScreenActions::of(window)->fittingZoom());
    EXPECT_EQ(screenView->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(screenView->verticalScrollBar()->maximum(), 0);
    EXPECT_TRUE(screenView->maximumViewportSize().width() < 256 * (editor->scale() + 1)
        || screenView->maximumViewportSize().height() < 240 * (editor->scale() + 1))
        << "the next zoom would not fit";

    raise(sprites);
    ASSERT_TRUE(part<QWidget>(window, "animationFrames")->isVisible());
    expectControlsReachable(sprites, false, "1920x1080");
    EXPECT_GE(part<QScrollArea>(window, "metaspriteScroll")->height(), 400);
    EXPECT_GE(part<QListWidget>(window, "frameList")->height(), SpriteActions::minimumListHeight);
    EXPECT_GE(part<Mosavo>(window, "mosavo")->width(), 512);
}

// The windows between: opening either dock never leaves the pixel editor under 256 px a side, also after the window
// is made smaller with the dock open.
TEST_F(DockLayoutTest, OpeningADockLeavesThePixelEditorItsSize)
{
    for (const QSize size : { QSize(1024, 600), QSize(1152, 720), QSize(1280, 800) }) {
        MosavoDocument *document = openNew();
        ASSERT_TRUE(document);
        MainMosavoWindow *window = document->window();
        window->resize(size);
        settle();
        trigger(document, "actionShowScreens");
        settle();
        EXPECT_GE(part<Mosavo>(window, "mosavo")->width(), minimumEditorSide) << size.width() << "x" << size.height();
        trigger(document, "actionShowSprites");
        settle();
        EXPECT_GE(part<Mosavo>(window, "mosavo")->width(), minimumEditorSide) << size.width() << "x" << size.height();
        // The user widens the dock, then the window narrows to its least size: the dock gives the room back.
        window->resizeDocks({ part<QDockWidget>(window, "spritesDock") }, { size.width() / 2 }, Qt::Horizontal);
        settle();
        window->resize(1024, 600);
        settle();
        settle();
        EXPECT_GE(part<Mosavo>(window, "mosavo")->width(), minimumEditorSide)
            << "after narrowing from " << size.width();
        KestovaDocumentController::closeDocuments();
        settle();
    }
}

// The docks' buttons are icons that say in their tooltip what they do (and their key, when they have one).
TEST_F(DockLayoutTest, DockButtonsAreIconsWithToolTips)
{
    MainMosavoWindow *window = windowWithDocks({ 1024, 600 });
    ASSERT_TRUE(window);
    int icons = 0;
    for (const char *name : { "screensDock", "spritesDock" })
        for (QToolButton *button : part<QDockWidget>(window, name)->findChildren<QToolButton *>()) {
            if (button->objectName().isEmpty() || button->objectName() == "animationFold")
                continue;
            EXPECT_FALSE(button->icon().isNull()) << button->objectName().toStdString();
            EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonIconOnly) << button->objectName().toStdString();
            EXPECT_FALSE(button->toolTip().isEmpty()) << button->objectName().toStdString();
            EXPECT_LE(button->width(), 32) << button->objectName().toStdString();
            ++icons;
        }
    EXPECT_GE(icons, 20);
    EXPECT_TRUE(part<QToolButton>(window, "spriteDelete")->toolTip().endsWith("(Del)"));
    EXPECT_TRUE(part<QToolButton>(window, "spriteFlipH")->toolTip().endsWith("(H)"));
    EXPECT_TRUE(part<QToolButton>(window, "spritePosition")->toolTip().endsWith("(Ctrl+Shift+P)"));
}

// The rows of the docks' buttons wrap: as many items a row as the width holds, the height following.
TEST(FlowLayoutTest, WrapsItsItemsToItsWidth)
{
    testApplication();
    QWidget holder;
    auto *flow = new FlowLayout(&holder, 2);
    QList<QToolButton *> buttons;
    for (int i = 0; i < 5; ++i) {
        auto *button = new QToolButton(&holder);
        button->setFixedSize(30, 20);
        flow->addWidget(button);
        buttons << button;
    }
    EXPECT_EQ(flow->minimumSize().width(), 30) << "as narrow as one item";
    EXPECT_EQ(flow->sizeHint(), QSize(5 * 30 + 4 * 2, 20));
    EXPECT_EQ(flow->heightForWidth(158), 20);
    EXPECT_EQ(flow->heightForWidth(157), 42);
    EXPECT_EQ(flow->heightForWidth(100), 42);
    EXPECT_EQ(flow->heightForWidth(62), 20 * 3 + 2 * 2);
    EXPECT_EQ(flow->heightForWidth(61), 20 * 5 + 4 * 2);
    flow->setGeometry(QRect(0, 0, 100, 42));
    EXPECT_EQ(buttons[2]->geometry(), QRect(64, 0, 30, 20));
    EXPECT_EQ(buttons[3]->geometry(), QRect(0, 22, 30, 20));
    // A hidden item takes no room.
    buttons[0]->hide();
    EXPECT_EQ(flow->heightForWidth(128), 20);
}

} // namespace
