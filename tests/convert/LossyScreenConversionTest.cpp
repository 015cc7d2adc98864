#include "convert/LossyScreenConversion.h"
#include "core/FrameRenderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>

using namespace mosavo;

namespace {

using Picture = std::vector<uint8_t>;

void put(Picture &picture, int x, int y, double r, double g, double b)
{
    const auto byte = [](double v) { return uint8_t(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); };
    uint8_t *p = &picture[size_t(y * 256 + x) * 4];
    p[0] = byte(r);
    p[1] = byte(g);
    p[2] = byte(b);
    p[3] = 255;
}

// A sky-to-sunset gradient across the screen.
Picture gradient()
{
    Picture picture(256 * 240 * 4);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 256; ++x)
            put(picture, x, y, 0.2 + 0.7 * y / 240.0, 0.3 + 0.3 * x / 256.0, 0.9 - 0.6 * y / 240.0);
    return picture;
}

// Coloured noise: as many tiles as there are cells.
Picture noise(unsigned seed = 7)
{
    Picture picture(256 * 240 * 4);
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 256; ++x)
            put(picture, x, y, unit(random), unit(random) * 0.5, unit(random));
    return picture;
}

// A picture already in display colours that obeys every rule: blocks of four colours, one sub-palette an area.
Picture ruleAbiding(const DisplayColors &display)
{
    Picture picture(256 * 240 * 4);
    const uint8_t sets[4][3]
        = { { 0x16, 0x27, 0x38 }, { 0x01, 0x11, 0x21 }, { 0x1A, 0x2A, 0x3A }, { 0x00, 0x10, 0x30 } };
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 256; ++x) {
            const int area = (y / 16) * 16 + x / 16;
            const int shape = ((x / 4) + (y / 4) * 3 + area) % 5;
            const uint8_t number = shape >= 3 ? 0x0F : sets[area % 4][shape];
            const Rgb8 rgb = display.rgb(number);
            put(picture, x, y, rgb.red / 255.0, rgb.green / 255.0, rgb.blue / 255.0);
        }
    return picture;
}

struct Lossy
{
    DisplayColors display;
    PatternTables patterns;
    ScreenPictureRequest request;
    Picture picture;

    explicit Lossy(Picture source)
        : picture(std::move(source))
    {
        request.rgba = picture;
        request.width = 256;
        request.height = 240;
        request.displayColors = &display;
        request.patterns = &patterns;
    }

    ScreenConversionResult run(Dithering dithering = Dithering::none, std::optional<int> maxTiles = {})
    {
        return convertScreenPictureLossy(request, { dithering, maxTiles, {} });
    }
};

// The frame the console draws for the conversion (its tiles written into the pattern tables given).
FramePicture rendered(const ScreenConversion &conversion, PatternTables patterns)
{
    for (const ScreenTileChange &change : conversion.tileChanges)
        std::copy(change.pixels.begin(), change.pixels.end(),
            patterns.pixels.begin() + (conversion.screen.patternTable * 256 + change.tile) * 64);
    PaletteBytes palette {};
    for (size_t p = 0; p < 4; ++p)
        for (size_t i = 0; i < 4; ++i)
            palette[p * 4 + i] = conversion.subPalettes[p][i];
    return renderBackground(patterns, conversion.screen, palette);
}

// Every rule of the console, checked on the result: one universal background colour, each 16 x 16 area in it and
// the three colours of its sub-palette, no pixel of a cell beyond index 3, new tiles only on blank unused tiles and
// within the budget, the quality figures those of the drawn frame.
void expectObeysEveryRule(const Lossy &lossy, const ScreenConversion &conversion, size_t budget)
{
    for (const BackgroundSubPalette &subPalette : conversion.subPalettes)
        EXPECT_EQ(subPalette[0], conversion.subPalettes[0][0]);
    const FramePicture frame = rendered(conversion, lossy.patterns);
    for (int area = 0; area < 240; ++area) {
        const int ax = (area % 16) * 16, ay = (area / 16) * 16;
        const auto &subPalette = conversion.subPalettes[size_t(conversion.screen.subPaletteAt(ax / 8, ay / 8))];
        std::set<uint8_t> colors;
        for (int y = ay; y < ay + 16; ++y)
            for (int x = ax; x < ax + 16; ++x) {
                colors.insert(frame.at(x, y));
                EXPECT_NE(std::find(subPalette.begin(), subPalette.end(), frame.at(x, y)), subPalette.end());
            }
        EXPECT_LE(colors.size(), 4u);
    }
    std::set<int> newTiles;
    for (const ScreenTileChange &change : conversion.tileChanges) {
        EXPECT_TRUE(newTiles.insert(change.tile).second);
        EXPECT_FALSE(lossy.request.tilesInUse.test(size_t(change.tile)));
        for (int px = 0; px < 64; ++px) {
            EXPECT_EQ(lossy.patterns.pixels[size_t(change.tile * 64 + px)], 0) << "tile " << change.tile;
            EXPECT_LE(change.pixels[size_t(px)], 3);
        }
    }
    EXPECT_LE(newTiles.size(), budget);
    ASSERT_TRUE(conversion.quality);
    EXPECT_EQ(conversion.quality->newTiles, int(newTiles.size()));
    EXPECT_EQ(conversion.quality->tilesUsed, conversion.screen.distinctTiles());
    std::vector<uint8_t> drawn;
    for (const uint8_t number : frame.colors) {
        const Rgb8 rgb = lossy.display.rgb(number);
        drawn.insert(drawn.end(), { rgb.red, rgb.green, rgb.blue, 255 });
    }
    ConversionQuality measured;
    measureError(lossy.picture, drawn, 256, 240, measured);
    EXPECT_NEAR(measured.meanError, conversion.quality->meanError, 1e-9);
    EXPECT_NEAR(measured.worstError, conversion.quality->worstError, 1e-9);
}

TEST(LossyScreenConversion, AnyPictureBecomesAScreenThatObeysEveryRule)
{
    for (const Dithering dithering : { Dithering::none, Dithering::ordered, Dithering::diffusion })
        for (Picture picture : { gradient(), noise() }) {
            Lossy lossy(std::move(picture));
            // Tiles 0-9 hold something, 10-19 are used by another screen: neither may be written.
            for (int tile = 0; tile < 10; ++tile)
                lossy.patterns.pixels[size_t(tile * 64 + tile)] = 2;
            for (int tile = 10; tile < 20; ++tile)
                lossy.request.tilesInUse.set(size_t(tile));
            const ScreenConversionResult result = lossy.run(dithering);
            ASSERT_TRUE(result) << result.error;
            expectObeysEveryRule(lossy, *result.conversion, 236);
            EXPECT_LT(result.conversion->quality->meanError, 0.15) << ditheringName(dithering);
        }
}

TEST(LossyScreenConversion, ATileBudgetIsKeptByMergingTheMostSimilarTiles)
{
    Lossy lossy(noise());
    const ScreenConversionResult full = lossy.run(Dithering::none);
    ASSERT_TRUE(full) << full.error;
    for (const int budget : { 200, 64, 8 }) {
        const ScreenConversionResult result = lossy.run(Dithering::none, budget);
        ASSERT_TRUE(result) << result.error;
        expectObeysEveryRule(lossy, *result.conversion, size_t(budget));
        // Fewer tiles cost accuracy, but gradually.
        EXPECT_GE(result.conversion->quality->meanError, full.conversion->quality->meanError - 1e-9);
        EXPECT_LT(result.conversion->quality->meanError, 0.25);
    }
    // Progress is told, rising, and a no stops the conversion.
    std::vector<double> told;
    LossySettings watched { Dithering::none, 64, [&](double done) {
                               told.push_back(done);
                               return told.size() < 6;
                           } };
    const ScreenConversionResult cancelled = convertScreenPictureLossy(lossy.request, watched);
    ASSERT_FALSE(cancelled);
    EXPECT_EQ(cancelled.error, cancelledText);
    EXPECT_EQ(told.size(), 6u);
    EXPECT_TRUE(std::is_sorted(told.begin(), told.end()));
    // No room at all for a picture that needs new tiles: refused naming the counts.
    lossy.request.tilesInTable = 0;
    const ScreenConversionResult none = lossy.run();
    ASSERT_FALSE(none);
    EXPECT_NE(none.error.find("new tiles"), std::string::npos) << none.error;
}

TEST(LossyScreenConversion, APictureTheConsoleCanShowComesBackExactly)
{
    const DisplayColors display;
    for (const Dithering dithering : { Dithering::none, Dithering::ordered, Dithering::diffusion }) {
        Lossy lossy(ruleAbiding(display));
        const ScreenConversionResult result = lossy.run(dithering);
        ASSERT_TRUE(result) << result.error;
        expectObeysEveryRule(lossy, *result.conversion, 256);
        EXPECT_EQ(result.conversion->quality->meanError, 0.0) << ditheringName(dithering);
        EXPECT_EQ(result.conversion->subPalettes[0][0], 0x0F);
    }
}

TEST(LossyScreenConversion, DitheringBringsGradientsNearerAndTheWorstAreaIsNamed)
{
    Lossy smooth(gradient());
    const double none = smooth.run(Dithering::none).conversion->quality->meanError;
    const double ordered = smooth.run(Dithering::ordered).conversion->quality->meanError;
    const double diffusion = smooth.run(Dithering::diffusion).conversion->quality->meanError;
    EXPECT_LT(ordered, none * 0.9);
    EXPECT_LT(diffusion, none * 0.9);

    // A flat grey picture with one patch of noise at (160, 96): the worst area is there.
    Picture picture(256 * 240 * 4);
    const Picture speckled = noise(3);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 256; ++x) {
            const bool patch = x >= 160 && x < 176 && y >= 96 && y < 112;
            const uint8_t *from = &speckled[size_t(y * 256 + x) * 4];
            put(picture, x, y, patch ? from[0] / 255.0 : 0.6, patch ? from[1] / 255.0 : 0.6,
                patch ? from[2] / 255.0 : 0.6);
        }
    Lossy flat(picture);
    const ScreenConversionResult result = flat.run();
    ASSERT_TRUE(result) << result.error;
    EXPECT_EQ(result.conversion->quality->worstX, 160);
    EXPECT_EQ(result.conversion->quality->worstY, 96);
    EXPECT_NE(qualityText(*result.conversion->quality).find("in the 16 x 16 area at (160, 96)"), std::string::npos);
}

} // namespace
