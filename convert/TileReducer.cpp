#include "convert/TileReducer.h"

#include <algorithm>
#include <functional>
#include <map>

namespace mosavo {

TileReducer::TileReducer(const std::vector<TileIndices> &cellTiles, const std::vector<CellCosts> &cellCosts)
{
    std::vector<UnitIndices> units;
    std::vector<UnitCosts> costs;
    for (const TileIndices &tile : cellTiles)
        units.emplace_back(tile.begin(), tile.end());
    for (const CellCosts &cost : cellCosts)
        costs.emplace_back(cost.begin(), cost.end());
    build(units, costs);
}

TileReducer::TileReducer(const std::vector<UnitIndices> &cellUnits, const std::vector<UnitCosts> &cellCosts)
{
    build(cellUnits, cellCosts);
}

void TileReducer::build(const std::vector<UnitIndices> &cellUnits, const std::vector<UnitCosts> &cellCosts)
{
    size_ = cellUnits.empty() ? 64 : cellUnits.front().size();
    scratch_.resize(size_);
    std::map<UnitIndices, int> known;
    cellGroup_.resize(cellUnits.size());
    for (size_t cell = 0; cell < cellUnits.size(); ++cell) {
        const auto [entry, added] = known.emplace(cellUnits[cell], int(groups_.size()));
        if (added) {
            groups_.emplace_back();
            groups_.back().tile = cellUnits[cell];
            groups_.back().tile.resize(size_, 0);
            groups_.back().costs.assign(size_ * 4, 0.0f);
        }
        Group &group = groups_[size_t(entry->second)];
        for (size_t px = 0; px < size_ && px < cellCosts[cell].size(); ++px)
            for (size_t i = 0; i < 4; ++i)
                group.costs[i * size_ + px] += cellCosts[cell][px][i];
        cellGroup_[cell] = entry->second;
    }
    for (Group &group : groups_)
        for (size_t px = 0; px < size_; ++px)
            group.cost += group.costs[(group.tile[px] & 3) * size_ + px];
    alive_ = int(groups_.size());
}

double TileReducer::mergedCost(const Group &a, const Group &b) const
{
    float *best = scratch_.data();
    const float *x = a.costs.data(), *y = b.costs.data();
    for (size_t px = 0; px < size_; ++px)
        best[px] = x[px] + y[px];
    for (size_t i = 1; i < 4; ++i)
        for (size_t px = 0; px < size_; ++px)
            best[px] = std::min(best[px], x[i * size_ + px] + y[i * size_ + px]);
    float total = 0.0f;
    for (size_t px = 0; px < size_; ++px)
        total += best[px];
    return total;
}

void TileReducer::push(int a, int b)
{
    const Group &first = groups_[size_t(a)], &second = groups_[size_t(b)];
    heap_.push_back({ mergedCost(first, second) - first.cost - second.cost, a, b, first.version, second.version });
    std::push_heap(heap_.begin(), heap_.end(), std::greater<> {});
}

bool TileReducer::mergeDownTo(int count, const std::function<bool(double)> &keepGoing)
{
    count = std::max(count, 1);
    if (alive_ <= count)
        return true;
    const int start = alive_;
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
        for (size_t px = 0; px < size_; ++px) {
            size_t chosen = 0;
            for (size_t i = 0; i < 4; ++i) {
                a.costs[i * size_ + px] += b.costs[i * size_ + px];
                if (a.costs[i * size_ + px] < a.costs[chosen * size_ + px])
                    chosen = i;
            }
            a.tile[px] = uint8_t(chosen);
            a.cost += a.costs[chosen * size_ + px];
        }
        b.costs = {};
        ++a.version;
        b.alive = false;
        --alive_;
        for (int &group : cellGroup_)
            if (group == best.second)
                group = best.first;
        for (int other = 0; other < int(groups_.size()); ++other)
            if (other != best.first && groups_[size_t(other)].alive)
                push(std::min(other, best.first), std::max(other, best.first));
        if (keepGoing && (start - alive_) % 32 == 0 && !keepGoing(double(start - alive_) / double(start - count)))
            return false;
    }
    return true;
}

std::vector<TileIndices> TileReducer::tiles() const
{
    std::vector<TileIndices> out;
    for (const Group &group : groups_)
        if (group.alive) {
            TileIndices tile {};
            std::copy_n(group.tile.begin(), std::min<size_t>(64, group.tile.size()), tile.begin());
            out.push_back(tile);
        }
    return out;
}

std::vector<UnitIndices> TileReducer::units() const
{
    std::vector<UnitIndices> out;
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
