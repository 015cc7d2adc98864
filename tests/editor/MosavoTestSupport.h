#pragma once

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

// Shared by the tests of MosavoTest.
namespace mosavo_test {

const std::vector<Color> paletteColors = {
    { 0.8, 0.8, 0.8, 1.0 },
    { 1.0, 0.0, 0.0, 1.0 },
    { 0.0, 1.0, 0.0, 1.0 },
    { 0.0, 0.0, 1.0, 1.0 },
};

inline PalettePtr makePalette()
{
    auto palette = std::make_shared<NESPalette>();
    std::vector<ColorEntry> entries;
    for (size_t i = 0; i < paletteColors.size(); ++i)
        entries.push_back({ int64_t(0x20 + i), paletteColors[i] });
    palette->setPalette(entries);
    return palette;
}

// count tiles of random colour indices (fixed seed); blank tiles when blank is set.
inline std::shared_ptr<NESTileDataCollection> makeTiles(size_t count, bool blank = false)
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

inline std::vector<Matrix> deepCopy(const TileData &data)
{
    std::vector<Matrix> copy;
    for (const MatrixPtr &tile : data.matrices())
        copy.push_back(*tile);
    return copy;
}

inline Matrix tileOfBlock(const Matrix &block, int64_t tileRow, int64_t tileColumn)
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

inline void press(Mosavo &editor, QPoint at)
{
    QTest::mousePress(&editor, Qt::LeftButton, {}, at);
}

// Sent directly so the held button travels with the move on every Qt version.
inline void drag(Mosavo &editor, QPoint to)
{
    QMouseEvent event(
        QEvent::MouseMove, QPointF(to), editor.mapToGlobal(QPointF(to)), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&editor, &event);
}

inline void release(Mosavo &editor, QPoint at)
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

} // namespace mosavo_test
