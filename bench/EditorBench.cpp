// Painting cost of the pixel editor at 16 x 16 tiles in a 1024 x 1024 view (8 screen pixels a tile pixel, as on a large
// screen), against one plain image blit of the same size, and the cost of one pencil drag event including its repaint.
#include "BenchSupport.h"

#include "core/NESTileDataCollection.h"
#include "editor/Mosavo.h"
#include "palette/NESPalette.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <ctime>
#include <random>

using namespace mosavo;

namespace {

constexpr int viewSide = 1024;

std::unique_ptr<Mosavo> makeEditor()
{
    std::mt19937 generator(7);
    std::vector<MatrixPtr> tiles;
    for (int t = 0; t < 256; ++t) {
        auto tile = Matrix::make(8, 8);
        for (int64_t &cell : tile->cells())
            cell = int64_t(generator() % 4);
        tiles.push_back(tile);
    }
    auto palette = std::make_shared<NESPalette>();
    palette->setPalette({ { 0x0F, { 0, 0, 0, 1 } }, { 0x16, { 0.7, 0.1, 0.1, 1 } }, { 0x2A, { 0.3, 0.9, 0.3, 1 } },
        { 0x30, { 1, 1, 1, 1 } } });
    std::vector<int64_t> ids(256);
    for (size_t i = 0; i < ids.size(); ++i)
        ids[i] = int64_t(i);
    auto editor = std::make_unique<Mosavo>();
    editor->setFixedSize(viewSide, viewSide);
    editor->setTileData(std::make_shared<NESTileDataCollection>(tiles));
    editor->setColorPalette(palette);
    editor->setZoomSize(ZoomSize::x16);
    editor->setTileIDs(ids);
    if (editor->update())
        return nullptr;
    return editor;
}

QImage noisyImage(QImage::Format format)
{
    QImage image(viewSide, viewSide, format);
    std::mt19937 generator(3);
    for (int y = 0; y < viewSide; ++y)
        for (int x = 0; x < viewSide; ++x)
            image.setPixel(x, y, generator() | 0xFF000000u);
    return image;
}

// Processor time of this thread: on a busy machine it varies far less than elapsed time.
double threadSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// Processor seconds per QPainter::drawImage of a 1024 x 1024 image onto a 1024 x 1024 target, averaged over many runs.
double secondsPerImageBlit(QImage &target)
{
    const QImage source = noisyImage(QImage::Format_ARGB32_Premultiplied);
    constexpr int runs = 500;
    QPainter painter(&target);
    painter.drawImage(0, 0, source);
    const double start = threadSeconds();
    for (int i = 0; i < runs; ++i)
        painter.drawImage(0, 0, source);
    return (threadSeconds() - start) / runs;
}

void BM_DrawImage1024(benchmark::State &state)
{
    QImage target(viewSide, viewSide, QImage::Format_ARGB32_Premultiplied);
    const QImage source = noisyImage(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&target);
    for (auto _ : state) {
        painter.drawImage(0, 0, source);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DrawImage1024)->Unit(benchmark::kMicrosecond);

// The whole paint of the editor (block image scaled without smoothing, pixel grid, tile grid) through
// QWidget::render, as a ratio to one image blit measured in the same run.
void BM_PaintEditorX16(benchmark::State &state)
{
    auto editor = makeEditor();
    if (!editor) {
        state.SkipWithError("editor did not load");
        return;
    }
    QImage target(viewSide, viewSide, QImage::Format_ARGB32_Premultiplied);
    const double blit = secondsPerImageBlit(target);
    editor->render(&target);
    const double start = threadSeconds();
    for (auto _ : state) {
        editor->render(&target);
        benchmark::ClobberMemory();
    }
    const double perPaint = (threadSeconds() - start) / double(state.iterations());
    state.counters["blit_us"] = blit * 1e6;
    state.counters["paint_us"] = perPaint * 1e6;
    state.counters["ratio_to_drawImage"] = perPaint / blit;
}
BENCHMARK(BM_PaintEditorX16)->Unit(benchmark::kMicrosecond);

// One pencil drag event at x16 (a stroke of about 100 tile pixels between successive positions) plus the repaint it
// asks for, done synchronously.
void BM_PencilDragEventX16(benchmark::State &state)
{
    auto editor = makeEditor();
    if (!editor) {
        state.SkipWithError("editor did not load");
        return;
    }
    editor->show();
    QCoreApplication::processEvents();
    const QPointF start(10, 10);
    QMouseEvent press(
        QEvent::MouseButtonPress, start, editor->mapToGlobal(start), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(editor.get(), &press);
    int step = 0;
    for (auto _ : state) {
        const QPointF to((step % 2) ? 1000.0 : 200.0, 10.0 + double(step % 120) * 8.0);
        ++step;
        QMouseEvent move(QEvent::MouseMove, to, editor->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(editor.get(), &move);
        editor->repaint();
    }
    QMouseEvent release(
        QEvent::MouseButtonRelease, start, editor->mapToGlobal(start), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(editor.get(), &release);
}
BENCHMARK(BM_PencilDragEventX16)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    return bench_support::runWidgetBenchmarks(argc, argv);
}
