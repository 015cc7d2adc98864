// Painting the screen editor at 3x: a full screen of real tiles with every grid shown (and without them), as a ratio
// to painting the same area blank (target: at most 3 times, printed after the table); and a stamp gesture (the screen
// changed under a 4 x 4 block, its cells composed again) with its repaint.
#include "BenchSupport.h"

#include "screen/ScreenEditor.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>

using namespace mosavo;

namespace {

PatternTables sampleTiles()
{
    QFile file(QStringLiteral(KESTOVA_SOURCE_DIR "/tests/data/chr/full_game.chr"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    return PatternTables::fromChr(std::span(reinterpret_cast<const uint8_t *>(bytes.data()), size_t(bytes.size())));
}

Screen fullScreen()
{
    Screen screen;
    for (int i = 0; i < Screen::tileCount; ++i)
        screen.tiles[size_t(i)] = uint8_t(i * 7);
    for (int i = 0; i < Screen::attributeCount; ++i)
        screen.attributes[size_t(i)] = uint8_t(i * 37);
    return screen;
}

void setUp(ScreenEditor &editor, bool grids = true)
{
    editor.setPatternTables(sampleTiles());
    PaletteBytes palette {};
    for (size_t i = 0; i < palette.size(); ++i)
        palette[i] = uint8_t((i * 7 + 0x0F) & 0x3F);
    editor.setPalette(palette);
    editor.setScreen(fullScreen());
    editor.setScale(3);
    editor.setShowsTileGrid(grids);
    editor.setShowsAttributeGrid(grids);
    editor.setShowsAttributeByteGrid(grids);
    editor.resize(editor.sizeHint());
}

// The baseline: a widget of the same 768 x 720 area that paints it blank, repainted the same way.
class BlankArea : public QWidget
{
protected:
    void paintEvent(QPaintEvent *event) override
    {
        QPainter painter(this);
        painter.fillRect(event->rect(), Qt::black);
    }
};

// The view repainted (the composed screen, with or without the three grids), each time followed by the blank area of
// the same size: "ratio" is how much longer the screen took.
void paintAgainstBlank(benchmark::State &state, bool grids)
{
    ScreenEditor editor;
    setUp(editor, grids);
    BlankArea blank;
    blank.resize(editor.size());
    QImage screenTarget(editor.size(), QImage::Format_RGB32);
    QImage blankTarget(blank.size(), QImage::Format_RGB32);
    bench_support::timeAgainst(
        state, "ratio",
        [&] {
            editor.render(&screenTarget);
            benchmark::DoNotOptimize(screenTarget.bits());
        },
        [&] {
            blank.render(&blankTarget);
            benchmark::DoNotOptimize(blankTarget.bits());
        });
}

void BM_PaintFullScreenAt3x(benchmark::State &state)
{
    paintAgainstBlank(state, true);
}
BENCHMARK(BM_PaintFullScreenAt3x)->Unit(benchmark::kMicrosecond);

void BM_PaintFullScreenAt3xWithoutGrids(benchmark::State &state)
{
    paintAgainstBlank(state, false);
}
BENCHMARK(BM_PaintFullScreenAt3xWithoutGrids)->Unit(benchmark::kMicrosecond);

// One stamp gesture: a 4 x 4 block put at a new cell, the changed cells composed again, the view repainted.
void BM_StampGestureAt3x(benchmark::State &state)
{
    ScreenEditor editor;
    setUp(editor);
    Screen screen = fullScreen();
    int step = 0;
    bench_support::renderEachIteration(state, editor, editor.size(), [&] {
        const int column = (step * 5) % 28;
        const int row = (step * 3) % 26;
        ++step;
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                screen.setTile(column + c, row + r, uint8_t(step + r * 16 + c));
        editor.updateScreen(screen);
    });
}
BENCHMARK(BM_StampGestureAt3x)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    return bench_support::runWidgetBenchmarks(
        argc, argv, { { "BM_PaintFullScreenAt3x", 3.0 }, { "BM_PaintFullScreenAt3xWithoutGrids", 3.0 } });
}
