#include "convert/ColorFitting.h"
#include "convert/ScreenConversion.h"
#include "convert/SpriteConversion.h"
#include "core/FrameRenderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <set>
#include <tuple>

using namespace mosavo;

namespace {

// An emulator's palette as they differ from the program's table: the master colours decoded as a television would
// (NTSC's YIQ), the hue turned, the saturation scaled, shown at another display gamma, and rounded to 8 bits.
std::vector<uint8_t> shiftedPaletteFile(double hueDegrees, double saturation, double displayGamma)
{
    const DisplayColors master;
    std::vector<uint8_t> bytes;
    for (int number = 0; number < 64; ++number) {
        const Rgb8 c = master.rgb(number);
        const double r = c.red / 255.0, g = c.green / 255.0, b = c.blue / 255.0;
        const double y = 0.299 * r + 0.587 * g + 0.114 * b;
        const double i = 0.596 * r - 0.274 * g - 0.322 * b;
        const double q = 0.211 * r - 0.523 * g + 0.312 * b;
        const double angle = hueDegrees * std::numbers::pi / 180.0;
        const double i2 = saturation * (i * std::cos(angle) - q * std::sin(angle));
        const double q2 = saturation * (i * std::sin(angle) + q * std::cos(angle));
        for (const double channel :
            { y + 0.956 * i2 + 0.621 * q2, y - 0.272 * i2 - 0.647 * q2, y - 1.106 * i2 + 1.703 * q2 })
            bytes.push_back(uint8_t(std::lround(255.0 * std::pow(std::clamp(channel, 0.0, 1.0), displayGamma / 2.2))));
    }
    return bytes;
}

DisplayColors shiftedPalette(double hueDegrees, double saturation, double displayGamma)
{
    return *DisplayColors::fromFile(shiftedPaletteFile(hueDegrees, saturation, displayGamma)).colors;
}

// A title screen's worth of colours: four sub-palettes drawn in stripes of all four colour indices, one sub-palette an
// area in turn.
FramePicture frameOf(const PaletteBytes &palette)
{
    PatternTables patterns;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            patterns.pixels[size_t(64 + y * 8 + x)] = uint8_t((x / 2) % 4);
    Screen screen;
    screen.tiles.fill(1);
    for (int row = 0; row < Screen::rows; row += 2)
        for (int column = 0; column < Screen::columns; column += 2)
            screen.setSubPalette(column, row, (row / 2 + column / 2) % 4);
    return renderBackground(patterns, screen, palette);
}

PaletteBytes paletteOf(std::initializer_list<uint8_t> background)
{
    PaletteBytes bytes {};
    std::copy(background.begin(), background.end(), bytes.begin());
    return bytes;
}

// The distinct colours of the frame drawn in the display colours, with the colour number each came from.
struct Screenshot
{
    std::vector<Rgb8> colors;
    std::vector<uint8_t> numbers;
};

Screenshot screenshot(const FramePicture &frame, const DisplayColors &display)
{
    Screenshot shot;
    std::map<uint8_t, bool> seen;
    for (const uint8_t number : frame.colors)
        if (!seen[number]) {
            seen[number] = true;
            shot.colors.push_back(display.rgb(number));
            shot.numbers.push_back(number);
        }
    return shot;
}

const std::vector<PaletteBytes> &titleScreens()
{
    static const std::vector<PaletteBytes> palettes {
        paletteOf({ 0x0F, 0x16, 0x27, 0x38, 0x0F, 0x01, 0x11, 0x21, 0x0F, 0x1A, 0x2A, 0x3A, 0x0F, 0x00, 0x10, 0x30 }),
        // Neighbouring hues, a turn of the hue away from one another.
        paletteOf({ 0x0F, 0x12, 0x22, 0x32, 0x0F, 0x13, 0x23, 0x33, 0x0F, 0x14, 0x24, 0x34, 0x0F, 0x15, 0x25, 0x35 }),
        paletteOf({ 0x21, 0x07, 0x17, 0x27, 0x21, 0x09, 0x19, 0x29, 0x21, 0x0B, 0x1B, 0x2B, 0x21, 0x2D, 0x3D, 0x30 }),
        // Four colours only, as a simple homebrew title screen.
        paletteOf({ 0x0F, 0x06, 0x16, 0x30, 0x0F, 0x06, 0x16, 0x30, 0x0F, 0x06, 0x16, 0x30, 0x0F, 0x06, 0x16, 0x30 }),
    };
    return palettes;
}

TEST(ColorFitting, EmulatorScreenshotsComeBackAsTheConsolesColourNumbers)
{
    const DisplayColors master;
    int wrongOneAtATime = 0;
    for (const double hue : { -10.0, -6.5, 0.0, 4.0, 10.0 })
        for (const double saturation : { 0.85, 1.0, 1.15 })
            for (const double gamma : { 2.0, 2.2, 2.4 })
                for (size_t screen = 0; screen < titleScreens().size(); ++screen) {
                    const DisplayColors emulator = shiftedPalette(hue, saturation, gamma);
                    const Screenshot shot = screenshot(frameOf(titleScreens()[screen]), emulator);
                    const ColorFit fit = fitColors({ shot.colors, {}, &master, emphasisNone, {} });
                    ASSERT_EQ(fit.numbers.size(), shot.colors.size());
                    for (size_t i = 0; i < shot.colors.size(); ++i) {
                        EXPECT_EQ(master.rgb(fit.numbers[i]), master.rgb(shot.numbers[i]))
                            << "screen " << screen << " hue " << hue << " saturation " << saturation << " gamma "
                            << gamma << ": $" << std::hex << int(shot.numbers[i]) << " read as $"
                            << int(fit.numbers[i]);
                        EXPECT_LE(fit.distances[i], colorTooFarDistance);
                        // What reading each colour alone by its nearest display colour would have made of it.
                        int nearest = 0;
                        for (int n = 1; n < 64; ++n)
                            if (distance(toOklab(shot.colors[i]), toOklab(master.rgb(n)))
                                < distance(toOklab(shot.colors[i]), toOklab(master.rgb(nearest))))
                                nearest = n;
                        wrongOneAtATime += master.rgb(nearest) == master.rgb(shot.numbers[i]) ? 0 : 1;
                    }
                    EXPECT_EQ(fit.firstTooFar(), -1);
                }
    // The shifts are large enough that colour-at-a-time matching goes wrong.
    EXPECT_GT(wrongOneAtATime, 20);
}

TEST(ColorFitting, ExactColoursMapExactlyAndSharedColoursTakeThePreferredNumber)
{
    const DisplayColors master;
    const Screenshot shot = screenshot(frameOf(titleScreens()[0]), master);
    const ColorFit fit = fitColors({ shot.colors, {}, &master, emphasisNone, {} });
    for (size_t i = 0; i < shot.colors.size(); ++i) {
        EXPECT_EQ(master.rgb(fit.numbers[i]), shot.colors[i]);
        EXPECT_EQ(fit.distances[i], 0.0);
    }
    EXPECT_EQ(fit.shift.hueDegrees, 0.0);

    // Black and white, read alone: $0F and $30, never $0D or $20; the document's own $20 and $1D win.
    const std::vector<Rgb8> blackAndWhite { master.rgb(0x0D), master.rgb(0x20) };
    EXPECT_EQ(
        fitColors({ blackAndWhite, {}, &master, emphasisNone, {} }).numbers, (std::vector<uint8_t> { 0x0F, 0x30 }));
    EXPECT_EQ(fitColors({ blackAndWhite, {}, &master, emphasisNone, { 0x16, 0x1D, 0x20 } }).numbers,
        (std::vector<uint8_t> { 0x1D, 0x20 }));
    EXPECT_EQ(preferredColorNumber(master, emphasisNone, 0x0D), 0x0F);
    EXPECT_EQ(preferredColorNumber(master, emphasisNone, 0x16, std::vector<uint8_t> { 0x26 }), 0x16);
    // A table in which $0D is the only one of its colour keeps it.
    std::vector<uint8_t> own = shiftedPaletteFile(0, 1, 2.2);
    own[0x0D * 3] = 1;
    const DisplayColors custom = *DisplayColors::fromFile(own).colors;
    EXPECT_EQ(preferredColorNumber(custom, emphasisNone, 0x0D), 0x0D);
}

TEST(ColorFitting, DistinctColoursGetDistinctNumbersAndFarColoursAreFlagged)
{
    const DisplayColors master;
    // Two greens either side of $2A: both nearest to it, read as two colours.
    const Rgb8 green = master.rgb(0x2A);
    const std::vector<Rgb8> twoGreens { { uint8_t(green.red + 6), green.green, green.blue },
        { uint8_t(green.red - 6), green.green, uint8_t(green.blue + 10) }, master.rgb(0x0F) };
    const ColorFit fit = fitColors({ twoGreens, {}, &master, emphasisNone, {} });
    EXPECT_NE(master.rgb(fit.numbers[0]), master.rgb(fit.numbers[1]));
    EXPECT_TRUE(master.rgb(fit.numbers[0]) == green || master.rgb(fit.numbers[1]) == green);

    // A pure orange-brown no display colour comes near.
    const std::vector<Rgb8> far { master.rgb(0x0F), master.rgb(0x30), { 0x80, 0xFF, 0xFF } };
    const ColorFit farFit = fitColors({ far, {}, &master, emphasisNone, {} });
    EXPECT_EQ(farFit.firstTooFar(), 2);
    EXPECT_GT(farFit.distances[2], colorTooFarDistance);
}

std::vector<uint8_t> rgbaOf(const FramePicture &frame, const DisplayColors &display)
{
    std::vector<uint8_t> bytes;
    for (const uint8_t number : frame.colors) {
        const Rgb8 rgb = display.rgb(number);
        bytes.insert(bytes.end(), { rgb.red, rgb.green, rgb.blue, 255 });
    }
    return bytes;
}

ScreenConversionResult readScreen(const std::vector<uint8_t> &rgba, const PatternTables &patterns,
    const DisplayColors &master, std::vector<uint8_t> preferred = {})
{
    ScreenPictureRequest request;
    request.rgba = rgba;
    request.width = 256;
    request.height = 240;
    request.displayColors = &master;
    request.patterns = &patterns;
    request.fitColors = true;
    request.preferredNumbers = std::move(preferred);
    return convertScreenPicture(request);
}

TEST(ColorFitting, ScreenshotsUnderShiftedPalettesBecomeTheScreenTheConsoleDrew)
{
    const DisplayColors master;
    const PatternTables blank;
    for (const auto &[hue, saturation, gamma] : { std::tuple { 8.0, 0.9, 2.4 }, std::tuple { -10.0, 1.15, 2.0 } })
        for (const PaletteBytes &palette : titleScreens()) {
            const FramePicture frame = frameOf(palette);
            const std::vector<uint8_t> rgba = rgbaOf(frame, shiftedPalette(hue, saturation, gamma));
            const ScreenConversionResult result = readScreen(rgba, blank, master);
            ASSERT_TRUE(result) << result.error;
            PatternTables patterns;
            for (const ScreenTileChange &change : result.conversion->tileChanges)
                std::copy(change.pixels.begin(), change.pixels.end(), patterns.pixels.begin() + change.tile * 64);
            PaletteBytes found {};
            for (size_t p = 0; p < 4; ++p)
                for (size_t i = 0; i < 4; ++i)
                    found[p * 4 + i] = result.conversion->subPalettes[p][i];
            const FramePicture back = renderBackground(patterns, result.conversion->screen, found);
            for (size_t at = 0; at < frame.colors.size(); ++at)
                ASSERT_EQ(master.rgb(back.colors[at]), master.rgb(frame.colors[at])) << "pixel " << at;
            // Found sub-palettes write white as $30 and black as $0F.
            for (const auto &subPalette : result.conversion->subPalettes)
                for (const uint8_t number : subPalette) {
                    EXPECT_NE(number, 0x20);
                    EXPECT_NE(number, 0x0D);
                }
        }
    // The document's own numbers win.
    const FramePicture frame = frameOf(titleScreens()[3]);
    const std::vector<uint8_t> rgba = rgbaOf(frame, master);
    const ScreenConversionResult own = readScreen(rgba, blank, master, { 0x20, 0x1D });
    ASSERT_TRUE(own) << own.error;
    std::set<uint8_t> numbers;
    for (const auto &subPalette : own.conversion->subPalettes)
        numbers.insert(subPalette.begin(), subPalette.end());
    EXPECT_EQ(numbers, (std::set<uint8_t> { 0x06, 0x16, 0x1D, 0x20 }));
}

TEST(ColorFitting, AColourFarFromEveryDisplayColourIsRefusedNamingThePixelAndTheNearest)
{
    const DisplayColors master;
    const PatternTables blank;
    std::vector<uint8_t> rgba = rgbaOf(frameOf(titleScreens()[0]), master);
    // Pixel (37, 201): a pale cyan between $2C and $3C.
    const size_t at = (201 * 256 + 37) * 4;
    rgba[at] = 0x40;
    rgba[at + 1] = 0xF8;
    rgba[at + 2] = 0xF8;
    const ScreenConversionResult result = readScreen(rgba, blank, master);
    ASSERT_FALSE(result);
    EXPECT_NE(result.error.find("pixel (37, 201) is #40F8F8, too far from every display colour"), std::string::npos)
        << result.error;
    EXPECT_NE(result.error.find("the nearest is $"), std::string::npos) << result.error;
    EXPECT_NE(result.error.find("--lossy"), std::string::npos) << result.error;
}

TEST(ColorFitting, SpriteCropsOfAShiftedScreenshotComeBackInTheConsolesColours)
{
    const DisplayColors master;
    const DisplayColors emulator = shiftedPalette(-7.0, 1.1, 2.35);
    // A 16 x 16 figure of three colours ($16, $27, $30) on transparent, its second row of cells in $01 $11 $30.
    std::vector<uint8_t> rgba(16 * 16 * 4, 0);
    for (int y = 0; y < 16; ++y)
        for (int x = 2; x < 14; ++x) {
            const uint8_t number = y < 8 ? std::array<uint8_t, 3> { 0x16, 0x27, 0x30 }[size_t(x % 3)]
                                         : std::array<uint8_t, 3> { 0x01, 0x11, 0x30 }[size_t(x % 3)];
            const Rgb8 rgb = emulator.rgb(number);
            std::copy_n(
                std::array<uint8_t, 4> { rgb.red, rgb.green, rgb.blue, 255 }.begin(), 4, &rgba[size_t(y * 16 + x) * 4]);
        }
    SpriteConversionSettings settings;
    settings.displayColors = &master;
    settings.fitColors = true;
    const PatternTables blank;
    const SpriteConversion result = convertSpritePicture({ 16, 16, rgba }, blank, {}, settings);
    ASSERT_TRUE(result) << result.error;
    std::set<std::set<uint8_t>> subPalettes;
    for (const SubPaletteColors &colors : result.subPalettes)
        subPalettes.insert(std::set<uint8_t>(colors.begin(), colors.end()));
    EXPECT_EQ(subPalettes, (std::set<std::set<uint8_t>> { { 0x16, 0x27, 0x30 }, { 0x01, 0x11, 0x30 } }));

    // Exact matching refuses the same picture; a colour far from all is refused naming it and the nearest.
    settings.fitColors = false;
    EXPECT_FALSE(convertSpritePicture({ 16, 16, rgba }, blank, {}, settings));
    settings.fitColors = true;
    std::copy_n(std::array<uint8_t, 4> { 0xFF, 0x00, 0x80, 255 }.begin(), 4, &rgba[size_t(9 * 16 + 5) * 4]);
    const SpriteConversion far = convertSpritePicture({ 16, 16, rgba }, blank, {}, settings);
    ASSERT_FALSE(far);
    EXPECT_NE(far.error.find("pixel (5, 9) is #FF0080, too far"), std::string::npos) << far.error;
    EXPECT_NE(far.error.find("the nearest is $"), std::string::npos) << far.error;
}

} // namespace
