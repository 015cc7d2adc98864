#include "convert/SpriteConversion.h"

#include "convert/ColorFitting.h"
#include "convert/ScreenConversion.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <unordered_map>

namespace mosavo {

namespace {

constexpr int cellWidth = 8;
constexpr int offsetLowest = -128;
constexpr int offsetHighest = 127;
// A metasprite table ends at an x offset byte of 128, so no sprite may have the x offset -128.
constexpr int offsetLowestAcross = -127;
// A pixel that is empty in the picture.
constexpr int emptyPixel = -1;

std::string hexColor(uint8_t number)
{
    char text[8];
    std::snprintf(text, sizeof text, "$%02X", unsigned(number));
    return text;
}

std::string colorList(const std::set<uint8_t> &colors)
{
    std::string text;
    for (const uint8_t color : colors)
        text += (text.empty() ? "" : ", ") + hexColor(color);
    return text;
}

// One cell of the picture: where it starts and the colour number of each pixel (emptyPixel where nothing is drawn).
struct Cell
{
    int x = 0;
    int y = 0;
    std::vector<int> colors;
    std::set<uint8_t> colorSet;
};

// The colour indices 0-3 of one cell (or of a tile or pair of the bank), 8 wide, 8 or 16 tall.
using CellIndices = std::vector<uint8_t>;

CellIndices flipped(const CellIndices &cell, int height, bool horizontally, bool vertically)
{
    CellIndices out(cell.size());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < cellWidth; ++x)
            out[size_t(y * cellWidth + x)]
                = cell[size_t((vertically ? height - 1 - y : y) * cellWidth + (horizontally ? cellWidth - 1 - x : x))];
    return out;
}

// The bank's tiles in the sprite pattern table as units a cell can match: tiles (8x8) or even-odd pairs (8x16).
class TableUnits
{
public:
    TableUnits(const PatternTables &bank, int table, bool tall)
        : bank_(bank)
        , base_((table & 1) * PatternTables::tilesPerTable)
        , tall_(tall)
    { }

    int count() const { return tall_ ? PatternTables::tilesPerTable / 2 : PatternTables::tilesPerTable; }
    int height() const { return tall_ ? 16 : 8; }
    // The bank tile of the unit's top (or only) tile.
    int firstTile(int unit) const { return base_ + (tall_ ? unit * 2 : unit); }
    int tileCount() const { return tall_ ? 2 : 1; }
    // The sprite's tile byte.
    uint8_t tileByte(int unit) const { return tall_ ? uint8_t(unit * 2 | (base_ ? 1 : 0)) : uint8_t(unit); }
    // The first unit tile (0-255 within the table) for in-use checks.
    int tableTile(int unit) const { return tall_ ? unit * 2 : unit; }

    CellIndices pixels(int unit) const
    {
        CellIndices out(size_t(cellWidth * height()));
        for (int y = 0; y < height(); ++y)
            for (int x = 0; x < cellWidth; ++x)
                out[size_t(y * cellWidth + x)] = bank_.pixel(firstTile(unit) + y / 8, x, y % 8);
        return out;
    }

    void write(int unit, const CellIndices &cell, std::vector<TileChange> &changes)
    {
        for (int half = 0; half < tileCount(); ++half) {
            TileChange change;
            change.tile = firstTile(unit) + half;
            std::copy_n(cell.begin() + half * 64, 64, change.pixels.begin());
            std::copy(change.pixels.begin(), change.pixels.end(), bank_.pixels.begin() + change.tile * 64);
            changes.push_back(change);
        }
    }

    bool blank(int unit) const
    {
        const auto start = bank_.pixels.begin() + firstTile(unit) * 64;
        return std::all_of(start, start + 64 * tileCount(), [](uint8_t value) { return value == 0; });
    }

private:
    PatternTables bank_;
    int base_;
    bool tall_;
};

std::string cellName(const Cell &cell, bool tall)
{
    return std::string(tall ? "the 8x16" : "the 8x8") + " cell at pixel (" + std::to_string(cell.x) + ", "
        + std::to_string(cell.y) + ")";
}

SpriteConversion refused(std::string reason)
{
    SpriteConversion result;
    result.error = std::move(reason);
    return result;
}

} // namespace

int firstBlankTile(const PatternTables &bank, int table)
{
    for (int tile = 0; tile < 256; ++tile) {
        const auto start = bank.pixels.begin() + ((table & 1) * 256 + tile) * 64;
        if (std::all_of(start, start + 64, [](uint8_t value) { return value == 0; }))
            return tile;
    }
    return -1;
}

SpriteConversion convertSpritePicture(const RgbaPicture &picture, const PatternTables &bank,
    const std::bitset<256> &tilesInUse, const SpriteConversionSettings &settings)
{
    const DisplayColors &display = settings.displayColors ? *settings.displayColors : currentDisplayColors();
    const int emphasis = settings.emphasis;
    const int height = settings.tall ? 16 : 8;
    if (picture.width <= 0 || picture.height <= 0
        || picture.pixels.size() < size_t(picture.width) * size_t(picture.height) * 4)
        return refused("the picture has no pixels");
    // A picture with any transparent pixel is read by its alpha alone; only a picture without transparency takes the
    // pixels showing the universal background colour (by display colour) as empty.
    bool anyTransparent = false;
    for (size_t at = 3; at < size_t(picture.width) * size_t(picture.height) * 4 && !anyTransparent; at += 4)
        anyTransparent = picture.pixels[at] == 0;
    const bool hasBackdrop = settings.universalBackground.has_value() && !anyTransparent;
    const Rgb8 backdrop = hasBackdrop ? display.rgb(*settings.universalBackground, emphasis) : Rgb8 {};

    // With fitColors, the number of every opaque colour from the fit of them all (the first of the numbers showing
    // its display colour), and the number written for each such number.
    std::unordered_map<uint32_t, uint8_t> fitted;
    std::array<uint8_t, 64> written {};
    for (size_t n = 0; n < written.size(); ++n)
        written[n] = uint8_t(n);
    const auto keyOf = [](const uint8_t *p) { return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]; };
    if (settings.fitColors) {
        ColorFitRequest fitRequest { {}, {}, &display, emphasis, settings.preferredNumbers };
        std::unordered_map<uint32_t, size_t> position;
        std::vector<std::pair<int, int>> firstPixel;
        for (int y = 0; y < picture.height; ++y)
            for (int x = 0; x < picture.width; ++x) {
                const uint8_t *p = &picture.pixels[(size_t(y) * size_t(picture.width) + size_t(x)) * 4];
                if (p[3] != 255)
                    continue;
                const auto [entry, added] = position.emplace(keyOf(p), fitRequest.colors.size());
                if (added) {
                    fitRequest.colors.push_back({ p[0], p[1], p[2] });
                    fitRequest.weights.push_back(0.0);
                    firstPixel.emplace_back(x, y);
                }
                fitRequest.weights[entry->second] += 1.0;
            }
        const ColorFit fit = fitColors(fitRequest);
        if (const int far = fit.firstTooFar(); far >= 0)
            return refused(farColorText(firstPixel[size_t(far)].first, firstPixel[size_t(far)].second,
                fitRequest.colors[size_t(far)], fit.numbers[size_t(far)],
                display.rgb(fit.numbers[size_t(far)], emphasis), fit.distances[size_t(far)], settings.farColorAdvice));
        for (const auto &[key, i] : position) {
            const uint8_t number = *display.colorNumberOf(display.rgb(fit.numbers[i], emphasis), emphasis);
            fitted.emplace(key, number);
            written[number] = fit.numbers[i];
        }
    }

    // The cells with something drawn, in reading order.
    std::vector<Cell> cells;
    for (int top = 0; top < picture.height; top += height)
        for (int left = 0; left < picture.width; left += cellWidth) {
            Cell cell { left, top, std::vector<int>(size_t(cellWidth * height), emptyPixel), {} };
            for (int y = top; y < std::min(top + height, picture.height); ++y)
                for (int x = left; x < std::min(left + cellWidth, picture.width); ++x) {
                    const uint8_t *p = &picture.pixels[(size_t(y) * size_t(picture.width) + size_t(x)) * 4];
                    if (p[3] == 0)
                        continue;
                    const Rgb8 rgb { p[0], p[1], p[2] };
                    char hex[8];
                    std::snprintf(hex, sizeof hex, "#%02X%02X%02X", unsigned(p[0]), unsigned(p[1]), unsigned(p[2]));
                    const std::string where = "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ")";
                    if (p[3] != 255)
                        return refused(where + " is partly transparent (alpha " + std::to_string(p[3])
                            + "); a pixel must be transparent (alpha 0) or opaque");
                    const auto number = settings.fitColors ? std::optional(fitted.at(keyOf(p)))
                                                           : display.colorNumberOf(rgb, emphasis);
                    if (hasBackdrop
                        && (settings.fitColors ? display.rgb(*number, emphasis) == backdrop : rgb == backdrop))
                        continue;
                    if (!number)
                        return refused(where + " is " + hex + ", which is none of the 64 display colours");
                    cell.colors[size_t((y - top) * cellWidth + (x - left))] = *number;
                    cell.colorSet.insert(*number);
                }
            if (!cell.colorSet.empty())
                cells.push_back(std::move(cell));
        }
    if (cells.empty())
        return refused("the picture has nothing drawn in it (every pixel is transparent"
            + std::string(hasBackdrop ? " or the universal background colour" : "") + ")");

    for (const Cell &cell : cells) {
        if (cell.colorSet.size() > 3)
            return refused(cellName(cell, settings.tall) + " has " + std::to_string(cell.colorSet.size()) + " colours ("
                + colorList(cell.colorSet) + "); a sprite shows at most three besides transparent");
        const int dx = cell.x - settings.originX;
        const int dy = cell.y - settings.originY;
        if (dx < offsetLowestAcross || dx > offsetHighest || dy < offsetLowest || dy > offsetHighest)
            return refused(cellName(cell, settings.tall) + " lies at offset (" + std::to_string(dx) + ", "
                + std::to_string(dy) + ") from the origin (" + std::to_string(settings.originX) + ", "
                + std::to_string(settings.originY)
                + "); offsets must be -127..127 across (a metasprite table would read -128 as its end) and "
                  "-128..127 down");
    }

    std::vector<SubPaletteColors> palettes;
    std::bitset<4> keptSlots;
    if (settings.subPalettes) {
        // Matched as the pixels are read: a colour number that looks as another does ($30 as $20) counts as it.
        palettes = *settings.subPalettes;
        for (SubPaletteColors &subPalette : palettes)
            for (uint8_t &number : subPalette)
                if (const auto same = display.colorNumberOf(display.rgb(number & 0x3F, emphasis), emphasis))
                    number = *same;
        for (const Cell &cell : cells)
            if (subPaletteHolding(palettes, cell.colorSet) < 0)
                return refused(cellName(cell, settings.tall) + " has the colours " + colorList(cell.colorSet)
                    + ", which no one of the sprite sub-palettes 4-7 holds");
    } else {
        std::vector<SubPaletteColors> kept;
        std::vector<size_t> freeSlots;
        for (size_t k = 0; k < 4; ++k) {
            const bool keep = settings.keptSubPalettes.test(k) && k < settings.currentSubPalettes.size()
                && settings.currentSubPalettes[k];
            keptSlots.set(k, keep);
            if (keep)
                kept.push_back(*settings.currentSubPalettes[k]);
            else
                freeSlots.push_back(k);
        }
        std::vector<std::set<uint8_t>> sets;
        std::vector<const Cell *> setCells;
        for (const Cell &cell : cells)
            if (subPaletteHolding(kept, cell.colorSet) < 0) {
                sets.push_back(cell.colorSet);
                setCells.push_back(&cell);
            }
        std::vector<size_t> uncovered;
        const auto found = sets.empty() ? std::optional(std::vector<SubPaletteColors> {})
                                        : findSubPalettes(sets, int(freeSlots.size()), &uncovered);
        if (!found) {
            const Cell &first = *setCells[uncovered.empty() ? 0 : uncovered.front()];
            const std::string cell = cellName(first, settings.tall) + " (" + colorList(first.colorSet) + ")";
            if (freeSlots.size() == 4)
                return refused("the cells' colours do not fit in four sprite sub-palettes of three colours; " + cell
                    + " is the first that does not");
            const std::string advice = " (give a palette to choose the sub-palettes)";
            if (freeSlots.empty())
                return refused("the document's metasprites use every sprite sub-palette, and none of them holds the "
                               "colours of "
                    + cell + advice);
            return refused("the cells' colours do not fit in the sprite sub-palettes the document's metasprites use "
                           "and the "
                + std::to_string(freeSlots.size()) + " they leave free; " + cell + " is the first that does not"
                + advice);
        }
        // The kept sub-palettes in their places, the found ones in the free places from the lowest; a free place
        // the picture does not need keeps its colours.
        size_t nextKept = 0;
        size_t nextFound = 0;
        for (size_t k = 0; k < 4 && (nextKept < kept.size() || nextFound < found->size()); ++k) {
            if (std::find(freeSlots.begin(), freeSlots.end(), k) == freeSlots.end())
                palettes.push_back(kept[nextKept++]);
            else if (nextFound < found->size())
                palettes.push_back((*found)[nextFound++]);
            else
                palettes.push_back(k < settings.currentSubPalettes.size() && settings.currentSubPalettes[k]
                        ? *settings.currentSubPalettes[k]
                        : SubPaletteColors { 0x0F, 0x0F, 0x0F });
        }
    }

    TableUnits units(bank, settings.patternTable, settings.tall);
    std::vector<int> freeUnits;
    const int keptBlank = firstBlankTile(bank, settings.patternTable);
    for (int unit = 0; unit < units.count(); ++unit) {
        bool used = false;
        for (int t = 0; t < units.tileCount(); ++t)
            used = used || units.tableTile(unit) + t == keptBlank;
        for (int t = 0; t < units.tileCount(); ++t)
            used = used || tilesInUse.test(size_t(units.tableTile(unit) + t));
        if (!used && units.blank(unit))
            freeUnits.push_back(unit);
    }

    SpriteConversion result;
    Metasprite metasprite;
    metasprite.name = settings.name;
    std::vector<CellIndices> unplaced; // new cells beyond the free units, counted for the refusal
    size_t nextFree = 0;
    for (const Cell &cell : cells) {
        const int subPalette = subPaletteHolding(palettes, cell.colorSet);
        const SubPaletteColors &colors = palettes[size_t(subPalette)];
        CellIndices indices(cell.colors.size(), 0);
        for (size_t i = 0; i < cell.colors.size(); ++i)
            if (cell.colors[i] != emptyPixel)
                indices[i]
                    = uint8_t(1 + (std::find(colors.begin(), colors.end(), uint8_t(cell.colors[i])) - colors.begin()));

        MetaspriteSprite sprite;
        sprite.x = cell.x - settings.originX;
        sprite.y = cell.y - settings.originY;
        sprite.subPalette = 4 + subPalette;
        bool matched = false;
        // An unflipped match anywhere first, then horizontal, vertical and both.
        for (int flips = 0; flips < 4 && !matched; ++flips) {
            const CellIndices wanted = flipped(indices, height, flips & 1, flips & 2);
            for (int unit = 0; unit < units.count() && !matched; ++unit)
                if (units.pixels(unit) == wanted) {
                    matched = true;
                    sprite.tile = units.tileByte(unit);
                    sprite.flipHorizontally = flips & 1;
                    sprite.flipVertically = flips & 2;
                }
        }
        if (!matched) {
            if (nextFree < freeUnits.size()) {
                const int unit = freeUnits[nextFree++];
                units.write(unit, indices, result.tileChanges);
                sprite.tile = units.tileByte(unit);
            } else {
                bool seen = false;
                for (int flips = 0; flips < 4 && !seen; ++flips)
                    seen = std::find(unplaced.begin(), unplaced.end(), flipped(indices, height, flips & 1, flips & 2))
                        != unplaced.end();
                if (!seen)
                    unplaced.push_back(indices);
            }
        }
        metasprite.sprites.push_back(sprite);
    }
    if (!unplaced.empty()) {
        const size_t needed = freeUnits.size() + unplaced.size();
        const std::string table = "pattern table " + std::to_string(settings.patternTable & 1);
        if (settings.tall)
            return refused("the picture needs " + std::to_string(needed) + " new pairs of tiles, and " + table
                + " has only " + std::to_string(freeUnits.size())
                + " pairs of blank tiles (an even tile and the next) that no screen or metasprite uses");
        return refused("the picture needs " + std::to_string(needed) + " new tiles, and " + table + " has only "
            + std::to_string(freeUnits.size()) + " blank tiles that no screen or metasprite uses");
    }
    result.metasprite = std::move(metasprite);
    // The given sub-palettes keep their own colour numbers.
    result.subPalettes = settings.subPalettes ? *settings.subPalettes : std::move(palettes);
    if (!settings.subPalettes)
        for (size_t k = 0; k < result.subPalettes.size(); ++k)
            for (uint8_t &number : result.subPalettes[k])
                number = keptSlots.test(k) ? number : written[number & 0x3F];
    return result;
}

std::bitset<256> spriteTableTilesInUse(
    const std::vector<Screen> &screens, const std::vector<Metasprite> &metasprites, bool tall, int table)
{
    std::bitset<256> used = tilesUsedByScreens(screens, table & 1);
    for (const Metasprite &metasprite : metasprites)
        for (const MetaspriteSprite &sprite : metasprite.sprites) {
            if (!tall) {
                used.set(sprite.tile);
            } else if ((sprite.tile & 1) == (table & 1)) {
                used.set(size_t(sprite.tile & 0xFE));
                used.set(size_t((sprite.tile & 0xFE) + 1));
            }
        }
    return used;
}

std::bitset<256> tilesShown(const std::vector<Screen> &screens, const std::vector<Metasprite> &metasprites, bool tall,
    int spriteTable, int table)
{
    if (tall || (spriteTable & 1) == (table & 1))
        return spriteTableTilesInUse(screens, metasprites, tall, table);
    return tilesUsedByScreens(screens, table & 1);
}

} // namespace mosavo
