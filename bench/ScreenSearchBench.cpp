// The sub-palette search of a screen picture: pictures whose 16 x 16 areas use one to three of 6-12 colours besides
// the backdrop, at random, that no four sub-palettes can cover (target: each refused in under 1 s), and a picture that
// fits (its search as before).
#include "convert/ScreenConversion.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

using namespace mosavo;

namespace {

// The colour numbers of the areas drawn from a pool of `pool` colours (seeded), as RGBA.
std::vector<uint8_t> areaPicture(const DisplayColors &colors, unsigned seed, int pool)
{
    static const uint8_t numbers[] = { 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C,
        0x11, 0x12, 0x13, 0x14 };
    std::mt19937 random(seed);
    std::vector<uint8_t> picture(size_t(256 * 240), 0x0F);
    for (int area = 0; area < 16 * 15; ++area) {
        const int count = 1 + int(random() % 3);
        for (int k = 0; k < count; ++k) {
            const uint8_t number = numbers[random() % unsigned(pool)];
            // One 4 x 4 square of the area a colour.
            const int x0 = (area % 16) * 16 + (k % 4) * 4;
            const int y0 = (area / 16) * 16 + (k / 4) * 4;
            for (int y = y0; y < y0 + 4; ++y)
                for (int x = x0; x < x0 + 4; ++x)
                    picture[size_t(y * 256 + x)] = number;
        }
    }
    std::vector<uint8_t> rgba;
    for (uint8_t number : picture) {
        const Rgb8 rgb = colors.rgb(number);
        rgba.insert(rgba.end(), { rgb.red, rgb.green, rgb.blue, 255 });
    }
    return rgba;
}

ScreenConversionResult convert(const std::vector<uint8_t> &rgba, const DisplayColors &colors, const PatternTables &tiles)
{
    ScreenPictureRequest request;
    request.rgba = rgba;
    request.width = 256;
    request.height = 240;
    request.displayColors = &colors;
    request.patterns = &tiles;
    return convertScreenPicture(request);
}

void BM_RefuseAPictureNoSubPalettesCover(benchmark::State &state)
{
    const DisplayColors colors;
    const PatternTables tiles;
    const auto rgba = areaPicture(colors, unsigned(state.range(0)), 6 + int(state.range(0)) % 7);
    for (auto _ : state) {
        const ScreenConversionResult result = convert(rgba, colors, tiles);
        if (result)
            state.SkipWithError("the picture was expected to be refused");
        benchmark::DoNotOptimize(result.error);
    }
}
BENCHMARK(BM_RefuseAPictureNoSubPalettesCover)->DenseRange(0, 6)->Unit(benchmark::kMillisecond);

void BM_FindSubPalettesForAPictureThatFits(benchmark::State &state)
{
    const DisplayColors colors;
    const PatternTables tiles;
    // Three colours in all besides the backdrop: every area fits one sub-palette.
    const auto rgba = areaPicture(colors, 1, 3);
    for (auto _ : state) {
        const ScreenConversionResult result = convert(rgba, colors, tiles);
        if (!result)
            state.SkipWithError(result.error.c_str());
        benchmark::DoNotOptimize(result.conversion);
    }
}
BENCHMARK(BM_FindSubPalettesForAPictureThatFits)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
