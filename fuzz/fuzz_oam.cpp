// Sprites from 256 bytes of OAM drawn by the PPU's rules, with pattern tables, palette and background indices from
// the rest of the input.
// - Drawing never crashes and leaves only colour numbers 0x00-0x3F (or the canvas's transparent value where no sprite
//   is opaque and nothing was there before).
// - The overflow report names exactly the rows more than eight sprites cover, those past the eighth as dropped, and
//   agrees with the most sprites on one row.
// - No more than eight sprites are drawn on a row: a sprite dropped on a row changes nothing there when it is taken
//   away (the row drawn again on a canvas of its own).
#include "FuzzSupport.h"

#include "core/FrameRenderer.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace {

using namespace mosavo;

constexpr int lastCoveredRow = 255 + 1 + 16; // the lowest row an OAM entry can cover

// Whether every pixel is a colour number 0x00-0x3F or as it was before, looked at eight pixels at a time.
FUZZ_PLAIN_CHECK bool colorNumbersOrAsBefore(const std::vector<uint8_t> &after, const std::vector<uint8_t> &before)
{
    if (after.size() != before.size())
        return false;
    const auto pixelFits = [&](size_t i) { return after[i] < 0x40 || after[i] == before[i]; };
    size_t at = 0;
    for (; at + 8 <= after.size(); at += 8) {
        uint64_t word, was;
        std::memcpy(&word, after.data() + at, sizeof word);
        std::memcpy(&was, before.data() + at, sizeof was);
        if (word != was && (word & 0xC0C0C0C0C0C0C0C0u) != 0)
            for (size_t i = at; i < at + 8; ++i)
                if (!pixelFits(i))
                    return false;
    }
    for (; at < after.size(); ++at)
        if (!pixelFits(at))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::silenceSystemLog();
    FuzzedDataProvider in(data, size);
    std::array<uint8_t, 256> oam {};
    const auto oamBytes = in.ConsumeBytes<uint8_t>(oam.size());
    std::copy(oamBytes.begin(), oamBytes.end(), oam.begin());
    SpriteSettings settings;
    settings.tall = in.ConsumeBool();
    settings.patternTable = in.ConsumeIntegralInRange(0, 1);
    PaletteBytes palette {};
    const auto paletteBytes = in.ConsumeBytes<uint8_t>(palette.size());
    std::copy(paletteBytes.begin(), paletteBytes.end(), palette.begin());
    const bool transparentCanvas = in.ConsumeBool();
    const auto backgroundSeed = in.ConsumeBytes<uint8_t>(64);
    const auto chr = in.ConsumeRemainingBytes<uint8_t>();
    const PatternTables patterns = PatternTables::fromChr(chr);

    // The canvases are kept from input to input, so that their pixels are not allocated again.
    static FramePicture canvas = FramePicture::filled(FramePicture::frameWidth, FramePicture::frameHeight, 0);
    const uint8_t canvasColor = transparentCanvas ? FramePicture::transparentColor : uint8_t(palette[0] & 0x3F);
    std::memset(canvas.colors.data(), canvasColor, canvas.colors.size());
    std::memset(canvas.backgroundIndices.data(), 0, canvas.backgroundIndices.size());
    // Background indices from the seed, repeating every 8 pixels a seed byte: one period made, the rest copied.
    if (!backgroundSeed.empty()) {
        std::vector<uint8_t> period(backgroundSeed.size() * 8);
        for (size_t i = 0; i < period.size(); ++i)
            period[i] = backgroundSeed[i / 8] >> (2 * (i % 4)) & 3;
        for (size_t i = 0; i < canvas.backgroundIndices.size(); i += period.size())
            std::copy_n(period.begin(), std::min(period.size(), canvas.backgroundIndices.size() - i),
                        canvas.backgroundIndices.begin() + std::ptrdiff_t(i));
    }

    const std::vector<PlacedSprite> sprites = spritesFromOam(oam);
    fuzz::require(sprites.size() == 64, "OAM holds 64 sprites");
    static FramePicture picture;
    picture = canvas;
    drawSprites(picture, patterns, sprites, settings, palette);
    fuzz::require(picture.colors.size() == canvas.colors.size(), "drawing keeps the canvas size");
    fuzz::require(colorNumbersOrAsBefore(picture.colors, canvas.colors),
                  "pixels are colour numbers or the canvas as it was");

    const int height = settings.height();
    const auto overflows = scanlineOverflows(sprites, height, 0, lastCoveredRow);
    const int most = mostSpritesOnOneRow(sprites, height);
    fuzz::require(most <= 64 && (most > 8) == !overflows.empty(), "overflows exactly when a row holds more than 8");
    // How many sprites cover each row, counted sprite by sprite.
    std::array<int, lastCoveredRow + 2> starting {};
    for (const PlacedSprite &sprite : sprites) {
        ++starting[size_t(sprite.y)];
        --starting[size_t(std::min(sprite.y + height, lastCoveredRow + 1))];
    }
    size_t next = 0;
    int covering = 0, mostCovering = 0;
    for (int row = 0; row <= lastCoveredRow; ++row) {
        covering += starting[size_t(row)];
        mostCovering = std::max(mostCovering, covering);
        if (covering <= 8)
            continue;
        fuzz::require(next < overflows.size() && overflows[next].row == row, "every crowded row is reported, in order");
        fuzz::require(int(overflows[next].sprites.size()) == covering, "all sprites on the row are named");
        fuzz::require(overflows[next].dropped.size() == size_t(covering - 8), "those past the eighth are dropped");
        fuzz::require(std::equal(overflows[next].dropped.begin(), overflows[next].dropped.end(),
                                 overflows[next].sprites.begin() + 8),
                      "the dropped are the last in OAM order");
        ++next;
    }
    fuzz::require(next == overflows.size(), "no row is reported that is not crowded");
    fuzz::require(most == mostCovering, "the most sprites on one row");

    // A dropped sprite taken away (moved below every row) leaves its crowded rows as they were: at most eight drawn.
    for (size_t k = 0; k < overflows.size() && k < 4; ++k) {
        const ScanlineOverflow &line = overflows[k * overflows.size() / std::min<size_t>(overflows.size(), 4)];
        if (line.row >= FramePicture::frameHeight)
            continue;
        std::vector<PlacedSprite> without = sprites;
        without[size_t(line.dropped.front())].y = 10000;
        // The row drawn again on its own: a canvas of that one row, every sprite moved up by the row's number.
        for (PlacedSprite &sprite : without)
            sprite.y -= line.row;
        const auto first = std::ptrdiff_t(line.row) * canvas.width;
        FramePicture redrawn;
        redrawn.width = canvas.width;
        redrawn.height = 1;
        redrawn.colors.assign(canvas.colors.begin() + first, canvas.colors.begin() + first + canvas.width);
        redrawn.backgroundIndices.assign(canvas.backgroundIndices.begin() + first,
                                         canvas.backgroundIndices.begin() + first + canvas.width);
        drawSprites(redrawn, patterns, without, settings, palette);
        fuzz::require(std::equal(redrawn.colors.begin(), redrawn.colors.end(), picture.colors.begin() + first),
                      "a sprite past the eighth on a row is not drawn there");
    }
    return 0;
}
