// Sprites from 256 bytes of OAM drawn by the PPU's rules, with pattern tables, palette and background indices from
// the rest of the input.
// - Drawing never crashes and leaves only colour numbers 0x00-0x3F (or the canvas's transparent value where no sprite
//   is opaque and nothing was there before).
// - The overflow report names exactly the rows more than eight sprites cover, those past the eighth as dropped, and
//   agrees with the most sprites on one row.
// - No more than eight sprites are drawn on a row: a sprite dropped on a row changes nothing there when it is taken
//   away.
#include "FuzzSupport.h"

#include "core/FrameRenderer.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>

namespace {

using namespace mosavo;

constexpr int lastCoveredRow = 255 + 1 + 16; // the lowest row an OAM entry can cover

bool sameRow(const FramePicture &a, const FramePicture &b, int row)
{
    const auto start = size_t(row) * size_t(a.width);
    return std::equal(a.colors.begin() + std::ptrdiff_t(start), a.colors.begin() + std::ptrdiff_t(start) + a.width,
                      b.colors.begin() + std::ptrdiff_t(start));
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

    FramePicture canvas = FramePicture::filled(FramePicture::frameWidth, FramePicture::frameHeight,
                                               transparentCanvas ? FramePicture::transparentColor : palette[0] & 0x3F);
    for (size_t i = 0; i < canvas.backgroundIndices.size() && !backgroundSeed.empty(); ++i)
        canvas.backgroundIndices[i] = backgroundSeed[(i / 8) % backgroundSeed.size()] >> (2 * (i % 4)) & 3;

    const std::vector<PlacedSprite> sprites = spritesFromOam(oam);
    fuzz::require(sprites.size() == 64, "OAM holds 64 sprites");
    FramePicture picture = canvas;
    drawSprites(picture, patterns, sprites, settings, palette);
    fuzz::require(picture.colors.size() == canvas.colors.size(), "drawing keeps the canvas size");
    for (size_t i = 0; i < picture.colors.size(); ++i)
        fuzz::require(picture.colors[i] < 0x40 || picture.colors[i] == canvas.colors[i],
                      "pixels are colour numbers or the canvas as it was");

    const int height = settings.height();
    const auto overflows = scanlineOverflows(sprites, height, 0, lastCoveredRow);
    const int most = mostSpritesOnOneRow(sprites, height);
    fuzz::require(most <= 64 && (most > 8) == !overflows.empty(), "overflows exactly when a row holds more than 8");
    size_t next = 0;
    for (int row = 0; row <= lastCoveredRow; ++row) {
        int covering = 0;
        for (const PlacedSprite &sprite : sprites)
            covering += row >= sprite.y && row < sprite.y + height ? 1 : 0;
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

    // A dropped sprite taken away (moved below every row) leaves its crowded rows as they were: at most eight drawn.
    for (size_t k = 0; k < overflows.size() && k < 4; ++k) {
        const ScanlineOverflow &line = overflows[k * overflows.size() / std::min<size_t>(overflows.size(), 4)];
        if (line.row >= FramePicture::frameHeight)
            continue;
        std::vector<PlacedSprite> without = sprites;
        without[size_t(line.dropped.front())].y = 10000;
        FramePicture redrawn = canvas;
        drawSprites(redrawn, patterns, without, settings, palette);
        fuzz::require(sameRow(picture, redrawn, line.row), "a sprite past the eighth on a row is not drawn there");
    }
    return 0;
}
