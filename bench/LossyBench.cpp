// Lossy screen conversion of generated 256 x 240 pictures (gradients, noise, shapes, generated photographs):
// - the time of one conversion with each dithering;
// - after the table, the perceptual error of the program's conversion against a straightforward converter written
//   here (every pixel its nearest display colour, the universal background colour the most common, four
//   sub-palettes by clustering the areas' most used colours, the best sub-palette per area, tiles merged greedily by
//   the fewest differing pixels), both held to the 256 tiles of an empty pattern table. Target: a mean error no worse
//   than the straightforward converter's on every picture (within 0.001, a twentieth of the smallest difference one
//   sees), and on the gradients clearly better (at most 0.8 times) with dithering.

#include "convert/LossyScreenConversion.h"
#include "convert/PaletteClustering.h"
#include "core/FrameRenderer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <queue>
#include <random>
#include <string>
#include <vector>

using namespace mosavo;

namespace {

constexpr int W = 256, H = 240;
using Picture = std::vector<uint8_t>;

struct Generated
{
    const char *name;
    bool gradient;
    Picture pixels;
};

void put(Picture &p, int x, int y, double r, double g, double b)
{
    const auto byte = [](double v) { return uint8_t(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); };
    uint8_t *q = &p[size_t(y * W + x) * 4];
    q[0] = byte(r), q[1] = byte(g), q[2] = byte(b), q[3] = 255;
}

// Smooth value noise of several octaves, 0-1.
class ValueNoise
{
public:
    explicit ValueNoise(unsigned seed)
    {
        std::mt19937 random(seed);
        for (double &v : lattice_)
            v = std::uniform_real_distribution<double>(0, 1)(random);
    }
    double operator()(double x, double y) const
    {
        double total = 0, scale = 1, weight = 0.5;
        for (int octave = 0; octave < 5; ++octave, scale *= 2, weight *= 0.5)
            total += weight * smooth(x * scale, y * scale);
        return total / 0.97;
    }

private:
    double at(int x, int y) const { return lattice_[size_t((x & 63) + (y & 63) * 64)]; }
    double smooth(double x, double y) const
    {
        const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
        const double fx = x - x0, fy = y - y0;
        const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
        const double top = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * sx;
        const double bottom = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * sx;
        return top + (bottom - top) * sy;
    }
    std::array<double, 64 * 64> lattice_ {};
};

std::vector<Generated> pictures()
{
    std::vector<Generated> all;
    const auto make
        = [&](const char *name, bool gradient, const std::function<void(int, int, double &, double &, double &)> &f) {
              Picture p(size_t(W * H * 4));
              for (int y = 0; y < H; ++y)
                  for (int x = 0; x < W; ++x) {
                      double r = 0, g = 0, b = 0;
                      f(x, y, r, g, b);
                      put(p, x, y, r, g, b);
                  }
              all.push_back({ name, gradient, std::move(p) });
          };
    make("grey gradient", true, [](int x, int, double &r, double &g, double &b) { r = g = b = x / 255.0; });
    make("sky gradient", true, [](int x, int y, double &r, double &g, double &b) {
        r = 0.15 + 0.8 * y / 240.0, g = 0.3 + 0.3 * x / 256.0, b = 0.95 - 0.7 * y / 240.0;
    });
    std::mt19937 random(11);
    std::vector<double> noise(size_t(W * H * 3));
    for (double &v : noise)
        v = std::uniform_real_distribution<double>(0, 1)(random);
    make("noise", false, [&](int x, int y, double &r, double &g, double &b) {
        const size_t i = size_t(y * W + x) * 3;
        r = noise[i], g = noise[i + 1] * 0.6, b = noise[i + 2];
    });
    make("shapes", false, [](int x, int y, double &r, double &g, double &b) {
        r = 0.1, g = 0.1, b = 0.3;
        if (std::hypot(x - 80, y - 90) < 50)
            r = 0.9, g = 0.2, b = 0.1;
        if (x > 140 && x < 230 && y > 40 && y < 120)
            r = 0.2, g = 0.8, b = 0.3;
        if (std::abs(x - 128 + (y - 180)) < 12 && y > 130)
            r = 1.0, g = 0.9, b = 0.2;
        if (y > 200)
            r = 0.5, g = 0.35, b = 0.2;
    });
    const ValueNoise hills(5), clouds(9);
    make("photograph: landscape", false, [&](int x, int y, double &r, double &g, double &b) {
        const double ridge = 130 + 40 * hills(x / 96.0, 0.5);
        if (y < ridge) {
            const double cloud = std::clamp(clouds(x / 64.0, y / 48.0) * 1.6 - 0.6, 0.0, 1.0);
            r = 0.35 + 0.4 * y / ridge, g = 0.55 + 0.25 * y / ridge, b = 0.95;
            r += (1 - r) * cloud, g += (1 - g) * cloud, b += (1 - b) * cloud;
            if (std::hypot(x - 200, y - 40) < 18)
                r = 1.0, g = 0.95, b = 0.7;
        } else {
            const double t = hills(x / 24.0, y / 24.0);
            r = 0.15 + 0.3 * t, g = 0.35 + 0.35 * t - (y - ridge) / 600.0, b = 0.1 + 0.1 * t;
        }
    });
    const ValueNoise skin(21), background(33);
    make("photograph: portrait", false, [&](int x, int y, double &r, double &g, double &b) {
        const double face = std::hypot((x - 128) / 60.0, (y - 110) / 80.0);
        const double t = background(x / 80.0, y / 80.0);
        r = 0.2 + 0.3 * t, g = 0.25 + 0.2 * t, b = 0.4 + 0.3 * t;
        if (face < 1.0) {
            const double shade
                = 0.75 + 0.25 * std::cos(face * 1.5) - (x - 128) / 400.0 + 0.05 * skin(x / 16.0, y / 16.0);
            r = 0.95 * shade, g = 0.72 * shade, b = 0.58 * shade;
            if (std::hypot(x - 105, y - 95) < 7 || std::hypot(x - 151, y - 95) < 7)
                r = 0.15, g = 0.1, b = 0.08;
        }
        if (y > 200 && std::abs(x - 128) < 90)
            r = 0.3, g = 0.1, b = 0.45 + 0.2 * skin(x / 30.0, y / 10.0);
    });
    return all;
}

const std::vector<Generated> &generated()
{
    static const std::vector<Generated> all = pictures();
    return all;
}

// Mean errors this close count as the same: a twentieth of the smallest difference one sees.
constexpr double sameError = 0.001;

struct Measured
{
    double mean = 0, worst = 0;
    int tiles = 0;
};

Measured measure(
    const Picture &source, const std::vector<uint8_t> &frameColors, const DisplayColors &display, int tiles)
{
    std::vector<uint8_t> result;
    for (const uint8_t number : frameColors) {
        const Rgb8 rgb = display.rgb(number);
        result.insert(result.end(), { rgb.red, rgb.green, rgb.blue, 255 });
    }
    ConversionQuality quality;
    measureError(source, result, W, H, quality);
    return { quality.meanError, quality.worstError, tiles };
}

// The straightforward converter.
Measured straightforward(const Picture &source, const DisplayColors &display)
{
    const std::vector<CandidateColor> candidates = candidateColors(display, emphasisNone);
    const size_t n = candidates.size();
    std::vector<Oklab> labs(size_t(W * H));
    std::vector<int> nearest(size_t(W * H));
    std::vector<int> uses(n);
    for (size_t i = 0; i < labs.size(); ++i) {
        labs[i] = toOklab(Rgb8 { source[i * 4], source[i * 4 + 1], source[i * 4 + 2] });
        int best = 0;
        for (size_t c = 1; c < n; ++c)
            if (squaredDistance(labs[i], candidates[c].lab) < squaredDistance(labs[i], candidates[size_t(best)].lab))
                best = int(c);
        nearest[i] = best;
        ++uses[size_t(best)];
    }
    const int backdrop = int(std::max_element(uses.begin(), uses.end()) - uses.begin());
    const auto areaOf = [](size_t i) { return size_t((int(i) / W / 16) * 16 + (int(i) % W) / 16); };
    // Each area's use of each nearest colour.
    std::vector<std::vector<int>> areaUses(240, std::vector<int>(n));
    for (size_t i = 0; i < labs.size(); ++i)
        ++areaUses[areaOf(i)][size_t(nearest[i])];
    const auto topThree = [&](const std::vector<int> &counts) {
        std::vector<int> order(n);
        for (size_t c = 0; c < n; ++c)
            order[c] = int(c);
        std::stable_sort(
            order.begin(), order.end(), [&](int a, int b) { return counts[size_t(a)] > counts[size_t(b)]; });
        std::array<int, 3> top {};
        size_t k = 0;
        for (const int c : order)
            if (c != backdrop && k < 3)
                top[k++] = c;
        return top;
    };
    const auto areaCost = [&](size_t area, const std::array<int, 3> &palette) {
        double cost = 0;
        for (size_t c = 0; c < n; ++c)
            if (areaUses[area][c]) {
                double best = squaredDistance(candidates[c].lab, candidates[size_t(backdrop)].lab);
                for (const int p : palette)
                    best = std::min(best, squaredDistance(candidates[c].lab, candidates[size_t(p)].lab));
                cost += best * areaUses[area][c];
            }
        return cost;
    };
    // k-means: the four most common area sets to start, palettes the top three colours of their areas.
    std::map<std::array<int, 3>, int> sets;
    for (size_t area = 0; area < 240; ++area)
        ++sets[topThree(areaUses[area])];
    std::vector<std::pair<int, std::array<int, 3>>> bySize;
    for (const auto &[set, count] : sets)
        bySize.push_back({ count, set });
    std::stable_sort(bySize.begin(), bySize.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
    std::vector<std::array<int, 3>> palettes;
    for (size_t p = 0; p < 4; ++p)
        palettes.push_back(bySize[std::min(p, bySize.size() - 1)].second);
    std::vector<int> areaPalette(240);
    for (int round = 0; round < 8; ++round) {
        for (size_t area = 0; area < 240; ++area) {
            int best = 0;
            for (int p = 1; p < 4; ++p)
                if (areaCost(area, palettes[size_t(p)]) < areaCost(area, palettes[size_t(best)]))
                    best = p;
            areaPalette[area] = best;
        }
        for (size_t p = 0; p < 4; ++p) {
            std::vector<int> counts(n);
            bool any = false;
            for (size_t area = 0; area < 240; ++area)
                if (areaPalette[area] == int(p)) {
                    any = true;
                    for (size_t c = 0; c < n; ++c)
                        counts[c] += areaUses[area][c];
                }
            if (any)
                palettes[p] = topThree(counts);
        }
    }
    // Pixels to the nearest of their area's four colours.
    std::vector<std::array<uint8_t, 64>> cells(960);
    for (size_t i = 0; i < labs.size(); ++i) {
        const int x = int(i) % W, y = int(i) / W;
        const auto &palette = palettes[size_t(areaPalette[areaOf(i)])];
        const std::array<int, 4> colors { backdrop, palette[0], palette[1], palette[2] };
        int best = 0;
        for (int k = 1; k < 4; ++k)
            if (squaredDistance(labs[i], candidates[size_t(colors[size_t(k)])].lab)
                < squaredDistance(labs[i], candidates[size_t(colors[size_t(best)])].lab))
                best = k;
        cells[size_t((y / 8) * 32 + x / 8)][size_t((y % 8) * 8 + x % 8)] = uint8_t(best);
    }
    // Greedy merging: the pair of tiles with the fewest differing pixels, the later one replaced by the earlier.
    std::map<std::array<uint8_t, 64>, int> distinct;
    std::vector<std::array<uint8_t, 64>> tiles;
    std::vector<int> cellTile(960);
    for (size_t cell = 0; cell < 960; ++cell) {
        const auto [entry, added] = distinct.emplace(cells[cell], int(tiles.size()));
        if (added)
            tiles.push_back(cells[cell]);
        cellTile[cell] = entry->second;
    }
    std::vector<int> replacedBy(tiles.size(), -1);
    using Pair = std::tuple<int, int, int>;
    std::priority_queue<Pair, std::vector<Pair>, std::greater<>> pairs;
    for (size_t a = 0; a < tiles.size(); ++a)
        for (size_t b = a + 1; b < tiles.size(); ++b) {
            int differ = 0;
            for (size_t px = 0; px < 64; ++px)
                differ += tiles[a][px] != tiles[b][px];
            pairs.push({ differ, int(a), int(b) });
        }
    int alive = int(tiles.size());
    while (alive > 256 && !pairs.empty()) {
        const auto [differ, a, b] = pairs.top();
        pairs.pop();
        if (replacedBy[size_t(a)] >= 0 || replacedBy[size_t(b)] >= 0)
            continue;
        replacedBy[size_t(b)] = a;
        --alive;
    }
    PatternTables patterns;
    Screen screen;
    std::map<int, int> number;
    for (size_t cell = 0; cell < 960; ++cell) {
        int tile = cellTile[cell];
        while (replacedBy[size_t(tile)] >= 0)
            tile = replacedBy[size_t(tile)];
        const auto [entry, added] = number.emplace(tile, int(number.size()));
        if (added)
            std::copy(
                tiles[size_t(tile)].begin(), tiles[size_t(tile)].end(), patterns.pixels.begin() + entry->second * 64);
        screen.tiles[cell] = uint8_t(entry->second);
    }
    PaletteBytes bytes {};
    for (size_t p = 0; p < 4; ++p) {
        bytes[p * 4] = candidates[size_t(backdrop)].number;
        for (size_t i = 0; i < 3; ++i)
            bytes[p * 4 + 1 + i] = candidates[size_t(palettes[p][i])].number;
    }
    for (size_t area = 0; area < 240; ++area)
        screen.setSubPalette(int(area % 16) * 2, int(area / 16) * 2, areaPalette[area]);
    return measure(source, renderBackground(patterns, screen, bytes).colors, display, int(number.size()));
}

Measured ours(const Picture &source, const DisplayColors &display, Dithering dithering)
{
    const PatternTables patterns;
    ScreenPictureRequest request;
    request.rgba = source;
    request.width = W;
    request.height = H;
    request.displayColors = &display;
    request.patterns = &patterns;
    const ScreenConversionResult result = convertScreenPictureLossy(request, { dithering, {}, {} });
    if (!result)
        return { 1.0, 1.0, 0 };
    return { result.conversion->quality->meanError, result.conversion->quality->worstError,
        result.conversion->quality->tilesUsed };
}

void BM_LossyScreen(benchmark::State &state)
{
    const DisplayColors display;
    const Generated &picture = generated()[size_t(state.range(0))];
    const auto dithering = Dithering(state.range(1));
    for (auto _ : state)
        benchmark::DoNotOptimize(ours(picture.pixels, display, dithering));
    state.SetLabel(std::string(picture.name) + ", " + ditheringName(dithering));
}
BENCHMARK(BM_LossyScreen)
    ->ArgsProduct({ { 1, 2, 4 }, { int(Dithering::none), int(Dithering::ordered), int(Dithering::diffusion) } })
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

void printErrorTable()
{
    const DisplayColors display;
    std::printf("\nMean (worst area) perceptual error, OKLab, tiles used:\n");
    std::printf("%-24s %-22s %-22s %-22s %-22s\n", "picture", "straightforward", "ours, none", "ours, ordered",
        "ours, diffusion");
    bool met = true;
    for (const Generated &picture : generated()) {
        const Measured base = straightforward(picture.pixels, display);
        const Measured none = ours(picture.pixels, display, Dithering::none);
        const Measured ordered = ours(picture.pixels, display, Dithering::ordered);
        const Measured diffusion = ours(picture.pixels, display, Dithering::diffusion);
        const auto cell = [](const Measured &m) {
            char text[40];
            std::snprintf(text, sizeof text, "%.5f (%.3f) %3d", m.mean, m.worst, m.tiles);
            return std::string(text);
        };
        const bool noWorse = none.mean <= base.mean + sameError;
        const bool better = !picture.gradient || std::min(ordered.mean, diffusion.mean) <= 0.8 * base.mean;
        met = met && noWorse && better;
        std::printf("%-24s %-22s %-22s %-22s %-22s%s\n", picture.name, cell(base).c_str(), cell(none).c_str(),
            cell(ordered).c_str(), cell(diffusion).c_str(), noWorse && better ? "" : "  MISSED");
    }
    std::printf("Target (no worse than straightforward within %.3f; gradients at most 0.8 times with dithering): %s\n",
        sameError, met ? "met" : "MISSED");
}

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printErrorTable();
    return 0;
}
