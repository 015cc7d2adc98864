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

namespace {

// The grey palette as drawn: 0x30, 0x10, 0x00, 0x0F.
const QColor greys[4]
    = { QColor(0xEC, 0xEE, 0xEC), QColor(0x98, 0x96, 0x98), QColor(0x54, 0x54, 0x54), QColor(0, 0, 0) };

// Every pixel of tile n has colour index pixelOf(n).
std::shared_ptr<NESTileDataCollection> makeTiles(int64_t count, const std::function<int64_t(int64_t)> &pixelOf)
{
    std::vector<MatrixPtr> matrices;
    for (int64_t n = 0; n < count; ++n) {
        MatrixPtr tile = Matrix::make(8, 8);
        std::ranges::fill(tile->cells(), pixelOf(n));
        matrices.push_back(tile);
    }
    return std::make_shared<NESTileDataCollection>(std::move(matrices));
}

class RecordingDelegate : public TileCollectionDelegate
{
public:
    void selected(TileCollection *tileCollection, const Block &tileNumbers) override
    {
        reports.push_back(tileNumbers);
        lastCollection = tileCollection;
    }
    std::vector<Block> reports;
    TileCollection *lastCollection = nullptr;
};

// Records the region of every paint event of a widget.
class PaintRecorder : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            regions.push_back(static_cast<QPaintEvent *>(event)->region());
        return false;
    }
    std::vector<QRegion> regions;
};

// A shown viewer whose viewport is 512 x 768 (cells of side 31), configured with tiles.
struct ShownViewer
{
    explicit ShownViewer(TileDataPtr data)
        : tiles(std::move(data))
    {
        viewer.resize(512 + viewer.verticalScrollBar()->sizeHint().width(), 768);
        viewer.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&viewer));
        EXPECT_EQ(viewer.viewport()->size(), QSize(512, 768));
        viewer.setTileCollectionDelegate(&delegate);
        viewer.configure(tiles);
        settle();
        delegate.reports.clear();
    }
    void settle()
    {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }
    // A real click on the tile's cell, scrolling it into view first when needed.
    void click(int64_t tileNumber)
    {
        if (!viewer.isShowingItem(tileNumber))
            viewer.scrollToTile(tileNumber);
        ASSERT_TRUE(viewer.isShowingItem(tileNumber)) << tileNumber;
        QTest::mouseClick(viewer.viewport(), Qt::LeftButton, {}, viewer.cellRect(tileNumber).center());
    }
    QColor colorOfTile(int64_t tileNumber)
    {
        settle();
        return viewer.viewport()->grab().toImage().pixelColor(viewer.cellRect(tileNumber).center());
    }

    TileDataPtr tiles;
    RecordingDelegate delegate;
    TileCollection viewer;
};

bool near(const QColor &a, const QColor &b)
{
    return std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2
        && std::abs(a.blue() - b.blue()) <= 2;
}

std::set<int64_t> realTiles(const Block &block)
{
    std::set<int64_t> tiles;
    for (const auto &row : block)
        for (int64_t n : row)
            if (n >= 0)
                tiles.insert(n);
    return tiles;
}

Block blockFrom(int64_t topLeft, int64_t side)
{
    Block block(size_t(side), std::vector<int64_t>(size_t(side), 0));
    for (int64_t r = 0; r < side; ++r)
        std::iota(block[size_t(r)].begin(), block[size_t(r)].end(), topLeft + 16 * r);
    return block;
}

class TileCollectionTest : public ::testing::Test
{
protected:
    void SetUp() override { qt_test::testApplication(); }
};

} // namespace

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
