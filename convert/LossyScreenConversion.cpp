#include "convert/LossyScreenConversion.h"

#include "convert/PaletteClustering.h"
#include "convert/ScreenTilePlacement.h"
#include "convert/TileReducer.h"
#include "core/FrameRenderer.h"

#include <algorithm>
#include <climits>
#include <limits>
#include <map>

namespace mosavo {

namespace {

constexpr int width = screenPictureWidth;
constexpr int height = screenPictureHeight;
constexpr int areaSide = 16;
constexpr int areaColumns = width / areaSide;
constexpr int areaRows = height / areaSide;
// Pixels at or below this alpha are transparent: they show the universal background colour.
constexpr uint8_t transparentAlpha = 127;
// How much a tile merge weighs keeping the dithered pixels against the picture itself.
constexpr float ditherWeight = 0.5f;
// The grid (OKLab) and the rounds of the last part of the sub-palette choice.
constexpr double fineStep = 0.02;
constexpr int fineRounds = 3;

ScreenConversionResult refused(std::string error)
{
    return { std::nullopt, std::move(error) };
}

size_t areaOf(int x, int y)
{
    return size_t((y / areaSide) * areaColumns + x / areaSide);
}

} // namespace

ScreenConversionResult convertScreenPictureLossy(const ScreenPictureRequest &request, const LossySettings &settings)
{
    if (const auto refusal = screenPictureSizeRefusal(request.width, request.height))
        return refused(*refusal);
    if (request.rgba.size() < size_t(width * height * 4) || !request.displayColors || !request.patterns)
        return refused("the picture's pixels, the display colours or the pattern table are missing");
    const DisplayColors &display = *request.displayColors;
    const int emphasis = request.emphasis;
    const std::vector<CandidateColor> candidates = candidateColors(display, emphasis, request.preferredNumbers);

    // Every pixel in linear light and OKLab; the opaque ones of every area summarised.
    const size_t pixelCount = size_t(width * height);
    std::vector<LinearRgb> linear(pixelCount);
    std::vector<Oklab> labs(pixelCount);
    std::vector<bool> transparent(pixelCount);
    std::vector<std::vector<Oklab>> areaPixels(size_t(areaColumns * areaRows));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const size_t at = size_t(y * width + x);
            const uint8_t *p = &request.rgba[at * 4];
            transparent[at] = p[3] <= transparentAlpha;
            linear[at] = toLinear(Rgb8 { p[0], p[1], p[2] });
            labs[at] = toOklab(linear[at]);
            if (!transparent[at])
                areaPixels[areaOf(x, y)].push_back(labs[at]);
        }
    const auto keepGoing = [&](double done) { return !settings.progress || settings.progress(done); };
    if (!keepGoing(0.05))
        return refused(cancelledText);
    std::vector<GroupColors> groups;
    for (const std::vector<Oklab> &pixels : areaPixels)
        groups.push_back(summarizeColors(pixels, candidates));

    // The universal background colour and the four sub-palettes, as candidate positions.
    PaletteChoice choice;
    if (request.subPalettes) {
        choice.backdrop = candidateOf(candidates, display, emphasis, (*request.subPalettes)[0][0]);
        for (const BackgroundSubPalette &subPalette : *request.subPalettes)
            choice.palettes.push_back({ candidateOf(candidates, display, emphasis, subPalette[1]),
                candidateOf(candidates, display, emphasis, subPalette[2]),
                candidateOf(candidates, display, emphasis, subPalette[3]) });
    } else {
        // Chosen on bins by nearest display colour, then a few rounds more on a fine grid of OKLab.
        choice = chooseBackgroundPalettes(candidates, groups);
        PaletteChoiceRequest fine { &candidates, {}, choice.backdrop, {}, 4, choice.palettes, fineRounds };
        for (const std::vector<Oklab> &pixels : areaPixels)
            fine.groups.push_back(summarizeColors(pixels, candidates, fineStep));
        choice = choosePalettes(fine);
    }
    std::vector<DitherPalette> palettes(4);
    for (size_t p = 0; p < 4; ++p) {
        palettes[p].add(candidates[size_t(choice.backdrop)].rgb);
        for (const int c : choice.palettes[p])
            palettes[p].add(candidates[size_t(c)].rgb);
    }

    if (!keepGoing(0.3))
        return refused(cancelledText);
    // Each area's sub-palette: the one whose colours come nearest its pixels.
    std::vector<int> areaPalette(areaPixels.size(), 0);
    for (size_t area = 0; area < areaPixels.size(); ++area) {
        double best = std::numeric_limits<double>::infinity();
        for (size_t p = 0; p < 4; ++p) {
            double cost = 0.0;
            for (const Oklab &pixel : areaPixels[area])
                cost += squaredDistance(pixel, palettes[p].lab[size_t(nearestColor(palettes[p], pixel))]);
            if (cost < best) {
                best = cost;
                areaPalette[area] = int(p);
            }
        }
    }

    // The colour index of every pixel.
    DitherRequest dither { width, height, linear, std::vector<int>(pixelCount), palettes };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const size_t at = size_t(y * width + x);
            dither.paletteOf[at] = transparent[at] ? -1 : areaPalette[areaOf(x, y)];
        }
    const std::vector<uint8_t> indices = ditherToPalettes(dither, settings.dithering);

    // Every cell's tile and what each index would cost at each of its pixels.
    std::vector<TileIndices> cellTiles(static_cast<size_t>(Screen::tileCount));
    std::vector<CellCosts> cellCosts(static_cast<size_t>(Screen::tileCount));
    for (int row = 0; row < Screen::rows; ++row)
        for (int column = 0; column < Screen::columns; ++column) {
            const size_t cell = size_t(row * Screen::columns + column);
            const DitherPalette &palette = palettes[size_t(areaPalette[areaOf(column * 8, row * 8)])];
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x) {
                    const size_t at = size_t((row * 8 + y) * width + column * 8 + x);
                    const size_t px = size_t(y * 8 + x);
                    cellTiles[cell][px] = indices[at];
                    const Oklab &wanted = transparent[at] ? palette.lab[0] : labs[at];
                    const Oklab &drawn = palette.lab[indices[at]];
                    for (size_t i = 0; i < 4; ++i)
                        cellCosts[cell][px][i] = float(squaredDistance(wanted, palette.lab[i]))
                            + ditherWeight * float(squaredDistance(drawn, palette.lab[i]));
                }
        }

    if (!keepGoing(0.4))
        return refused(cancelledText);
    ScreenConversion conversion;
    conversion.screen.name = request.name;
    conversion.screen.patternTable = request.patternTable & 1;
    for (size_t area = 0; area < areaPalette.size(); ++area)
        conversion.screen.setSubPalette(int(area % areaColumns) * 2, int(area / areaColumns) * 2, areaPalette[area]);

    // Tiles merged until the new ones fit the budget and the pattern table.
    const size_t limit = settings.maxTiles ? size_t(std::max(0, *settings.maxTiles)) : SIZE_MAX;
    TileReducer reducer(cellTiles, cellCosts);
    for (;;) {
        // Merged tiles may have come out alike: each distinct tile once.
        std::vector<TileIndices> tiles;
        std::vector<int> cellTile = reducer.cellTiles();
        std::map<TileIndices, int> position;
        std::vector<int> renumbered;
        for (const TileIndices &tile : reducer.tiles()) {
            const auto [entry, added] = position.emplace(tile, int(tiles.size()));
            if (added)
                tiles.push_back(tile);
            renumbered.push_back(entry->second);
        }
        for (int &tile : cellTile)
            tile = renumbered[size_t(tile)];
        const ScreenTilePlacement placement = placeScreenTiles(tiles, cellTile, request, conversion);
        const size_t allowed = std::min(limit, placement.room + (placement ? conversion.tileChanges.size() : 0));
        const size_t needed = placement ? conversion.tileChanges.size() : placement.needed;
        if (placement && needed <= limit)
            break;
        if (reducer.tileCount() <= 1)
            return refused(placement
                    ? "the picture needs a new tile, and at most " + std::to_string(limit) + " new tiles may be made"
                    : placement.error);
        if (!reducer.mergeDownTo(reducer.tileCount() - int(needed - std::min(needed - 1, allowed)),
                [&](double done) { return keepGoing(0.4 + 0.55 * done); }))
            return refused(cancelledText);
    }

    for (size_t p = 0; p < 4; ++p) {
        conversion.subPalettes[p][0] = candidates[size_t(choice.backdrop)].number;
        for (size_t i = 0; i < 3; ++i)
            conversion.subPalettes[p][i + 1] = candidates[size_t(choice.palettes[p][i])].number;
    }
    if (request.subPalettes)
        conversion.subPalettes = *request.subPalettes;

    // The screen as the console draws it, measured against the picture (its transparent pixels wanting the universal
    // background colour).
    PatternTables patterns = *request.patterns;
    for (const ScreenTileChange &change : conversion.tileChanges)
        std::copy(change.pixels.begin(), change.pixels.end(),
            patterns.pixels.begin() + (conversion.screen.patternTable * 256 + change.tile) * 64);
    PaletteBytes paletteBytes {};
    for (size_t p = 0; p < 4; ++p)
        for (size_t i = 0; i < 4; ++i)
            paletteBytes[p * 4 + i] = conversion.subPalettes[p][i];
    const FramePicture frame = renderBackground(patterns, conversion.screen, paletteBytes);
    std::vector<uint8_t> source(request.rgba.begin(), request.rgba.begin() + long(pixelCount * 4));
    std::vector<uint8_t> result(pixelCount * 4);
    const Rgb8 backdrop = candidates[size_t(choice.backdrop)].rgb;
    for (size_t at = 0; at < pixelCount; ++at) {
        const Rgb8 shown = display.rgb(frame.colors[at], emphasis);
        result[at * 4] = shown.red;
        result[at * 4 + 1] = shown.green;
        result[at * 4 + 2] = shown.blue;
        result[at * 4 + 3] = 255;
        if (transparent[at]) {
            source[at * 4] = backdrop.red;
            source[at * 4 + 1] = backdrop.green;
            source[at * 4 + 2] = backdrop.blue;
        }
        source[at * 4 + 3] = 255;
    }
    ConversionQuality quality;
    quality.tilesUsed = conversion.distinctTiles;
    quality.newTiles = int(conversion.tileChanges.size());
    measureError(source, result, width, height, quality);
    conversion.quality = quality;
    return { std::move(conversion), {} };
}

} // namespace mosavo
