// Painting and configuring the tile viewer.
//
// Painting is measured on a shown, headless viewer whose viewport is 512 x 768 (cells of side 31, 16 x 24 cells in
// view), against painting the same area with no tiles: the unconfigured viewer and a plain widget of the same size.

#include "BenchSupport.h"

#include "core/NESTileDataCollection.h"
#include "palette/NESColors.h"
#include "palette/NESPalette.h"
#include "viewer/TileCollection.h"

#include <QApplication>
#include <QScrollBar>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <chrono>
#include <random>

using namespace mosavo;

namespace {

class NullDelegate : public TileCollectionDelegate
{
public:
    void selected(TileCollection *, const std::vector<std::vector<int64_t>> &) override { }
};

// Shows a widget and waits (briefly) until its window is exposed.
void showExposed(QWidget &widget)
{
    widget.show();
    for (int i = 0; i < 100 && !(widget.windowHandle() && widget.windowHandle()->isExposed()); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::processEvents();
}

TileDataPtr randomTiles(int64_t count)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int64_t> pixel(0, 3);
    std::vector<MatrixPtr> matrices;
    matrices.reserve(size_t(count));
    for (int64_t n = 0; n < count; ++n) {
        MatrixPtr tile = Matrix::make(8, 8);
        for (int64_t &cell : tile->cells())
            cell = pixel(random);
        matrices.push_back(std::move(tile));
    }
    return std::make_shared<NESTileDataCollection>(std::move(matrices));
}

const TileDataPtr &manyTiles()
{
    static const TileDataPtr tiles = randomTiles(65536);
    return tiles;
}

// A shown viewer with a 512 x 768 viewport, configured with tiles unless they are null.
struct Viewer
{
    explicit Viewer(const TileDataPtr &tiles)
    {
        viewer.resize(512 + viewer.verticalScrollBar()->sizeHint().width(), 768);
        showExposed(viewer);
        viewer.setTileCollectionDelegate(&delegate);
        if (tiles) {
            viewer.configure(tiles);
            viewer.scrollToTile(32768);
        }
        QCoreApplication::processEvents();
    }
    void paint() { viewer.viewport()->repaint(); }

    NullDelegate delegate;
    TileCollection viewer;
};

void BM_PaintPlainWidget(benchmark::State &state)
{
    QWidget widget;
    widget.setAutoFillBackground(true);
    widget.resize(512, 768);
    showExposed(widget);
    for (auto _ : state)
        widget.repaint();
}
BENCHMARK(BM_PaintPlainWidget)->Unit(benchmark::kMicrosecond);

void BM_PaintViewerWithoutTiles(benchmark::State &state)
{
    Viewer blank(nullptr);
    for (auto _ : state)
        blank.paint();
}
BENCHMARK(BM_PaintViewerWithoutTiles)->Unit(benchmark::kMicrosecond);

// Tiles in view, as when scrolling back and forth or repainting after a selection.
void BM_PaintViewerOf65536Tiles(benchmark::State &state)
{
    Viewer tiles(manyTiles());
    Viewer blank(nullptr);
    bench_support::timeAgainst(
        state, "ratio_to_blank", [&] { tiles.paint(); }, [&] { blank.paint(); });
}
BENCHMARK(BM_PaintViewerOf65536Tiles)->Unit(benchmark::kMicrosecond);

// Every tile in view made again from its matrix (after a reload, or scrolled into view for the first time).
void BM_PaintViewerOf65536TilesAfterReload(benchmark::State &state)
{
    Viewer tiles(manyTiles());
    Viewer blank(nullptr);
    bench_support::timeAgainst(
        state, "ratio_to_blank",
        [&] {
            tiles.viewer.reloadData();
            tiles.paint();
        },
        [&] { blank.paint(); });
}
BENCHMARK(BM_PaintViewerOf65536TilesAfterReload)->Unit(benchmark::kMicrosecond);

// The tiles in view drawn in a sub-palette, laid out as 8x16 sprites.
void BM_PaintPaletteTrueSprites(benchmark::State &state)
{
    Viewer tiles(manyTiles());
    tiles.viewer.setDisplayPalette(NESPalette::fromData({ 0x0F, 0x16, 0x27, 0x30 }));
    tiles.viewer.setArrangement(TileArrangement::sprites8x16);
    Viewer blank(nullptr);
    bench_support::timeAgainst(
        state, "ratio_to_blank", [&] { tiles.paint(); }, [&] { blank.paint(); });
}
BENCHMARK(BM_PaintPaletteTrueSprites)->Unit(benchmark::kMicrosecond);

// A colour pick: the shared sub-palette changes one colour in place, the viewer refreshes its colours and repaints.
void BM_RefreshColorsAfterAColourPick(benchmark::State &state)
{
    Viewer tiles(manyTiles());
    const auto palette = NESPalette::fromData({ 0x0F, 0x16, 0x27, 0x30 });
    tiles.viewer.setDisplayPalette(palette);
    Viewer blank(nullptr);
    bool light = false;
    bench_support::timeAgainst(
        state, "ratio_to_blank",
        [&] {
            // Two different colours in turn, so that every pick changes what is shown.
            light = !light;
            const int64_t pick = light ? 0x21 : 0x2A;
            std::vector<ColorEntry> entries = palette->palette();
            entries[2] = { pick, *nesColor(pick) };
            palette->setPalette(std::move(entries));
        },
        [&] {
            tiles.viewer.refreshColors();
            tiles.paint();
        },
        [&] { blank.paint(); });
}
BENCHMARK(BM_RefreshColorsAfterAColourPick)->Unit(benchmark::kMicrosecond);

// Scrolling down by one row: the view moves its pixels and paints the uncovered row, whose 16 tiles are new.
void BM_ScrollByOneRow(benchmark::State &state)
{
    Viewer tiles(manyTiles());
    QScrollBar *bar = tiles.viewer.verticalScrollBar();
    const int pitch = TileCollection::cellPitchForWidth(tiles.viewer.viewport()->width());
    for (auto _ : state) {
        if (bar->value() + pitch > bar->maximum())
            bar->setValue(0);
        bar->setValue(bar->value() + pitch);
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_ScrollByOneRow)->Unit(benchmark::kMicrosecond);

// Configuring: the grid size and the selection, nothing per tile. The argument is the tile count.
void BM_Configure(benchmark::State &state)
{
    const TileDataPtr tiles = state.range(0) == 65536 ? manyTiles() : randomTiles(state.range(0));
    Viewer viewer(nullptr);
    for (auto _ : state)
        viewer.viewer.configure(tiles);
    QCoreApplication::processEvents();
}
BENCHMARK(BM_Configure)->Arg(512)->Arg(65536)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    return bench_support::runWidgetBenchmarks(argc, argv);
}
