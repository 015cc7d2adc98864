#include "convert/LossySpriteConversion.h"

#include "convert/PaletteClustering.h"
#include "convert/TileReducer.h"

#include <algorithm>
#include <climits>
#include <limits>
#include <set>

namespace mosavo {

namespace {

constexpr uint8_t opaqueAlpha = 128;
// Sprites lie at offsets -128..127 from the origin: a larger picture could not be shown whole.
constexpr int largestPicture = 512;

SpriteConversion refused(std::string reason)
{
    SpriteConversion result;
    result.error = std::move(reason);
    return result;
}

DitherPalette ditherPalette(const std::vector<CandidateColor> &candidates, const CandidatePalette &palette)
{
    DitherPalette colors;
    for (const int c : palette)
        colors.add(candidates[size_t(c)].rgb);
    return colors;
}

// The blank tiles (8x16: pairs) of the sprite pattern table that nothing uses, the table's first blank tile left out.
size_t freeUnits(
    const PatternTables &bank, const std::bitset<256> &tilesInUse, const SpriteConversionSettings &settings)
{
    const int perUnit = settings.tall ? 2 : 1;
    const int keptBlank = firstBlankTile(bank, settings.patternTable);
    size_t room = 0;
    for (int unit = 0; unit < 256 / perUnit; ++unit) {
        bool free = true;
        for (int half = 0; half < perUnit; ++half) {
            const int tile = unit * perUnit + half;
            free = free && tile != keptBlank;
            const auto start = bank.pixels.begin() + ((settings.patternTable & 1) * 256 + tile) * 64;
            free = free && !tilesInUse.test(size_t(tile))
                && std::all_of(start, start + 64, [](uint8_t v) { return v == 0; });
        }
        room += free ? 1 : 0;
    }
    return room;
}

} // namespace

SpriteConversion convertSpritePictureLossy(const RgbaPicture &picture, const PatternTables &bank,
    const std::bitset<256> &tilesInUse, const SpriteConversionSettings &settings, const LossySettings &lossy)
{
    const DisplayColors &display = settings.displayColors ? *settings.displayColors : currentDisplayColors();
    const int emphasis = settings.emphasis;
    const int width = picture.width, height = picture.height;
    if (width <= 0 || height <= 0 || picture.pixels.size() < size_t(width) * size_t(height) * 4)
        return refused("the picture has no pixels");
    if (width > largestPicture || height > largestPicture)
        return refused("the picture is " + std::to_string(width) + " x " + std::to_string(height)
            + " pixels; a metasprite's sprites lie within 128 pixels of its origin, so a picture of at most "
            + std::to_string(largestPicture) + " x " + std::to_string(largestPicture) + " is converted");
    const size_t count = size_t(width) * size_t(height);
    const int cellHeight = settings.tall ? 16 : 8;
    const int cellColumns = (width + 7) / 8;
    const auto cellOf = [&](int x, int y) { return size_t((y / cellHeight) * cellColumns + x / 8); };
    const size_t cellCount = size_t(cellColumns) * size_t((height + cellHeight - 1) / cellHeight);

    // Which pixels are drawn.
    bool anyTransparent = false;
    for (size_t at = 0; at < count; ++at)
        anyTransparent = anyTransparent || picture.pixels[at * 4 + 3] < opaqueAlpha;
    std::optional<Rgb8> backdrop;
    if (!anyTransparent && settings.universalBackground)
        backdrop = display.rgb(*settings.universalBackground, emphasis);
    std::vector<bool> drawn(count);
    std::vector<LinearRgb> linear(count);
    std::vector<std::vector<Oklab>> cellPixels(cellCount);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const size_t at = size_t(y) * size_t(width) + size_t(x);
            const uint8_t *p = &picture.pixels[at * 4];
            const Rgb8 rgb { p[0], p[1], p[2] };
            drawn[at] = p[3] >= opaqueAlpha && !(backdrop && rgb == *backdrop);
            linear[at] = toLinear(rgb);
            if (drawn[at])
                cellPixels[cellOf(x, y)].push_back(toOklab(linear[at]));
        }

    // The sub-palettes: given, or kept in their places and found for the places left.
    const std::vector<CandidateColor> candidates = candidateColors(display, emphasis, settings.preferredNumbers);
    const auto toCandidates = [&](const SubPaletteColors &colors) {
        return CandidatePalette { candidateOf(candidates, display, emphasis, colors[0]),
            candidateOf(candidates, display, emphasis, colors[1]),
            candidateOf(candidates, display, emphasis, colors[2]) };
    };
    PaletteChoiceRequest request;
    request.candidates = &candidates;
    for (const std::vector<Oklab> &pixels : cellPixels)
        if (!pixels.empty())
            request.groups.push_back(summarizeColors(pixels, candidates));
    std::vector<size_t> slots; // the place (0-3) of each palette of the choice
    if (settings.subPalettes) {
        for (size_t k = 0; k < settings.subPalettes->size() && k < 4; ++k) {
            request.fixedPalettes.push_back(toCandidates((*settings.subPalettes)[k]));
            slots.push_back(k);
        }
        request.freePalettes = 0;
    } else {
        std::vector<size_t> freeSlots;
        for (size_t k = 0; k < 4; ++k)
            if (settings.keptSubPalettes.test(k) && k < settings.currentSubPalettes.size()
                && settings.currentSubPalettes[k]) {
                request.fixedPalettes.push_back(toCandidates(*settings.currentSubPalettes[k]));
                slots.push_back(k);
            } else {
                freeSlots.push_back(k);
            }
        request.freePalettes = int(freeSlots.size());
        slots.insert(slots.end(), freeSlots.begin(), freeSlots.end());
    }
    if (request.fixedPalettes.empty() && request.freePalettes == 0)
        return refused("no sprite sub-palette is given to draw the picture in");
    const PaletteChoice choice = choosePalettes(request);
    std::vector<DitherPalette> palettes;
    for (const CandidatePalette &palette : choice.palettes)
        palettes.push_back(ditherPalette(candidates, palette));

    // Every cell in the palette that shows it best, its pixels dithered within its three colours.
    std::vector<int> cellPalette(cellCount, 0);
    for (size_t cell = 0; cell < cellCount; ++cell) {
        double best = std::numeric_limits<double>::infinity();
        for (size_t p = 0; p < palettes.size(); ++p) {
            double cost = 0.0;
            for (const Oklab &pixel : cellPixels[cell])
                cost += squaredDistance(pixel, palettes[p].lab[size_t(nearestColor(palettes[p], pixel))]);
            if (cost < best) {
                best = cost;
                cellPalette[cell] = int(p);
            }
        }
    }
    DitherRequest dither { width, height, linear, std::vector<int>(count, -1), palettes };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (const size_t at = size_t(y) * size_t(width) + size_t(x); drawn[at])
                dither.paletteOf[at] = cellPalette[cellOf(x, y)];
    const std::vector<uint8_t> indices = ditherToPalettes(dither, lossy.dithering);

    // The picture in display colours, read exactly into sprites with the sub-palettes in their places.
    // From the colour index of every pixel (0 empty, 1-3 the colours of its cell's sub-palette).
    const auto shownFrom = [&](const std::vector<uint8_t> &pixelIndex) {
        std::vector<uint8_t> shown(count * 4, 0);
        for (size_t at = 0; at < count; ++at)
            if (pixelIndex[at] > 0) {
                const size_t cell = cellOf(int(at % size_t(width)), int(at / size_t(width)));
                const int c = choice.palettes[size_t(cellPalette[cell])][size_t(pixelIndex[at] - 1)];
                const Rgb8 rgb = candidates[size_t(c)].rgb;
                std::copy_n(std::array<uint8_t, 4> { rgb.red, rgb.green, rgb.blue, 255 }.begin(), 4, &shown[at * 4]);
            }
        return shown;
    };
    std::vector<uint8_t> cellIndices(count, 0);
    for (size_t at = 0; at < count; ++at)
        cellIndices[at] = drawn[at] ? uint8_t(indices[at] + 1) : 0;
    std::vector<uint8_t> shown = shownFrom(cellIndices);
    std::vector<SubPaletteColors> placed(4, SubPaletteColors { 0x0F, 0x0F, 0x0F });
    size_t used = 0;
    for (size_t p = 0; p < choice.palettes.size(); ++p) {
        for (size_t i = 0; i < 3; ++i)
            placed[slots[p]][i] = candidates[size_t(choice.palettes[p][i])].number;
        used = std::max(used, slots[p] + 1);
    }
    for (size_t k = 0; k < used; ++k)
        if (std::find(slots.begin(), slots.begin() + long(choice.palettes.size()), k)
                == slots.begin() + long(choice.palettes.size())
            && k < settings.currentSubPalettes.size() && settings.currentSubPalettes[k])
            placed[k] = *settings.currentSubPalettes[k];
    placed.resize(used);
    SpriteConversionSettings exact = settings;
    exact.displayColors = &display;
    exact.subPalettes = placed;
    exact.universalBackground.reset();
    exact.fitColors = false;
    SpriteConversion result = convertSpritePicture({ width, height, shown }, bank, tilesInUse, exact);
    const size_t limit = lossy.maxTiles ? size_t(std::max(0, *lossy.maxTiles)) : SIZE_MAX;
    const auto tooManyTiles = [&](const SpriteConversion &r) {
        return r ? r.tileChanges.size() > limit : r.error.rfind("the picture needs ", 0) == 0;
    };
    if (tooManyTiles(result)) {
        // Cells that look alike share tiles: merged by the least error added, as a screen's are, until they fit.
        const size_t unitPixels = size_t(8 * cellHeight);
        std::vector<size_t> drawnCells;
        std::vector<UnitIndices> units;
        std::vector<UnitCosts> costs;
        // A drawn pixel made empty or an empty one drawn costs as much as the largest change of colour.
        constexpr float mustNot = 1.0f;
        for (size_t cell = 0; cell < cellCount; ++cell) {
            if (cellPixels[cell].empty())
                continue;
            drawnCells.push_back(cell);
            UnitIndices unit(unitPixels, 0);
            UnitCosts cost(unitPixels, { 0.0f, mustNot, mustNot, mustNot });
            const int left = int(cell % size_t(cellColumns)) * 8, top = int(cell / size_t(cellColumns)) * cellHeight;
            for (int y = top; y < std::min(top + cellHeight, height); ++y)
                for (int x = left; x < std::min(left + 8, width); ++x) {
                    const size_t at = size_t(y) * size_t(width) + size_t(x), px = size_t((y - top) * 8 + x - left);
                    if (!drawn[at])
                        continue;
                    const DitherPalette &palette = palettes[size_t(dither.paletteOf[at])];
                    const Oklab wanted = toOklab(linear[at]);
                    unit[px] = uint8_t(1 + indices[at]);
                    cost[px][0] = mustNot;
                    for (size_t i = 0; i < 3; ++i)
                        cost[px][i + 1] = float(squaredDistance(wanted, palette.lab[i])
                            + 0.5 * squaredDistance(palette.lab[indices[at]], palette.lab[i]));
                }
            units.push_back(std::move(unit));
            costs.push_back(std::move(cost));
        }
        TileReducer reducer(units, costs);
        const size_t perUnit = settings.tall ? 2 : 1;
        int target = int(std::min(freeUnits(bank, tilesInUse, settings), limit / perUnit));
        while (tooManyTiles(result) && reducer.tileCount() > 1) {
            if (!reducer.mergeDownTo(std::min(target, reducer.tileCount() - 1), lossy.progress))
                return refused(cancelledText);
            target = reducer.tileCount() - 1;
            const std::vector<UnitIndices> merged = reducer.units();
            const std::vector<int> unitOf = reducer.cellTiles();
            std::vector<uint8_t> pixelIndex = cellIndices;
            for (size_t k = 0; k < drawnCells.size(); ++k) {
                const int left = int(drawnCells[k] % size_t(cellColumns)) * 8;
                const int top = int(drawnCells[k] / size_t(cellColumns)) * cellHeight;
                const UnitIndices &unit = merged[size_t(unitOf[k])];
                for (int y = top; y < std::min(top + cellHeight, height); ++y)
                    for (int x = left; x < std::min(left + 8, width); ++x) {
                        pixelIndex[size_t(y) * size_t(width) + size_t(x)] = unit[size_t((y - top) * 8 + x - left)];
                    }
            }
            shown = shownFrom(pixelIndex);
            result = convertSpritePicture({ width, height, shown }, bank, tilesInUse, exact);
        }
        if (result && result.tileChanges.size() > limit)
            return refused("the picture needs " + std::to_string(result.tileChanges.size())
                + " new tiles even with its cells merged, and at most " + std::to_string(limit) + " may be made");
    }
    if (!result)
        return result;

    ConversionQuality quality;
    std::set<int> tiles;
    for (const MetaspriteSprite &sprite : result.metasprite->sprites)
        tiles.insert(sprite.tile);
    quality.tilesUsed = int(tiles.size()) * (settings.tall ? 2 : 1);
    quality.newTiles = int(result.tileChanges.size());
    std::vector<uint8_t> source(picture.pixels.begin(), picture.pixels.begin() + long(count * 4));
    for (size_t at = 0; at < count; ++at)
        source[at * 4 + 3] = drawn[at] ? 255 : 0;
    measureError(source, shown, width, height, quality);
    result.quality = quality;
    return result;
}

TileColorReduction reduceToSubPalette(const RgbaPicture &picture, const std::array<uint8_t, 4> &subPalette,
    const DisplayColors &display, int emphasis, Dithering dithering)
{
    std::array<Rgb8, 4> colors;
    for (size_t i = 0; i < 4; ++i)
        colors[i] = display.rgb(subPalette[i], emphasis);
    return reduceToColors(picture, colors, dithering);
}

TileColorReduction reduceToColors(const RgbaPicture &picture, const std::array<Rgb8, 4> &colors, Dithering dithering)
{
    TileColorReduction reduction;
    const int width = picture.width, height = picture.height;
    if (width <= 0 || height <= 0 || picture.pixels.size() < size_t(width) * size_t(height) * 4)
        return reduction;
    const size_t count = size_t(width) * size_t(height);
    DitherRequest request { width, height, std::vector<LinearRgb>(count), std::vector<int>(count, 0), { {} } };
    for (const Rgb8 &color : colors)
        request.palettes[0].add(color);
    for (size_t at = 0; at < count; ++at) {
        const uint8_t *p = &picture.pixels[at * 4];
        request.pixels[at] = toLinear(Rgb8 { p[0], p[1], p[2] });
        request.paletteOf[at] = p[3] < opaqueAlpha ? -1 : 0;
    }
    reduction.indices = ditherToPalettes(request, dithering);
    std::vector<uint8_t> source(picture.pixels.begin(), picture.pixels.begin() + long(count * 4));
    std::vector<uint8_t> shown(count * 4);
    for (size_t at = 0; at < count; ++at) {
        const Rgb8 rgb = colors[reduction.indices[at]];
        std::copy_n(std::array<uint8_t, 4> { rgb.red, rgb.green, rgb.blue, 255 }.begin(), 4, &shown[at * 4]);
        if (request.paletteOf[at] < 0)
            std::copy_n(&shown[at * 4], 4, &source[at * 4]);
    }
    measureError(source, shown, width, height, reduction.quality);
    return reduction;
}

} // namespace mosavo
