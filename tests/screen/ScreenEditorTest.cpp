#include "screen/ScreenEditor.h"

#include "common/QtTestEnvironment.h"
#include "palette/DisplayColors.h"

#include <QTest>

#include <gtest/gtest.h>

#include <vector>

using namespace mosavo;

namespace {

// Records the gestures the view reports.
struct RecordingDelegate : ScreenEditorDelegate
{
    struct Call
    {
        char kind; // 'b' began, 'm' moved, 'e' ended
        ScreenTool tool;
        int column;
        int row;
        CellRect cells;
    };
    std::vector<Call> calls;
    void screenGestureBegan(ScreenEditor *, ScreenTool tool, int column, int row) override
    {
        calls.push_back({ 'b', tool, column, row, {} });
    }
    void screenGestureMoved(ScreenEditor *, ScreenTool tool, int column, int row) override
    {
        calls.push_back({ 'm', tool, column, row, {} });
    }
    void screenGestureEnded(ScreenEditor *, ScreenTool tool, const CellRect &cells) override
    {
        calls.push_back({ 'e', tool, -1, -1, cells });
    }
};

// Tile 1 solid colour index 1, tile 2 solid index 2; everything else blank (index 0).
PatternTables twoSolidTiles()
{
    PatternTables patterns;
    for (int i = 0; i < 64; ++i) {
        patterns.pixels[size_t(64 + i)] = 1;
        patterns.pixels[size_t(128 + i)] = 2;
    }
    return patterns;
}

PaletteBytes knownPalette()
{
    PaletteBytes palette {};
    // Sub-palette 0: $0F backdrop, $16, $2A, $30; sub-palette 1 slot 0 (never shown) $20, then $11 $12 $13.
    const uint8_t bytes[8] = { 0x0F, 0x16, 0x2A, 0x30, 0x20, 0x11, 0x12, 0x13 };
    std::copy(std::begin(bytes), std::end(bytes), palette.begin());
    return palette;
}

QRgb shown(int colorNumber)
{
    return 0xFF000000u | currentDisplayColors().rgb24(colorNumber);
}

class ScreenEditorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetCurrentDisplayColors();
        editor.setPatternTables(twoSolidTiles());
        editor.setPalette(knownPalette());
        editor.setScale(2);
        editor.setDelegate(&delegate);
        editor.show();
    }

    // The application first: the editor is a widget.
    QApplication &application = qt_test::testApplication();
    ScreenEditor editor;
    RecordingDelegate delegate;
};

} // namespace

TEST_F(ScreenEditorTest, ShowsTheScreenWithTheUniversalBackgroundColour)
{
    Screen screen;
    screen.setTile(0, 0, 1);
    screen.setTile(2, 0, 2);
    screen.setSubPalette(2, 0, 1);
    // Cell (4, 0) is blank in sub-palette 1: colour 0 shows $3F00, not sub-palette 1's own slot 0.
    screen.setSubPalette(4, 0, 1);
    editor.setScreen(screen);
    const QImage picture = editor.picture();
    ASSERT_EQ(picture.size(), QSize(256, 240));
    EXPECT_EQ(picture.pixel(3, 3), shown(0x16));
    EXPECT_EQ(picture.pixel(8, 0), shown(0x0F));
    EXPECT_EQ(picture.pixel(16 + 7, 7), shown(0x12));
    EXPECT_EQ(picture.pixel(32 + 1, 1), shown(0x0F));
    EXPECT_NE(picture.pixel(32 + 1, 1), shown(0x20));
}

TEST_F(ScreenEditorTest, RecomposesOnlyTheCellsThatChange)
{
    Screen screen;
    for (int c = 0; c < 10; ++c)
        screen.setTile(c, 3, 1);
    editor.setScreen(screen);
    editor.resetComposedCount();

    // A tile's new pixels: only the ten cells showing tile 1.
    PatternTables patterns = twoSolidTiles();
    patterns.pixels[64] = 3;
    editor.updateTiles(patterns, { 1 });
    EXPECT_EQ(editor.composedCells(), 10);
    EXPECT_EQ(editor.picture().pixel(0, 24), shown(0x30));
    // Tiles of the other pattern table do not touch this screen.
    editor.resetComposedCount();
    editor.updateTiles(patterns, { 257 });
    EXPECT_EQ(editor.composedCells(), 0);

    // A new state of the screen: only the cells that differ.
    editor.resetComposedCount();
    Screen next = screen;
    next.setTile(31, 29, 2);
    next.setSubPalette(0, 0, 3);
    editor.updateScreen(next);
    // The stamped cell and the 2 x 2 area of the new sub-palette.
    EXPECT_EQ(editor.composedCells(), 5);
    EXPECT_EQ(editor.picture().pixel(255, 239), shown(0x2A));
}

TEST_F(ScreenEditorTest, MouseGesturesReportCellsAtEveryScale)
{
    for (int scale : { 1, 3 }) {
        delegate.calls.clear();
        editor.setScale(scale);
        const int pitch = 8 * scale;
        editor.setTool(ScreenTool::stamp);
        QTest::mousePress(&editor, Qt::LeftButton, {}, QPoint(5 * pitch + 1, 2 * pitch + 1));
        QTest::mouseMove(&editor, QPoint(5 * pitch + 3, 2 * pitch + 2)); // same cell: nothing new
        QTest::mouseMove(&editor, QPoint(7 * pitch + 1, 4 * pitch + 1));
        QTest::mouseRelease(&editor, Qt::LeftButton, {}, QPoint(7 * pitch + 1, 4 * pitch + 1));
        // A jump of two cells is a stroke through the cell between.
        ASSERT_EQ(delegate.calls.size(), 4u) << "scale " << scale;
        EXPECT_EQ(delegate.calls[0].kind, 'b');
        EXPECT_EQ(delegate.calls[0].column, 5);
        EXPECT_EQ(delegate.calls[0].row, 2);
        EXPECT_EQ(delegate.calls[1].kind, 'm');
        EXPECT_EQ(delegate.calls[1].column, 6);
        EXPECT_EQ(delegate.calls[1].row, 3);
        EXPECT_EQ(delegate.calls[2].kind, 'm');
        EXPECT_EQ(delegate.calls[2].column, 7);
        EXPECT_EQ(delegate.calls[2].row, 4);
        EXPECT_EQ(delegate.calls[3].kind, 'e');
        EXPECT_EQ(delegate.calls[3].cells, (CellRect { 5, 2, 3, 3 }));
    }

    // A fast attribute stroke across a row reaches every cell on its way; a rectangle tool hears only where it is.
    for (ScreenTool tool : { ScreenTool::attribute, ScreenTool::fill }) {
        delegate.calls.clear();
        editor.setTool(tool);
        const int pitch = 8 * editor.scale();
        QTest::mousePress(&editor, Qt::LeftButton, {}, QPoint(1, 10 * pitch + 1));
        QTest::mouseMove(&editor, QPoint(9 * pitch + 1, 11 * pitch + 1));
        QTest::mouseRelease(&editor, Qt::LeftButton, {}, QPoint(9 * pitch + 1, 11 * pitch + 1));
        std::vector<std::pair<int, int>> moved;
        for (const auto &call : delegate.calls)
            if (call.kind == 'm')
                moved.emplace_back(call.column, call.row);
        if (tool == ScreenTool::fill) {
            EXPECT_EQ(moved, (std::vector<std::pair<int, int>> { { 9, 11 } }));
            continue;
        }
        ASSERT_EQ(moved.size(), 9u);
        for (size_t i = 0; i < moved.size(); ++i)
            EXPECT_EQ(moved[i].first, int(i) + 1);
        EXPECT_EQ(moved.back(), (std::pair<int, int> { 9, 11 }));
    }
}

TEST_F(ScreenEditorTest, SelectDragsOutARectangleAndRightButtonPicks)
{
    editor.setTool(ScreenTool::select);
    QTest::mousePress(&editor, Qt::LeftButton, {}, QPoint(10 * 16 + 2, 8 * 16 + 2));
    QTest::mouseMove(&editor, QPoint(6 * 16 + 2, 9 * 16 + 2));
    QTest::mouseRelease(&editor, Qt::LeftButton, {}, QPoint(6 * 16 + 2, 9 * 16 + 2));
    EXPECT_EQ(editor.selection(), (CellRect { 6, 8, 5, 2 }));

    delegate.calls.clear();
    QTest::mouseClick(&editor, Qt::RightButton, {}, QPoint(3 * 16 + 1, 1 * 16 + 1));
    ASSERT_EQ(delegate.calls.size(), 1u);
    EXPECT_EQ(delegate.calls[0].tool, ScreenTool::pick);
    EXPECT_EQ(delegate.calls[0].column, 3);
    EXPECT_EQ(delegate.calls[0].row, 1);
}

TEST_F(ScreenEditorTest, DescribesTheCellUnderThePointer)
{
    Screen screen;
    screen.patternTable = 1;
    screen.setTile(13, 22, 0xAB);
    screen.setSubPalette(13, 22, 2);
    EXPECT_EQ(ScreenEditor::describeCell(screen, 13, 22),
        QStringLiteral("Tile $AB (171) of pattern table 1 | cell 13, 22 | attribute area 6, 11 (sub-palette 2) | "
                       "attribute byte 43 ($23EB)"));
    EXPECT_TRUE(ScreenEditor::describeCell(screen, 32, 0).isEmpty());
}

TEST_F(ScreenEditorTest, FollowsTheDisplayColours)
{
    Screen screen;
    screen.setTile(0, 0, 1);
    editor.setScreen(screen);
    Bytes file(DisplayColors::plainFileSize, 0);
    file[0x16 * 3] = 1;
    file[0x16 * 3 + 1] = 2;
    file[0x16 * 3 + 2] = 3;
    setCurrentDisplayColors(*DisplayColors::fromFile(file).colors);
    editor.refreshColors();
    EXPECT_EQ(editor.picture().pixel(0, 0), qRgb(1, 2, 3));
    resetCurrentDisplayColors();
}
