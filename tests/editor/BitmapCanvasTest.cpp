#include "editor/BitmapCanvas.h"
#include "palette/NESPalette.h"

#include <gtest/gtest.h>

#include <array>

using namespace mosavo;

namespace {

PalettePtr fourColours(std::vector<Color> colors
    = { { 0.0, 0.0, 0.0, 1.0 }, { 1.0, 0.0, 0.0, 1.0 }, { 0.0, 1.0, 0.0, 1.0 }, { 0.0, 0.0, 1.0, 1.0 } })
{
    auto palette = std::make_shared<NESPalette>();
    std::vector<ColorEntry> entries;
    for (size_t i = 0; i < colors.size(); ++i)
        entries.push_back({ int64_t(0x10 + i), colors[i] });
    palette->setPalette(entries);
    return palette;
}

std::array<uint8_t, 4> pixelAt(const RgbaImage &image, int64_t x, int64_t y)
{
    const uint8_t *p = image.pixel(x, y);
    return { p[0], p[1], p[2], p[3] };
}

} // namespace

TEST(BitmapCanvas, OneByOneImageIsTheOpaquePaletteEntry)
{
    auto matrix = Matrix::make(1, 1);
    matrix->values[0][0] = 2;
    auto canvas = BitmapCanvas::make(matrix, fourColours());
    ASSERT_NE(canvas, nullptr);
    const RgbaImage image = canvas->image();
    EXPECT_EQ(image.width, 1);
    EXPECT_EQ(image.height, 1);
    ASSERT_EQ(image.pixels.size(), 4u);
    EXPECT_EQ(pixelAt(image, 0, 0), (std::array<uint8_t, 4> { 0, 255, 0, 255 }));
    EXPECT_EQ(canvas->coloredMatrix().values[0][0], 0x12);
    EXPECT_EQ(canvas->width(), 1.0);
}

TEST(BitmapCanvas, ComponentsRoundToSixDecimalsAndAlphaIsAlwaysOpaque)
{
    // 0.1234567 -> 0.123457 -> 31.48 -> 31; 0.0000004 -> 0; the half-transparent colour still paints alpha 255.
    EXPECT_EQ(BitmapCanvas::toSample(0.1234567), 31);
    EXPECT_EQ(BitmapCanvas::toSample(0.0000004), 0);
    EXPECT_EQ(BitmapCanvas::toSample(0.0), 0);
    EXPECT_EQ(BitmapCanvas::toSample(1.0), 255);
    // 0.0019607 * 255 = 0.49998 would give 0; rounded first to 0.001961 it gives 0.50006, hence 1.
    EXPECT_EQ(BitmapCanvas::toSample(0.0019607), 1);

    auto matrix = Matrix::make(1, 3);
    matrix->values[0][0] = 0;
    matrix->values[0][1] = 1;
    matrix->values[0][2] = 2;
    auto canvas = BitmapCanvas::make(matrix,
        fourColours({ { 0.1234567, 0.0000004, 1.0, 1.0 }, { 0.2, 0.4, 0.6, 0.5 }, { 1.0, 1.0, 1.0, 0.0 },
            { 0.0, 0.0, 0.0, 1.0 } }));
    const RgbaImage image = canvas->image();
    EXPECT_EQ(pixelAt(image, 0, 0), (std::array<uint8_t, 4> { 31, 0, 255, 255 }));
    EXPECT_EQ(pixelAt(image, 1, 0), (std::array<uint8_t, 4> { 51, 102, 153, 255 }));
    EXPECT_EQ(pixelAt(image, 2, 0), (std::array<uint8_t, 4> { 255, 255, 255, 255 }));
}

TEST(BitmapCanvas, SetColorIDOutsideTheMatrixChangesNothing)
{
    auto matrix = Matrix::make(2, 3);
    auto canvas = BitmapCanvas::make(matrix, fourColours());
    const Matrix before = *matrix;
    canvas->setColorID(1, 3, 0);
    canvas->setColorID(1, 0, -1);
    canvas->setColorID(1, -1, 0);
    canvas->setColorID(1, 0, 2);
    EXPECT_EQ(*matrix, before);
    canvas->setColorID(3, 2, 1);
    EXPECT_EQ(matrix->values[1][2], 3);
    // The colour lookup reflects the matrix as of the last update only.
    EXPECT_EQ(canvas->coloredMatrix().values[1][2], 0x10);
    canvas->update(canvas->palette());
    EXPECT_EQ(canvas->coloredMatrix().values[1][2], 0x13);
}

TEST(BitmapCanvas, CanvasesOnOneMatrixShareTheirPixels)
{
    auto matrix = Matrix::make(2, 2);
    auto first = BitmapCanvas::make(matrix, fourColours());
    auto second
        = BitmapCanvas::make(matrix, fourColours({ { 1, 1, 1, 1 }, { 0, 0, 0, 1 }, { 1, 1, 1, 1 }, { 1, 1, 1, 1 } }));
    EXPECT_EQ(first->matrix(), second->matrix());
    first->setColorID(1, 1, 0);
    EXPECT_EQ(pixelAt(second->image(), 1, 0), (std::array<uint8_t, 4> { 0, 0, 0, 255 }));
    EXPECT_EQ(pixelAt(first->image(), 1, 0), (std::array<uint8_t, 4> { 255, 0, 0, 255 }));
    EXPECT_EQ(pixelAt(second->image(), 0, 0), (std::array<uint8_t, 4> { 255, 255, 255, 255 }));
}

TEST(BitmapCanvas, IndexWithoutPaletteEntryIsTransparent)
{
    auto matrix = Matrix::make(1, 3);
    matrix->values[0][0] = 4;
    matrix->values[0][1] = -1;
    matrix->values[0][2] = 3;
    auto canvas = BitmapCanvas::make(matrix, fourColours());
    const RgbaImage image = canvas->image();
    EXPECT_EQ(pixelAt(image, 0, 0)[3], 0);
    EXPECT_EQ(pixelAt(image, 1, 0)[3], 0);
    EXPECT_EQ(pixelAt(image, 2, 0), (std::array<uint8_t, 4> { 0, 0, 255, 255 }));
    EXPECT_EQ(BitmapCanvas::make(nullptr, fourColours()), nullptr);
    EXPECT_EQ(BitmapCanvas::make(matrix, nullptr), nullptr);
}
