#include "common/QtTestEnvironment.h"

#include "core/MatrixBuilder.h"
#include "core/NESTileDataCollection.h"
#include "core/PixelAlgorithms.h"
#include "editor/Mosavo.h"
#include "editor/MosavoArea.h"
#include "editor/MosavoError.h"
#include "palette/NESPalette.h"

#include <QDir>
#include <QImage>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <iostream>
#include <random>
#include <tuple>

using namespace mosavo;
using qt_test::MosavoLogCapture;
using qt_test::testApplication;

#include "editor/MosavoTestSupport.h"

using namespace mosavo_test;

namespace { } // namespace

TEST_F(MosavoTest, StartsEmptyAndChecksItsInputs)
{
    MosavoLogCapture log;
    Mosavo editor;
    EXPECT_EQ(editor.colorFromPalette(), 3);
    EXPECT_EQ(editor.toolType(), ToolType::pencil);
    EXPECT_EQ(editor.zoomSize(), ZoomSize::x4);
    EXPECT_EQ(editor.lineWidthForTiles(), 2.0);
    EXPECT_EQ(editor.lineWidthForPixels(), 0.01);
    EXPECT_EQ(editor.lineColorBetweenTiles(), QColor(Qt::black));
    EXPECT_EQ(editor.bitmapCanvasOriginal(), nullptr);
    EXPECT_EQ(editor.bitmapCanvasForDrawing(), nullptr);
    EXPECT_EQ(editor.pixelsPerTile(), 0);
    EXPECT_EQ(editor.dimensionForTiles(), 0);
    EXPECT_EQ(log.take(), QStringList { "Number of pixels not set for the tileData type for pixel editor" });

    EXPECT_EQ(editor.setColorFromPalette(1), MosavoError::paletteValueUnavailable);
    editor.setColorPalette(palette);
    EXPECT_EQ(editor.setColorFromPalette(4), MosavoError::paletteValueUnavailable);
    EXPECT_EQ(editor.colorFromPalette(), 3);
    EXPECT_FALSE(editor.setColorFromPalette(1));
    EXPECT_EQ(editor.colorFromPalette(), 1);

    // No tile numbers fails first, even with tile data.
    editor.setTileData(tileData);
    EXPECT_EQ(editor.update(), MosavoError::tileIDUnavailable);
    EXPECT_EQ(log.take(), QStringList { "ERROR: no tile data for editor" });
    editor.setTileData(nullptr);
    editor.setTileIDs({ 0 });
    EXPECT_EQ(editor.update(), MosavoError::tileDataNotConfiguredProperly);
    EXPECT_EQ(log.take(), QStringList { "Pixels per tile equals to 0" });
    EXPECT_EQ(editor.bitmapCanvasForDrawing(), nullptr);

    // Tile data without a palette is no error, but nothing is built.
    editor.setTileData(tileData);
    editor.setColorPalette(nullptr);
    EXPECT_FALSE(editor.update());
    EXPECT_EQ(log.take(), (QStringList { "ColorPalette: absent", "TileData: tile data of 6 tiles" }));
    EXPECT_EQ(editor.bitmapCanvasForDrawing(), nullptr);
    EXPECT_EQ(editor.pixelsPerTile(), 64);
    EXPECT_EQ(editor.dimensionForTiles(), 8);
}

TEST_F(MosavoTest, ComposesTheBlockRowByRowWithFillerAsSlotZero)
{
    struct Case
    {
        ZoomSize zoom;
        std::vector<int64_t> ids;
        std::vector<int64_t> expected; // per square of the block, row by row; -1 = all slot 0
    };
    const std::vector<Case> cases = {
        { ZoomSize::x1, { 4 }, { 4 } },
        { ZoomSize::x2, { 5, 4, 3, 2, 1 }, { 5, 4, 3, 2 } }, // the fifth number does not fit
        { ZoomSize::x4, { 0, 1, 2, 3, 4 }, { 0, 1, 2, 3, 4, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1 } },
        // Filler: negative numbers and numbers past the last tile (6) are never read from the tile list.
        { ZoomSize::x2, { -1, int64_t(1) << 40, 6, 5 }, { -1, -1, -1, 5 } },
    };
    for (const Case &c : cases) {
        auto editor = makeEditor(c.zoom, c.ids);
        ASSERT_NE(editor->bitmapCanvasForDrawing(), nullptr);
        const int64_t n = tilesPerSide(c.zoom);
        const Matrix &picture = block(*editor);
        ASSERT_EQ(picture.rows(), 8 * n);
        ASSERT_EQ(picture.columns(), 8 * n);
        EXPECT_EQ(editor->bitmapCanvasOriginal()->matrix(), editor->bitmapCanvasForDrawing()->matrix());
        for (int64_t k = 0; k < n * n; ++k) {
            const Matrix expected
                = c.expected[size_t(k)] < 0 ? Matrix(8, 8) : *tileData->matrices()[size_t(c.expected[size_t(k)])];
            EXPECT_EQ(tileOfBlock(picture, k / n, k % n), expected) << "zoom " << n << " square " << k;
        }
    }
}

TEST_F(MosavoTest, EveryGestureCommitsOnceWithAllTilesOfTheBlock)
{
    const std::vector<int64_t> ids = { 2, -1, 5 };
    auto editor = makeEditor(ZoomSize::x2, ids);
    editor->setColorFromPalette(3);
    const std::vector<Matrix> documentBefore = deepCopy(*tileData);
    const std::vector<ToolType> tools = { ToolType::pencil, ToolType::straightLine, ToolType::boxEmpty,
        ToolType::boxFilled, ToolType::circleEmpty, ToolType::circleFilled, ToolType::fillBucket };
    for (size_t i = 0; i < tools.size(); ++i) {
        editor->setToolType(tools[i]);
        // A cell of the fourth square (no tile number at all) that is not yet slot 3.
        const Cell cell { int64_t(8 + i), int64_t(8 + i) };
        ASSERT_NE(block(*editor).values[cell.y][size_t(cell.x)], 3);
        press(*editor, centreOf(*editor, cell));
        release(*editor, centreOf(*editor, cell));
        ASSERT_EQ(datasource.calls.size(), i + 1) << "tool " << i;
        const auto &call = datasource.calls.back();
        EXPECT_EQ(call.mosavo, editor.get());
        EXPECT_EQ(call.tileNumbers, ids);
        ASSERT_EQ(call.tileData->matrices().size(), 4u);
        EXPECT_EQ(block(*editor).values[cell.y][size_t(cell.x)], 3);
        // The handed-over tiles are the block cut row by row, and the canvases were rebuilt on that block.
        const Matrix &picture = block(*editor);
        for (int64_t k = 0; k < 4; ++k)
            EXPECT_EQ(*call.tileData->matrices()[size_t(k)], tileOfBlock(picture, k / 2, k % 2));
        EXPECT_EQ(editor->bitmapCanvasOriginal()->matrix(), editor->bitmapCanvasForDrawing()->matrix());
    }
    // Until the fill bucket spread into them, tiles 2 and 5 stayed untouched (the edits went to the filler square).
    EXPECT_EQ(*datasource.calls[5].tileData->matrices()[0], *tileData->matrices()[2]);
    EXPECT_EQ(*datasource.calls[5].tileData->matrices()[2], *tileData->matrices()[5]);
    EXPECT_NE(*datasource.calls[6].tileData->matrices()[2], *tileData->matrices()[5]);
    // The document's tiles were never written by the editor.
    EXPECT_EQ(deepCopy(*tileData), documentBefore);
}

TEST_F(MosavoTest, PressMapsToTheCellUnderThePointer)
{
    // x1 in a 256-point view: pixel side 32, so (40, 10) is column 1, row 0.
    tileData = makeTiles(1, true);
    auto editor = makeEditor(ZoomSize::x1, { 0 });
    editor->setColorFromPalette(2);
    press(*editor, { 40, 10 });
    release(*editor, { 40, 10 });
    EXPECT_EQ(block(*editor).values[0][1], 2);
    int64_t painted = 0;
    for (int64_t v : block(*editor).cells())
        painted += v != 0;
    EXPECT_EQ(painted, 1);
    EXPECT_EQ(editor->startingPositionForCursor(), QPointF(40, 10));
}

TEST_F(MosavoTest, PencilDragLeavesAContinuousLine)
{
    tileData = makeTiles(256, true);
    std::vector<int64_t> ids(256);
    for (size_t i = 0; i < ids.size(); ++i)
        ids[i] = int64_t(i);
    auto editor = makeEditor(ZoomSize::x16, ids, 512); // pixel side 4
    press(*editor, { 2, 2 }); // cell (0, 0)
    drag(*editor, { 302, 42 }); // (75, 10)
    drag(*editor, { 510, 510 }); // (127, 127)
    EXPECT_TRUE(datasource.calls.empty());
    release(*editor, { 101, 482 }); // (25, 120)
    ASSERT_EQ(datasource.calls.size(), 1u);
    EXPECT_EQ(datasource.calls[0].tileData->matrices().size(), 256u);

    const Matrix &picture = block(*editor);
    // Each segment is max(|dx|, |dy|) + 1 cells; consecutive segments share their end cell and do not cross.
    int64_t painted = 0;
    for (int64_t v : picture.cells())
        painted += v == 3;
    EXPECT_EQ(painted, 76 + 118 + 103 - 2);
    for (Cell end : { Cell { 0, 0 }, Cell { 75, 10 }, Cell { 127, 127 }, Cell { 25, 120 } })
        EXPECT_EQ(picture.values[end.y][size_t(end.x)], 3) << end.x << "," << end.y;
    // Walking from (0, 0), every painted cell is reached through painted neighbours (no gaps).
    Matrix seen(picture.rows(), picture.columns());
    std::vector<Cell> pending { { 0, 0 } };
    seen.values[0][0] = 1;
    int64_t reached = 0;
    while (!pending.empty()) {
        const Cell c = pending.back();
        pending.pop_back();
        ++reached;
        for (int64_t dy = -1; dy <= 1; ++dy)
            for (int64_t dx = -1; dx <= 1; ++dx) {
                const int64_t x = c.x + dx, y = c.y + dy;
                if (x >= 0 && y >= 0 && x < 128 && y < 128 && picture.values[y][size_t(x)] == 3
                    && !seen.values[y][size_t(x)]) {
                    seen.values[y][size_t(x)] = 1;
                    pending.push_back({ x, y });
                }
            }
    }
    EXPECT_EQ(reached, painted);
}

TEST_F(MosavoTest, PencilLeavingTheViewPaintsColumnZeroAndNothingBeyond)
{
    tileData = makeTiles(256, true);
    std::vector<int64_t> ids(256);
    for (size_t i = 0; i < ids.size(); ++i)
        ids[i] = int64_t(i);
    auto editor = makeEditor(ZoomSize::x16, ids, 512);
    press(*editor, { 10, 21 }); // (2, 5)
    drag(*editor, { -3, 21 }); // -0.75 truncates to column 0
    drag(*editor, { -50, 21 }); // column -12: outside
    drag(*editor, { -50, 60 }); // outside, row 15
    release(*editor, { -50, 60 });
    const Matrix &picture = block(*editor);
    int64_t painted = 0;
    for (int64_t v : picture.cells())
        painted += v != 0;
    EXPECT_EQ(painted, 3);
    for (int64_t x = 0; x <= 2; ++x)
        EXPECT_EQ(picture.values[5][size_t(x)], 3);
    EXPECT_EQ(datasource.calls.size(), 1u);
}

TEST_F(MosavoTest, ShapeToolsPreviewFromThePressPixelsAndCommitOnRelease)
{
    struct Case
    {
        ToolType tool;
        std::function<void(Matrix &, Cell, Cell)> draw;
    };
    const std::vector<Case> cases = {
        { ToolType::straightLine, [](Matrix &m, Cell a, Cell b) { pixels::drawLine(m, a, b, 1); } },
        { ToolType::boxEmpty, [](Matrix &m, Cell a, Cell b) { pixels::drawRectangle(m, a, b, 1, false); } },
        { ToolType::boxFilled, [](Matrix &m, Cell a, Cell b) { pixels::drawRectangle(m, a, b, 1, true); } },
        { ToolType::circleEmpty, [](Matrix &m, Cell a, Cell b) { pixels::drawEllipse(m, a, b, 1, false); } },
        { ToolType::circleFilled, [](Matrix &m, Cell a, Cell b) { pixels::drawEllipse(m, a, b, 1, true); } },
    };
    const Cell from { 3, 4 }, first { 20, 9 }, last { 12, 25 };
    for (const Case &c : cases) {
        datasource.calls.clear();
        auto editor = makeEditor(ZoomSize::x4, { 0, 1, 2, 3, 4, 5, 0, 1, 2, 3, 4, 5, 0, 1, 2, 3 });
        editor->setToolType(c.tool);
        editor->setColorFromPalette(1);
        const Matrix atPress = block(*editor);
        // The expected picture: the pixels as they were at the press with the shape written over them as 1s.
        auto expectedWith = [&](Cell to) {
            Matrix expected = atPress;
            c.draw(expected, from, to);
            return expected;
        };
        press(*editor, centreOf(*editor, from));
        drag(*editor, centreOf(*editor, first));
        EXPECT_EQ(block(*editor), expectedWith(first)) << int(c.tool);
        drag(*editor, centreOf(*editor, last));
        EXPECT_EQ(block(*editor), expectedWith(last)) << int(c.tool) << ": the first preview is gone";
        EXPECT_TRUE(datasource.calls.empty());
        // Released further on without a last drag: the shape ends where the button went up.
        release(*editor, centreOf(*editor, { 30, 30 }));
        EXPECT_EQ(block(*editor), expectedWith({ 30, 30 })) << int(c.tool);
        EXPECT_EQ(datasource.calls.size(), 1u);
        EXPECT_EQ(editor->endingPositionForCursor(), QPointF(centreOf(*editor, { 30, 30 })));
    }
}

TEST_F(MosavoTest, FillBucketFillsTheRegionUnderThePressOnly)
{
    auto ringed = Matrix::make(8, 8);
    for (int64_t i = 1; i <= 4; ++i) {
        ringed->values[1][size_t(i)] = ringed->values[4][size_t(i)] = 1;
        ringed->values[i][1] = ringed->values[i][4] = 1;
    }
    ringed->values[6][6] = 2;
    tileData = std::make_shared<NESTileDataCollection>(std::vector<MatrixPtr> { ringed });
    // Filler square to the right of tile 0: its slot-0 cells join the outside region.
    auto editor = makeEditor(ZoomSize::x2, { 0, -1, 0, 0 });
    editor->setToolType(ToolType::fillBucket);
    press(*editor, centreOf(*editor, { 2, 2 }));
    drag(*editor, centreOf(*editor, { 12, 2 })); // dragging does not fill again
    release(*editor, centreOf(*editor, { 12, 2 }));
    Matrix expected = *MatrixBuilder(2, 2, 8, 8).createMatrix();
    for (int64_t square : { 0, 2, 3 })
        for (int64_t r = 0; r < 8; ++r)
            for (int64_t c = 0; c < 8; ++c)
                expected.values[(square / 2) * 8 + r][size_t((square % 2) * 8 + c)] = ringed->values[r][size_t(c)];
    for (Cell inside : { Cell { 2, 2 }, Cell { 3, 2 }, Cell { 2, 3 }, Cell { 3, 3 } })
        expected.values[inside.y][size_t(inside.x)] = 3;
    EXPECT_EQ(block(*editor), expected);
    ASSERT_EQ(datasource.calls.size(), 1u);

    // From the filler square the outside of the top-left ring fills, bounded by the rings and the 2s.
    press(*editor, centreOf(*editor, { 12, 2 }));
    release(*editor, centreOf(*editor, { 12, 2 }));
    const Matrix &picture = block(*editor);
    EXPECT_EQ(picture.values[0][0], 3);
    EXPECT_EQ(picture.values[15][15], 3);
    EXPECT_EQ(picture.values[6][6], 2);
    EXPECT_EQ(picture.values[10][10], 0) << "inside the lower-right ring: not reached";
    EXPECT_EQ(picture.values[1][1], 1);
    EXPECT_EQ(datasource.calls.size(), 2u);
}

TEST_F(MosavoTest, GesturesWithoutCanvasOrDataSourceAreHarmless)
{
    Mosavo empty;
    empty.setFixedSize(256, 256);
    empty.setDatasource(&datasource);
    press(empty, { 10, 10 });
    drag(empty, { 100, 100 });
    release(empty, { 100, 100 });
    EXPECT_TRUE(datasource.calls.empty());

    std::unique_ptr<Mosavo> editor;
    {
        RecordingDataSource shortLived;
        editor = makeEditor(ZoomSize::x1, { 0 });
        editor->setDatasource(&shortLived);
    }
    EXPECT_EQ(editor->datasource(), nullptr);
    const auto before = editor->bitmapCanvasOriginal();
    press(*editor, { 10, 10 });
    release(*editor, { 10, 10 });
    EXPECT_NE(editor->bitmapCanvasOriginal(), before) << "the commit still rebuilt the canvases";
    EXPECT_EQ(block(*editor).values[0][0], 3);
}
