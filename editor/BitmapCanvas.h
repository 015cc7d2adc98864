#pragma once

#include "core/GraphicEditor.h"
#include "core/Matrix.h"
#include "palette/PaletteProtocol.h"

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace mosavo {

// An RGBA8 picture: row 0 first, 4 bytes a pixel, red first, alpha last.
struct RgbaImage
{
    int64_t width = 0;
    int64_t height = 0;
    std::vector<uint8_t> pixels;

    const uint8_t *pixel(int64_t x, int64_t y) const { return pixels.data() + (y * width + x) * 4; }
};

// Turns a matrix of colour indices plus a palette into an RGBA picture. The matrix is shared, not copied: every holder
// of it sees the pixels written through setColorID, and canvases built on one matrix share their pixels.
class BitmapCanvas : public GraphicEditor
{
public:
    // Never fails; nullptr only for a missing matrix or palette.
    static std::shared_ptr<BitmapCanvas> make(MatrixPtr matrix, PalettePtr palette);

    // Rebuilds the colour lookup for a (possibly new) palette.
    void update(PalettePtr palette);
    // Writes value at column x, row y; positions outside the matrix are ignored.
    void setColorID(int64_t value, int64_t x, int64_t y);

    // One image pixel per cell, opaque palette colours; a colour index without a palette entry is transparent.
    RgbaImage image() const;
    // The same, into a caller's buffer of at least columns x rows x 4 bytes.
    void renderInto(uint8_t *rgba) const;

    MatrixPtr matrix() const override { return internalColorIDMatrix_; }
    const PalettePtr &palette() const { return palette_; }

    // The NES colour number of each pixel as of the last update.
    const Matrix &coloredMatrix() const { return *internalColoredMatrix_; }
    const std::map<int64_t, int64_t> &colorIndexToColorID() const { return colorIndexToColorID_; }
    double width() const { return dimensionForMatrix_.first; }
    double height() const { return dimensionForMatrix_.second; }

    // A component rounded to six decimals (half away from zero), then to an 8-bit sample.
    static uint8_t toSample(double component);

    BitmapCanvas(MatrixPtr matrix, PalettePtr palette);

private:
    std::pair<double, double> dimensionForMatrix_;
    std::map<int64_t, int64_t> colorIndexToColorID_;
    MatrixPtr internalColoredMatrix_;
    MatrixPtr internalColorIDMatrix_;
    PalettePtr palette_;
};

using BitmapCanvasPtr = std::shared_ptr<BitmapCanvas>;

} // namespace mosavo
