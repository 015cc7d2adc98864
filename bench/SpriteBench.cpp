// Painting the metasprite editor at 8x over a screen: a 64-sprite metasprite with overflowing rows, its frame rendered
// through the frame renderer, the overlays drawn.
#include "BenchSupport.h"

#include "core/ConsoleDataFactory.h"
#include "sprite/MetaspriteEditor.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QImage>
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

Metasprite bigMetasprite()
{
    Metasprite metasprite { "big", {} };
    for (int i = 0; i < 64; ++i)
        metasprite.sprites.push_back(
            { (i % 16) * 8 - 64, (i / 16) * 8 - 16, uint8_t(i), 4 + i % 4, i % 3 == 0, i % 5 == 0, i % 7 == 0 });
    return metasprite;
}

void setUp(MetaspriteEditor &editor)
{
    editor.setPatternTables(sampleTiles());
    PaletteBytes palette {};
    for (size_t i = 0; i < palette.size(); ++i)
        palette[i] = uint8_t((i * 7 + 0x0F) & 0x3F);
    editor.setPalette(palette);
    Screen screen;
    for (int i = 0; i < Screen::tileCount; ++i)
        screen.tiles[size_t(i)] = uint8_t(i);
    editor.setBackground(screen);
    editor.setZoom(8);
}

// Repainting the whole view as it is (the overlays over the cached frame).
void BM_PaintMetaspriteEditorAt8x(benchmark::State &state)
{
    MetaspriteEditor editor;
    setUp(editor);
    editor.setMetasprite(bigMetasprite());
    bench_support::renderEachIteration(state, editor, editor.sizeHint());
}
BENCHMARK(BM_PaintMetaspriteEditorAt8x)->Unit(benchmark::kMillisecond);

// One edit: the frame rendered again (background, 64 sprites, overflow rows) and the view repainted.
void BM_EditAndPaintMetaspriteEditorAt8x(benchmark::State &state)
{
    MetaspriteEditor editor;
    setUp(editor);
    Metasprite metasprite = bigMetasprite();
    bench_support::renderEachIteration(state, editor, editor.sizeHint(), [&] {
        metasprite.sprites[0].x ^= 1;
        editor.setMetasprite(metasprite);
    });
}
BENCHMARK(BM_EditAndPaintMetaspriteEditorAt8x)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return bench_support::runWidgetBenchmarks(argc, argv);
}
