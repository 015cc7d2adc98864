#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <vector>

namespace mosavo {

// Three colour numbers of a sub-palette besides its colour 0 (the backdrop, or transparent for sprites).
using SubPaletteColors = std::array<uint8_t, 3>;

// Finds at most `count` sub-palettes of three colours so that each of the colour sets (one per area or cell, at most
// three colours each, colour 0 left out) lies within one of them. Unused slots of a sub-palette are filled with its
// first colour (or $0F when it has none). Nothing when no such choice exists (or a set has more than three colours);
// then `uncovered` (when given) receives the positions of the sets that no choice of the size could also hold,
// found greedily: every set from the first that does not fit. The search takes at most 200,000 steps, and at most
// *steps when steps is given (what it took is subtracted), so that a caller trying several choices bounds them all;
// finding the uncovered sets takes at most as many steps again.
std::optional<std::vector<SubPaletteColors>> findSubPalettes(const std::vector<std::set<uint8_t>> &sets, int count,
    std::vector<size_t> *uncovered = nullptr, long *steps = nullptr);

// The sub-palette (position in palettes) that holds every colour of the set, or -1.
int subPaletteHolding(const std::vector<SubPaletteColors> &palettes, const std::set<uint8_t> &set);

} // namespace mosavo
