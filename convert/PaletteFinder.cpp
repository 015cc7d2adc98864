#include "convert/PaletteFinder.h"

#include <algorithm>

namespace mosavo {

namespace {
constexpr size_t colorsPerPalette = 3;
constexpr long searchBudget = 200000;

bool includes(const std::set<uint8_t> &outer, const std::set<uint8_t> &inner)
{
    return std::includes(outer.begin(), outer.end(), inner.begin(), inner.end());
}

// Places sets[index..] into the groups, each group's union at most three colours; depth-first with a step budget.
bool place(const std::vector<std::set<uint8_t>> &sets, size_t index, std::vector<std::set<uint8_t>> &groups,
           size_t maxGroups, long &budget)
{
    if (index == sets.size())
        return true;
    if (--budget < 0)
        return false;
    const std::set<uint8_t> &set = sets[index];
    for (size_t g = 0; g < groups.size(); ++g) {
        std::set<uint8_t> merged = groups[g];
        merged.insert(set.begin(), set.end());
        if (merged.size() > colorsPerPalette)
            continue;
        std::swap(groups[g], merged);
        if (place(sets, index + 1, groups, maxGroups, budget))
            return true;
        std::swap(groups[g], merged);
    }
    if (groups.size() < maxGroups) {
        groups.push_back(set);
        if (place(sets, index + 1, groups, maxGroups, budget))
            return true;
        groups.pop_back();
    }
    return false;
}

SubPaletteColors toPalette(const std::set<uint8_t> &group)
{
    SubPaletteColors colors {};
    std::vector<uint8_t> list(group.begin(), group.end());
    const uint8_t filler = list.empty() ? 0x0F : list.front();
    for (size_t i = 0; i < colorsPerPalette; ++i)
        colors[i] = i < list.size() ? list[i] : filler;
    return colors;
}
} // namespace

std::optional<std::vector<SubPaletteColors>> findSubPalettes(const std::vector<std::set<uint8_t>> &sets, int count,
                                                             std::vector<size_t> *uncovered)
{
    if (uncovered)
        uncovered->clear();
    // Only the sets no other set includes matter; the largest first keeps the search small.
    std::vector<std::set<uint8_t>> maximal;
    for (size_t i = 0; i < sets.size(); ++i) {
        if (sets[i].size() > colorsPerPalette) {
            if (uncovered)
                uncovered->push_back(i);
            continue;
        }
        if (sets[i].empty())
            continue;
        bool contained = false;
        for (const auto &kept : maximal)
            if (includes(kept, sets[i])) {
                contained = true;
                break;
            }
        if (contained)
            continue;
        std::erase_if(maximal, [&](const std::set<uint8_t> &kept) { return includes(sets[i], kept); });
        maximal.push_back(sets[i]);
    }
    if (uncovered && !uncovered->empty())
        return std::nullopt;
    std::stable_sort(maximal.begin(), maximal.end(),
                     [](const auto &a, const auto &b) { return a.size() > b.size(); });
    std::vector<std::set<uint8_t>> groups;
    long budget = searchBudget;
    if (count > 0 && place(maximal, 0, groups, size_t(count), budget)) {
        std::vector<SubPaletteColors> palettes;
        for (const auto &group : groups)
            palettes.push_back(toPalette(group));
        return palettes;
    }
    if (uncovered) {
        // Greedy: keep every set that still fits with those kept so far; the others are the ones named.
        std::vector<std::set<uint8_t>> kept;
        for (size_t i = 0; i < sets.size(); ++i) {
            if (sets[i].empty())
                continue;
            kept.push_back(sets[i]);
            std::vector<std::set<uint8_t>> trial;
            long steps = searchBudget;
            if (!place(kept, 0, trial, size_t(std::max(count, 0)), steps)) {
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
        if (includes(colors, set))
            return int(p);
    }
    return -1;
}

} // namespace mosavo
