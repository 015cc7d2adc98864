#include "convert/PaletteFinder.h"

#include <algorithm>
#include <bitset>

namespace mosavo {

namespace {
constexpr size_t colorsPerPalette = 3;
constexpr long searchBudget = 200000;

// A colour set as bits: the search merges and counts sets by the million, so it works on these, not on std::set.
using Colors = std::bitset<256>;

Colors bitsOf(const std::set<uint8_t> &set)
{
    Colors bits;
    for (uint8_t color : set)
        bits.set(color);
    return bits;
}

bool includes(const Colors &outer, const Colors &inner)
{
    return (outer & inner) == inner;
}

// Places sets[index..] into the groups, each group's union at most three colours; depth-first with a step budget.
bool place(const std::vector<Colors> &sets, size_t index, std::vector<Colors> &groups, size_t maxGroups, long &budget)
{
    if (index == sets.size())
        return true;
    if (--budget < 0)
        return false;
    const Colors &set = sets[index];
    for (size_t g = 0; g < groups.size(); ++g) {
        const Colors merged = groups[g] | set;
        if (merged.count() > colorsPerPalette)
            continue;
        const Colors kept = groups[g];
        groups[g] = merged;
        if (place(sets, index + 1, groups, maxGroups, budget))
            return true;
        groups[g] = kept;
    }
    if (groups.size() < maxGroups) {
        groups.push_back(set);
        if (place(sets, index + 1, groups, maxGroups, budget))
            return true;
        groups.pop_back();
    }
    return false;
}

// Whether the sets certainly need more than maxGroups groups: more colours than the groups hold, or more sets that
// pairwise cannot share a group (found greedily) than there are groups.
bool certainlyTooMany(const std::vector<Colors> &sets, size_t maxGroups)
{
    Colors all;
    for (const Colors &set : sets)
        all |= set;
    if (all.count() > maxGroups * colorsPerPalette)
        return true;
    std::vector<Colors> apart;
    for (const Colors &set : sets) {
        bool alone = true;
        for (const Colors &other : apart)
            if ((set | other).count() <= colorsPerPalette) {
                alone = false;
                break;
            }
        if (alone && apart.size() == maxGroups)
            return true;
        if (alone)
            apart.push_back(set);
    }
    return false;
}

// Whether the sets fit the groups: first the quick way, the last set into the groups found so far, then the search
// (within what is left of budget: once it is spent, only the quick way is tried).
bool fits(const std::vector<Colors> &sets, std::vector<Colors> &groups, size_t maxGroups, long &budget)
{
    if (sets.empty())
        return true;
    if (certainlyTooMany(sets, maxGroups))
        return false;
    const Colors &last = sets.back();
    for (Colors &group : groups)
        if ((group | last).count() <= colorsPerPalette) {
            group |= last;
            return true;
        }
    if (groups.size() < maxGroups) {
        groups.push_back(last);
        return true;
    }
    std::vector<Colors> trial;
    if (budget <= 0 || !place(sets, 0, trial, maxGroups, budget))
        return false;
    groups = std::move(trial);
    return true;
}

SubPaletteColors toPalette(const Colors &group)
{
    SubPaletteColors colors {};
    std::vector<uint8_t> list;
    for (size_t color = 0; color < group.size(); ++color)
        if (group.test(color))
            list.push_back(uint8_t(color));
    const uint8_t filler = list.empty() ? 0x0F : list.front();
    for (size_t i = 0; i < colorsPerPalette; ++i)
        colors[i] = i < list.size() ? list[i] : filler;
    return colors;
}
} // namespace

std::optional<std::vector<SubPaletteColors>> findSubPalettes(
    const std::vector<std::set<uint8_t>> &sets, int count, std::vector<size_t> *uncovered, long *steps)
{
    if (uncovered)
        uncovered->clear();
    // Only the sets no other set includes matter; the largest first keeps the search small.
    std::vector<Colors> maximal;
    bool tooLarge = false;
    for (size_t i = 0; i < sets.size(); ++i) {
        if (sets[i].size() > colorsPerPalette) {
            tooLarge = true;
            if (uncovered)
                uncovered->push_back(i);
            continue;
        }
        if (sets[i].empty())
            continue;
        const Colors bits = bitsOf(sets[i]);
        bool contained = false;
        for (const auto &kept : maximal)
            if (includes(kept, bits)) {
                contained = true;
                break;
            }
        if (contained)
            continue;
        std::erase_if(maximal, [&](const Colors &kept) { return includes(bits, kept); });
        maximal.push_back(bits);
    }
    if (tooLarge)
        return std::nullopt;
    std::stable_sort(
        maximal.begin(), maximal.end(), [](const auto &a, const auto &b) { return a.count() > b.count(); });
    std::vector<Colors> groups;
    const long start = steps ? std::min(std::max(*steps, 0L), searchBudget) : searchBudget;
    long budget = start;
    const size_t most = size_t(std::max(count, 0));
    const bool found = count > 0 && !certainlyTooMany(maximal, most) && place(maximal, 0, groups, most, budget);
    if (steps)
        *steps -= start - std::max(budget, 0L);
    if (found) {
        std::vector<SubPaletteColors> palettes;
        for (const auto &group : groups)
            palettes.push_back(toPalette(group));
        return palettes;
    }
    if (uncovered) {
        // Greedy: keep every set that still fits with those kept so far; the others are the ones named. The searches
        // share one budget, as large as the search's own, so that a picture that cannot be covered is refused quickly.
        std::vector<Colors> kept;
        std::vector<Colors> keptGroups;
        long greedyBudget = start;
        for (size_t i = 0; i < sets.size(); ++i) {
            if (sets[i].empty())
                continue;
            kept.push_back(bitsOf(sets[i]));
            if (!fits(kept, keptGroups, most, greedyBudget)) {
                kept.pop_back();
                uncovered->push_back(i);
            }
        }
    }
    return std::nullopt;
}

int subPaletteHolding(const std::vector<SubPaletteColors> &palettes, const std::set<uint8_t> &set)
{
    for (size_t p = 0; p < palettes.size(); ++p) {
        const std::set<uint8_t> colors(palettes[p].begin(), palettes[p].end());
        if (std::includes(colors.begin(), colors.end(), set.begin(), set.end()))
            return int(p);
    }
    return -1;
}

} // namespace mosavo
