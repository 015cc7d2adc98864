#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace mosavo {

// The 64 colour indices of a tile, row after row.
using TileIndices = std::array<uint8_t, 64>;
// For each of a cell's 64 pixels, the cost (squared error) of showing it in colour index 0, 1, 2 or 3 of the cell's
// sub-palette.
using CellCosts = std::array<std::array<float, 4>, 64>;
// The same for units of any size (an 8x16 sprite's pair of tiles: 128 pixels).
using UnitIndices = std::vector<uint8_t>;
using UnitCosts = std::vector<std::array<float, 4>>;

// Fewer tiles for a picture's cells at the least added error: identical tiles are shared from the start, and each
// merge joins the two groups of cells whose one shared tile adds least to the picture's total cost. The shared tile
// takes, at every pixel, the index of least cost summed over the cells that show it (so the merged tile is the best
// one for those cells, whatever their sub-palettes).
class TileReducer
{
public:
    // A tile and the costs of every cell (same length).
    TileReducer(const std::vector<TileIndices> &cellTiles, const std::vector<CellCosts> &cellCosts);
    // Units of one size, each with a cost for every pixel.
    TileReducer(const std::vector<UnitIndices> &cellUnits, const std::vector<UnitCosts> &cellCosts);

    int tileCount() const { return alive_; }
    // Merges until at most count tiles are left (at least one). keepGoing (when given) is asked now and then, with
    // the share of the merges done; when it says no, merging stops and false is returned.
    bool mergeDownTo(int count, const std::function<bool(double)> &keepGoing = {});

    // The distinct tiles (units) left, and the position among them of each cell's tile.
    std::vector<TileIndices> tiles() const;
    std::vector<UnitIndices> units() const;
    std::vector<int> cellTiles() const;
    // The total cost of the cells in their tiles.
    double cost() const;

private:
    struct Group
    {
        // By colour index, then pixel (so the sums over pixels run in step).
        std::vector<float> costs;
        UnitIndices tile;
        double cost = 0.0;
        int version = 0;
        bool alive = true;
    };
    struct Candidate
    {
        double added;
        int first, second, firstVersion, secondVersion;
        bool operator>(const Candidate &other) const { return added > other.added; }
    };

    void build(const std::vector<UnitIndices> &cellUnits, const std::vector<UnitCosts> &cellCosts);
    double mergedCost(const Group &a, const Group &b) const;
    void push(int a, int b);

    size_t size_ = 64;
    std::vector<Group> groups_;
    std::vector<int> cellGroup_;
    std::vector<Candidate> heap_;
    mutable std::vector<float> scratch_;
    int alive_ = 0;
};

} // namespace mosavo
