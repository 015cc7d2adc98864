#include "convert/TileReducer.h"

#include <algorithm>
#include <functional>
#include <map>

namespace mosavo {

TileReducer::TileReducer(const std::vector<TileIndices> &cellTiles, const std::vector<CellCosts> &cellCosts)
{
    std::map<TileIndices, int> known;
    cellGroup_.resize(cellTiles.size());
    for (size_t cell = 0; cell < cellTiles.size(); ++cell) {
        const auto [entry, added] = known.emplace(cellTiles[cell], int(groups_.size()));
        if (added) {
            groups_.emplace_back();
            groups_.back().tile = cellTiles[cell];
        }
        Group &group = groups_[size_t(entry->second)];
        for (size_t px = 0; px < 64; ++px)
            for (size_t i = 0; i < 4; ++i)
                group.costs[i][px] += cellCosts[cell][px][i];
        cellGroup_[cell] = entry->second;
    }
    for (Group &group : groups_)
        for (size_t px = 0; px < 64; ++px)
            group.cost += group.costs[group.tile[px] & 3][px];
    alive_ = int(groups_.size());
}

double TileReducer::mergedCost(const Group &a, const Group &b) const
{
    std::array<float, 64> best;
    for (size_t px = 0; px < 64; ++px)
        best[px] = a.costs[0][px] + b.costs[0][px];
    for (size_t i = 1; i < 4; ++i)
        for (size_t px = 0; px < 64; ++px)
            best[px] = std::min(best[px], a.costs[i][px] + b.costs[i][px]);
    float total = 0.0f;
    for (size_t px = 0; px < 64; ++px)
        total += best[px];
    return total;
}

void TileReducer::push(int a, int b)
{
    const Group &first = groups_[size_t(a)], &second = groups_[size_t(b)];
    heap_.push_back({ mergedCost(first, second) - first.cost - second.cost, a, b, first.version, second.version });
    std::push_heap(heap_.begin(), heap_.end(), std::greater<> {});
}

void TileReducer::mergeDownTo(int count)
{
    count = std::max(count, 1);
    if (alive_ <= count)
        return;
    if (heap_.empty()) {
        // Every pair once, made a heap in one go.
        const int n = int(groups_.size());
        heap_.reserve(size_t(n) * size_t(n - 1) / 2);
        for (int a = 0; a < n; ++a)
            for (int b = a + 1; b < n; ++b)
                if (groups_[size_t(a)].alive && groups_[size_t(b)].alive) {
                    const Group &first = groups_[size_t(a)], &second = groups_[size_t(b)];
                    heap_.push_back(
                        { mergedCost(first, second) - first.cost - second.cost, a, b, first.version, second.version });
                }
        std::make_heap(heap_.begin(), heap_.end(), std::greater<> {});
    }
    while (alive_ > count && !heap_.empty()) {
        std::pop_heap(heap_.begin(), heap_.end(), std::greater<> {});
        const Candidate best = heap_.back();
        heap_.pop_back();
        Group &a = groups_[size_t(best.first)];
        Group &b = groups_[size_t(best.second)];
        if (!a.alive || !b.alive || a.version != best.firstVersion || b.version != best.secondVersion)
            continue;
        a.cost = 0.0;
        for (size_t px = 0; px < 64; ++px) {
            size_t chosen = 0;
            for (size_t i = 0; i < 4; ++i) {
                a.costs[i][px] += b.costs[i][px];
                if (a.costs[i][px] < a.costs[chosen][px])
                    chosen = i;
            }
            a.tile[px] = uint8_t(chosen);
            a.cost += a.costs[chosen][px];
        }
        ++a.version;
        b.alive = false;
        --alive_;
        for (int &group : cellGroup_)
            if (group == best.second)
                group = best.first;
        for (int other = 0; other < int(groups_.size()); ++other)
            if (other != best.first && groups_[size_t(other)].alive)
                push(std::min(other, best.first), std::max(other, best.first));
    }
}

std::vector<TileIndices> TileReducer::tiles() const
{
    std::vector<TileIndices> out;
    for (const Group &group : groups_)
        if (group.alive)
            out.push_back(group.tile);
    return out;
}

std::vector<int> TileReducer::cellTiles() const
{
    std::vector<int> position(groups_.size(), -1);
    int next = 0;
    for (size_t g = 0; g < groups_.size(); ++g)
        if (groups_[g].alive)
            position[g] = next++;
    std::vector<int> out;
    for (const int group : cellGroup_)
        out.push_back(position[size_t(group)]);
    return out;
}

double TileReducer::cost() const
{
    double total = 0.0;
    for (const Group &group : groups_)
        if (group.alive)
            total += group.cost;
    return total;
}

} // namespace mosavo
