#include "sprite/AnimationPreview.h"
#include "sprite/MetaspriteEditor.h"

#include "palette/DisplayColors.h"

#include "common/QtTestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

using namespace mosavo;

namespace {

struct RecordingDelegate : MetaspriteEditorDelegate
{
    std::vector<std::tuple<std::vector<int>, int, int>> moves;
    std::vector<std::vector<int>> deletes;
    void moveSprites(MetaspriteEditor *, const std::vector<int> &sprites, int dx, int dy) override
    {
        moves.emplace_back(sprites, dx, dy);
    }
    void deleteSprites(MetaspriteEditor *, const std::vector<int> &sprites) override { deletes.push_back(sprites); }
    void flipSprites(MetaspriteEditor *, const std::vector<int> &, bool) override {}
};

void send(QWidget *widget, QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held,
          Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QMouseEvent event(type, at, widget->mapToGlobal(at), button, held, modifiers);
    QApplication::sendEvent(widget, &event);
}

class MetaspriteEditorTest : public ::testing::Test
{
protected:
    MetaspriteEditorTest()
        : owned((qt_test::testApplication(), std::make_unique<MetaspriteEditor>()))
    {
    }
    void SetUp() override
    {
        // Tile 1 of pattern table 0 opaque in colour 1; sprites read table 0.
        for (int i = 0; i < 64; ++i)
            patterns.pixels[size_t(64 + i)] = 1;
        editor.setPatternTables(patterns);
        editor.setSpriteSettings({ false, 0 });
        palette[16 + 1] = 0x16;
        editor.setPalette(palette);
        editor.setDelegate(&delegate);
        editor.setZoom(4);
    }
    static Metasprite row(int count)
    {
        Metasprite metasprite { "row", {} };
        for (int i = 0; i < count; ++i)
            metasprite.sprites.push_back({ i * 8 - 40, 0, 1, 4 });
        return metasprite;
    }
    PatternTables patterns;
    PaletteBytes palette {};
    RecordingDelegate delegate;
    std::unique_ptr<MetaspriteEditor> owned;
    MetaspriteEditor &editor = *owned;
};

TEST_F(MetaspriteEditorTest, DrawsSpritesThroughTheRendererAtTheOrigin)
{
    editor.setMetasprite({ "one", { { 0, 0, 1, 4 } } });
    // Origin 128, 120: the sprite covers 128-135 x 120-127 in colour $16, the rest is checkerboard.
    const QImage &image = editor.frameImage();
    EXPECT_EQ(image.pixel(128, 120), image.pixel(135, 127));
    EXPECT_NE(image.pixel(128, 120), image.pixel(127, 120));
    EXPECT_NE(image.pixel(128, 120), image.pixel(128, 128));
    EXPECT_EQ(editor.sizeHint(), QSize(256 * 4, 240 * 4));
}

TEST_F(MetaspriteEditorTest, OverflowOverlayMarksOnlyRowsWithMoreThanEightSprites)
{
    editor.setMetasprite(row(8));
    EXPECT_TRUE(editor.overflows().empty());
    Metasprite nine = row(9);
    nine.sprites.push_back({ 0, 20, 1, 4 }); // alone on rows 140-147
    editor.setMetasprite(nine);
    ASSERT_EQ(editor.overflows().size(), 8u);
    EXPECT_EQ(editor.overflows().front().row, 120);
    EXPECT_EQ(editor.overflows().back().row, 127);
    EXPECT_EQ(editor.overflows().front().sprites.size(), 9u);
    EXPECT_EQ(editor.overflows().front().dropped, std::vector<int> { 8 });
    // The ninth sprite is not drawn on those rows.
    const QImage &image = editor.frameImage();
    EXPECT_NE(image.pixel(128 + 24, 120), image.pixel(128, 120));
    EXPECT_EQ(image.pixel(128, 140), image.pixel(128, 120));
}

TEST_F(MetaspriteEditorTest, PaintsTheOverflowBandsTheBoxAndTheOriginOverThePicture)
{
    Metasprite nine = row(9); // frame columns 88-159, rows 120-127
    nine.sprites.push_back({ 0, 20, 1, 4 }); // alone on rows 140-147
    editor.setMetasprite(nine);
    const int zoom = editor.zoom();
    const QImage drawn = editor.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(drawn.size(), editor.sizeHint());
    const QImage &frame = editor.frameImage();
    // The middle of frame pixel (x, y) as painted, and as the picture has it.
    auto painted = [&](int x, int y) { return drawn.pixel(x * zoom + zoom / 2, y * zoom + zoom / 2); };

    // Overflowing rows are tinted red across the view; a row of one sprite, and an empty row, are not.
    for (int y : { 121, 126 }) {
        const QRgb tinted = painted(10, y);
        EXPECT_NE(tinted, frame.pixel(10, y)) << "row " << y;
        EXPECT_GT(qRed(tinted) - qGreen(tinted), 30) << "row " << y;
    }
    for (int y : { 100, 143 })
        EXPECT_EQ(painted(10, y), frame.pixel(10, y)) << "row " << y;
    EXPECT_EQ(painted(130, 143), frame.pixel(130, 143)) << "the lone sprite is drawn untinted";
    // The count's label at the right of the band, in solid red.
    EXPECT_EQ(drawn.pixel(drawn.width() - 8 * zoom - 3, 120 * zoom + 1), qRgb(230, 30, 30));

    // The bounding box: its dashed edge runs around the sprites, nowhere else.
    QRect edge;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            if (drawn.pixel(x, y) == qRgb(40, 200, 255))
                edge |= QRect(x, y, 1, 1);
    ASSERT_FALSE(edge.isNull());
    EXPECT_NEAR(edge.left(), 88 * zoom, 1);
    EXPECT_NEAR(edge.top(), 120 * zoom, 1);
    EXPECT_NEAR(edge.right(), 160 * zoom, 1);
    EXPECT_NEAR(edge.bottom(), 148 * zoom, 1);

    // The origin's cross: magenta three pixels out each way from (128, 120), nothing beyond.
    const QRgb magenta = qRgb(255, 0, 255);
    EXPECT_EQ(drawn.pixel(128 * zoom + 2 * zoom, 120 * zoom), magenta);
    EXPECT_EQ(drawn.pixel(128 * zoom - 2 * zoom, 120 * zoom), magenta);
    EXPECT_EQ(drawn.pixel(128 * zoom, 120 * zoom - 2 * zoom), magenta);
    EXPECT_NE(drawn.pixel(128 * zoom + 4 * zoom, 120 * zoom), magenta);
}

TEST_F(MetaspriteEditorTest, OverAScreenABehindSpriteShowsOnlyOnColourZero)
{
    // The screen: tile 1 (opaque, colour 1) in its top-left cell, blank tile 0 elsewhere.
    palette[0] = 0x0F;
    palette[1] = 0x2A;
    editor.setPalette(palette);
    Screen screen;
    screen.setTile(0, 0, 1);
    editor.setBackground(screen);
    // A sprite behind the background across frame columns 4-11 of rows 0-7: half over the opaque cell.
    editor.setOrigin(4, 0);
    MetaspriteSprite behind { 0, 0, 1, 4 };
    behind.behindBackground = true;
    editor.setMetasprite({ "behind", { behind } });
    const int zoom = editor.zoom();
    const QImage drawn = editor.grab().toImage().convertToFormat(QImage::Format_RGB32);
    auto painted = [&](int x, int y) { return drawn.pixel(x * zoom + zoom / 2, y * zoom + zoom / 2); };
    const DisplayColors &display = currentDisplayColors();
    const QRgb screenColour = 0xFF000000u | display.rgb24(0x2A);
    const QRgb backdrop = 0xFF000000u | display.rgb24(0x0F);
    const QRgb spriteColour = 0xFF000000u | display.rgb24(0x16);
    EXPECT_EQ(painted(2, 5), screenColour) << "the screen's pixel shows";
    EXPECT_EQ(painted(20, 5), backdrop) << "colour 0 of the screen: the universal background";
    EXPECT_EQ(painted(6, 5), screenColour) << "the behind sprite is hidden by the opaque pixel";
    EXPECT_EQ(painted(10, 5), spriteColour) << "and shows over colour 0";
}

TEST_F(MetaspriteEditorTest, DragMovesTheSelectionWithRealMouseEvents)
{
    editor.setMetasprite({ "two", { { 0, 0, 1, 4 }, { 8, 0, 1, 4 } } });
    const QPointF start = editor.widgetPoint(130, 122);
    send(&editor, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(editor.selection(), std::vector<int> { 0 });
    send(&editor, QEvent::MouseMove, editor.widgetPoint(131, 122), Qt::NoButton, Qt::LeftButton);
    send(&editor, QEvent::MouseMove, editor.widgetPoint(133, 125), Qt::NoButton, Qt::LeftButton);
    send(&editor, QEvent::MouseButtonRelease, editor.widgetPoint(133, 125), Qt::LeftButton, Qt::NoButton);
    ASSERT_EQ(delegate.moves.size(), 1u);
    EXPECT_EQ(delegate.moves[0], std::make_tuple(std::vector<int> { 0 }, 3, 3));
}

TEST_F(MetaspriteEditorTest, DragSnapsTheGrabbedSpriteToEightPixels)
{
    editor.setMetasprite({ "two", { { 1, 0, 1, 4 }, { 9, 0, 1, 4 } } });
    editor.setSnap(8);
    // Shift-click adds the second sprite; dragging the first 6 pixels right lands it on 8.
    send(&editor, QEvent::MouseButtonPress, editor.widgetPoint(130, 121), Qt::LeftButton, Qt::LeftButton);
    send(&editor, QEvent::MouseButtonRelease, editor.widgetPoint(130, 121), Qt::LeftButton, Qt::NoButton);
    send(&editor, QEvent::MouseButtonPress, editor.widgetPoint(138, 121), Qt::LeftButton, Qt::LeftButton,
         Qt::ShiftModifier);
    send(&editor, QEvent::MouseButtonRelease, editor.widgetPoint(138, 121), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(editor.selection(), (std::vector<int> { 0, 1 }));
    EXPECT_TRUE(delegate.moves.empty());
    send(&editor, QEvent::MouseButtonPress, editor.widgetPoint(130, 121), Qt::LeftButton, Qt::LeftButton);
    send(&editor, QEvent::MouseMove, editor.widgetPoint(136, 122), Qt::NoButton, Qt::LeftButton);
    send(&editor, QEvent::MouseButtonRelease, editor.widgetPoint(136, 122), Qt::LeftButton, Qt::NoButton);
    ASSERT_EQ(delegate.moves.size(), 1u);
    EXPECT_EQ(delegate.moves[0], std::make_tuple(std::vector<int> { 0, 1 }, 7, 0)); // x 1 -> 8, y stays on 0
}

TEST_F(MetaspriteEditorTest, ArrowKeysAndDeleteGoToTheDelegate)
{
    editor.setMetasprite({ "two", { { 0, 0, 1, 4 }, { 8, 0, 1, 4 } } });
    editor.setSelection({ 1 });
    QTest::keyClick(&editor, Qt::Key_Left);
    QTest::keyClick(&editor, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&editor, Qt::Key_Delete);
    ASSERT_EQ(delegate.moves.size(), 2u);
    EXPECT_EQ(delegate.moves[0], std::make_tuple(std::vector<int> { 1 }, -1, 0));
    EXPECT_EQ(delegate.moves[1], std::make_tuple(std::vector<int> { 1 }, 0, 8));
    EXPECT_EQ(delegate.deletes, std::vector<std::vector<int>> { { 1 } });
}

TEST_F(MetaspriteEditorTest, ClickOnNothingClearsTheSelection)
{
    editor.setMetasprite(row(2));
    editor.setSelection({ 0, 1 });
    send(&editor, QEvent::MouseButtonPress, editor.widgetPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
    send(&editor, QEvent::MouseButtonRelease, editor.widgetPoint(10, 10), Qt::LeftButton, Qt::NoButton);
    EXPECT_TRUE(editor.selection().empty());
    EXPECT_TRUE(delegate.moves.empty());
}

TEST(AnimationPreviewTest, TicksThroughFramesByTheirDurationsAndLoops)
{
    qt_test::testApplication();
    AnimationPreview preview;
    preview.setFrames({ { QImage(8, 8, QImage::Format_RGB32), 3 }, { QImage(8, 8, QImage::Format_RGB32), 1 } });
    EXPECT_EQ(preview.currentFrame(), 0);
    preview.tick();
    preview.tick();
    EXPECT_EQ(preview.currentFrame(), 0);
    preview.tick();
    EXPECT_EQ(preview.currentFrame(), 1);
    preview.tick();
    EXPECT_EQ(preview.currentFrame(), 0);
    preview.step();
    EXPECT_EQ(preview.currentFrame(), 1);
    preview.step();
    EXPECT_EQ(preview.currentFrame(), 0);
    preview.play();
    EXPECT_TRUE(preview.isPlaying());
    preview.pause();
    EXPECT_FALSE(preview.isPlaying());
}

TEST(AnimationPreviewTest, AFrameWiderThanThePreviewIsShownWhole)
{
    qt_test::testApplication();
    AnimationPreview preview;
    preview.resize(64, 64);
    // A metasprite spread over 256 pixels: its right quarter blue.
    QImage wide(256, 32, QImage::Format_RGB32);
    wide.fill(Qt::red);
    for (int y = 0; y < wide.height(); ++y)
        for (int x = 192; x < wide.width(); ++x)
            wide.setPixel(x, y, qRgb(0, 0, 255));
    preview.setFrames({ { wide, 1 } });
    const QImage shown = preview.grab().toImage();
    EXPECT_EQ(shown.pixel(60, 32), qRgb(0, 0, 255)) << "the right end is in view";
    EXPECT_EQ(shown.pixel(4, 32), qRgb(255, 0, 0)) << "and the left end";
}

TEST(AnimationPreviewTest, PlaysSixtyFramesASecondByTheClockAndKeepsItsPlaceWhenTheFramesChange)
{
    qt_test::testApplication();
    AnimationPreview preview;
    qint64 now = 5000;
    preview.setClock([&now] { return now; });
    const std::vector<AnimationPreview::Frame> frames
        = { { QImage(8, 8, QImage::Format_RGB32), 30 }, { QImage(8, 8, QImage::Format_RGB32), 30 } };
    preview.setFrames(frames);
    preview.play();
    // Frame 30 of 1/60 s begins at 500 ms, frame 60 at 1000 ms.
    const std::pair<qint64, int> shownAt[] = { { 499, 0 }, { 500, 1 }, { 999, 1 }, { 1000, 0 }, { 60500, 1 } };
    for (const auto &[played, frame] : shownAt) {
        now = 5000 + played;
        preview.catchUp();
        EXPECT_EQ(preview.currentFrame(), frame) << played << " ms";
    }

    // The same animation again (a document change): the place and the playing stay.
    now += 250;
    preview.setFrames(frames);
    EXPECT_EQ(preview.currentFrame(), 1);
    EXPECT_EQ(preview.elapsed(), 15);
    EXPECT_TRUE(preview.isPlaying());
    preview.pause();
    now += 1000;
    preview.setFrames(frames);
    EXPECT_FALSE(preview.isPlaying());
    EXPECT_EQ(preview.currentFrame(), 1);
    EXPECT_EQ(preview.elapsed(), 15);
    // The picture shown gone: the first.
    preview.setFrames({ frames.front() });
    EXPECT_EQ(preview.currentFrame(), 0);
}

} // namespace

namespace {

// Selecting never asks the delegate for anything; only moves do, and a drag tells its offset as it goes.
TEST_F(MetaspriteEditorTest, RubberBandGroupClickAndDragOffsetsThroughRealMouseEvents)
{
    editor.setMetasprite(row(4)); // x -40, -32, -24, -16 from the origin
    auto pixel = [this](int x, int y) { return QPointF((128 + x) * 4 + 2, (120 + y) * 4 + 2); };
    std::vector<QPoint> offsets;
    QObject::connect(&editor, &MetaspriteEditor::dragMoved, [&](int dx, int dy) { offsets.emplace_back(dx, dy); });
    std::vector<int> hovered;
    QObject::connect(&editor, &MetaspriteEditor::spriteHovered, [&](int sprite) { hovered.push_back(sprite); });

    send(&editor, QEvent::MouseMove, pixel(-39, 1), Qt::NoButton, Qt::NoButton);
    send(&editor, QEvent::MouseMove, pixel(-38, 2), Qt::NoButton, Qt::NoButton);
    send(&editor, QEvent::MouseMove, pixel(-30, 2), Qt::NoButton, Qt::NoButton);
    send(&editor, QEvent::MouseMove, pixel(0, 30), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(hovered, (std::vector<int> { 0, 1, -1 })) << "once each time another sprite is under the pointer";

    // A band from below the row up across the middle two.
    send(&editor, QEvent::MouseButtonPress, pixel(-30, 20), Qt::LeftButton, Qt::LeftButton);
    send(&editor, QEvent::MouseMove, pixel(-20, 4), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(editor.rubberBand(), QRect(QPoint(128 - 30, 124), QPoint(128 - 20, 140)));
    send(&editor, QEvent::MouseButtonRelease, pixel(-20, 4), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(editor.selection(), (std::vector<int> { 1, 2 }));
    EXPECT_TRUE(editor.rubberBand().isEmpty());
    EXPECT_TRUE(delegate.moves.empty());

    // A click on one of the group selects it alone, and moves nothing.
    send(&editor, QEvent::MouseButtonPress, pixel(-23, 1), Qt::LeftButton, Qt::LeftButton);
    send(&editor, QEvent::MouseButtonRelease, pixel(-23, 1), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(editor.selection(), (std::vector<int> { 2 }));
    EXPECT_TRUE(delegate.moves.empty());

    // Select all, then drag: the offsets as they change, and one move at the end.
    editor.selectAll();
    EXPECT_EQ(editor.selection(), (std::vector<int> { 0, 1, 2, 3 }));
    send(&editor, QEvent::MouseButtonPress, pixel(-23, 1), Qt::LeftButton, Qt::LeftButton);
    send(&editor, QEvent::MouseMove, pixel(-21, 1), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(editor.dragOffset(), QPoint(2, 0));
    send(&editor, QEvent::MouseMove, pixel(-21, 4), Qt::NoButton, Qt::LeftButton);
    send(&editor, QEvent::MouseButtonRelease, pixel(-21, 4), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(offsets, (std::vector<QPoint> { { 2, 0 }, { 2, 3 } }));
    ASSERT_EQ(delegate.moves.size(), 1u);
    EXPECT_EQ(delegate.moves[0], std::make_tuple(std::vector<int> { 0, 1, 2, 3 }, 2, 3));
    EXPECT_EQ(editor.dragOffset(), QPoint());
}

} // namespace
