#include "convert/ColorFitting.h"

#include <algorithm>
#include <array>
#include <limits>
#include <numbers>

namespace mosavo {

namespace {

// A picture colour nearer than this to no shifted display colour counts as this far in the fit, so a few stray
// colours (a cursor, a caption) cannot pull the shift away from the rest.
constexpr double fitDistanceCap = 0.08;
// The tie-breaker that keeps the program's own colours when a shift gains nothing: a small cost per unit of shift.
constexpr double shiftCost = 1e-4;
// A colour the distinct assignment would put this much further than its nearest display colour keeps its nearest.
constexpr double assignmentSlack = 0.03;
// At most this many colours (the most used) take part in the fit; all of them are then read under it.
constexpr size_t fitColorsAtMost = 1024;

struct Bounds
{
    double low, high, step;
};
constexpr Bounds hueBounds { -12.0, 12.0, 4.0 };
constexpr Bounds saturationBounds { 0.8, 1.2, 0.1 };
constexpr Bounds gammaBounds { 0.88, 1.12, 0.06 };

// The display colours with different RGB values, each with the number written for it.
struct DisplayGroup
{
    Rgb8 rgb;
    uint8_t number = 0;
};

std::vector<DisplayGroup> displayGroups(const DisplayColors &colors, int emphasis, std::span<const uint8_t> preferred)
{
    std::vector<DisplayGroup> groups;
    for (int number = 0; number < int(DisplayColors::colorCount); ++number) {
        const Rgb8 rgb = colors.rgb(number, emphasis);
        if (std::none_of(groups.begin(), groups.end(), [&](const DisplayGroup &g) { return g.rgb == rgb; }))
            groups.push_back({ rgb, preferredColorNumber(colors, emphasis, uint8_t(number), preferred) });
    }
    return groups;
}

double shiftPenalty(const DisplayShift &shift)
{
    return std::abs(shift.hueDegrees) / 10.0 + std::abs(shift.saturation - 1.0) / 0.15
        + std::abs(shift.gammaRatio - 1.0) / 0.1;
}

// Least total cost assignment of rows to distinct columns (rows <= columns); the column of each row.
std::vector<int> assign(const std::vector<std::vector<double>> &cost)
{
    const size_t n = cost.size(), m = cost.empty() ? 0 : cost[0].size();
    constexpr double infinity = std::numeric_limits<double>::infinity();
    std::vector<double> u(n + 1), v(m + 1);
    std::vector<size_t> p(m + 1), way(m + 1);
    for (size_t i = 1; i <= n; ++i) {
        p[0] = i;
        size_t j0 = 0;
        std::vector<double> minv(m + 1, infinity);
        std::vector<bool> used(m + 1, false);
        do {
            used[j0] = true;
            const size_t i0 = p[j0];
            double delta = infinity;
            size_t j1 = 0;
            for (size_t j = 1; j <= m; ++j)
                if (!used[j]) {
                    const double current = cost[i0 - 1][j - 1] - u[i0] - v[j];
                    if (current < minv[j]) {
                        minv[j] = current;
                        way[j] = j0;
                    }
                    if (minv[j] < delta) {
                        delta = minv[j];
                        j1 = j;
                    }
                }
            for (size_t j = 0; j <= m; ++j)
                if (used[j]) {
                    u[p[j]] += delta;
                    v[j] -= delta;
                } else {
                    minv[j] -= delta;
                }
            j0 = j1;
        } while (p[j0] != 0);
        do {
            const size_t j1 = way[j0];
            p[j0] = p[j1];
            j0 = j1;
        } while (j0);
    }
    std::vector<int> column(n, -1);
    for (size_t j = 1; j <= m; ++j)
        if (p[j] != 0)
            column[p[j] - 1] = int(j - 1);
    return column;
}

} // namespace

Oklab shiftedColor(Rgb8 rgb, const DisplayShift &shift)
{
    const double r = rgb.red / 255.0, g = rgb.green / 255.0, b = rgb.blue / 255.0;
    const double y = 0.299 * r + 0.587 * g + 0.114 * b;
    const double u = -0.14713 * r - 0.28886 * g + 0.436 * b;
    const double v = 0.615 * r - 0.51499 * g - 0.10001 * b;
    const double angle = shift.hueDegrees * std::numbers::pi / 180.0;
    const double cosine = std::cos(angle) * shift.saturation, sine = std::sin(angle) * shift.saturation;
    const double u2 = u * cosine - v * sine, v2 = u * sine + v * cosine;
    const auto encoded = [&](double channel) { return std::pow(std::clamp(channel, 0.0, 1.0), shift.gammaRatio); };
    return toOklab(LinearRgb { srgbToLinear(encoded(y + 1.13983 * v2)),
        srgbToLinear(encoded(y - 0.39465 * u2 - 0.58060 * v2)), srgbToLinear(encoded(y + 2.03211 * u2)) });
}

uint8_t preferredColorNumber(
    const DisplayColors &colors, int emphasis, uint8_t number, std::span<const uint8_t> preferred)
{
    const Rgb8 rgb = colors.rgb(number, emphasis);
    const auto shows = [&](int candidate) { return colors.rgb(candidate, emphasis) == rgb; };
    for (const uint8_t candidate : preferred)
        if (candidate < DisplayColors::colorCount && shows(candidate))
            return candidate;
    if (shows(0x30))
        return 0x30;
    if (shows(0x0F))
        return 0x0F;
    for (int candidate = 0; candidate < int(DisplayColors::colorCount); ++candidate)
        if (candidate != 0x0D && shows(candidate))
            return uint8_t(candidate);
    return 0x0D;
}

int ColorFit::firstTooFar() const
{
    for (size_t i = 0; i < distances.size(); ++i)
        if (distances[i] > colorTooFarDistance)
            return int(i);
    return -1;
}

ColorFit fitColors(const ColorFitRequest &request)
{
    ColorFit fit;
    if (request.colors.empty())
        return fit;
    const DisplayColors defaultColors;
    const DisplayColors &display = request.displayColors ? *request.displayColors : defaultColors;
    const std::vector<DisplayGroup> groups = displayGroups(display, request.emphasis, request.preferredNumbers);
    const size_t count = request.colors.size();
    std::vector<Oklab> labs(count);
    for (size_t i = 0; i < count; ++i)
        labs[i] = toOklab(request.colors[i]);
    const auto weight = [&](size_t i) { return request.weights.size() == count ? request.weights[i] : 1.0; };

    // The colours the fit looks at: all, or the most used.
    std::vector<size_t> fitted(count);
    for (size_t i = 0; i < count; ++i)
        fitted[i] = i;
    if (count > fitColorsAtMost) {
        std::partial_sort(fitted.begin(), fitted.begin() + fitColorsAtMost, fitted.end(),
            [&](size_t a, size_t b) { return weight(a) > weight(b); });
        fitted.resize(fitColorsAtMost);
    }
    double totalWeight = 0.0;
    for (size_t i : fitted)
        totalWeight += weight(i);

    std::vector<Oklab> shifted(groups.size());
    const auto shiftAll = [&](const DisplayShift &shift) {
        for (size_t g = 0; g < groups.size(); ++g)
            shifted[g] = shiftedColor(groups[g].rgb, shift);
    };
    const auto score = [&](const DisplayShift &shift) {
        shiftAll(shift);
        double total = shiftCost * totalWeight * shiftPenalty(shift);
        for (size_t i : fitted) {
            double nearest = fitDistanceCap * fitDistanceCap;
            for (const Oklab &candidate : shifted)
                nearest = std::min(nearest, squaredDistance(labs[i], candidate));
            total += weight(i) * std::sqrt(nearest);
        }
        return total;
    };

    // A coarse grid over the whole range, then finer grids around the best so far.
    DisplayShift best;
    double bestScore = score(best);
    const auto consider = [&](const DisplayShift &shift) {
        const double s = score(shift);
        if (s < bestScore) {
            bestScore = s;
            best = shift;
        }
    };
    for (double h = hueBounds.low; h <= hueBounds.high + 1e-9; h += hueBounds.step)
        for (double s = saturationBounds.low; s <= saturationBounds.high + 1e-9; s += saturationBounds.step)
            for (double k = gammaBounds.low; k <= gammaBounds.high + 1e-9; k += gammaBounds.step)
                consider({ h, s, k });
    for (double scale = 0.5; scale >= 0.06; scale *= 0.5) {
        const DisplayShift centre = best;
        for (int dh = -1; dh <= 1; ++dh)
            for (int ds = -1; ds <= 1; ++ds)
                for (int dk = -1; dk <= 1; ++dk)
                    consider(
                        { std::clamp(centre.hueDegrees + dh * hueBounds.step * scale, hueBounds.low, hueBounds.high),
                            std::clamp(centre.saturation + ds * saturationBounds.step * scale, saturationBounds.low,
                                saturationBounds.high),
                            std::clamp(centre.gammaRatio + dk * gammaBounds.step * scale, gammaBounds.low,
                                gammaBounds.high) });
    }
    fit.shift = best;
    shiftAll(best);

    // Exact colours first (unless the display colours are shifted: then a shifted colour may happen to be exactly
    // another one of the table); the others to the nearest shifted display colours, distinct where there is room.
    const bool unshifted = best.hueDegrees == 0.0 && best.saturation == 1.0 && best.gammaRatio == 1.0;
    fit.numbers.assign(count, 0);
    fit.distances.assign(count, 0.0);
    std::vector<int> group(count, -1);
    std::vector<bool> taken(groups.size(), false);
    std::vector<size_t> open;
    for (size_t i = 0; i < count; ++i) {
        for (size_t g = 0; g < groups.size() && group[i] < 0 && unshifted; ++g)
            if (groups[g].rgb == request.colors[i])
                group[i] = int(g);
        if (group[i] >= 0)
            taken[size_t(group[i])] = true;
        else
            open.push_back(i);
    }
    std::vector<size_t> freeGroups;
    for (size_t g = 0; g < groups.size(); ++g)
        if (!taken[g])
            freeGroups.push_back(g);
    const auto nearestGroup = [&](size_t i) {
        size_t nearest = 0;
        for (size_t g = 1; g < groups.size(); ++g)
            if (squaredDistance(labs[i], shifted[g]) < squaredDistance(labs[i], shifted[nearest]))
                nearest = g;
        return nearest;
    };
    if (!open.empty() && open.size() <= freeGroups.size()) {
        std::vector<std::vector<double>> cost(open.size(), std::vector<double>(freeGroups.size()));
        for (size_t r = 0; r < open.size(); ++r)
            for (size_t c = 0; c < freeGroups.size(); ++c)
                cost[r][c] = distance(labs[open[r]], shifted[freeGroups[c]]);
        const std::vector<int> columns = assign(cost);
        for (size_t r = 0; r < open.size(); ++r) {
            const size_t i = open[r];
            const size_t nearest = nearestGroup(i);
            const size_t chosen = freeGroups[size_t(columns[r])];
            group[i] = distance(labs[i], shifted[chosen]) > distance(labs[i], shifted[nearest]) + assignmentSlack
                ? int(nearest)
                : int(chosen);
        }
    } else {
        for (size_t i : open)
            group[i] = int(nearestGroup(i));
    }
    for (size_t i = 0; i < count; ++i) {
        const size_t g = size_t(group[i]);
        fit.numbers[i] = groups[g].number;
        fit.distances[i] = unshifted && groups[g].rgb == request.colors[i] ? 0.0 : distance(labs[i], shifted[g]);
    }
    return fit;
}

} // namespace mosavo
