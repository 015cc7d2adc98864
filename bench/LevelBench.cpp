// Levels: importing a picture of 8 x 2 rooms (readPicture, conversion, the document's bytes) against importing one
// screen the way --import-screen-png does (target: at most 4 times), and exporting the level's rooms (map bytes room
// by room, each packed, and every room's nametable) against the same screen import (target: at most 2 times). The
// picture is of 16 x 16 blocks of 40 kinds in three sub-palettes; the screen is its first room.
#include "BenchSupport.h"

#include "app/levels/LevelImport.h"
#include "app/screens/ScreenImport.h"
#include "formats/LevelTables.h"
#include "formats/PictureCodec.h"
#include "palette/PaletteFactory.h"

#include <benchmark/benchmark.h>

#include <QBuffer>

#include <random>

using namespace mosavo;

namespace {

QImage levelPicture(int roomsWide, int roomsHigh)
{
    const std::array<std::array<int, 4>, 3> palettes
        = { { { 0x0F, 0x06, 0x16, 0x26 }, { 0x0F, 0x01, 0x11, 0x21 }, { 0x0F, 0x0A, 0x1A, 0x2A } } };
    const DisplayColors colors;
    QImage image(roomsWide * 256, roomsHigh * 240, QImage::Format_RGB32);
    for (int row = 0; row < roomsHigh * 15; ++row)
        for (int column = 0; column < roomsWide * 16; ++column) {
            const int kind = (column * 5 + row * 3) % 40;
            std::mt19937 random(static_cast<unsigned>(kind));
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                    image.setPixel(column * 16 + x, row * 16 + y,
                        0xFF000000u | colors.rgb24(palettes[size_t(kind % 3)][random() % 4]));
        }
    return image;
}

QByteArray pngOf(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

struct Pictures
{
    Bytes level;
    Bytes screen;
};

const Pictures &pictures()
{
    static const Pictures made = [] {
        const QImage level = levelPicture(8, 2);
        const QByteArray levelPng = pngOf(level);
        const QByteArray screenPng = pngOf(level.copy(0, 0, 256, 240));
        return Pictures { Bytes(levelPng.begin(), levelPng.end()), Bytes(screenPng.begin(), screenPng.end()) };
    }();
    return made;
}

QImage decoded(const Bytes &png)
{
    auto read = readPicture(png, [](QSize) { return std::optional<QString> {}; });
    return std::get<QImage>(std::move(read));
}

// --import-screen-png of one room into a new document.
void importScreen()
{
    auto document = kestova::EditorViewControllerSettings::emptyConsoleObject(ConsoleType::nes);
    auto converted = kestova::convertScreenImage(
        decoded(pictures().screen), *document, currentDisplayColors(), currentDisplayEmphasis(), std::nullopt, 0, "s");
    kestova::applyScreenConversion(*document, std::get<ScreenConversion>(converted));
    benchmark::DoNotOptimize(document->documentBytes());
}

kestova::SettingsPtr importLevel()
{
    auto document = kestova::EditorViewControllerSettings::emptyConsoleObject(ConsoleType::nes);
    auto converted = kestova::convertLevelImage(
        decoded(pictures().level), *document, currentDisplayColors(), currentDisplayEmphasis(), std::nullopt, 0, "l");
    kestova::applyLevelConversion(*document, std::move(std::get<LevelConversion>(converted)));
    benchmark::DoNotOptimize(document->documentBytes());
    return document;
}

void BM_ImportLevelAgainstScreen(benchmark::State &state)
{
    bench_support::timeAgainst(
        state, "ratio", [] { importLevel(); }, importScreen);
}

void BM_ExportRoomsAgainstScreenImport(benchmark::State &state)
{
    const auto document = importLevel();
    const LevelMap &map = document->levelMaps()[0];
    const MetatileSet &set = document->metatileSets()[0];
    bench_support::timeAgainst(
        state, "ratio",
        [&] {
            benchmark::DoNotOptimize(packRooms(levelMapBytes(map, true)));
            for (int room = 0; room < map.roomCount(); ++room)
                benchmark::DoNotOptimize(roomScreen(map, set, room).nametableBytes());
        },
        importScreen);
}

BENCHMARK(BM_ImportLevelAgainstScreen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportRoomsAgainstScreenImport)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return bench_support::runWidgetBenchmarks(
        argc, argv, { { "BM_ImportLevelAgainstScreen", 4.0 }, { "BM_ExportRoomsAgainstScreenImport", 2.0 } });
}
