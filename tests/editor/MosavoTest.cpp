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

namespace {

const std::vector<Color> paletteColors = {
    { 0.8, 0.8, 0.8, 1.0 },
    { 1.0, 0.0, 0.0, 1.0 },
    { 0.0, 1.0, 0.0, 1.0 },
    { 0.0, 0.0, 1.0, 1.0 },
};

PalettePtr makePalette()
{
    auto palette = std::make_shared<NESPalette>();
    std::vector<ColorEntry> entries;
    for (size_t i = 0; i < paletteColors.size(); ++i)
        entries.push_back({ int64_t(0x20 + i), paletteColors[i] });
    palette->setPalette(entries);
    return palette;
}

// count tiles of random colour indices (fixed seed); blank tiles when blank is set.
std::shared_ptr<NESTileDataCollection> makeTiles(size_t count, bool blank = false)
{
    std::mt19937 generator(1234);
    std::vector<MatrixPtr> tiles;
    for (size_t t = 0; t < count; ++t) {
        auto tile = Matrix::make(8, 8);
        if (!blank)
            for (int64_t &cell : tile->cells())
                cell = int64_t(generator() % 4);
        tiles.push_back(tile);
    }
    return std::make_shared<NESTileDataCollection>(tiles);
}

std::vector<Matrix> deepCopy(const TileData &data)
{
    std::vector<Matrix> copy;
    for (const MatrixPtr &tile : data.matrices())
        copy.push_back(*tile);
    return copy;
}

Matrix tileOfBlock(const Matrix &block, int64_t tileRow, int64_t tileColumn)
{
    Matrix tile(8, 8);
    for (int64_t r = 0; r < 8; ++r)
        for (int64_t c = 0; c < 8; ++c)
            tile.values[r][size_t(c)] = block.values[tileRow * 8 + r][size_t(tileColumn * 8 + c)];
    return tile;
}

class RecordingDataSource : public MosavoDataSource
{
public:
    struct Call
    {
        Mosavo *mosavo;
        TileDataPtr tileData;
        std::vector<int64_t> tileNumbers;
    };
    std::vector<Call> calls;

    void updated(Mosavo *mosavo, TileDataPtr tileData, const std::vector<int64_t> &tileNumbers) override
    {
        calls.push_back({ mosavo, std::move(tileData), tileNumbers });
    }
};

void press(Mosavo &editor, QPoint at)
{
    QTest::mousePress(&editor, Qt::LeftButton, {}, at);
}

// Sent directly so the held button travels with the move on every Qt version.
void drag(Mosavo &editor, QPoint to)
{
    QMouseEvent event(
        QEvent::MouseMove, QPointF(to), editor.mapToGlobal(QPointF(to)), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&editor, &event);
}

void release(Mosavo &editor, QPoint at)
{
    QTest::mouseRelease(&editor, Qt::LeftButton, {}, at);
}

class MosavoTest : public ::testing::Test
{
protected:
    void SetUp() override { testApplication(); }

    // A loaded editor of side x side showing ids at zoom.
    std::unique_ptr<Mosavo> makeEditor(ZoomSize zoom, std::vector<int64_t> ids, int side = 256)
    {
        auto editor = std::make_unique<Mosavo>();
        editor->setFixedSize(side, side);
        editor->setTileData(tileData);
        editor->setColorPalette(palette);
        editor->setZoomSize(zoom);
        editor->setTileIDs(std::move(ids));
        editor->setDatasource(&datasource);
        EXPECT_FALSE(editor->update());
        return editor;
    }

    // Centre of a canvas cell in view coordinates.
    static QPoint centreOf(const Mosavo &editor, Cell cell)
    {
        const double side = double(editor.width()) / double(pixelsPerSide(editor.zoomSize()));
        return { int((double(cell.x) + 0.5) * side), int((double(cell.y) + 0.5) * side) };
    }

    static Matrix &block(const Mosavo &editor) { return *editor.bitmapCanvasForDrawing()->matrix(); }

    PalettePtr palette = makePalette();
    std::shared_ptr<NESTileDataCollection> tileData = makeTiles(6);
    RecordingDataSource datasource;
};

} // namespace

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

TEST_F(MosavoTest, DrawsTheBlockWithPixelAndTileGrids)
{
    auto editor = makeEditor(ZoomSize::x4, { 0, 1, 2, 3, 4 }, 256); // pixel side 8, tile side 64
    editor->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(editor.get()));
    const QImage image = editor->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QString path = QDir::temp().filePath(QStringLiteral("mosavo-editor-x4.png"));
    image.save(path);
    image.copy(0, 0, 96, 96)
        .scaled(384, 384)
        .save(QDir::temp().filePath(QStringLiteral("mosavo-editor-x4-corner.png")));
    std::cout << "editor rendered to " << path.toStdString() << "\n";

    const Matrix &picture = block(*editor);
    auto colourOf = [](int64_t slot) {
        const Color &c = paletteColors[size_t(slot)];
        return QColor::fromRgbF(float(c.red), float(c.green), float(c.blue)).rgb();
    };
    // The inside of every pixel square shows its slot's colour; the filler squares show slot 0.
    for (int64_t y = 0; y < 32; ++y)
        for (int64_t x = 0; x < 32; ++x)
            ASSERT_EQ(image.pixel(int(x * 8 + 4), int(y * 8 + 4)), colourOf(picture.values[y][size_t(x)]))
                << x << "," << y;
    // Grid lines lie on every pixel boundary: along a row of the second tile (slot 1, red) the boundary columns
    // are black and the insides are not.
    editor->setTileIDs({ 5, 5, 5, 5 });
    for (int64_t &cell : tileData->matrices()[5]->cells())
        cell = 1;
    ASSERT_FALSE(editor->update());
    QImage red = editor->grab().toImage().convertToFormat(QImage::Format_RGB32);
    for (int x = 8; x < 64; x += 8) {
        EXPECT_EQ(red.pixel(x, 20), QColor(Qt::black).rgb()) << x;
        EXPECT_EQ(red.pixel(x + 3, 20), colourOf(1)) << x;
    }
    // The tile grid is two pixels wide.
    EXPECT_EQ(red.pixel(63, 20), QColor(Qt::black).rgb());
    EXPECT_EQ(red.pixel(64, 20), QColor(Qt::black).rgb());
    EXPECT_EQ(red.pixel(62, 20), colourOf(1));

    // A new grid colour redraws at once.
    int paints = 0;
    struct Counter : QObject
    {
        int *count;
        explicit Counter(int *count)
            : count(count)
        { }
        bool eventFilter(QObject *, QEvent *event) override
        {
            *count += event->type() == QEvent::Paint;
            return false;
        }
    } counter(&paints);
    editor->installEventFilter(&counter);
    QCoreApplication::processEvents();
    paints = 0;
    editor->setLineColorBetweenTiles(Qt::white);
    QCoreApplication::processEvents();
    EXPECT_GE(paints, 1);
    editor->removeEventFilter(&counter);
    red = editor->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(red.pixel(16, 20), QColor(Qt::white).rgb());
    EXPECT_EQ(red.pixel(64, 20), QColor(Qt::white).rgb());
    EXPECT_EQ(red.pixel(19, 20), colourOf(1));
}

TEST_F(MosavoTest, GridFollowsWidthsTranslucentColoursAndUnevenSizes)
{
    for (int64_t &cell : tileData->matrices()[5]->cells())
        cell = 1; // red
    auto editor = makeEditor(ZoomSize::x4, { 5, 5, 5, 5 }, 256);
    auto grab = [&] { return editor->grab().toImage().convertToFormat(QImage::Format_RGB32); };
    const QRgb red = qRgb(255, 0, 0);

    editor->setLineWidthForTiles(4.0);
    QImage image = grab();
    for (int x = 62; x <= 65; ++x)
        EXPECT_EQ(image.pixel(x, 20), qRgb(0, 0, 0)) << x;
    EXPECT_EQ(image.pixel(61, 20), red);
    EXPECT_EQ(image.pixel(66, 20), red);
    EXPECT_EQ(image.pixel(20, 64), qRgb(0, 0, 0)) << "rows follow the same grid";

    // A half-transparent grid darkens what is under it once per stroke: the tile lines lie on pixel lines too.
    editor->setLineWidthForTiles(2.0);
    editor->setLineColorBetweenTiles(QColor(0, 0, 0, 128));
    image = grab();
    EXPECT_NEAR(qRed(image.pixel(8, 20)), 127, 2);
    EXPECT_NEAR(qRed(image.pixel(63, 20)), 127, 2);
    EXPECT_NEAR(qRed(image.pixel(64, 20)), 63, 2);
    EXPECT_NEAR(qRed(image.pixel(8, 8)), 63, 2) << "a pixel line across a pixel line";
    EXPECT_NEAR(qRed(image.pixel(64, 56)), 31, 2) << "a pixel line across a tile line";
    // Below the first tile row the squares are filler (slot 0, grey 204): four strokes cross at (64, 64).
    EXPECT_NEAR(qRed(image.pixel(64, 64)), 12, 2);
    EXPECT_EQ(image.pixel(12, 20), red);

    // A colour index without a palette entry is transparent: the window shows through.
    editor->setLineColorBetweenTiles(Qt::black);
    block(*editor).values[2][2] = 7;
    image = grab();
    EXPECT_EQ(image.pixel(20, 20), editor->palette().color(QPalette::Window).rgb());
    EXPECT_EQ(image.pixel(28, 20), red);

    // A view smaller than the block still draws (several pixels share a screen pixel).
    editor->setFixedSize(20, 20);
    image = grab();
    EXPECT_EQ(image.size(), QSize(20, 20));
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));

    // A side that is not a multiple of the pixels per side: every square still shows its own pixel.
    for (int side : { 250, 130 }) {
        editor->setFixedSize(side, side);
        for (int64_t &cell : block(*editor).cells())
            cell = 0;
        for (int64_t i = 0; i < 32; ++i)
            block(*editor).values[i][size_t(i)] = 3;
        image = grab();
        const double step = side / 32.0;
        for (int64_t i = 0; i < 32; ++i) {
            const int at = int((double(i) + 0.6) * step);
            EXPECT_EQ(image.pixel(at, at), qRgb(0, 0, 255)) << side << " " << i;
            if (i + 1 < 32) {
                EXPECT_EQ(image.pixel(int((double(i + 1) + 0.6) * step), at), qRgb(204, 204, 204)) << side << " " << i;
            }
        }
    }
}

TEST_F(MosavoTest, RendersShapesAtSixteenTilesPerSide)
{
    tileData = makeTiles(256, true);
    std::vector<int64_t> ids(250);
    for (size_t i = 0; i < ids.size(); ++i)
        ids[i] = int64_t(i);
    auto editor = makeEditor(ZoomSize::x16, ids, 512); // the last six squares are filler
    const std::vector<std::tuple<ToolType, int64_t, Cell, Cell>> strokes = {
        { ToolType::pencil, 1, { 2, 2 }, { 60, 30 } },
        { ToolType::straightLine, 2, { 2, 40 }, { 60, 60 } },
        { ToolType::boxEmpty, 3, { 70, 4 }, { 120, 30 } },
        { ToolType::boxFilled, 1, { 74, 8 }, { 90, 20 } },
        { ToolType::circleEmpty, 3, { 4, 70 }, { 60, 124 } },
        { ToolType::circleFilled, 2, { 70, 70 }, { 85, 85 } },
        { ToolType::circleEmpty, 1, { 90, 90 }, { 123, 101 } },
        { ToolType::fillBucket, 2, { 30, 100 }, { 30, 100 } },
    };
    for (const auto &[tool, slot, from, to] : strokes) {
        editor->setToolType(tool);
        ASSERT_FALSE(editor->setColorFromPalette(slot));
        press(*editor, centreOf(*editor, from));
        drag(*editor, centreOf(*editor, to));
        release(*editor, centreOf(*editor, to));
    }
    EXPECT_EQ(datasource.calls.size(), strokes.size());
    const QImage image = editor->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QString path = QDir::temp().filePath(QStringLiteral("mosavo-editor-x16.png"));
    image.save(path);
    image.copy(0, 256, 256, 256)
        .scaled(512, 512)
        .save(QDir::temp().filePath(QStringLiteral("mosavo-editor-x16-corner.png")));
    std::cout << "editor rendered to " << path.toStdString() << "\n";
    // The filled circle's centre and the flood-filled inside of the empty circle.
    EXPECT_EQ(image.pixel(centreOf(*editor, { 78, 78 })), QColor(0, 255, 0).rgb());
    EXPECT_EQ(image.pixel(centreOf(*editor, { 30, 100 })), QColor(0, 255, 0).rgb());
    EXPECT_EQ(image.pixel(centreOf(*editor, { 2, 100 })), QColor(204, 204, 204).rgb()) << "outside the circle";
}

TEST_F(MosavoTest, ViewThatIsNotSquareDrawsNothing)
{
    MosavoLogCapture log;
    auto editor = makeEditor(ZoomSize::x1, { 0 });
    editor->setFixedSize(200, 100);
    const QImage image = editor->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(log.take().contains("ERROR dimension (width and height) of the view are not the same."));
    const QRgb background = image.pixel(0, 0);
    bool uniform = true;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            uniform &= image.pixel(x, y) == background;
    EXPECT_TRUE(uniform);

    // Without tile data the view also draws nothing, and says why.
    Mosavo empty;
    empty.setFixedSize(64, 64);
    empty.grab();
    EXPECT_TRUE(log.take().contains("dimension is not greater than 0"));
}

// The grid can be hidden: then the view shows only the block's colours, square for square.
TEST_F(MosavoTest, HiddenGridShowsOnlyThePixels)
{
    auto editor = makeEditor(ZoomSize::x2, { 0, 1, 2, 3 }, 256);
    editor->setLineColorBetweenTiles(Qt::gray);
    const auto grab = [&] { return editor->grab().toImage().convertToFormat(QImage::Format_RGB32); };
    const auto expectOnlyPixels = [&](const QImage &image, bool expected) {
        const Matrix &block = *editor->bitmapCanvasForDrawing()->matrix();
        int differing = 0;
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                const Color &c = paletteColors[size_t(block.values[y / 16][size_t(x / 16)])];
                differing += image.pixel(x, y)
                    != qRgb(
                        BitmapCanvas::toSample(c.red), BitmapCanvas::toSample(c.green), BitmapCanvas::toSample(c.blue));
            }
        EXPECT_EQ(differing == 0, expected) << differing;
    };
    EXPECT_TRUE(editor->showsGrid());
    QImage image = grab();
    EXPECT_EQ(image.pixel(0, 40), QColor(Qt::gray).rgb());
    EXPECT_EQ(image.pixel(128, 40), QColor(Qt::gray).rgb()) << "the tile line";
    expectOnlyPixels(image, false);

    editor->setShowsGrid(false);
    expectOnlyPixels(grab(), true);
    editor->setShowsGrid(true);
    expectOnlyPixels(grab(), false);
}

// The area keeps the editor the largest centred square of whole screen pixels per tile pixel.
TEST_F(MosavoTest, AreaKeepsTheEditorSquareCrispAndCentred)
{
    const struct
    {
        QSize area;
        ZoomSize zoom;
        int side;
    } cases[] = {
        { { 500, 400 }, ZoomSize::x4, 384 }, // 12 screen pixels a tile pixel
        { { 500, 400 }, ZoomSize::x1, 384 }, // the same side as x4: 48 a pixel
        { { 500, 400 }, ZoomSize::x2, 384 },
        { { 1300, 1000 }, ZoomSize::x4, 992 },
        { { 1300, 1000 }, ZoomSize::x16, 896 }, // 7 a pixel
        { { 1024, 1024 }, ZoomSize::x16, 1024 },
        { { 20, 300 }, ZoomSize::x1, 16 }, // smaller than 32: whole pixels of the block itself
        { { 5, 5 }, ZoomSize::x1, 8 },
    };
    for (const auto &c : cases)
        EXPECT_EQ(MosavoArea::editorSideFor(c.area, c.zoom), c.side) << c.area.width() << "x" << c.area.height();

    MosavoArea area;
    auto *editor = new Mosavo(&area);
    area.resize(700, 500);
    area.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    EXPECT_EQ(editor->geometry(), QRect(110, 10, 480, 480));
    area.resize(610, 900);
    EXPECT_EQ(editor->geometry(), QRect(1, 146, 608, 608));
    editor->setZoomSize(ZoomSize::x16);
    QCoreApplication::processEvents();
    EXPECT_EQ(editor->geometry(), QRect(49, 194, 512, 512));
    editor->setZoomSize(ZoomSize::x2);
    QCoreApplication::processEvents();
    EXPECT_EQ(editor->geometry(), QRect(1, 146, 608, 608));
}
