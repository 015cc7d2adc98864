// The .nam reader and the conversion of pictures into screens.
// - Any input is read as a nametable exactly when it is 1024 or 960 bytes; the screen's bytes are the input's (960
//   bytes: attributes 0) and read back to the same screen.
// - A picture made from the input (a small block of colour numbers repeated over 256 x 240, some pixels transparent
//   or of no display colour, sub-palettes given or not, a pattern table partly filled and used) converts or is
//   refused with a reason; a screen made draws back the picture exactly, and its new tiles only take blank tiles
//   that no screen used, each once.
#include "FuzzSupport.h"

#include "convert/ScreenConversion.h"
#include "core/FrameRenderer.h"
#include "core/Screen.h"

#include <algorithm>
#include <array>

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

void checkConversion(const uint8_t *data, size_t size)
{
    if (size < 8)
        return;
    const int blockWidth = 1 + data[0] % 40;
    const int blockHeight = 1 + data[1] % 40;
    const uint8_t flags = data[2];
    const uint8_t tilesInTable = data[3];
    size_t at = 4;
    const auto next = [&]() -> uint8_t { return at < size ? data[at++] : 0; };

    ScreenPictureRequest request;
    static const DisplayColors colors;
    PatternTables patterns;
    if (flags & 1) {
        BackgroundSubPalettes given {};
        for (auto &palette : given)
            for (auto &color : palette)
                color = next() & 0x3F;
        request.subPalettes = given;
    }
    request.patternTable = (flags >> 1) & 1;
    request.tilesInTable = flags & 4 ? tilesInTable : 256;
    // Some tiles of the table drawn, some marked used by screens.
    for (int tile = 0; tile < 256; tile += 1 + next() % 64) {
        const uint8_t value = next();
        std::fill_n(patterns.pixels.begin() + (request.patternTable * 256 + tile) * 64, 64, uint8_t(value & 3));
        if (value & 4)
            request.tilesInUse.set(size_t(tile));
    }
    std::vector<uint8_t> block(size_t(blockWidth * blockHeight));
    for (uint8_t &value : block)
        value = next();
    // The block's rows drawn once across the picture's width, the rows below copied from the block's height above.
    constexpr size_t rowBytes = 256 * 4;
    static std::vector<uint8_t> rgba(rowBytes * 240); // kept from input to input: a large block is not mapped anew
    for (int y = 0; y < std::min(blockHeight, 240); ++y)
        for (int x = 0; x < 256; ++x) {
            const uint8_t value = block[size_t(y * blockWidth + x % blockWidth)];
            const Rgb8 rgb = (value & 0xC0) == 0xC0 ? Rgb8 { 1, 2, 3 } : colors.rgb(value & 0x3F);
            uint8_t *pixel = &rgba[size_t(y) * rowBytes + size_t(x) * 4];
            pixel[0] = rgb.red;
            pixel[1] = rgb.green;
            pixel[2] = rgb.blue;
            pixel[3] = (value & 0xC0) == 0x40 ? 0 : 255;
        }
    for (size_t y = size_t(blockHeight); y < 240; ++y)
        std::copy_n(&rgba[(y - size_t(blockHeight)) * rowBytes], rowBytes, &rgba[y * rowBytes]);
    request.rgba = rgba;
    request.width = 256;
    request.height = 240;
    request.displayColors = &colors;
    request.patterns = &patterns;

    const ScreenConversionResult result = convertScreenPicture(request);
    fuzz::require(result.conversion.has_value() == result.error.empty(), "a screen or a reason");
    if (!result)
        return;
    const ScreenConversion &made = *result.conversion;
    PatternTables written = patterns;
    std::vector<bool> changed(256);
    for (const ScreenTileChange &change : made.tileChanges) {
        fuzz::require(change.tile >= 0 && change.tile < request.tilesInTable, "new tiles within the table");
        fuzz::require(!changed[size_t(change.tile)], "each tile written once");
        fuzz::require(!request.tilesInUse[size_t(change.tile)], "never a tile a screen uses");
        const auto first = patterns.pixels.begin() + (request.patternTable * 256 + change.tile) * 64;
        fuzz::require(std::all_of(first, first + 64, [](uint8_t v) { return v == 0; }), "only blank tiles");
        changed[size_t(change.tile)] = true;
        std::copy(change.pixels.begin(), change.pixels.end(),
            written.pixels.begin() + (request.patternTable * 256 + change.tile) * 64);
    }
    PaletteBytes palette {};
    for (size_t p = 0; p < 4; ++p)
        for (size_t i = 0; i < 4; ++i)
            palette[p * 4 + i] = made.subPalettes[p][i];
    // The screen drawn is the picture: every pixel's display colour (the backdrop's where the picture is clear).
    std::array<uint8_t, 64 * 3> shades {};
    for (int n = 0; n < 64; ++n) {
        const Rgb8 rgb = colors.rgb(n);
        std::copy_n(std::array<uint8_t, 3> { rgb.red, rgb.green, rgb.blue }.begin(), 3, &shades[size_t(n) * 3]);
    }
    const uint8_t *backdrop = &shades[size_t(made.subPalettes[0][0] & 0x3F) * 3];
    const FramePicture frame = renderBackground(written, made.screen, palette);
    bool same = frame.colors.size() == 256 * 240;
    for (size_t at = 0; same && at < frame.colors.size(); ++at) {
        const uint8_t *pixel = &rgba[at * 4];
        const uint8_t *shown = &shades[size_t(frame.colors[at] & 0x3F) * 3];
        const uint8_t *expected = pixel[3] == 0 ? backdrop : pixel;
        same = shown[0] == expected[0] && shown[1] == expected[1] && shown[2] == expected[2];
    }
    fuzz::require(same, "the screen draws the picture");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::silenceSystemLog();
    checkNametable(fuzz::bytesOf(data, size));
    checkConversion(data, size);
    return 0;
}
