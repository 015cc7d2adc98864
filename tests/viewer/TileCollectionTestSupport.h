#pragma once

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

// Shared by the tests of TileCollectionTest.
namespace tile_collection_test {

// The grey palette as drawn: 0x30, 0x10, 0x00, 0x0F.
const QColor greys[4]
    = { QColor(0xEC, 0xEE, 0xEC), QColor(0x98, 0x96, 0x98), QColor(0x54, 0x54, 0x54), QColor(0, 0, 0) };

// Every pixel of tile n has colour index pixelOf(n).
inline std::shared_ptr<NESTileDataCollection> makeTiles(int64_t count, const std::function<int64_t(int64_t)> &pixelOf)
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

inline bool near(const QColor &a, const QColor &b)
{
    return std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2
        && std::abs(a.blue() - b.blue()) <= 2;
}

inline std::set<int64_t> realTiles(const Block &block)
{
    std::set<int64_t> tiles;
    for (const auto &row : block)
        for (int64_t n : row)
            if (n >= 0)
                tiles.insert(n);
    return tiles;
}

inline Block blockFrom(int64_t topLeft, int64_t side)
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

} // namespace tile_collection_test
