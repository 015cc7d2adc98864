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

namespace {

constexpr int pitch = 32; // cells of side 31 in a 512-wide viewport
QColor backgroundOf(const TileCollection &viewer)
{
    return viewer.palette().color(viewer.viewport()->backgroundRole());
}

// The viewport position of tile pixel (x, y) in the display cell at (row, column) counted from the top of the grid.
QPoint cellPoint(const TileCollection &viewer, int row, int column, int x = 3, int y = 3)
{
    return { column * pitch + (2 * x + 1) * (pitch - 1) / 16,
        row * pitch + (2 * y + 1) * (pitch - 1) / 16 - viewer.verticalScrollBar()->value() };
}

QColor colorAtCell(ShownViewer &shown, int row, int column, int x = 3, int y = 3)
{
    shown.settle();
    return shown.viewer.viewport()->grab().toImage().pixelColor(cellPoint(shown.viewer, row, column, x, y));
}

QColor nesQColor(int64_t colorNumber)
{
    return QColor(QRgb(nesRgb(colorNumber)));
}

QColor overlaid(const QColor &color)
{
    return QColor(TileView::overlaid(color.rgb()));
}

} // namespace

TEST_F(TileCollectionTest, PaletteTrueTilesShowThePaletteColours)
{
    // Tile n is filled with colour index n % 4.
    ShownViewer shown(makeTiles(512, [](int64_t n) { return n % 4; }));
    shown.viewer.setZoomSize(ZoomSize::x1);
    shown.click(100);
    const int64_t codes[4] = { 0x21, 0x16, 0x2A, 0x12 };
    auto palette = NESPalette::fromData({ 0x21, 0x16, 0x2A, 0x12 });
    shown.viewer.setDisplayPalette(palette);
    EXPECT_EQ(shown.viewer.displayPalette(), palette);
    for (int64_t i = 0; i < 4; ++i)
        EXPECT_EQ(shown.colorOfTile(i), nesQColor(codes[i])) << i;
    EXPECT_EQ(shown.colorOfTile(100), overlaid(nesQColor(codes[0])));

    // TileView draws the same colours, one image pixel per matrix cell.
    const MatrixPtr stripes = Matrix::make(8, 8);
    for (int64_t y = 0; y < 8; ++y)
        for (int64_t x = 0; x < 8; ++x)
            stripes->values[y][size_t(x)] = x / 2;
    const QImage image = TileView::convertTileDataToImage(stripes, 8, palette);
    ASSERT_EQ(image.size(), QSize(8, 8));
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(image.pixelColor(x, 2), nesQColor(codes[x / 2])) << x;

    // A palette with two entries: grey stands in for colour indices 2 and 3.
    auto shortPalette = std::make_shared<NESPalette>();
    shortPalette->setPalette({ palette->palette()[0], palette->palette()[1] });
    shown.viewer.setDisplayPalette(shortPalette);
    EXPECT_EQ(shown.colorOfTile(0), nesQColor(codes[0]));
    EXPECT_EQ(shown.colorOfTile(1), nesQColor(codes[1]));
    EXPECT_TRUE(near(shown.colorOfTile(2), greys[2]));
    EXPECT_TRUE(near(shown.colorOfTile(3), greys[3]));
    const QImage shortImage = TileView::convertTileDataToImage(stripes, 8, shortPalette);
    EXPECT_TRUE(near(shortImage.pixelColor(5, 0), greys[2]));
    EXPECT_TRUE(near(shortImage.pixelColor(7, 0), greys[3]));

    // The master palette: its first four entries are used.
    auto master = std::make_shared<GeneralNESColorPalette>();
    shown.viewer.setDisplayPalette(master);
    for (int64_t i = 0; i < 4; ++i)
        EXPECT_EQ(shown.colorOfTile(i), nesQColor(master->palette()[size_t(i)].colorCode)) << i;

    // No palette: grey again.
    shown.viewer.setDisplayPalette(nullptr);
    for (int64_t i = 0; i < 4; ++i)
        EXPECT_TRUE(near(shown.colorOfTile(i), greys[i])) << i;
}

TEST_F(TileCollectionTest, RefreshColorsRepaintsWithColoursChangedInPlace)
{
    ShownViewer shown(makeTiles(512, [](int64_t n) { return n % 4; }));
    auto palette = NESPalette::fromData({ 0x0F, 0x16, 0x27, 0x30 });
    shown.viewer.setDisplayPalette(palette);
    EXPECT_EQ(shown.colorOfTile(6), nesQColor(0x27));
    PaintRecorder recorder;
    shown.viewer.viewport()->installEventFilter(&recorder);

    // Nothing changed: nothing is repainted.
    shown.viewer.refreshColors();
    shown.settle();
    EXPECT_TRUE(recorder.regions.empty());

    // The shared palette takes a new colour 2, as a colour pick writes it.
    std::vector<ColorEntry> entries = palette->palette();
    entries[2] = { 0x2C, *nesColor(0x2C) };
    palette->setPalette(entries);
    shown.viewer.refreshColors();
    shown.settle();
    ASSERT_EQ(recorder.regions.size(), 1u);
    EXPECT_EQ(recorder.regions[0], QRegion(shown.viewer.viewport()->rect()));
    EXPECT_EQ(shown.colorOfTile(6), nesQColor(0x2C));
    EXPECT_EQ(shown.colorOfTile(10), nesQColor(0x2C));
    EXPECT_EQ(shown.colorOfTile(5), nesQColor(0x16));
    // Selected tiles (the block at 0) mix the new colour with the overlay.
    EXPECT_EQ(shown.colorOfTile(2), overlaid(nesQColor(0x2C)));
    // Rows scrolled into view later show it too.
    shown.viewer.scrollToTile(490);
    EXPECT_EQ(shown.colorOfTile(490), nesQColor(0x2C));
}

TEST_F(TileCollectionTest, SpriteArrangementSelectsAndDrawsInDisplayOrder)
{
    // Tile n is filled with colour index n % 4: even tiles white or dark grey, odd tiles light grey or black.
    ShownViewer shown(makeTiles(512, [](int64_t n) { return n % 4; }));
    shown.click(0);
    shown.delegate.reports.clear();

    // Switching re-reports the block at the same top-left tile, now in display order.
    shown.viewer.setArrangement(TileArrangement::sprites8x16);
    EXPECT_EQ(shown.viewer.arrangement(), TileArrangement::sprites8x16);
    ASSERT_EQ(shown.delegate.reports.size(), 1u);
    EXPECT_EQ(
        shown.delegate.reports[0], (Block { { 0, 2, 4, 6 }, { 1, 3, 5, 7 }, { 32, 34, 36, 38 }, { 33, 35, 37, 39 } }));
    EXPECT_EQ(shown.viewer.collectionDelegate().numberOfRows, 32);

    // Drawn where the arrangement puts them: even tiles on the first row, each odd tile under its even one.
    for (int column = 4; column < 16; ++column) {
        EXPECT_TRUE(near(colorAtCell(shown, 0, column), greys[(2 * column) % 4])) << column;
        EXPECT_TRUE(near(colorAtCell(shown, 1, column), greys[(2 * column + 1) % 4])) << column;
    }
    EXPECT_EQ(shown.viewer.cellRect(1), shown.viewer.cellRect(0).translated(0, pitch));
    EXPECT_EQ(shown.viewer.cellRect(2), shown.viewer.cellRect(0).translated(pitch, 0));
    EXPECT_EQ(shown.viewer.cellRect(33), shown.viewer.cellRect(0).translated(0, 3 * pitch));
    EXPECT_EQ(shown.viewer.tileNumberAt(cellPoint(shown.viewer, 1, 3)), 7);
    EXPECT_EQ(shown.viewer.tileNumberAt(cellPoint(shown.viewer, 2, 15)), 62);

    const struct
    {
        ZoomSize side;
        int64_t clicked;
        Block block;
    } cases[] = {
        { ZoomSize::x2, 0, { { 0, 2 }, { 1, 3 } } },
        { ZoomSize::x2, 34, { { 34, 36 }, { 35, 37 } } },
        { ZoomSize::x2, 35, { { 35, 37 }, { 66, 68 } } },
        // Column 15 of the second row: the edge rule ends the block there.
        { ZoomSize::x2, 31, { { 29, 31 }, { 60, 62 } } },
        { ZoomSize::x4, 66, { { 66, 68, 70, 72 }, { 67, 69, 71, 73 }, { 98, 100, 102, 104 }, { 99, 101, 103, 105 } } },
        // The last row: the block ends at the bottom.
        { ZoomSize::x2, 509, { { 508, 510 }, { 509, 511 } } },
        { ZoomSize::x1, 77, { { 77 } } },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.clicked);
        shown.viewer.setZoomSize(c.side);
        shown.delegate.reports.clear();
        shown.click(c.clicked);
        ASSERT_EQ(shown.delegate.reports.size(), 1u);
        EXPECT_EQ(shown.delegate.reports[0], c.block);
        EXPECT_EQ(shown.viewer.selectedTileIDs(), c.block);
        EXPECT_EQ(shown.viewer.selectedTiles(), realTiles(c.block));
        EXPECT_EQ(shown.viewer.currentlySelectedTile(), c.block[0][0]);
        EXPECT_EQ(shown.viewer.collectionDelegate().indexPathForSelectedTile.item, c.block[0][0]);
    }

    // The overlay lies on the cells of the block as displayed: tile 67 under tile 66, not tile 65 beside it.
    shown.viewer.scrollToTile(0);
    shown.viewer.setZoomSize(ZoomSize::x4);
    shown.click(66);
    EXPECT_TRUE(near(colorAtCell(shown, 4, 1), overlaid(greys[2])));
    EXPECT_TRUE(near(colorAtCell(shown, 5, 1), overlaid(greys[3])));
    EXPECT_TRUE(near(colorAtCell(shown, 7, 4), overlaid(greys[1]))); // tile 105
    EXPECT_TRUE(near(colorAtCell(shown, 5, 0), greys[1]));
    EXPECT_TRUE(near(colorAtCell(shown, 4, 5), greys[2]));
    EXPECT_TRUE(near(colorAtCell(shown, 8, 1), greys[2]));

    // An edit of tile 1 repaints its cell under tile 0, and nothing else.
    shown.settle();
    PaintRecorder recorder;
    shown.viewer.viewport()->installEventFilter(&recorder);
    std::ranges::fill(shown.tiles->matrices()[1]->cells(), 0);
    shown.viewer.updateModifiedTileIDs({ 1 });
    shown.settle();
    ASSERT_EQ(recorder.regions.size(), 1u);
    EXPECT_EQ(recorder.regions[0], QRegion(0, pitch, pitch - 1, pitch - 1));
    EXPECT_TRUE(near(colorAtCell(shown, 1, 0), greys[0]));

    // Back to rows: the block at the top-left tile 66, row by row again.
    shown.delegate.reports.clear();
    shown.viewer.setArrangement(TileArrangement::rows8x8);
    ASSERT_EQ(shown.delegate.reports.size(), 1u);
    EXPECT_EQ(shown.delegate.reports[0], blockFrom(66, 4));
    EXPECT_TRUE(near(colorAtCell(shown, 0, 1), greys[0])); // tile 1, edited
    EXPECT_TRUE(near(colorAtCell(shown, 0, 2), greys[2]));
    // Setting the same arrangement again changes nothing.
    shown.viewer.setArrangement(TileArrangement::rows8x8);
    EXPECT_EQ(shown.delegate.reports.size(), 1u);
}

TEST_F(TileCollectionTest, SpriteArrangementOfAnOddTileCountHasFillerAndAHole)
{
    ShownViewer shown(makeTiles(35, [](int64_t) { return 3; }));
    EXPECT_EQ(shown.viewer.collectionDelegate().numberOfRows, 3);
    shown.viewer.setArrangement(TileArrangement::sprites8x16);
    EXPECT_EQ(shown.viewer.collectionDelegate().numberOfRows, 4);
    ASSERT_EQ(shown.delegate.reports.size(), 1u);
    EXPECT_EQ(
        shown.delegate.reports[0], (Block { { 0, 2, 4, 6 }, { 1, 3, 5, 7 }, { 32, 34, -1, -1 }, { 33, -1, -1, -1 } }));
    EXPECT_EQ(shown.viewer.selectedTiles(), realTiles(shown.delegate.reports[0]));

    shown.viewer.setZoomSize(ZoomSize::x2);
    shown.click(34);
    EXPECT_EQ(shown.delegate.reports.back(), (Block { { 34, -1 }, { -1, -1 } }));
    shown.click(33);
    EXPECT_EQ(shown.delegate.reports.back(), (Block { { 32, 34 }, { 33, -1 } }));

    // The hole under tile 34 shows the background and takes no clicks.
    const size_t reports = shown.delegate.reports.size();
    EXPECT_EQ(colorAtCell(shown, 3, 1), backgroundOf(shown.viewer));
    EXPECT_EQ(colorAtCell(shown, 2, 2), backgroundOf(shown.viewer));
    EXPECT_TRUE(near(colorAtCell(shown, 3, 0), overlaid(greys[3])));
    EXPECT_FALSE(shown.viewer.tileNumberAt(cellPoint(shown.viewer, 3, 1)).has_value());
    QTest::mouseClick(shown.viewer.viewport(), Qt::LeftButton, {}, cellPoint(shown.viewer, 3, 1));
    EXPECT_EQ(shown.delegate.reports.size(), reports);
    EXPECT_FALSE(shown.viewer.isShowingItem(35));
    EXPECT_TRUE(shown.viewer.isShowingItem(34));
}

TEST_F(TileCollectionTest, SelectTileScrollsTheBlockIntoViewAndReportsIt)
{
    ShownViewer shown(makeTiles(8192, [](int64_t n) { return n % 4; }));
    QScrollBar *bar = shown.viewer.verticalScrollBar();
    shown.viewer.setZoomSize(ZoomSize::x2);
    shown.delegate.reports.clear();

    shown.viewer.selectTile(4000);
    ASSERT_EQ(shown.delegate.reports.size(), 1u);
    EXPECT_EQ(shown.delegate.reports[0], blockFrom(4000, 2));
    EXPECT_EQ(bar->value(), 250 * pitch);
    EXPECT_TRUE(shown.viewer.isShowingItem(4000) && shown.viewer.isShowingItem(4017));
    EXPECT_TRUE(near(colorAtCell(shown, 250, 0), overlaid(greys[0])));

    // A block already in view is selected without scrolling.
    shown.viewer.selectTile(4033);
    EXPECT_EQ(shown.delegate.reports.back(), blockFrom(4033, 2));
    EXPECT_EQ(bar->value(), 250 * pitch);

    // The last tile: the edge rule moves the block up and left; the view shows all of it.
    shown.viewer.selectTile(8191);
    EXPECT_EQ(shown.delegate.reports.back(), blockFrom(8174, 2));
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_TRUE(shown.viewer.isShowingItem(8174) && shown.viewer.isShowingItem(8191));

    // As 8x16 sprites: tile 5001 is on display row 2 x 156 + 1, column 4.
    shown.viewer.setArrangement(TileArrangement::sprites8x16);
    shown.viewer.selectTile(5001);
    EXPECT_EQ(shown.delegate.reports.back(), (Block { { 5001, 5003 }, { 5032, 5034 } }));
    EXPECT_EQ(bar->value(), 313 * pitch);
    EXPECT_TRUE(near(colorAtCell(shown, 313, 4), overlaid(greys[1])));
    EXPECT_TRUE(near(colorAtCell(shown, 314, 5), overlaid(greys[2])));

    // Tiles outside the tile data are refused.
    const size_t reports = shown.delegate.reports.size();
    qt_test::MosavoLogCapture log;
    shown.viewer.selectTile(8192);
    shown.viewer.selectTile(-1);
    EXPECT_EQ(log.take(),
        (QStringList {
            "Cannot select tile 8192 outside the tile data", "Cannot select tile -1 outside the tile data" }));
    EXPECT_EQ(shown.delegate.reports.size(), reports);
    EXPECT_EQ(shown.viewer.currentlySelectedTile(), 5001);
    EXPECT_EQ(bar->value(), 313 * pitch);

    // Unconfigured: nothing to select.
    TileCollection unconfigured;
    unconfigured.selectTile(0);
    EXPECT_EQ(log.take(), QStringList { "Cannot select tile 0 outside the tile data" });

    // The controller gone: the selection only logs and the view does not move.
    auto gone = std::make_unique<RecordingDelegate>();
    ShownViewer orphan(makeTiles(8192, [](int64_t) { return 0; }));
    orphan.viewer.setTileCollectionDelegate(gone.get());
    orphan.viewer.configure(orphan.tiles);
    gone.reset();
    log.take();
    orphan.viewer.selectTile(6000);
    EXPECT_EQ(log.take(), QStringList { "WARN: didSelectItemsAt index path was zero" });
    EXPECT_EQ(orphan.viewer.verticalScrollBar()->value(), 0);
    EXPECT_EQ(orphan.viewer.currentlySelectedTile(), 0);
}

TEST_F(TileCollectionTest, RendersPaletteTrueSpritesUpright)
{
    // 64 sprites of 8x16: an upward arrow (white head, orange shaft, red base) on black, the head in tile 2k and the
    // shaft in tile 2k + 1; sprite k has k % 8 + 1 red dots down its left edge so the order can be read.
    const int64_t codes[4] = { 0x0F, 0x16, 0x27, 0x30 };
    std::vector<MatrixPtr> matrices;
    for (int64_t n = 0; n < 128; ++n) {
        MatrixPtr tile = Matrix::make(8, 8);
        const bool head = n % 2 == 0;
        for (int64_t y = 0; y < 8; ++y)
            for (int64_t x = 0; x < 8; ++x) {
                const int64_t spriteY = head ? y : y + 8;
                int64_t index = 0;
                if (head && y >= 1 && std::abs(2 * x - 7) <= 2 * y - 1)
                    index = 3;
                else if (!head && y < 6 && (x == 3 || x == 4))
                    index = 2;
                else if (!head && y >= 6 && x >= 1 && x <= 6)
                    index = 1;
                if (x == 0 && spriteY % 2 == 0 && spriteY / 2 <= (n / 2) % 8)
                    index = 1;
                tile->values[y][size_t(x)] = index;
            }
        matrices.push_back(tile);
    }
    ShownViewer shown(std::make_shared<NESTileDataCollection>(std::move(matrices)));
    shown.viewer.setDisplayPalette(NESPalette::fromData({ 0x0F, 0x16, 0x27, 0x30 }));
    shown.viewer.setArrangement(TileArrangement::sprites8x16);
    shown.viewer.setZoomSize(ZoomSize::x2);
    shown.click(36);
    EXPECT_EQ(shown.delegate.reports.back(), (Block { { 36, 38 }, { 37, 39 } }));
    shown.settle();
    const QImage picture = shown.viewer.grab().toImage();
    const QString path = QDir::temp().filePath("kestova-tile-viewer-sprites.png");
    ASSERT_TRUE(picture.save(path));
    std::printf("palette-true 8x16 tile viewer picture: %s\n", qPrintable(path));

    // Sprite 5 (tiles 10 and 11) at column 5 of the first pair of rows: the head's tip, the shaft, the base, the black
    // around them.
    const auto at = [&](int row, int column, int x, int y) {
        return picture.pixelColor(cellPoint(shown.viewer, row, column, x, y));
    };
    EXPECT_EQ(at(0, 5, 3, 1), nesQColor(codes[3]));
    EXPECT_EQ(at(0, 5, 7, 7), nesQColor(codes[3]));
    EXPECT_EQ(at(0, 5, 7, 1), nesQColor(codes[0]));
    EXPECT_EQ(at(1, 5, 4, 2), nesQColor(codes[2]));
    EXPECT_EQ(at(1, 5, 6, 7), nesQColor(codes[1]));
    EXPECT_EQ(at(1, 5, 7, 2), nesQColor(codes[0]));
    // Six dots: on sprite rows 0, 2, 4 and 6 of the head and 8 and 10 of the shaft, none further down.
    EXPECT_EQ(at(1, 5, 0, 2), nesQColor(codes[1]));
    EXPECT_EQ(at(1, 5, 0, 4), nesQColor(codes[0]));
    // The selected sprite 18 (tiles 36, 37) on the second pair of rows lies under the overlay.
    EXPECT_EQ(at(3, 2, 3, 2), overlaid(nesQColor(codes[2])));
    EXPECT_EQ(at(3, 4, 3, 2), nesQColor(codes[2]));
}

// At a viewer scale the cells grow only in whole steps: each tile pixel is scale x scale screen pixels, extra width
// is left empty, a width too small for the scale shows the largest scale that fits, and changing the scale or the size
// keeps the top row of tiles at the top.
TEST_F(TileCollectionTest, WholeStepScalesKeepCrispCellsAndTheTopRow)
{
    std::vector<MatrixPtr> matrices;
    for (int64_t n = 0; n < 8192; ++n) {
        MatrixPtr tile = Matrix::make(8, 8);
        for (int64_t y = 0; y < 8; ++y)
            for (int64_t x = 0; x < 8; ++x)
                tile->values[y][size_t(x)] = (x + 2 * y + n) % 4;
        matrices.push_back(tile);
    }
    ShownViewer shown(std::make_shared<NESTileDataCollection>(matrices));
    TileCollection &viewer = shown.viewer;
    const int scrollBar = viewer.verticalScrollBar()->sizeHint().width();
    EXPECT_EQ(viewer.viewerScale(), 0);
    EXPECT_EQ(viewer.shownScale(), 0);

    // Each tile pixel of a cell is a square of scale x scale screen pixels of its colour.
    const auto expectCrisp = [&](int64_t tileNumber, int scale) {
        shown.settle();
        const QImage view = viewer.viewport()->grab().toImage();
        const QRect cell = viewer.cellRect(tileNumber);
        ASSERT_EQ(cell.size(), QSize(8 * scale, 8 * scale));
        int mismatches = 0;
        for (int y = 0; y < cell.height(); ++y)
            for (int x = 0; x < cell.width(); ++x)
                mismatches += !near(view.pixelColor(cell.topLeft() + QPoint(x, y)),
                    greys[matrices[size_t(tileNumber)]->values[y / scale][size_t(x / scale)]]);
        EXPECT_EQ(mismatches, 0) << "tile " << tileNumber << " at scale " << scale;
    };

    viewer.setViewerScale(2);
    EXPECT_EQ(viewer.cellSide(), 16);
    EXPECT_EQ(viewer.cellRect(17), QRect(17, 17, 16, 16));
    EXPECT_EQ(viewer.sizeHint().width(), 16 * 17 + scrollBar);
    expectCrisp(4, 2); // outside the selected block, which is drawn under the overlay
    expectCrisp(21, 2);

    // More width does not make the cells larger.
    viewer.resize(1500 + scrollBar, 768);
    shown.settle();
    EXPECT_EQ(viewer.cellSide(), 16);
    EXPECT_EQ(viewer.tileNumberAt(QPoint(16 * 17 + 40, 5)), std::nullopt);

    // Scrolled to the row of tile 1600, the row stays on top through scale changes and resizes.
    viewer.scrollToTile(1600);
    EXPECT_EQ(viewer.topVisibleTile(), 1600);
    viewer.setViewerScale(4);
    EXPECT_EQ(viewer.cellSide(), 32);
    EXPECT_EQ(viewer.topVisibleTile(), 1600);
    expectCrisp(1600, 4);
    viewer.setViewerScale(1);
    EXPECT_EQ(viewer.topVisibleTile(), 1600);
    expectCrisp(1601, 1);
    viewer.setViewerScale(3);
    viewer.resize(1500 + scrollBar, 300);
    shown.settle();
    EXPECT_EQ(viewer.topVisibleTile(), 1600);
    viewer.resize(1500 + scrollBar, 1000);
    shown.settle();
    EXPECT_EQ(viewer.topVisibleTile(), 1600);

    // Too narrow for 4x: the largest scale whose 16 columns fit (3x needs 400 pixels, 2x 272).
    viewer.setViewerScale(4);
    viewer.resize(450 + scrollBar, 768);
    shown.settle();
    EXPECT_EQ(viewer.viewerScale(), 4);
    EXPECT_EQ(viewer.shownScale(), 3);
    EXPECT_EQ(viewer.topVisibleTile(), 1600);
    expectCrisp(1617, 3);
    viewer.resize(100 + scrollBar, 768);
    shown.settle();
    EXPECT_EQ(viewer.shownScale(), 1);
    EXPECT_EQ(viewer.topVisibleTile(), 1600);

    // Clicks land on the cell under the pointer at any scale.
    viewer.resize(600 + scrollBar, 768);
    viewer.setViewerScale(3);
    shown.settle();
    shown.click(1603);
    EXPECT_EQ(viewer.currentlySelectedTile(), 1603);

    // A scale outside 0-4 is refused; 0 returns to cells that follow the width.
    {
        qt_test::MosavoLogCapture log;
        viewer.setViewerScale(5);
        viewer.setViewerScale(-1);
        EXPECT_EQ(log.take().size(), 2);
    }
    EXPECT_EQ(viewer.viewerScale(), 3);
    viewer.resize(512 + scrollBar, 768);
    viewer.setViewerScale(0);
    EXPECT_EQ(viewer.cellSide(), 31);
    EXPECT_EQ(viewer.topVisibleTile(), 1600);
}

// With cells that follow the width, a resize also keeps the top row on top.
TEST_F(TileCollectionTest, ResizingKeepsTheTopRowInView)
{
    ShownViewer shown(makeTiles(4096, [](int64_t n) { return n % 4; }));
    TileCollection &viewer = shown.viewer;
    const int scrollBar = viewer.verticalScrollBar()->sizeHint().width();
    viewer.scrollToTile(2000);
    EXPECT_EQ(viewer.topVisibleTile(), 2000 / 16 * 16);
    viewer.resize(256 + scrollBar, 768);
    shown.settle();
    EXPECT_EQ(viewer.cellSide(), 15);
    EXPECT_EQ(viewer.topVisibleTile(), 2000 / 16 * 16);
    viewer.resize(800 + scrollBar, 400);
    shown.settle();
    EXPECT_EQ(viewer.topVisibleTile(), 2000 / 16 * 16);

    // Near the end the scroll range may pull the row down, but never out of view.
    viewer.scrollToTile(4095);
    viewer.resize(800 + scrollBar, 2000);
    shown.settle();
    EXPECT_TRUE(viewer.isShowingItem(4095));
    EXPECT_TRUE(viewer.cellRect(4095).bottom() < viewer.viewport()->height());
}
