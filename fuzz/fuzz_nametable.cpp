// The .nam reader and the two choices a picture's conversion into a screen makes from what the picture holds: the
// sub-palettes that cover its areas' colours, and where its distinct tiles go in the pattern table. (The pixel loops
// around them, which read every pixel of a 256 x 240 picture the same way whatever it holds, are left to the tests:
// here they would cost a millisecond an input.)
// - Any input is read as a nametable exactly when it is 1024 or 960 bytes; the screen's bytes are the input's (960
//   bytes: attributes 0) and read back to the same screen.
// - Colour sets from the input (up to 240, of up to four colours, within a small step budget) get at most the
//   sub-palettes asked for, each set within one of them, or nothing; nothing whenever a set has four colours. The
//   sets a refusal names are sets there are.
// - Distinct tiles from the input, placed into a pattern table partly filled and partly used: each cell shows its
//   tile's pixels, new tiles only take blank tiles that no screen used, each once; a refusal gives the counts.
#include "FuzzSupport.h"

#include "convert/PaletteFinder.h"
#include "convert/ScreenTilePlacement.h"
#include "core/Screen.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <set>

namespace {

using namespace mosavo;

void checkNametable(const Bytes &input)
{
    std::string why;
    const auto screen = screenFromNametable(input, &why);
    fuzz::require(screen.has_value() == (input.size() == 1024 || input.size() == 960), "read at 1024 or 960 bytes");
    fuzz::require(screen.has_value() == why.empty(), "a screen or a reason");
    if (!screen)
        return;
    const Bytes bytes = screen->nametableBytes();
    fuzz::require(bytes.size() == 1024, "a .nam file is 1024 bytes");
    fuzz::require(std::equal(input.begin(), input.end(), bytes.begin()), "the bytes as read");
    fuzz::require(input.size() == 1024 || std::all_of(bytes.begin() + 960, bytes.end(), [](uint8_t b) { return !b; }),
        "960 bytes: attributes 0");
    fuzz::require(screenFromNametable(bytes) == screen, "read back the same");
}

void checkSubPaletteSearch(FuzzedDataProvider &in)
{
    const int count = in.ConsumeIntegralInRange(1, 4);
    // Colours drawn from a few: sets that overlap are what makes the search work.
    const int palette = in.ConsumeIntegralInRange(1, 16);
    const size_t setCount = in.ConsumeIntegralInRange<size_t>(0, 240);
    std::vector<std::set<uint8_t>> sets;
    bool tooMany = false;
    for (size_t i = 0; i < setCount && in.remaining_bytes() > 0; ++i) {
        std::set<uint8_t> set;
        const int colors = in.ConsumeIntegralInRange(0, 4);
        for (int c = 0; c < colors; ++c)
            set.insert(uint8_t(in.ConsumeIntegralInRange(0, palette - 1)));
        tooMany = tooMany || set.size() > 3;
        sets.push_back(std::move(set));
    }
    long steps = 1000; // enough for most sets; the budget running out is one of the outcomes checked
    // Naming the sets that do not fit takes a search of its own: asked for now and then.
    std::vector<size_t> uncovered;
    const bool naming = in.ConsumeIntegralInRange(0, 7) == 0;
    const auto found = findSubPalettes(sets, count, naming ? &uncovered : nullptr, &steps);
    fuzz::require(steps >= 0 || !found, "the budget is kept");
    if (!found) {
        for (size_t position : uncovered)
            fuzz::require(position < sets.size(), "an uncovered set is one of the sets");
        return;
    }
    fuzz::require(!tooMany, "no sub-palette holds four colours");
    fuzz::require(found->size() <= size_t(count), "no more sub-palettes than asked for");
    for (const std::set<uint8_t> &set : sets) {
        const int holding = subPaletteHolding(*found, set);
        fuzz::require(set.empty() || (holding >= 0 && holding < int(found->size())), "each set within a sub-palette");
    }
}

void checkTilePlacement(FuzzedDataProvider &in)
{
    static PatternTables patterns;
    ScreenPictureRequest request;
    request.patternTable = in.ConsumeIntegralInRange(0, 1);
    request.tilesInTable = in.ConsumeBool() ? in.ConsumeIntegralInRange(0, 256) : 256;
    // Some tiles of the table drawn (from a few pixel patterns, so that pictures' tiles are found among them), some
    // marked used by screens.
    const auto drawn = [&](uint8_t shape) {
        TileIndices pixels {};
        // Rows 0 to shape % 8 hold the shape's four 2-bit values, repeated; the rows below are blank.
        for (size_t at = 0; at < pixels.size(); ++at)
            pixels[at] = at / 8 <= size_t(shape % 8) ? uint8_t((shape >> (2 * (at % 4))) & 3) : 0;
        return pixels;
    };
    std::fill(patterns.pixels.begin(), patterns.pixels.end(), uint8_t(0));
    for (int tile = in.ConsumeIntegralInRange(0, 255); tile < 256; tile += in.ConsumeIntegralInRange(1, 64)) {
        const uint8_t value = in.ConsumeIntegral<uint8_t>();
        const TileIndices pixels = drawn(value);
        std::copy(pixels.begin(), pixels.end(),
            patterns.pixels.begin() + (request.patternTable * 256 + tile) * 64);
        if (in.ConsumeBool())
            request.tilesInUse.set(size_t(tile));
        if (in.remaining_bytes() == 0)
            break;
    }
    request.patterns = &patterns;
    // The screen's distinct tiles, and which one each cell shows.
    std::set<TileIndices> distinct;
    const size_t tileCount = in.ConsumeIntegralInRange<size_t>(1, 300);
    for (size_t i = 0; i < tileCount; ++i)
        distinct.insert(drawn(in.ConsumeIntegral<uint8_t>()));
    const std::vector<TileIndices> tiles(distinct.begin(), distinct.end());
    std::vector<int> cellTile(Screen::tileCount);
    for (int &tile : cellTile)
        tile = in.ConsumeIntegralInRange(0, int(tiles.size()) - 1);

    ScreenConversion conversion;
    const ScreenTilePlacement placement = placeScreenTiles(tiles, cellTile, request, conversion);
    fuzz::require(conversion.distinctTiles == int(tiles.size()), "the distinct tiles counted");
    if (!placement) {
        fuzz::require(placement.needed > placement.room || request.tilesInTable == 0, "refused only for room");
        return;
    }
    PatternTables written = patterns;
    std::vector<bool> changed(256);
    for (const ScreenTileChange &change : conversion.tileChanges) {
        fuzz::require(change.tile >= 0 && change.tile < request.tilesInTable, "new tiles within the table");
        fuzz::require(!changed[size_t(change.tile)], "each tile written once");
        fuzz::require(!request.tilesInUse[size_t(change.tile)], "never a tile a screen uses");
        const auto first = patterns.pixels.begin() + (request.patternTable * 256 + change.tile) * 64;
        fuzz::require(std::all_of(first, first + 64, [](uint8_t v) { return v == 0; }), "only blank tiles");
        changed[size_t(change.tile)] = true;
        std::copy(change.pixels.begin(), change.pixels.end(),
            written.pixels.begin() + (request.patternTable * 256 + change.tile) * 64);
    }
    fuzz::require(conversion.reusedTiles + int(conversion.tileChanges.size()) == int(tiles.size()),
        "every tile found or written");
    for (int cell = 0; cell < Screen::tileCount; ++cell) {
        const TileIndices &wanted = tiles[size_t(cellTile[size_t(cell)])];
        const auto shown
            = written.pixels.begin() + (request.patternTable * 256 + conversion.screen.tiles[size_t(cell)]) * 64;
        fuzz::require(std::equal(wanted.begin(), wanted.end(), shown), "each cell shows its tile");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::silenceSystemLog();
    checkNametable(fuzz::bytesOf(data, size));
    if (size == 0)
        return 0;
    FuzzedDataProvider in(data, size);
    if (in.ConsumeBool())
        checkSubPaletteSearch(in);
    else
        checkTilePlacement(in);
    return 0;
}
