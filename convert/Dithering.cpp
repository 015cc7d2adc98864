#include "convert/Dithering.h"

#include <algorithm>

namespace mosavo {

namespace {

// The 8 x 8 Bayer matrix: the order in which a pattern's pixels turn to the second colour.
constexpr int bayer[8][8] = {
    { 0, 32, 8, 40, 2, 34, 10, 42 },
    { 48, 16, 56, 24, 50, 18, 58, 26 },
    { 12, 44, 4, 36, 14, 46, 6, 38 },
    { 60, 28, 52, 20, 62, 30, 54, 22 },
    { 3, 35, 11, 43, 1, 33, 9, 41 },
    { 51, 19, 59, 27, 49, 17, 57, 25 },
    { 15, 47, 7, 39, 13, 45, 5, 37 },
    { 63, 31, 55, 23, 61, 29, 53, 21 },
};
// Mixing two colours that differ this much (squared OKLab distance) costs as much as missing by one unit: patterns
// of far-apart colours (black and white for grey) are kept for where nothing nearer mixes.
constexpr double mixPenalty = 0.06;
// How much of a pixel's error diffusion passes on (all of it lets errors run into streaks in flat areas).
constexpr double diffusedShare = 0.9;

int orderedIndex(const DitherPalette &palette, const LinearRgb &pixel, int x, int y)
{
    const Oklab target = toOklab(pixel);
    int first = nearestColor(palette, target), second = first;
    double bestShare = 0.0;
    double best = squaredDistance(target, palette.lab[size_t(first)]);
    for (size_t i = 0; i < palette.linear.size(); ++i)
        for (size_t j = i + 1; j < palette.linear.size(); ++j) {
            const LinearRgb &a = palette.linear[i], &b = palette.linear[j];
            const double dr = b.red - a.red, dg = b.green - a.green, db = b.blue - a.blue;
            const double length = dr * dr + dg * dg + db * db;
            if (length <= 0.0)
                continue;
            const double share = std::clamp(
                ((pixel.red - a.red) * dr + (pixel.green - a.green) * dg + (pixel.blue - a.blue) * db) / length, 0.0,
                1.0);
            const Oklab mixed = toOklab(LinearRgb { a.red + share * dr, a.green + share * dg, a.blue + share * db });
            const double cost = squaredDistance(target, mixed)
                + mixPenalty * share * (1.0 - share) * squaredDistance(palette.lab[i], palette.lab[j]);
            if (cost < best) {
                best = cost;
                first = int(i);
                second = int(j);
                bestShare = share;
            }
        }
    return bestShare * 64.0 > bayer[y & 7][x & 7] + 0.5 ? second : first;
}

} // namespace

std::optional<Dithering> ditheringNamed(const std::string &name)
{
    if (name == "none")
        return Dithering::none;
    if (name == "ordered")
        return Dithering::ordered;
    if (name == "diffusion")
        return Dithering::diffusion;
    return std::nullopt;
}

const char *ditheringName(Dithering dithering)
{
    switch (dithering) {
    case Dithering::ordered:
        return "ordered";
    case Dithering::diffusion:
        return "diffusion";
    case Dithering::none:
        break;
    }
    return "none";
}

int nearestColor(const DitherPalette &palette, const Oklab &lab)
{
    int nearest = 0;
    for (size_t i = 1; i < palette.lab.size(); ++i)
        if (squaredDistance(lab, palette.lab[i]) < squaredDistance(lab, palette.lab[size_t(nearest)]))
            nearest = int(i);
    return nearest;
}

std::vector<uint8_t> ditherToPalettes(const DitherRequest &request, Dithering dithering)
{
    const int width = request.width, height = request.height;
    std::vector<uint8_t> indices(size_t(width) * size_t(height), 0);
    const auto paletteAt = [&](size_t at) -> const DitherPalette * {
        const int p = request.paletteOf[at];
        return p >= 0 && size_t(p) < request.palettes.size() && !request.palettes[size_t(p)].lab.empty()
            ? &request.palettes[size_t(p)]
            : nullptr;
    };
    if (dithering != Dithering::diffusion) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const size_t at = size_t(y) * size_t(width) + size_t(x);
                if (const DitherPalette *palette = paletteAt(at))
                    indices[at] = uint8_t(dithering == Dithering::ordered
                            ? orderedIndex(*palette, request.pixels[at], x, y)
                            : nearestColor(*palette, toOklab(request.pixels[at])));
            }
        return indices;
    }
    // Floyd-Steinberg in linear light; the error a pixel leaves goes to neighbours that take part.
    std::vector<LinearRgb> work = request.pixels;
    const auto spread = [&](int x, int y, const LinearRgb &error, double weight) {
        if (x < 0 || x >= width || y >= height)
            return;
        const size_t at = size_t(y) * size_t(width) + size_t(x);
        if (!paletteAt(at))
            return;
        LinearRgb &c = work[at];
        c.red = std::clamp(c.red + error.red * weight, -0.1, 1.1);
        c.green = std::clamp(c.green + error.green * weight, -0.1, 1.1);
        c.blue = std::clamp(c.blue + error.blue * weight, -0.1, 1.1);
    };
    for (int y = 0; y < height; ++y) {
        const bool forward = y % 2 == 0;
        const int step = forward ? 1 : -1;
        for (int i = 0; i < width; ++i) {
            const int x = forward ? i : width - 1 - i;
            const size_t at = size_t(y) * size_t(width) + size_t(x);
            const DitherPalette *palette = paletteAt(at);
            if (!palette)
                continue;
            const LinearRgb &c = work[at];
            const LinearRgb clamped { std::clamp(c.red, 0.0, 1.0), std::clamp(c.green, 0.0, 1.0),
                std::clamp(c.blue, 0.0, 1.0) };
            const int index = nearestColor(*palette, toOklab(clamped));
            indices[at] = uint8_t(index);
            const LinearRgb &chosen = palette->linear[size_t(index)];
            const LinearRgb error { (c.red - chosen.red) * diffusedShare, (c.green - chosen.green) * diffusedShare,
                (c.blue - chosen.blue) * diffusedShare };
            spread(x + step, y, error, 7.0 / 16);
            spread(x - step, y + 1, error, 3.0 / 16);
            spread(x, y + 1, error, 5.0 / 16);
            spread(x + step, y + 1, error, 1.0 / 16);
        }
    }
    return indices;
}

} // namespace mosavo
