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
