#include "app/sprites/FrameItemDelegate.h"
#include "app/sprites/SpriteActions.h"

#include "app/support/DocumentFixture.h"

#include <QAbstractButton>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>

using namespace app_test;

namespace {

// Editing placed sprites with the mouse and the keyboard, as the user does it in the Sprites dock.
class SpriteEditingTest : public ApplicationTest
{
protected:
    void SetUp() override
    {
        ApplicationTest::SetUp();
        QSettings().remove(SpriteActions::zoomKey);
        QSettings().remove(SpriteActions::snapKey);
        document = openNew();
        window = document->window();
        window->resize(1920, 1080);
        actions = SpriteActions::of(window);
        ASSERT_NE(actions, nullptr);
        settings = controllerOf(document).editorViewControllerSettings();
        editor = actions->editor();
    }
    QUndoStack &stack() { return controllerOf(document).undoStack(); }
    const Metasprite &shown() { return settings->metasprites()[size_t(actions->currentMetasprite())]; }
    // Three sprites in a row at the origin, and one far below them.
    void addSprites()
    {
        MetaspriteSprite flipped { 8, 0, 2, 5 };
        flipped.flipHorizontally = true;
        flipped.behindBackground = true;
        actions->addMetasprite({ "row", { { 0, 0, 1, 4 }, flipped, { 16, 0, 3, 6 }, { 0, 40, 4, 7 } } });
        settle();
    }
    // The middle of a frame pixel at an offset from the origin, in the editor's coordinates.
    QPointF at(int x, int y) const
    {
        return editor->widgetPoint(editor->originX() + x, editor->originY() + y) + QPointF(1, 1);
    }
    void send(QEvent::Type type, QPointF point, Qt::MouseButton button, Qt::MouseButtons held,
        Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QMouseEvent event(type, point, editor->mapToGlobal(point), button, held, modifiers);
        QApplication::sendEvent(editor, &event);
    }
    void hover(QPointF point) { send(QEvent::MouseMove, point, Qt::NoButton, Qt::NoButton); }
    void press(QPointF point, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        send(QEvent::MouseButtonPress, point, Qt::LeftButton, Qt::LeftButton, modifiers);
    }
    void moveHeld(QPointF point) { send(QEvent::MouseMove, point, Qt::NoButton, Qt::LeftButton); }
    void release(QPointF point) { send(QEvent::MouseButtonRelease, point, Qt::LeftButton, Qt::NoButton); }
    QString statusText() const { return window->statusBar()->currentMessage(); }

    MosavoDocument *document = nullptr;
    MainMosavoWindow *window = nullptr;
    SpriteActions *actions = nullptr;
    SettingsPtr settings;
    MetaspriteEditor *editor = nullptr;
};

TEST_F(SpriteEditingTest, StatusBarNamesTheSpriteUnderThePointerTheSelectionAndTheDrag)
{
    addSprites();
    hover(at(9, 3));
    EXPECT_EQ(statusText(),
        "Sprite 1: X 8, Y 0 (OAM X 136, Y 120 at 128, 120), tile $02, sub-palette 5, flipped H, behind the "
        "background");
    hover(at(0, 41));
    EXPECT_EQ(statusText(),
        "Sprite 3: X 0, Y 40 (OAM X 128, Y 160 at 128, 120), tile $04, sub-palette 7, not flipped, in front of the "
        "background");
    // Off every sprite, nothing is named.
    hover(at(-30, -30));
    EXPECT_EQ(statusText(), "");

    // The OAM position follows the placement Check Limits checks.
    QDialog *limits = actions->checkLimits();
    ASSERT_TRUE(limits);
    auto *table = limits->findChild<QTableWidget *>(QStringLiteral("placements"));
    ASSERT_TRUE(table);
    qobject_cast<QSpinBox *>(table->cellWidget(0, 1))->setValue(20);
    qobject_cast<QSpinBox *>(table->cellWidget(0, 2))->setValue(30);
    hover(at(17, 1));
    EXPECT_TRUE(statusText().startsWith("Sprite 2: X 16, Y 0 (OAM X 36, Y 30 at 20, 30), tile $03, sub-palette 6"))
        << statusText().toStdString();
    limits->close();
    settle();
    EXPECT_EQ(actions->checkedPlacement(), QPoint(editor->originX(), editor->originY()));

    // A click selects; the status names the selection, also while the pointer rests on another sprite.
    press(at(1, 1));
    release(at(1, 1));
    EXPECT_EQ(editor->selection(), (std::vector<int> { 0 }));
    EXPECT_TRUE(statusText().startsWith("Selected: Sprite 0: X 0, Y 0")) << statusText().toStdString();
    hover(at(17, 1));
    EXPECT_TRUE(statusText().startsWith("Sprite 2: X 16")) << statusText().toStdString();
    EXPECT_TRUE(statusText().contains("| Selected: Sprite 0: X 0, Y 0")) << statusText().toStdString();

    // While dragging, the offset as it changes.
    press(at(1, 1));
    moveHeld(at(4, -2));
    EXPECT_EQ(statusText(), "Moving 1 sprite by X +3, Y -3: sprite 0 to X 3, Y -3");
    moveHeld(at(-1, 6));
    EXPECT_EQ(statusText(), "Moving 1 sprite by X -2, Y +5: sprite 0 to X -2, Y 5");
    release(at(-1, 6));
    EXPECT_EQ((std::pair { shown().sprites[0].x, shown().sprites[0].y }), (std::pair { -2, 5 }));
    // A drag to the x offset -128, which a metasprite table would read as its end, is refused; -127 is taken.
    const int steps = stack().index();
    press(at(-1, 6));
    moveHeld(at(-127, 6));
    release(at(-127, 6));
    EXPECT_EQ(shown().sprites[0].x, -2);
    EXPECT_EQ(statusText(), "Sprites stay within -127 to 127 pixels of the origin across and -128 to 127 down");
    EXPECT_EQ(stack().index(), steps);
    press(at(-1, 6));
    moveHeld(at(-126, 6));
    release(at(-126, 6));
    EXPECT_EQ(shown().sprites[0].x, -127);
}

TEST_F(SpriteEditingTest, RubberBandCtrlAAndAClickInAGroupSelect)
{
    addSprites();
    actions->dock()->show();
    settle();
    // From empty space above the row across the first two sprites.
    press(at(2, -10));
    moveHeld(at(5, -4));
    EXPECT_TRUE(editor->selection().empty()) << "nothing inside yet";
    moveHeld(at(10, 2));
    EXPECT_EQ(editor->selection(), (std::vector<int> { 0, 1 }));
    EXPECT_FALSE(editor->rubberBand().isEmpty());
    release(at(10, 2));
    EXPECT_TRUE(editor->rubberBand().isEmpty());
    EXPECT_EQ(editor->selection(), (std::vector<int> { 0, 1 }));
    EXPECT_EQ(statusText(), "Selected: 2 sprites (0, 1), top left X 0, Y 0");
    // Shift adds the sprites of another band.
    press(at(-4, 30), Qt::ShiftModifier);
    moveHeld(at(4, 50));
    release(at(4, 50));
    EXPECT_EQ(editor->selection(), (std::vector<int> { 0, 1, 3 }));
    // A band without Shift starts afresh.
    press(at(30, -4));
    moveHeld(at(20, 4));
    release(at(20, 4));
    EXPECT_EQ(editor->selection(), (std::vector<int> { 2 }));
    EXPECT_EQ(stack().count(), 1) << "selecting changes nothing";

    // Ctrl+A selects every sprite of the metasprite.
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(editor->selection(), (std::vector<int> { 0, 1, 2, 3 }));

    // A click on one of them, released without a drag, selects it alone; a drag moves them all.
    press(at(9, 1));
    EXPECT_EQ(editor->selection().size(), 4u) << "still the group while the button is held";
    release(at(9, 1));
    EXPECT_EQ(editor->selection(), (std::vector<int> { 1 }));
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    press(at(9, 1));
    moveHeld(at(11, 1));
    release(at(11, 1));
    EXPECT_EQ(editor->selection().size(), 4u);
    EXPECT_EQ(shown().sprites[0].x, 2);
    EXPECT_EQ(shown().sprites[3].x, 2);
}

TEST_F(SpriteEditingTest, SpritePositionTakesTypedOffsetsInOneUndoStep)
{
    addSprites();
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    editor->setSelection({ 1, 2 });
    const int before = stack().index();
    trigger(document, "actionSpritePosition");
    auto *dialog = window->findChild<QDialog *>(QStringLiteral("spritePositionDialog"));
    ASSERT_TRUE(dialog);
    auto *x = dialog->findChild<QSpinBox *>(QStringLiteral("spritePositionX"));
    auto *y = dialog->findChild<QSpinBox *>(QStringLiteral("spritePositionY"));
    ASSERT_TRUE(x && y);
    EXPECT_EQ(x->value(), 8) << "the selection's top left";
    EXPECT_EQ(y->value(), 0);
    x->selectAll();
    QTest::keyClicks(x, QStringLiteral("-20"));
    y->selectAll();
    QTest::keyClicks(y, QStringLiteral("12"));
    dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    settle();
    EXPECT_EQ((std::pair { shown().sprites[1].x, shown().sprites[1].y }), (std::pair { -20, 12 }));
    EXPECT_EQ((std::pair { shown().sprites[2].x, shown().sprites[2].y }), (std::pair { -12, 12 }));
    EXPECT_EQ(shown().sprites[0].x, 0) << "unselected sprites stay";
    EXPECT_EQ(stack().index(), before + 1);
    stack().undo();
    EXPECT_EQ((std::pair { shown().sprites[2].x, shown().sprites[2].y }), (std::pair { 16, 0 }));

    // The x offset -128 cannot be typed: a metasprite table would read it as its end.
    trigger(document, "actionSpritePosition");
    dialog = window->findChild<QDialog *>(QStringLiteral("spritePositionDialog"));
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->findChild<QSpinBox *>(QStringLiteral("spritePositionX"))->minimum(), -127);
    EXPECT_EQ(dialog->findChild<QSpinBox *>(QStringLiteral("spritePositionY"))->minimum(), -128);
    dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->click();
    settle();

    // A place that would put a sprite beyond 127 pixels of the origin is refused, the sprites stay.
    editor->setSelection({ 0, 2 });
    EXPECT_FALSE(actions->setSelectedPosition(120, 0));
    EXPECT_EQ(statusText(), "Sprites stay within -127 to 127 pixels of the origin across and -128 to 127 down");
    EXPECT_EQ(stack().index(), before);
    // Without a selection there is nothing to place.
    editor->setSelection({});
    EXPECT_EQ(actions->spritePositionDialog(), nullptr);
}

TEST_F(SpriteEditingTest, NewFramesTakeTheDurationBeforeThemAndTheListShowsNamesAndDurations)
{
    actions->addMetasprite({ "metasprite", { { 0, 0, 1, 4 } } });
    actions->addMetasprite({ "metasprite_2", { { 0, 0, 2, 4 } } });
    actions->addMetasprite({ "metasprite_2_2", { { 0, 0, 3, 4 } } });
    auto *add = window->findChild<QAbstractButton *>(QStringLiteral("frameAdd"));
    ASSERT_TRUE(add);
    actions->setCurrentMetasprite(0);
    add->click();
    actions->setCurrentMetasprite(1);
    add->click();
    ASSERT_EQ(settings->animations().size(), 1u);
    EXPECT_EQ(settings->animations()[0].frames, (std::vector<AnimationFrame> { { 0, 8 }, { 1, 8 } }));
    actions->setFrameDuration(1, 5);
    actions->setCurrentMetasprite(2);
    add->click();
    EXPECT_EQ(settings->animations()[0].frames.back(), (AnimationFrame { 2, 5 }));

    // Each row has the whole name (shortened in its middle when the list is narrow) and the duration.
    QListWidget *frames = actions->frameList();
    ASSERT_EQ(frames->count(), 3);
    QStringList names;
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(frames->item(row)->toolTip(), frames->item(row)->text());
        EXPECT_EQ(frames->item(row)->data(FrameItemDelegate::durationRole).toInt(), row == 0 ? 8 : 5);
        const QFontMetrics metrics(frames->font());
        const QString duration = FrameItemDelegate::durationText(row == 0 ? 8 : 5);
        const QString shownName = FrameItemDelegate::shownName(frames->item(row)->text(), duration, metrics, 90);
        EXPECT_LE(metrics.horizontalAdvance(shownName) + metrics.horizontalAdvance(duration), 90);
        names << shownName;
    }
    EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), 3) << names.join(" / ").toStdString();
    EXPECT_TRUE(names[2].endsWith("2_2")) << names[2].toStdString();
    // The metasprite list shortens its names in the middle too, the whole name in the tooltip.
    EXPECT_EQ(actions->metaspriteList()->textElideMode(), Qt::ElideMiddle);
    EXPECT_EQ(actions->metaspriteList()->item(2)->toolTip(), "metasprite_2_2: 1 sprite");
    // The duration is drawn in the row: the painted list differs where the text of the durations differs.
    actions->dock()->show();
    settle();
    frames->setCurrentRow(-1);
    const QRect first = frames->visualItemRect(frames->item(0));
    const QRect second = frames->visualItemRect(frames->item(1));
    const QImage picture = frames->viewport()->grab().toImage();
    auto rightEnd = [&](const QRect &row) { return picture.copy(row.adjusted(row.width() - 40, 0, 0, 0)); };
    EXPECT_NE(rightEnd(first), rightEnd(second)) << "8 f and 5 f";
}

// A line of more than eight sprites gets a red band with its count, drawn in the part of the view that is seen even
// when the view is wider than the dock.
TEST_F(SpriteEditingTest, OverflowCountIsDrawnWhereTheBandIsSeen)
{
    window->resize(1024, 600);
    settle();
    Metasprite wide { "wide", {} };
    for (int i = 0; i < 10; ++i)
        wide.sprites.push_back({ -40 + 8 * i, 0, uint8_t(i), 4 });
    actions->addMetasprite(wide);
    settle();
    ASSERT_FALSE(editor->overflows().empty());
    auto *scroll = window->findChild<QScrollArea *>(QStringLiteral("metaspriteScroll"));
    ASSERT_TRUE(scroll);
    ASSERT_GT(editor->width(), scroll->viewport()->width()) << "the frame is wider than its view";
    const int bandRow = editor->overflows().front().row;
    const QColor red(230, 30, 30);
    auto redInView = [&] {
        const QImage view = scroll->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const int y = editor->mapTo(scroll->viewport(), QPoint(0, bandRow * editor->zoom() + 1)).y();
        if (y < 0 || y >= view.height())
            return -1;
        int count = 0;
        for (int x = 0; x < view.width(); ++x)
            count += view.pixelColor(x, y) == red;
        return count;
    };
    EXPECT_GT(redInView(), 4) << "the count's label in view";
    // Scrolled to either side, the label follows.
    scroll->horizontalScrollBar()->setValue(0);
    settle();
    EXPECT_GT(redInView(), 4) << "at the left";
    scroll->horizontalScrollBar()->setValue(scroll->horizontalScrollBar()->maximum());
    settle();
    EXPECT_GT(redInView(), 4) << "at the right";
}

} // namespace
