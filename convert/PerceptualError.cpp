#include "convert/PerceptualError.h"

#include "convert/Oklab.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace mosavo {

namespace {
constexpr int areaSide = 16;
constexpr double binomial[5] = { 1.0 / 16, 4.0 / 16, 6.0 / 16, 4.0 / 16, 1.0 / 16 };

// The picture in linear light, smoothed by the binomial filter (edges repeated), in OKLab.
std::vector<Oklab> smoothed(std::span<const uint8_t> rgba, int width, int height)
{
    const size_t count = size_t(width) * size_t(height);
    std::vector<LinearRgb> linear(count), across(count);
    for (size_t i = 0; i < count; ++i)
        linear[i] = toLinear(Rgb8 { rgba[i * 4], rgba[i * 4 + 1], rgba[i * 4 + 2] });
    const auto blur = [&](const std::vector<LinearRgb> &from, std::vector<LinearRgb> &to, int dx, int dy) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                LinearRgb sum;
                for (int k = -2; k <= 2; ++k) {
                    const int sx = std::clamp(x + k * dx, 0, width - 1), sy = std::clamp(y + k * dy, 0, height - 1);
                    const LinearRgb &c = from[size_t(sy) * size_t(width) + size_t(sx)];
                    sum.red += binomial[k + 2] * c.red;
                    sum.green += binomial[k + 2] * c.green;
                    sum.blue += binomial[k + 2] * c.blue;
                }
                to[size_t(y) * size_t(width) + size_t(x)] = sum;
            }
    };
    blur(linear, across, 1, 0);
    blur(across, linear, 0, 1);
    std::vector<Oklab> labs(count);
    for (size_t i = 0; i < count; ++i)
        labs[i] = toOklab(linear[i]);
    return labs;
}
} // namespace

void measureError(
    std::span<const uint8_t> source, std::span<const uint8_t> result, int width, int height, ConversionQuality &quality)
{
    quality.meanError = quality.worstError = 0.0;
    quality.worstX = quality.worstY = 0;
    const size_t count = size_t(width) * size_t(height);
    if (width <= 0 || height <= 0 || source.size() < count * 4 || result.size() < count * 4)
        return;
    const std::vector<Oklab> a = smoothed(source, width, height), b = smoothed(result, width, height);
    const int areaColumns = (width + areaSide - 1) / areaSide, areaRows = (height + areaSide - 1) / areaSide;
    std::vector<double> areaSum(size_t(areaColumns * areaRows)), areaCount(areaSum.size());
    double total = 0.0, counted = 0.0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const size_t i = size_t(y) * size_t(width) + size_t(x);
            if (source[i * 4 + 3] == 0)
                continue;
            const double error = distance(a[i], b[i]);
            total += error;
            counted += 1.0;
            const size_t area = size_t((y / areaSide) * areaColumns + x / areaSide);
            areaSum[area] += error;
            areaCount[area] += 1.0;
        }
    quality.meanError = counted > 0.0 ? total / counted : 0.0;
    for (size_t area = 0; area < areaSum.size(); ++area)
        if (areaCount[area] > 0.0 && areaSum[area] / areaCount[area] > quality.worstError) {
            quality.worstError = areaSum[area] / areaCount[area];
            quality.worstX = int(area % size_t(areaColumns)) * areaSide;
            quality.worstY = int(area / size_t(areaColumns)) * areaSide;
        }
}

std::string qualityText(const ConversionQuality &quality)
{
    char text[160];
    std::snprintf(text, sizeof text,
        "%d %s (%d new), perceptual error mean %.3f, worst %.3f in the 16 x 16 area at (%d, %d)", quality.tilesUsed,
        quality.tilesUsed == 1 ? "tile" : "tiles", quality.newTiles, quality.meanError, quality.worstError,
        quality.worstX, quality.worstY);
    return text;
}

} // namespace mosavo
