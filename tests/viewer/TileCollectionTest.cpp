#include "common/QtTestEnvironment.h"

#include "core/NESTileDataCollection.h"
#include "palette/NESColors.h"
#include "palette/NESPalette.h"
#include "viewer/TileCollection.h"

#include <QDir>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <numeric>

using namespace mosavo;
using Block = std::vector<std::vector<int64_t>>;

#include "viewer/TileCollectionTestSupport.h"

using namespace tile_collection_test;

namespace { } // namespace

TEST_F(TileCollectionTest, ClicksSelectTheWorkedBlocksOfA512TileGrid)
{
    ShownViewer shown(makeTiles(512, [](int64_t) { return 0; }));
    EXPECT_EQ(shown.viewer.collectionDelegate().numberOfColumns, 16);
    EXPECT_EQ(shown.viewer.collectionDelegate().numberOfRows, 32);
    EXPECT_EQ(shown.viewer.cellSide(), 31);

    const struct
    {
        int64_t clicked;
        ZoomSize side;
        int64_t topLeft;
    } cases[] = { { 0, ZoomSize::x4, 0 }, { 14, ZoomSize::x4, 11 }, { 12, ZoomSize::x4, 12 },
        { 500, ZoomSize::x4, 452 }, { 511, ZoomSize::x4, 460 }, { 37, ZoomSize::x2, 37 }, { 47, ZoomSize::x2, 46 },
        { 100, ZoomSize::x1, 100 } };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.clicked);
        shown.viewer.setZoomSize(c.side);
        shown.delegate.reports.clear();
        shown.click(c.clicked);
        const Block expected = blockFrom(c.topLeft, tilesPerSide(c.side));
        // Told exactly once, rows top to bottom, each left to right.
        ASSERT_EQ(shown.delegate.reports.size(), 1u);
        EXPECT_EQ(shown.delegate.reports[0], expected);
        EXPECT_EQ(shown.delegate.lastCollection, &shown.viewer);
        EXPECT_EQ(shown.viewer.selectedTileIDs(), expected);
        EXPECT_EQ(shown.viewer.selectedTiles(), realTiles(expected));
        EXPECT_EQ(shown.viewer.currentlySelectedTile(), c.topLeft);
        EXPECT_EQ(shown.viewer.collectionDelegate().indexPathForSelectedTile.item, c.topLeft);
    }
    EXPECT_EQ(shown.delegate.reports[0], (Block { { 100 } }));

    // A right click or a click below the last row selects nothing.
    shown.delegate.reports.clear();
    QTest::mouseClick(shown.viewer.viewport(), Qt::RightButton, {}, shown.viewer.cellRect(5).center());
    EXPECT_TRUE(shown.delegate.reports.empty());
}

TEST_F(TileCollectionTest, ZoomChangeKeepsTheTopLeftTileAndReportsAgain)
{
    ShownViewer shown(makeTiles(512, [](int64_t) { return 0; }));
    shown.click(14);
    EXPECT_EQ(shown.viewer.currentlySelectedTile(), 11);
    shown.delegate.reports.clear();

    shown.viewer.setZoomSize(ZoomSize::x2);
    EXPECT_EQ(shown.viewer.collectionDelegate().zoomSize, ZoomSize::x2);
    ASSERT_EQ(shown.delegate.reports.size(), 1u);
    EXPECT_EQ(shown.delegate.reports[0], (Block { { 11, 12 }, { 27, 28 } }));
    EXPECT_EQ(shown.viewer.selectedTiles(), (std::set<int64_t> { 11, 12, 27, 28 }));

    // Growing again at the right edge: the edge rule moves the block.
    shown.click(15);
    shown.delegate.reports.clear();
    shown.viewer.setZoomSize(ZoomSize::x4);
    ASSERT_EQ(shown.delegate.reports.size(), 1u);
    EXPECT_EQ(shown.delegate.reports[0], blockFrom(11, 4));
}

TEST_F(TileCollectionTest, PartialLastRowIsShownAndSelectable)
{
    ShownViewer shown(makeTiles(20, [](int64_t) { return 3; }));
    EXPECT_EQ(shown.viewer.collectionDelegate().numberOfRows, 2);
    EXPECT_EQ(shown.viewer.collectionDataSource().numberOfItemsInSection(), 20);
    shown.viewer.setZoomSize(ZoomSize::x1);
    EXPECT_TRUE(near(shown.colorOfTile(19), greys[3]));
    shown.delegate.reports.clear();
    shown.click(19);
    ASSERT_EQ(shown.delegate.reports.size(), 1u);
    EXPECT_EQ(shown.delegate.reports[0], (Block { { 19 } }));

    // The empty cells after the last tile take no clicks.
    QTest::mouseClick(shown.viewer.viewport(), Qt::LeftButton, {}, shown.viewer.cellRect(21).center());
    EXPECT_EQ(shown.delegate.reports.size(), 1u);
}

TEST_F(TileCollectionTest, BlocksOnSmallGridsStayInsideAndMarkMissingTiles)
{
    ShownViewer shown(makeTiles(20, [](int64_t) { return 0; }));
    shown.click(19);
    ASSERT_EQ(shown.delegate.reports.size(), 1u);
    EXPECT_EQ(shown.delegate.reports[0],
        (Block { { 3, 4, 5, 6 }, { 19, -1, -1, -1 }, { -1, -1, -1, -1 }, { -1, -1, -1, -1 } }));
    EXPECT_EQ(shown.viewer.selectedTiles(), (std::set<int64_t> { 3, 4, 5, 6, 19 }));
    EXPECT_EQ(shown.viewer.currentlySelectedTile(), 3);

    shown.click(0);
    EXPECT_EQ(shown.delegate.reports.back(),
        (Block { { 0, 1, 2, 3 }, { 16, 17, 18, 19 }, { -1, -1, -1, -1 }, { -1, -1, -1, -1 } }));

    // A block wider than the grid's height and the widest block both start inside the grid.
    CollectionDelegate &selection = shown.viewer.collectionDelegate();
    EXPECT_EQ(selection.adjustCursorPosition({ 0, 19 }, 16).item, 0);
    shown.viewer.setZoomSize(ZoomSize::x16);
    const Block wide = shown.delegate.reports.back();
    ASSERT_EQ(wide.size(), 16u);
    EXPECT_EQ(realTiles(wide).size(), 20u);
    EXPECT_EQ(wide[0][0], 0);
    EXPECT_EQ(wide[1][4], -1);

    // No tiles at all: everything is filler and nothing is selected.
    ShownViewer empty(makeTiles(0, [](int64_t) { return 0; }));
    EXPECT_EQ(empty.viewer.collectionDelegate().numberOfRows, 0);
    empty.viewer.setZoomSize(ZoomSize::x2);
    ASSERT_EQ(empty.delegate.reports.size(), 1u);
    EXPECT_EQ(empty.delegate.reports[0], (Block { { -1, -1 }, { -1, -1 } }));
    EXPECT_TRUE(empty.viewer.selectedTiles().empty());
}

TEST_F(TileCollectionTest, ReconfiguringWithFewerTilesKeepsTheSelectionInsideTheNewGrid)
{
    ShownViewer shown(makeTiles(8192, [](int64_t) { return 0; }));
    EXPECT_EQ(shown.viewer.collectionDelegate().numberOfRows, 512);
    shown.click(5000);
    EXPECT_EQ(shown.viewer.currentlySelectedTile(), 5000);

    shown.tiles = makeTiles(512, [](int64_t) { return 1; });
    shown.viewer.configure(shown.tiles);
    ASSERT_EQ(shown.delegate.reports.size(), 2u);
    EXPECT_EQ(shown.delegate.reports.back(), blockFrom(460, 4));
    EXPECT_EQ(shown.viewer.verticalScrollBar()->maximum(), 32 * 32 - 768);
}

TEST_F(TileCollectionTest, NewSelectionClearsTheOldHighlight)
{
    ShownViewer shown(makeTiles(512, [](int64_t) { return 0; }));
    const QColor red(245, 119, 118); // half-transparent red over white
    shown.click(0);
    EXPECT_TRUE(near(shown.colorOfTile(0), red));
    EXPECT_TRUE(near(shown.colorOfTile(51), red));
    EXPECT_TRUE(near(shown.colorOfTile(4), greys[0]));

    shown.click(2); // overlaps the old block in columns 2 and 3
    for (int64_t n : { 0, 1, 16, 17, 48, 49 })
        EXPECT_TRUE(near(shown.colorOfTile(n), greys[0])) << n;
    for (int64_t n : { 2, 3, 4, 5, 18, 21, 50, 53 })
        EXPECT_TRUE(near(shown.colorOfTile(n), red)) << n;
}

TEST_F(TileCollectionTest, ModifiedTilesRepaintOnlyTheirCells)
{
    ShownViewer shown(makeTiles(512, [](int64_t) { return 0; }));
    shown.viewer.setZoomSize(ZoomSize::x1);
    shown.click(100);
    shown.settle();
    PaintRecorder recorder;
    shown.viewer.viewport()->installEventFilter(&recorder);

    // Tile 3 is replaced, tile 19 changed in place; tiles 400 and 500 are out of view.
    auto &matrices = shown.tiles->matrices();
    matrices[3] = Matrix::make(8, 8);
    std::ranges::fill(matrices[3]->cells(), 3);
    std::ranges::fill(matrices[19]->cells(), 2);
    std::ranges::fill(matrices[500]->cells(), 1);
    ASSERT_FALSE(shown.viewer.isShowingItem(500));
    shown.viewer.updateModifiedTileIDs({ 3, 19, 500, 9999, -4 });
    shown.settle();
    ASSERT_EQ(recorder.regions.size(), 1u);
    EXPECT_EQ(recorder.regions[0], QRegion(shown.viewer.cellRect(3)) + shown.viewer.cellRect(19));
    EXPECT_TRUE(near(shown.colorOfTile(3), greys[3]));
    EXPECT_TRUE(near(shown.colorOfTile(19), greys[2]));

    // Only off-screen tiles: nothing is repainted, and the new pixels show when scrolled back.
    recorder.regions.clear();
    std::ranges::fill(matrices[400]->cells(), 3);
    shown.viewer.updateModifiedTileIDs({ 400 });
    shown.settle();
    EXPECT_TRUE(recorder.regions.empty());
    shown.viewer.scrollToTile(400);
    EXPECT_TRUE(near(shown.colorOfTile(400), greys[3]));
    EXPECT_TRUE(near(shown.colorOfTile(500), greys[1]));
    EXPECT_TRUE(near(shown.colorOfTile(401), greys[0]));
}

TEST_F(TileCollectionTest, WithoutTileDataOrControllerNothingHappensButTheLog)
{
    qt_test::MosavoLogCapture log;
    RecordingDelegate delegate;
    TileCollection viewer;
    viewer.setTileCollectionDelegate(&delegate);
    EXPECT_EQ(viewer.collectionDataSource().numberOfItemsInSection(), 0);

    viewer.configure(nullptr);
    viewer.updateModifiedTileIDs({ 3, 4, 19, 20 });
    EXPECT_EQ(log.take(),
        (QStringList { "failed to get tiles from tiledata when configuring",
            "WARN: didSelectItemsAt index path was zero", "Cannot update tiles ([3, 4, 19, 20]) without tile data" }));
    EXPECT_EQ(viewer.collectionDelegate().numberOfRows, 0);
    EXPECT_TRUE(delegate.reports.empty());
    EXPECT_TRUE(viewer.grab().size().isValid()); // paints without tiles

    // Tile data released after configuring: no items, the update only logs.
    auto tiles = makeTiles(32, [](int64_t) { return 0; });
    viewer.configure(tiles);
    EXPECT_EQ(delegate.reports.size(), 1u);
    tiles.reset();
    EXPECT_EQ(viewer.collectionDataSource().numberOfItemsInSection(), 0);
    viewer.updateModifiedTileIDs({});
    EXPECT_EQ(log.take(), QStringList { "Cannot update tiles ([]) without tile data" });

    // A controller that is gone is not called.
    auto gone = std::make_unique<RecordingDelegate>();
    TileCollection second;
    second.setTileCollectionDelegate(gone.get());
    gone.reset();
    auto more = makeTiles(16, [](int64_t) { return 0; });
    second.configure(more);
    EXPECT_EQ(log.take(), QStringList { "WARN: didSelectItemsAt index path was zero" });
    EXPECT_EQ(second.collectionDelegate().numberOfRows, 1);
    EXPECT_TRUE(second.selectedTiles().empty());
}

TEST_F(TileCollectionTest, TileViewDrawsTheGreyTileAndTheOverlay)
{
    qt_test::testApplication();
    const MatrixPtr tile = Matrix::make(8, 8);
    for (int64_t y = 0; y < 8; ++y)
        for (int64_t x = 0; x < 8; ++x)
            tile->values[y][size_t(x)] = x / 2;
    const QImage image = TileView::convertTileDataToImage(tile, 8);
    ASSERT_EQ(image.size(), QSize(8, 8));
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(image.pixelColor(x, 5), greys[x / 2]) << x;
    EXPECT_TRUE(TileView::convertTileDataToImage(Matrix::make(0, 0), 8).isNull());
    EXPECT_TRUE(TileView::convertTileDataToImage(nullptr, 8).isNull());

    // Scaled without smoothing: each tile pixel becomes a sharp 4 x 4 square.
    QImage canvas(32, 32, QImage::Format_RGBA8888);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        TileView view;
        view.matrix = tile;
        view.isSelected = true;
        view.draw(painter, QRect(0, 0, 32, 32));
    }
    for (int x = 0; x < 32; ++x) {
        const QColor grey = greys[x / 8];
        const QColor expected(
            std::lround(255 * 0.5 + grey.red() * 0.5), std::lround(grey.green() * 0.5), std::lround(grey.blue() * 0.5));
        EXPECT_TRUE(near(canvas.pixelColor(x, 17), expected)) << x;
    }
}

TEST_F(TileCollectionTest, RendersAPictureWithASelection)
{
    // Four greys in diagonal stripes, shifted per tile.
    std::vector<MatrixPtr> matrices;
    for (int64_t n = 0; n < 512; ++n) {
        MatrixPtr tile = Matrix::make(8, 8);
        for (int64_t y = 0; y < 8; ++y)
            for (int64_t x = 0; x < 8; ++x)
                tile->values[y][size_t(x)] = ((x + y) / 2 + n) % 4;
        matrices.push_back(tile);
    }
    ShownViewer shown(std::make_shared<NESTileDataCollection>(std::move(matrices)));
    shown.click(37);
    shown.settle();
    const QImage picture = shown.viewer.grab().toImage();
    const QString path = QDir::temp().filePath("kestova-tile-viewer.png");
    ASSERT_TRUE(picture.save(path));
    std::printf("tile viewer picture: %s\n", qPrintable(path));

    // Top-left pixel of tile 37 (index 1 = light grey) under the overlay; tile 36 plain (index 0 = white).
    const QRect selected = shown.viewer.cellRect(37);
    const QColor overlaid = picture.pixelColor(selected.topLeft());
    EXPECT_TRUE(near(overlaid, QColor(std::lround(127.5 + 0x98 * 0.5), 0x96 / 2, 0x98 / 2))) << overlaid.name().data();
    EXPECT_TRUE(near(picture.pixelColor(shown.viewer.cellRect(36).topLeft()), greys[0]));
}

TEST_F(TileCollectionTest, CellsMatchTheTileViewDrawingAfterScrollingAndResizing)
{
    std::vector<MatrixPtr> matrices;
    for (int64_t n = 0; n < 1024; ++n) {
        MatrixPtr tile = Matrix::make(8, 8);
        for (int64_t y = 0; y < 8; ++y)
            for (int64_t x = 0; x < 8; ++x)
                tile->values[y][size_t(x)] = (x * 3 + y * 5 + n) % 4;
        matrices.push_back(tile);
    }
    ShownViewer shown(std::make_shared<NESTileDataCollection>(matrices));
    shown.viewer.setZoomSize(ZoomSize::x1);

    // Each cell shows what TileView draws for its tile: the 8 x 8 pixels scaled to 31 x 31 without smoothing.
    const auto expectCellsDrawnByTileView = [&](std::initializer_list<int64_t> tileNumbers) {
        const QImage view = shown.viewer.viewport()->grab().toImage();
        for (int64_t n : tileNumbers) {
            const QRect cell = shown.viewer.cellRect(n);
            QImage expected(cell.size(), QImage::Format_RGB32);
            QPainter painter(&expected);
            TileView tileView;
            tileView.matrix = matrices[size_t(n)];
            tileView.isSelected = shown.viewer.selectedTiles().contains(n);
            tileView.palette = shown.viewer.displayPalette();
            tileView.draw(painter, expected.rect());
            painter.end();
            int mismatches = 0;
            for (int y = 0; y < cell.height(); ++y)
                for (int x = 0; x < cell.width(); ++x)
                    mismatches += !near(view.pixelColor(cell.topLeft() + QPoint(x, y)), expected.pixelColor(x, y));
            EXPECT_EQ(mismatches, 0) << "tile " << n;
        }
    };
    shown.settle();
    expectCellsDrawnByTileView({ 0, 1, 17, 100, 255 });

    // Scrolling by part of a row repaints only the uncovered strip; the result equals a fresh viewer at that position.
    shown.viewer.verticalScrollBar()->setValue(45);
    shown.viewer.verticalScrollBar()->setValue(400);
    shown.viewer.verticalScrollBar()->setValue(397);
    shown.settle();
    ShownViewer fresh(std::make_shared<NESTileDataCollection>(matrices));
    fresh.viewer.setZoomSize(ZoomSize::x1);
    fresh.viewer.verticalScrollBar()->setValue(397);
    fresh.settle();
    EXPECT_EQ(shown.viewer.viewport()->grab().toImage(), fresh.viewer.viewport()->grab().toImage());
    expectCellsDrawnByTileView({ 208, 223, 400, 511 });

    // Narrower: smaller cells, still 16 to a row.
    shown.viewer.resize(256 + shown.viewer.verticalScrollBar()->sizeHint().width(), 300);
    shown.settle();
    EXPECT_EQ(shown.viewer.cellSide(), 15);
    shown.viewer.scrollToTile(0);
    shown.click(15);
    EXPECT_EQ(shown.delegate.reports.back(), (Block { { 15 } }));
    expectCellsDrawnByTileView({ 0, 14, 15, 31, 64 });

    // In a display palette and as 8x16 sprites, each cell still shows what TileView draws for the tile placed there.
    shown.viewer.setDisplayPalette(NESPalette::fromData({ 0x0F, 0x16, 0x27, 0x30 }));
    shown.viewer.setArrangement(TileArrangement::sprites8x16);
    shown.settle();
    expectCellsDrawnByTileView({ 0, 1, 15, 30, 31, 33, 64 });
}

TEST_F(TileCollectionTest, MissingMatricesAreDrawnAsEmptyCells)
{
    auto data = makeTiles(48, [](int64_t) { return 2; });
    data->matrices()[17] = nullptr;
    data->matrices()[18] = Matrix::make(0, 0);
    testing::internal::CaptureStdout();
    ShownViewer shown(data);
    shown.viewer.setZoomSize(ZoomSize::x1);
    shown.settle();
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_NE(printed.find("Tile data is nil for TileItem"), std::string::npos);
    EXPECT_EQ(shown.colorOfTile(17), QColor(255, 255, 0));
    EXPECT_EQ(shown.colorOfTile(18), QColor(255, 255, 0));
    EXPECT_TRUE(near(shown.colorOfTile(19), greys[2]));
    shown.click(17);
    EXPECT_EQ(shown.delegate.reports.back(), (Block { { 17 } }));
}
