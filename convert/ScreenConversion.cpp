#include "convert/ScreenConversion.h"

#include "convert/ColorFitting.h"
#include "convert/PaletteFinder.h"
#include "convert/ScreenTilePlacement.h"

#include <algorithm>
#include <bitset>
#include <cstdio>
#include <map>
#include <set>
#include <unordered_map>

namespace mosavo {

namespace {

constexpr int areaSide = 16;
constexpr int areaColumns = screenPictureWidth / areaSide; // 16
constexpr int areaRows = screenPictureHeight / areaSide; // 15
constexpr int cellSide = 8;
// The areas a refusal names at most.
constexpr size_t namedAreasAtMost = 8;
// The universal background colours tried at most when the conversion finds the sub-palettes.
constexpr size_t backdropTriesAtMost = 16;
// Search steps for all the tries together (three full searches).
constexpr long backdropSearchSteps = 600000;

using TilePixels = std::array<uint8_t, 64>;
using ColorSet = std::set<uint8_t>;

std::string hexRgb(uint8_t red, uint8_t green, uint8_t blue)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", red, green, blue);
    return text;
}

std::string areaText(int area)
{
    return "(" + std::to_string((area % areaColumns) * areaSide) + ", "
        + std::to_string((area / areaColumns) * areaSide) + ")";
}

std::string colorsText(const ColorSet &colors)
{
    std::string text;
    for (uint8_t color : colors) {
        if (!text.empty())
            text += ' ';
        text += colorNumberText(color);
    }
    return text;
}

ScreenConversionResult refused(std::string error)
{
    return { std::nullopt, std::move(error) };
}

// "the areas at (0, 0) ($01 $02 $03 $04), (16, 0) (...) and 3 more"
std::string areasText(const std::vector<size_t> &areas, const std::vector<ColorSet> &sets)
{
    std::string text = areas.size() == 1 ? "the 16 x 16 area at " : "the 16 x 16 areas at ";
    for (size_t i = 0; i < areas.size() && i < namedAreasAtMost; ++i) {
        if (i > 0)
            text += ", ";
        text += areaText(int(areas[i])) + " (" + colorsText(sets[areas[i]]) + ")";
    }
    if (areas.size() > namedAreasAtMost)
        text += " and " + std::to_string(areas.size() - namedAreasAtMost) + " more";
    return text;
}

ColorSet without(ColorSet set, uint8_t color)
{
    set.erase(color);
    return set;
}

// Pixel colours (24-bit keys) mapped to values, with the colours last looked up kept at hand: a picture holds few
// colours, and neighbouring pixels mostly share one or alternate among a few.
template<typename Value>
class ColorLookup
{
public:
    // The value for key, made by make() the first time it is asked for.
    template<typename Make>
    Value get(uint32_t key, Make make)
    {
        Slot &slot = slots_[(key * 2654435761u) >> (32 - slotBits)];
        if (slot.key == key)
            return slot.value;
        auto found = map_.find(key);
        if (found == map_.end())
            found = map_.emplace(key, make()).first;
        slot = { key, found->second };
        return found->second;
    }
    void put(uint32_t key, Value value) { map_[key] = value; }
    const std::unordered_map<uint32_t, Value> &all() const { return map_; }

private:
    static constexpr int slotBits = 10;
    struct Slot
    {
        uint32_t key = 0xFFFFFFFFu; // no colour: keys are 24-bit
        Value value {};
    };
    std::array<Slot, size_t(1) << slotBits> slots_ {};
    std::unordered_map<uint32_t, Value> map_;
};

} // namespace

std::string colorNumberText(uint8_t number)
{
    char text[4];
    std::snprintf(text, sizeof text, "$%02X", unsigned(number));
    return text;
}

std::string rgbText(Rgb8 rgb)
{
    return hexRgb(rgb.red, rgb.green, rgb.blue);
}

std::string farColorText(
    int x, int y, Rgb8 rgb, uint8_t nearest, Rgb8 nearestRgb, double distance, const std::string &advice)
{
    char figures[64];
    std::snprintf(figures, sizeof figures, "%.3f; at most %.2f is read", distance, colorTooFarDistance);
    return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") is " + rgbText(rgb)
        + ", too far from every display colour to be read as one (the nearest is " + colorNumberText(nearest) + ", "
        + rgbText(nearestRgb) + ", at OKLab distance " + figures + ")" + (advice.empty() ? "" : "; " + advice);
}

std::optional<std::string> screenPictureSizeRefusal(int width, int height)
{
    if (width == screenPictureWidth && height == screenPictureHeight)
        return std::nullopt;
    return "the picture is " + std::to_string(width) + " x " + std::to_string(height)
        + " pixels; a screen is made from a picture of 256 x 240";
}

std::variant<PictureColorNumbers, std::string> pictureColorNumbers(const ScreenPictureRequest &request)
{
    const auto keyOf
        = [](const uint8_t *pixel) { return uint32_t(pixel[0]) << 16 | uint32_t(pixel[1]) << 8 | pixel[2]; };
    const size_t pixels = size_t(request.width) * size_t(request.height);
    PictureColorNumbers read;
    std::vector<uint8_t> &numbers = read.numbers;
    numbers.resize(pixels);
    for (size_t n = 0; n < read.written.size(); ++n)
        read.written[n] = uint8_t(n);
    ColorLookup<int> known;
    if (request.fitColors) {
        ColorFitRequest fit;
        fit.displayColors = request.displayColors;
        fit.emphasis = request.emphasis;
        fit.preferredNumbers = request.preferredNumbers;
        ColorLookup<size_t> position;
        uint32_t lastKey = 0xFFFFFFFFu;
        size_t lastColor = 0;
        // Pixels of one colour in a row are counted together.
        size_t run = 0;
        for (size_t at = 0; at < pixels; ++at) {
            const uint8_t *pixel = &request.rgba[at * 4];
            if (pixel[3] == 0)
                continue;
            if (const uint32_t key = keyOf(pixel); key != lastKey) {
                if (run > 0)
                    fit.weights[lastColor] += double(run);
                run = 0;
                lastKey = key;
                lastColor = position.get(key, [&] {
                    fit.colors.push_back({ pixel[0], pixel[1], pixel[2] });
                    fit.weights.push_back(0.0);
                    return fit.colors.size() - 1;
                });
            }
            ++run;
        }
        if (run > 0)
            fit.weights[lastColor] += double(run);
        const ColorFit found = fitColors(fit);
        if (const int far = found.firstTooFar(); far >= 0) {
            const Rgb8 rgb = fit.colors[size_t(far)];
            for (size_t at = 0; at < pixels; ++at)
                if (request.rgba[at * 4 + 3] != 0 && keyOf(&request.rgba[at * 4]) == keyOf(&rgb.red))
                    return farColorText(int(at % size_t(request.width)), int(at / size_t(request.width)), rgb,
                        found.numbers[size_t(far)],
                        request.displayColors->rgb(found.numbers[size_t(far)], request.emphasis),
                        found.distances[size_t(far)], request.farColorAdvice);
        }
        for (const auto &[key, i] : position.all()) {
            const uint8_t number = *request.displayColors->colorNumberOf(
                request.displayColors->rgb(found.numbers[i], request.emphasis), request.emphasis);
            known.put(key, number);
            read.written[number] = found.numbers[i];
        }
    }
    uint32_t lastKey = 0xFFFFFFFFu;
    int lastNumber = -1;
    for (size_t at = 0; at < pixels; ++at) {
        const uint8_t *pixel = &request.rgba[at * 4];
        if (pixel[3] == 0) {
            numbers[at] = transparentPixel;
            continue;
        }
        if (const uint32_t key = keyOf(pixel); key != lastKey) {
            lastKey = key;
            lastNumber = known.get(key, [&] {
                const auto number
                    = request.displayColors->colorNumberOf({ pixel[0], pixel[1], pixel[2] }, request.emphasis);
                return number ? int(*number) : -1;
            });
        }
        if (lastNumber < 0)
            return "pixel (" + std::to_string(at % size_t(request.width)) + ", "
                + std::to_string(at / size_t(request.width)) + ") is " + rgbText({ pixel[0], pixel[1], pixel[2] })
                + ", which is not one of the display colours (colours must match exactly)";
        numbers[at] = uint8_t(lastNumber);
    }
    return read;
}

ScreenConversionResult convertScreenPicture(const ScreenPictureRequest &request)
{
    if (const auto refusal = screenPictureSizeRefusal(request.width, request.height))
        return refused(*refusal);
    if (request.rgba.size() < size_t(screenPictureWidth * screenPictureHeight * 4) || !request.displayColors
        || !request.patterns)
        return refused("the picture's pixels, the display colours or the pattern table are missing");

    // The colour number of every pixel, by exact match or by the fit of all the picture's colours.
    auto read = pictureColorNumbers(request);
    if (auto *reason = std::get_if<std::string>(&read))
        return refused(std::move(*reason));
    const std::vector<uint8_t> &numbers = std::get<PictureColorNumbers>(read).numbers;
    // The number written for each number the conversion works with (the first of those showing a display colour).
    const std::array<uint8_t, 64> &written = std::get<PictureColorNumbers>(read).written;

    // The colours of every 16 x 16 area, transparent pixels left out.
    std::vector<ColorSet> areaColors(size_t(areaColumns * areaRows));
    std::vector<std::bitset<64>> areaHas(areaColors.size());
    std::array<int, 64> uses {};
    for (int y = 0; y < screenPictureHeight; ++y)
        for (int x = 0; x < screenPictureWidth; ++x) {
            const uint8_t number = numbers[size_t(y * screenPictureWidth + x)];
            if (number == transparentPixel)
                continue;
            const size_t area = size_t((y / areaSide) * areaColumns + x / areaSide);
            if (!areaHas[area].test(number)) {
                areaHas[area].set(number);
                areaColors[area].insert(number);
            }
            ++uses[number];
        }

    BackgroundSubPalettes subPalettes {};
    std::vector<int> areaPalette(areaColors.size(), 0);
    if (request.subPalettes) {
        // Matched as the pixels are read: a colour number that looks as another does ($30 as $20) counts as it.
        subPalettes = *request.subPalettes;
        for (BackgroundSubPalette &subPalette : subPalettes)
            for (uint8_t &number : subPalette)
                if (const auto same = request.displayColors->colorNumberOf(
                        request.displayColors->rgb(number & 0x3F, request.emphasis), request.emphasis))
                    number = *same;
        const uint8_t backdrop = subPalettes[0][0];
        for (size_t area = 0; area < areaColors.size(); ++area) {
            const ColorSet rest = without(areaColors[area], backdrop);
            if (rest.size() > 3)
                return refused("the 16 x 16 area at " + areaText(int(area)) + " uses " + colorsText(areaColors[area])
                    + ": more than the universal background colour " + colorNumberText(backdrop)
                    + " and three colours of one sub-palette");
            int holding = -1;
            for (int p = 0; p < 4 && holding < 0; ++p)
                if (std::all_of(rest.begin(), rest.end(), [&](uint8_t color) {
                        return std::find(subPalettes[size_t(p)].begin() + 1, subPalettes[size_t(p)].end(), color)
                            != subPalettes[size_t(p)].end();
                    }))
                    holding = p;
            if (holding < 0)
                return refused("the 16 x 16 area at " + areaText(int(area)) + " uses " + colorsText(rest)
                    + " besides the universal background colour " + colorNumberText(backdrop)
                    + ", and no background sub-palette holds them all");
            areaPalette[area] = holding;
        }
    } else {
        for (size_t area = 0; area < areaColors.size(); ++area)
            if (areaColors[area].size() > 4)
                return refused("the 16 x 16 area at " + areaText(int(area)) + " uses "
                    + std::to_string(areaColors[area].size()) + " colours, " + colorsText(areaColors[area])
                    + ": more than the universal background colour and three colours of one sub-palette");
        // The universal background colour must be in every area of four colours.
        std::vector<uint8_t> candidates;
        for (int color = 0; color < 64; ++color)
            if (uses[size_t(color)] > 0)
                candidates.push_back(uint8_t(color));
        if (candidates.empty())
            candidates.push_back(0x0F);
        std::vector<size_t> fourColorAreas;
        for (size_t area = 0; area < areaColors.size(); ++area) {
            if (areaColors[area].size() < 4)
                continue;
            fourColorAreas.push_back(area);
            std::erase_if(candidates, [&](uint8_t color) { return !areaColors[area].contains(color); });
            if (candidates.empty())
                return refused("no colour can be the universal background colour: it must be in every 16 x 16 area "
                               "of four colours, and "
                    + areasText(fourColorAreas, areaColors) + " share none");
        }
        std::stable_sort(candidates.begin(), candidates.end(), [&](uint8_t a, uint8_t b) { return uses[a] > uses[b]; });
        std::optional<std::vector<SubPaletteColors>> found;
        uint8_t backdrop = candidates.front();
        std::vector<size_t> firstUncovered;
        // The tries share one budget of search steps: a picture that cannot be covered is refused within it.
        long steps = backdropSearchSteps;
        for (size_t i = 0; i < candidates.size() && i < backdropTriesAtMost && !found && steps > 0; ++i) {
            std::vector<ColorSet> sets;
            for (const ColorSet &colors : areaColors)
                sets.push_back(without(colors, candidates[i]));
            std::vector<size_t> uncovered;
            found = findSubPalettes(sets, 4, i == 0 ? &uncovered : nullptr, &steps);
            if (found)
                backdrop = candidates[i];
            else if (i == 0)
                firstUncovered = std::move(uncovered);
        }
        if (!found) {
            std::vector<ColorSet> rests;
            for (const ColorSet &colors : areaColors)
                rests.push_back(without(colors, backdrop));
            return refused("four background sub-palettes of three colours and the universal background colour "
                + colorNumberText(backdrop) + " cannot cover every 16 x 16 area: "
                + (firstUncovered.empty() ? std::string("the areas need more colours together")
                                          : areasText(firstUncovered, rests) + " would not fit"));
        }
        for (size_t p = 0; p < 4; ++p) {
            subPalettes[p] = { backdrop, 0x0F, 0x0F, 0x0F };
            if (p < found->size())
                std::copy((*found)[p].begin(), (*found)[p].end(), subPalettes[p].begin() + 1);
        }
        for (size_t area = 0; area < areaColors.size(); ++area)
            areaPalette[area] = std::max(0, subPaletteHolding(*found, without(areaColors[area], backdrop)));
    }

    ScreenConversion conversion;
    conversion.screen.name = request.name;
    conversion.screen.patternTable = request.patternTable & 1;
    // The given sub-palettes keep their own colour numbers.
    conversion.subPalettes = request.subPalettes ? *request.subPalettes : subPalettes;
    if (!request.subPalettes)
        for (BackgroundSubPalette &subPalette : conversion.subPalettes)
            for (uint8_t &number : subPalette)
                number = written[number & 0x3F];
    const uint8_t backdrop = subPalettes[0][0];
    for (int area = 0; area < areaColumns * areaRows; ++area)
        conversion.screen.setSubPalette((area % areaColumns) * 2, (area / areaColumns) * 2, areaPalette[size_t(area)]);

    // Each cell's colour indices, and the distinct tiles in the order they first appear.
    std::map<TilePixels, int> distinct;
    std::vector<const TilePixels *> order;
    std::vector<int> cellTile(static_cast<size_t>(Screen::tileCount));
    for (int row = 0; row < Screen::rows; ++row)
        for (int column = 0; column < Screen::columns; ++column) {
            const BackgroundSubPalette &palette
                = subPalettes[size_t(areaPalette[size_t((row / 2) * areaColumns + column / 2)])];
            TilePixels pixels {};
            for (int y = 0; y < cellSide; ++y)
                for (int x = 0; x < cellSide; ++x) {
                    const uint8_t number
                        = numbers[size_t((row * cellSide + y) * screenPictureWidth + column * cellSide + x)];
                    uint8_t index = 0;
                    if (number != transparentPixel && number != backdrop)
                        index = uint8_t(std::find(palette.begin() + 1, palette.end(), number) - palette.begin());
                    pixels[size_t(y * cellSide + x)] = index;
                }
            const auto [entry, added] = distinct.emplace(pixels, int(order.size()));
            if (added)
                order.push_back(&entry->first);
            cellTile[size_t(row * Screen::columns + column)] = entry->second;
        }
    conversion.distinctTiles = int(order.size());

    std::vector<TileIndices> tiles;
    for (const TilePixels *pixels : order)
        tiles.push_back(*pixels);
    if (const ScreenTilePlacement placement = placeScreenTiles(tiles, cellTile, request, conversion); !placement)
        return refused(placement.error);
    return { std::move(conversion), {} };
}

} // namespace mosavo
