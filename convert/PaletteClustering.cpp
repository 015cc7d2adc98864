#include "convert/PaletteClustering.h"

#include "convert/ColorFitting.h"

#include <algorithm>
#include <limits>
#include <map>
#include <unordered_map>

namespace mosavo {

namespace {

constexpr int swapSweepsAtMost = 4;
// The universal background colours tried: the most common nearest colours, and black.
constexpr size_t backdropTries = 5;
// The cost of a pixel with no colour at all to show it (a palette without colours and no backdrop).
constexpr double noColorCost = 4.0;

// Bins of many groups summed by key.
struct Pool
{
    std::unordered_map<int, size_t> slot;
    std::vector<ColorBin> sums;
    explicit Pool(size_t expected) { slot.reserve(expected); }
    void add(const ColorBin &bin)
    {
        const auto [entry, added] = slot.emplace(bin.candidate, sums.size());
        if (added)
            sums.push_back({ bin.candidate, 0.0, {} });
        ColorBin &sum = sums[entry->second];
        sum.count += bin.count;
        sum.mean.L += bin.mean.L * bin.count;
        sum.mean.a += bin.mean.a * bin.count;
        sum.mean.b += bin.mean.b * bin.count;
    }
    void add(const GroupColors &group)
    {
        for (const ColorBin &bin : group)
            add(bin);
    }
    GroupColors bins() const
    {
        GroupColors out;
        out.reserve(sums.size());
        for (const ColorBin &sum : sums)
            if (sum.count > 0.0)
                out.push_back({ sum.candidate, sum.count,
                    { sum.mean.L / sum.count, sum.mean.a / sum.count, sum.mean.b / sum.count } });
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
    // The squared distance of every bin to every candidate, once.
    const size_t n = candidates.size();
    std::vector<double> distances(bins.size() * n);
    for (size_t b = 0; b < bins.size(); ++b)
        for (size_t c = 0; c < n; ++c)
            distances[b * n + c] = squaredDistance(bins[b].mean, candidates[c].lab);
    std::array<int, 4> set { -1, -1, -1, backdrop };
    std::vector<double> others(bins.size());
    const auto bestFor = [&](size_t slot) {
        // The nearest of the other colours of every bin; then each candidate in the slot.
        for (size_t b = 0; b < bins.size(); ++b) {
            double nearest = noColorCost;
            for (size_t k = 0; k < set.size(); ++k)
                if (k != slot && set[k] >= 0)
                    nearest = std::min(nearest, distances[b * n + size_t(set[k])]);
            others[b] = nearest;
        }
        const auto costWith = [&](size_t c) {
            double total = 0.0;
            for (size_t b = 0; b < bins.size(); ++b)
                total += bins[b].count * std::min(others[b], distances[b * n + c]);
            return total;
        };
        int chosen = set[slot];
        double best = chosen >= 0 ? costWith(size_t(chosen)) : std::numeric_limits<double>::infinity();
        for (size_t c = 0; c < n; ++c)
            if (const double cost = costWith(c); cost < best - 1e-12) {
                best = cost;
                chosen = int(c);
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

// The four most common sets of an area's three most used colours besides the backdrop (bins by nearest candidate).
std::vector<CandidatePalette> commonSets(const std::vector<GroupColors> &groups, int backdrop)
{
    std::map<CandidatePalette, int> sets;
    for (const GroupColors &group : groups) {
        GroupColors bins = group;
        std::erase_if(bins, [&](const ColorBin &bin) { return bin.candidate == backdrop; });
        if (bins.empty())
            continue;
        std::stable_sort(
            bins.begin(), bins.end(), [](const ColorBin &a, const ColorBin &b) { return a.count > b.count; });
        CandidatePalette set;
        for (size_t i = 0; i < 3; ++i)
            set[i] = bins[std::min(i, bins.size() - 1)].candidate;
        std::sort(set.begin(), set.end());
        ++sets[set];
    }
    std::vector<std::pair<int, CandidatePalette>> bySize;
    for (const auto &[set, count] : sets)
        bySize.emplace_back(count, set);
    std::stable_sort(bySize.begin(), bySize.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
    std::vector<CandidatePalette> palettes;
    for (size_t i = 0; i < bySize.size() && i < 4; ++i)
        palettes.push_back(bySize[i].second);
    return palettes;
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

GroupColors summarizeColors(std::span<const Oklab> pixels, const std::vector<CandidateColor> &candidates, double step)
{
    Pool pool(64);
    for (const Oklab &pixel : pixels) {
        int key = 0;
        if (step > 0.0) {
            const auto cell = [step](double v) { return std::clamp(int(std::floor(v / step)) + 64, 0, 127); };
            key = cell(pixel.L) << 14 | cell(pixel.a) << 7 | cell(pixel.b);
        } else {
            size_t nearest = 0;
            for (size_t c = 1; c < candidates.size(); ++c)
                if (squaredDistance(pixel, candidates[c].lab) < squaredDistance(pixel, candidates[nearest].lab))
                    nearest = c;
            key = int(nearest);
        }
        pool.add(ColorBin { key, 1.0, pixel });
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
    // The palette that would gain most: the best palette of the group that the palettes so far show worst compared
    // with its own best.
    std::vector<std::optional<CandidatePalette>> ownBest(request.groups.size());
    const auto seed = [&]() -> std::optional<CandidatePalette> {
        double bestGain = 1e-9;
        std::optional<CandidatePalette> found;
        for (size_t g = 0; g < request.groups.size(); ++g) {
            const double current = costIn(g, size_t(choice.groupPalette[g]));
            if (current <= bestGain)
                continue;
            if (!ownBest[g])
                ownBest[g] = bestPalette(request.groups[g], backdrop, candidates);
            if (const double gain = current - groupCost(request.groups[g], *ownBest[g], backdrop, candidates);
                gain > bestGain) {
                bestGain = gain;
                found = ownBest[g];
            }
        }
        return found;
    };
    // Seeds: the palettes given, or the palette for every group (when nothing is fixed), then the palette that
    // gains most.
    for (const CandidatePalette &initial : request.initialPalettes)
        if (int(choice.palettes.size() - fixed) < request.freePalettes)
            choice.palettes.push_back(initial);
    for (int added = int(choice.palettes.size() - fixed); added < request.freePalettes; ++added) {
        if (choice.palettes.empty()) {
            Pool pool(candidates.size());
            for (const GroupColors &group : request.groups)
                pool.add(group);
            choice.palettes.push_back(bestPalette(pool.bins(), backdrop, candidates));
            continue;
        }
        assignGroups();
        choice.palettes.push_back(seed().value_or(choice.palettes.back()));
    }
    if (choice.palettes.empty())
        return choice;
    assignGroups();
    const auto sameColors = [](CandidatePalette a, CandidatePalette b) {
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        return a == b;
    };
    for (int round = 0; round < request.rounds && request.freePalettes > 0; ++round) {
        bool reseeded = false;
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
            bool duplicate = !any;
            for (size_t q = 0; q < p && !duplicate; ++q)
                duplicate = sameColors(choice.palettes[q], choice.palettes[p]);
            if (!duplicate)
                continue;
            // A palette no group needs, or the same as another: it starts again as the palette that gains most.
            choice.palettes[p] = { -1, -1, -1 };
            assignGroups();
            if (const auto seeded = seed()) {
                choice.palettes[p] = *seeded;
                reseeded = true;
            } else {
                choice.palettes[p] = choice.palettes[0];
            }
        }
        if (!assignGroups() && !reseeded)
            break;
    }
    return choice;
}

PaletteChoice chooseBackgroundPalettes(
    const std::vector<CandidateColor> &candidates, const std::vector<GroupColors> &groups)
{
    // How many pixels each candidate is nearest to (the groups' bins are by nearest candidate).
    std::vector<double> uses(candidates.size(), 0.0);
    for (const GroupColors &group : groups)
        for (const ColorBin &bin : group)
            if (bin.candidate >= 0 && size_t(bin.candidate) < uses.size())
                uses[size_t(bin.candidate)] += bin.count;
    std::vector<int> order;
    for (size_t c = 0; c < candidates.size(); ++c)
        if (uses[c] > 0.0)
            order.push_back(int(c));
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return uses[size_t(a)] > uses[size_t(b)]; });
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
        // From the seeds that gain most, and from the most common sets of each area's three most used colours.
        PaletteChoiceRequest request { &candidates, groups, backdrop, {}, 4, {}, 12 };
        for (int start = 0; start < 2; ++start) {
            if (start == 1)
                request.initialPalettes = commonSets(groups, backdrop);
            PaletteChoice choice = choosePalettes(request);
            if (choice.cost < best.cost)
                best = std::move(choice);
        }
    }
    return best;
}

} // namespace mosavo
