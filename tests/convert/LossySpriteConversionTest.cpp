#include "convert/LossySpriteConversion.h"
#include "core/FrameRenderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

using namespace mosavo;

namespace {

// A 32 x 32 figure on transparent: a shaded orange ball, a blue band across it, a green foot; soft (alpha 0-255)
// at the ball's rim.
std::vector<uint8_t> figure()
{
    std::vector<uint8_t> rgba(32 * 32 * 4, 0);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            uint8_t *p = &rgba[size_t(y * 32 + x) * 4];
            const double d = std::hypot(x - 15.5, y - 13.5) / 13.0;
            double r = 0, g = 0, b = 0, alpha = 0;
            if (d < 1.05) {
                const double light = std::clamp(1.1 - d * 0.8 - (x + y) / 80.0, 0.0, 1.0);
                r = light, g = 0.45 * light, b = 0.1 * light;
                alpha = d < 1.0 ? 1.0 : (1.05 - d) / 0.05;
                if (y >= 12 && y < 16)
                    r = 0.15, g = 0.3, b = 0.9 * light + 0.1;
            }
            if (y >= 28 && x >= 6 && x < 26)
                r = 0.1, g = 0.7 - (x - 6) * 0.02, b = 0.2, alpha = 1.0;
            p[0] = uint8_t(std::lround(r * 255));
            p[1] = uint8_t(std::lround(g * 255));
            p[2] = uint8_t(std::lround(b * 255));
            p[3] = uint8_t(std::lround(alpha * 255));
        }
    return rgba;
}

// Drawn as the console draws it: the colour number of every pixel, or transparentColor.
FramePicture drawnSprites(const SpriteConversion &result, const PatternTables &bank, bool tall)
{
    PatternTables patterns = bank;
    for (const TileChange &change : result.tileChanges)
        std::copy(change.pixels.begin(), change.pixels.end(), patterns.pixels.begin() + change.tile * 64);
    PaletteBytes palette {};
    for (size_t p = 0; p < result.subPalettes.size(); ++p)
        std::copy(result.subPalettes[p].begin(), result.subPalettes[p].end(), palette.begin() + long(17 + p * 4));
    FramePicture frame = FramePicture::filled(64, 64, FramePicture::transparentColor);
    const std::vector<PlacedSprite> sprites = placeMetasprite(*result.metasprite, 0, 0);
    drawSprites(frame, patterns, sprites, { tall, 1 }, palette);
    return frame;
}

TEST(LossySpriteConversion, AnyFigureBecomesSpritesOfThreeColoursACellInTheirSubPalettes)
{
    const DisplayColors display;
    const std::vector<uint8_t> picture = figure();
    for (const bool tall : { false, true })
        for (const Dithering dithering : { Dithering::none, Dithering::ordered, Dithering::diffusion }) {
            SpriteConversionSettings settings;
            settings.tall = tall;
            settings.displayColors = &display;
            const PatternTables bank;
            const SpriteConversion result
                = convertSpritePictureLossy({ 32, 32, picture }, bank, {}, settings, { dithering, {}, {} });
            ASSERT_TRUE(result) << result.error;
            ASSERT_LE(result.subPalettes.size(), 4u);
            ASSERT_TRUE(result.quality);
            EXPECT_LT(result.quality->meanError, 0.12);
            EXPECT_EQ(result.quality->newTiles, int(result.tileChanges.size()));
            const FramePicture frame = drawnSprites(result, bank, tall);
            // Every sprite shows at most its three colours; opaque pixels (alpha 128 on) drawn, the others not.
            for (const MetaspriteSprite &sprite : result.metasprite->sprites) {
                const SubPaletteColors &colors = result.subPalettes[size_t(sprite.subPalette - 4)];
                std::set<uint8_t> shown;
                for (int y = sprite.y; y < sprite.y + (tall ? 16 : 8); ++y)
                    for (int x = sprite.x; x < sprite.x + 8; ++x)
                        if (frame.at(x, y) != FramePicture::transparentColor) {
                            shown.insert(frame.at(x, y));
                            EXPECT_NE(std::find(colors.begin(), colors.end(), frame.at(x, y)), colors.end());
                        }
                EXPECT_LE(shown.size(), 3u);
            }
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 32; ++x)
                    EXPECT_EQ(
                        frame.at(x, y) != FramePicture::transparentColor, picture[size_t(y * 32 + x) * 4 + 3] >= 128)
                        << x << ", " << y;
        }
}

TEST(LossySpriteConversion, KeptAndGivenSubPalettesStayAsTheyAre)
{
    const DisplayColors display;
    const std::vector<uint8_t> picture = figure();
    const PatternTables bank;
    SpriteConversionSettings settings;
    settings.displayColors = &display;
    // Sub-palette 5 is another metasprite's: kept in its place; the figure's colours go to 4, 6 and 7.
    settings.currentSubPalettes = { std::nullopt, SubPaletteColors { 0x2A, 0x1A, 0x30 } };
    settings.keptSubPalettes.set(1);
    const SpriteConversion kept = convertSpritePictureLossy({ 32, 32, picture }, bank, {}, settings, {});
    ASSERT_TRUE(kept) << kept.error;
    ASSERT_GE(kept.subPalettes.size(), 2u);
    EXPECT_EQ(kept.subPalettes[1], (SubPaletteColors { 0x2A, 0x1A, 0x30 }));

    // Given sub-palettes: every sprite uses one of them, and no other colour appears.
    settings.subPalettes = std::vector<SubPaletteColors> { { 0x06, 0x16, 0x27 }, { 0x02, 0x12, 0x21 } };
    const SpriteConversion given = convertSpritePictureLossy({ 32, 32, picture }, bank, {}, settings, {});
    ASSERT_TRUE(given) << given.error;
    EXPECT_EQ(given.subPalettes, *settings.subPalettes);
    for (const MetaspriteSprite &sprite : given.metasprite->sprites)
        EXPECT_LT(sprite.subPalette, 6);

    // No free tile at all is refused as the exact conversion refuses it.
    std::bitset<256> allUsed;
    allUsed.set();
    const SpriteConversion full = convertSpritePictureLossy({ 32, 32, picture }, bank, allUsed, settings, {});
    ASSERT_FALSE(full);
    EXPECT_NE(full.error.find("new tiles"), std::string::npos) << full.error;
}

TEST(LossySpriteConversion, ATileBudgetIsKeptByMergingCellsThatLookAlike)
{
    const DisplayColors display;
    const std::vector<uint8_t> picture = figure();
    const PatternTables bank;
    SpriteConversionSettings settings;
    settings.displayColors = &display;
    const SpriteConversion all = convertSpritePictureLossy({ 32, 32, picture }, bank, {}, settings, {});
    ASSERT_TRUE(all) << all.error;
    ASSERT_GT(all.tileChanges.size(), 8u);
    for (const int budget : { 8, 3 }) {
        const SpriteConversion result
            = convertSpritePictureLossy({ 32, 32, picture }, bank, {}, settings, { Dithering::none, budget, {} });
        ASSERT_TRUE(result) << result.error;
        EXPECT_LE(result.tileChanges.size(), size_t(budget));
        EXPECT_EQ(result.metasprite->sprites.size(), all.metasprite->sprites.size());
        EXPECT_GE(result.quality->meanError, all.quality->meanError);
        // Nearly every opaque pixel still drawn, every transparent one still empty; each sprite in its colours.
        const FramePicture frame = drawnSprites(result, bank, false);
        int kept = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                kept += (frame.at(x, y) != FramePicture::transparentColor)
                    == (picture[size_t(y * 32 + x) * 4 + 3] >= 128);
        EXPECT_GT(kept, 32 * 32 * 8 / 10);
        for (const MetaspriteSprite &sprite : result.metasprite->sprites)
            for (int y = sprite.y; y < sprite.y + 8; ++y)
                for (int x = sprite.x; x < sprite.x + 8; ++x) {
                    const SubPaletteColors &colors = result.subPalettes[size_t(sprite.subPalette - 4)];
                    EXPECT_TRUE(frame.at(x, y) == FramePicture::transparentColor
                        || std::find(colors.begin(), colors.end(), frame.at(x, y)) != colors.end());
                }
    }
    // Only 4 blank tiles left in the table: the picture is brought down to them.
    std::bitset<256> inUse;
    inUse.set();
    for (const int tile : { 40, 41, 90, 200 })
        inUse.reset(size_t(tile));
    const SpriteConversion few = convertSpritePictureLossy({ 32, 32, picture }, bank, inUse, settings, {});
    ASSERT_TRUE(few) << few.error;
    for (const TileChange &change : few.tileChanges)
        EXPECT_FALSE(inUse.test(size_t(change.tile - 256)));
}

TEST(LossySpriteConversion, TilesComeToTheFourColoursOfTheTargetSubPalette)
{
    const DisplayColors display;
    // A grey ramp from black to white, 64 x 8, the last column transparent.
    std::vector<uint8_t> ramp(64 * 8 * 4);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 64; ++x) {
            const uint8_t v = uint8_t(x * 4);
            std::copy_n(std::array<uint8_t, 4> { v, v, v, uint8_t(x == 63 ? 0 : 255) }.begin(), 4,
                &ramp[size_t(y * 64 + x) * 4]);
        }
    const std::array<uint8_t, 4> greys { 0x0F, 0x00, 0x10, 0x30 };
    const TileColorReduction none = reduceToSubPalette({ 64, 8, ramp }, greys, display, emphasisNone, Dithering::none);
    ASSERT_EQ(none.indices.size(), 64u * 8u);
    EXPECT_EQ(none.indices[0], 0);
    EXPECT_EQ(none.indices[62], 3);
    EXPECT_EQ(none.indices[63], 0);
    for (int x = 1; x < 63; ++x)
        EXPECT_GE(none.indices[size_t(x)], none.indices[size_t(x - 1)]) << x;
    const TileColorReduction ordered
        = reduceToSubPalette({ 64, 8, ramp }, greys, display, emphasisNone, Dithering::ordered);
    EXPECT_LT(ordered.quality.meanError, none.quality.meanError);
    EXPECT_TRUE(std::all_of(ordered.indices.begin(), ordered.indices.end(), [](uint8_t i) { return i < 4; }));
}

} // namespace
