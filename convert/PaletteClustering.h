#pragma once

#include "convert/Oklab.h"
#include "palette/DisplayColors.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace mosavo {

// A display colour a lossy conversion may use: one per different RGB value of the display colours, with the number
// written for it (preferredColorNumber's choice).
struct CandidateColor
{
    uint8_t number = 0;
    Rgb8 rgb;
    Oklab lab;
};

std::vector<CandidateColor> candidateColors(
    const DisplayColors &colors, int emphasis, std::span<const uint8_t> preferred = {});

// The position among candidates of the one showing the colour of number (as the display colours show it).
int candidateOf(
    const std::vector<CandidateColor> &candidates, const DisplayColors &colors, int emphasis, uint8_t number);

// The pixels of one group (a 16 x 16 area, a sprite cell) summarised by the candidate each is nearest to: how many
// pixels and their mean colour. The squared OKLab error of showing a bin in one colour is count * |mean - colour|^2
// plus a part no choice changes, so palettes can be compared on bins alone.
struct ColorBin
{
    // The bin: the nearest candidate, or a cell of a grid in OKLab.
    int candidate = 0;
    double count = 0.0;
    Oklab mean;
};
using GroupColors = std::vector<ColorBin>;

// With a step, pixels are binned by a grid of that size in OKLab instead (finer, for the last rounds of a choice).
GroupColors summarizeColors(
    std::span<const Oklab> pixels, const std::vector<CandidateColor> &candidates, double step = 0.0);

// Three candidate positions: the colours 1-3 of a sub-palette.
using CandidatePalette = std::array<int, 3>;

struct PaletteChoiceRequest
{
    const std::vector<CandidateColor> *candidates = nullptr;
    std::vector<GroupColors> groups;
    // The colour every palette shares as its colour 0 (the universal background colour), or none (sprites: colour 0
    // is transparent).
    std::optional<int> backdrop;
    // Palettes that must stay as they are, and how many more to choose.
    std::vector<CandidatePalette> fixedPalettes;
    int freePalettes = 4;
    // Where the free palettes start (the others are seeded), and the most rounds of the k-means.
    std::vector<CandidatePalette> initialPalettes;
    int rounds = 12;
};

struct PaletteChoice
{
    // The fixed palettes, then the chosen ones.
    std::vector<CandidatePalette> palettes;
    // The palette each group is best shown in, and the total squared error of the bins.
    std::vector<int> groupPalette;
    double cost = 0.0;
    int backdrop = -1;
};

// Palettes for the groups by k-means: groups go to the palette that shows them best, each palette is then chosen anew
// (greedily, then improved by swapping one colour at a time) for the groups it shows, until nothing changes.
PaletteChoice choosePalettes(const PaletteChoiceRequest &request);

// The same for backgrounds: the universal background colour is chosen too, among the colours most of the picture
// is nearest to and black.
PaletteChoice chooseBackgroundPalettes(
    const std::vector<CandidateColor> &candidates, const std::vector<GroupColors> &groups);

// The squared error of showing the group in palette (and backdrop, when not negative).
double groupCost(const GroupColors &group, const CandidatePalette &palette, int backdrop,
    const std::vector<CandidateColor> &candidates);

} // namespace mosavo
