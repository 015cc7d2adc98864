#include "convert/PaletteClustering.h"

#include "convert/ColorFitting.h"

#include <algorithm>
#include <limits>

namespace mosavo {

namespace {

constexpr int roundsAtMost = 12;
constexpr int swapSweepsAtMost = 4;
// The universal background colours tried: the most common nearest colours, and black.
constexpr size_t backdropTries = 5;
// The cost of a pixel with no colour at all to show it (a palette without colours and no backdrop).
constexpr double noColorCost = 4.0;

// Bins of many groups summed by candidate.
struct Pool
{
    std::vector<double> count;
    std::vector<Oklab> sum;
    explicit Pool(size_t candidates)
        : count(candidates, 0.0)
        , sum(candidates)
    { }
    void add(const GroupColors &group)
    {
        for (const ColorBin &bin : group) {
            const size_t c = size_t(bin.candidate);
            count[c] += bin.count;
            sum[c].L += bin.mean.L * bin.count;
            sum[c].a += bin.mean.a * bin.count;
            sum[c].b += bin.mean.b * bin.count;
        }
    }
    GroupColors bins() const
    {
        GroupColors out;
        for (size_t c = 0; c < count.size(); ++c)
            if (count[c] > 0.0)
                out.push_back({ int(c), count[c], { sum[c].L / count[c], sum[c].a / count[c], sum[c].b / count[c] } });
        return out;
    }
};

double setCost(const GroupColors &bins, std::span<const int> colors, const std::vector<CandidateColor> &candidates)
{
    double total = 0.0;
    for (const ColorBin &bin : bins) {
        double nearest = noColorCost;
        for (const int c : colors)
            if (c >= 0)
                nearest = std::min(nearest, squaredDistance(bin.mean, candidates[size_t(c)].lab));
        total += bin.count * nearest;
    }
    return total;
}

// The three colours (besides the backdrop) that show the bins best: each slot filled greedily, then each slot
// changed to its best while that lowers the cost.
CandidatePalette bestPalette(const GroupColors &bins, int backdrop, const std::vector<CandidateColor> &candidates)
{
    std::array<int, 4> set { -1, -1, -1, backdrop };
    const auto bestFor = [&](size_t slot) {
        int chosen = set[slot];
        double best = chosen >= 0 ? setCost(bins, set, candidates) : std::numeric_limits<double>::infinity();
        for (int c = 0; c < int(candidates.size()); ++c) {
            set[slot] = c;
            if (const double cost = setCost(bins, set, candidates); cost < best - 1e-12) {
                best = cost;
                chosen = c;
            }
        }
        set[slot] = chosen;
        return best;
    };
    double current = 0.0;
    for (size_t slot = 0; slot < 3; ++slot)
        current = bestFor(slot);
    for (int sweep = 0; sweep < swapSweepsAtMost; ++sweep) {
        bool improved = false;
        for (size_t slot = 0; slot < 3; ++slot)
            if (const double cost = bestFor(slot); cost < current - 1e-12) {
                current = cost;
                improved = true;
            }
        if (!improved)
            break;
    }
    return { set[0], set[1], set[2] };
}

} // namespace

std::vector<CandidateColor> candidateColors(
    const DisplayColors &colors, int emphasis, std::span<const uint8_t> preferred)
{
    std::vector<CandidateColor> candidates;
    for (int number = 0; number < int(DisplayColors::colorCount); ++number) {
        const Rgb8 rgb = colors.rgb(number, emphasis);
        if (std::none_of(candidates.begin(), candidates.end(), [&](const CandidateColor &c) { return c.rgb == rgb; }))
            candidates.push_back(
                { preferredColorNumber(colors, emphasis, uint8_t(number), preferred), rgb, toOklab(rgb) });
    }
    return candidates;
}

int candidateOf(
    const std::vector<CandidateColor> &candidates, const DisplayColors &colors, int emphasis, uint8_t number)
{
    const Rgb8 rgb = colors.rgb(number, emphasis);
    for (size_t c = 0; c < candidates.size(); ++c)
        if (candidates[c].rgb == rgb)
            return int(c);
    return 0;
}

GroupColors summarizeColors(std::span<const Oklab> pixels, const std::vector<CandidateColor> &candidates)
{
    Pool pool(candidates.size());
    for (const Oklab &pixel : pixels) {
        size_t nearest = 0;
        for (size_t c = 1; c < candidates.size(); ++c)
            if (squaredDistance(pixel, candidates[c].lab) < squaredDistance(pixel, candidates[nearest].lab))
                nearest = c;
        pool.add({ ColorBin { int(nearest), 1.0, pixel } });
    }
    return pool.bins();
}

double groupCost(const GroupColors &group, const CandidatePalette &palette, int backdrop,
    const std::vector<CandidateColor> &candidates)
{
    const std::array<int, 4> set { palette[0], palette[1], palette[2], backdrop };
    return setCost(group, set, candidates);
}

PaletteChoice choosePalettes(const PaletteChoiceRequest &request)
{
    const std::vector<CandidateColor> &candidates = *request.candidates;
    const int backdrop = request.backdrop.value_or(-1);
    const size_t fixed = request.fixedPalettes.size();
    PaletteChoice choice;
    choice.backdrop = backdrop;
    choice.palettes = request.fixedPalettes;
    choice.groupPalette.assign(request.groups.size(), 0);
    const auto costIn = [&](size_t group, size_t palette) {
        return groupCost(request.groups[group], choice.palettes[palette], backdrop, candidates);
    };
    const auto assignGroups = [&] {
        choice.cost = 0.0;
        bool changed = false;
        for (size_t g = 0; g < request.groups.size(); ++g) {
            size_t best = 0;
            double bestCost = std::numeric_limits<double>::infinity();
            for (size_t p = 0; p < choice.palettes.size(); ++p)
                if (const double cost = costIn(g, p); cost < bestCost) {
                    bestCost = cost;
                    best = p;
                }
            changed = changed || choice.groupPalette[g] != int(best);
            choice.groupPalette[g] = int(best);
            choice.cost += choice.palettes.empty() ? 0.0 : bestCost;
        }
        return changed;
    };
    // Seeds: the palette for every group (when nothing is fixed), then the best palette of the group shown worst.
    for (int added = 0; added < request.freePalettes; ++added) {
        if (choice.palettes.empty()) {
            Pool pool(candidates.size());
            for (const GroupColors &group : request.groups)
                pool.add(group);
            choice.palettes.push_back(bestPalette(pool.bins(), backdrop, candidates));
            continue;
        }
        assignGroups();
        size_t worst = 0;
        double worstCost = -1.0;
        for (size_t g = 0; g < request.groups.size(); ++g)
            if (const double cost = costIn(g, size_t(choice.groupPalette[g])); cost > worstCost) {
                worstCost = cost;
                worst = g;
            }
        if (request.groups.empty() || worstCost <= 0.0)
            choice.palettes.push_back(choice.palettes.back());
        else
            choice.palettes.push_back(bestPalette(request.groups[worst], backdrop, candidates));
    }
    if (choice.palettes.empty())
        return choice;
    assignGroups();
    for (int round = 0; round < roundsAtMost && request.freePalettes > 0; ++round) {
        for (size_t p = fixed; p < choice.palettes.size(); ++p) {
            Pool pool(candidates.size());
            bool any = false;
            for (size_t g = 0; g < request.groups.size(); ++g)
                if (choice.groupPalette[g] == int(p)) {
                    pool.add(request.groups[g]);
                    any = true;
                }
            if (any)
                choice.palettes[p] = bestPalette(pool.bins(), backdrop, candidates);
        }
        if (!assignGroups())
            break;
    }
    return choice;
}

PaletteChoice chooseBackgroundPalettes(
    const std::vector<CandidateColor> &candidates, const std::vector<GroupColors> &groups)
{
    Pool pool(candidates.size());
    for (const GroupColors &group : groups)
        pool.add(group);
    std::vector<int> order;
    for (size_t c = 0; c < candidates.size(); ++c)
        if (pool.count[c] > 0.0)
            order.push_back(int(c));
    std::stable_sort(
        order.begin(), order.end(), [&](int a, int b) { return pool.count[size_t(a)] > pool.count[size_t(b)]; });
    order.resize(std::min(order.size(), backdropTries));
    for (size_t c = 0; c < candidates.size(); ++c)
        if (candidates[c].rgb == Rgb8 {} || candidates[c].number == 0x0F) {
            if (std::find(order.begin(), order.end(), int(c)) == order.end())
                order.push_back(int(c));
            break;
        }
    if (order.empty())
        order.push_back(0);
    PaletteChoice best;
    best.cost = std::numeric_limits<double>::infinity();
    for (const int backdrop : order) {
        PaletteChoiceRequest request { &candidates, groups, backdrop, {}, 4 };
        PaletteChoice choice = choosePalettes(request);
        if (choice.cost < best.cost)
            best = std::move(choice);
    }
    return best;
}

} // namespace mosavo
