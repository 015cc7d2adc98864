#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace mosavo {

// The 64 colour indices of a tile, row after row.
using TileIndices = std::array<uint8_t, 64>;
// For each of a cell's 64 pixels, the cost (squared error) of showing it in colour index 0, 1, 2 or 3 of the cell's
// sub-palette.
using CellCosts = std::array<std::array<float, 4>, 64>;

// Fewer tiles for a picture's cells at the least added error: identical tiles are shared from the start, and each
// merge joins the two groups of cells whose one shared tile adds least to the picture's total cost. The shared tile
// takes, at every pixel, the index of least cost summed over the cells that show it (so the merged tile is the best
// one for those cells, whatever their sub-palettes).
class TileReducer
{
public:
    // A tile and the costs of every cell (same length).
    TileReducer(const std::vector<TileIndices> &cellTiles, const std::vector<CellCosts> &cellCosts);

    int tileCount() const { return alive_; }
    // Merges until at most count tiles are left (at least one).
    void mergeDownTo(int count);

    // The distinct tiles left, and the position among them of each cell's tile.
    std::vector<TileIndices> tiles() const;
    std::vector<int> cellTiles() const;
    // The total cost of the cells in their tiles.
    double cost() const;

private:
    struct Group
    {
        // By colour index, then pixel (so the sums over pixels run in step).
        std::array<std::array<float, 64>, 4> costs {};
        TileIndices tile {};
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

    double mergedCost(const Group &a, const Group &b) const;
    void push(int a, int b);

    std::vector<Group> groups_;
    std::vector<int> cellGroup_;
    std::vector<Candidate> heap_;
    int alive_ = 0;
};

} // namespace mosavo
