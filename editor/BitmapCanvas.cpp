#include "editor/BitmapCanvas.h"
#include "palette/DisplayColors.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace mosavo {

BitmapCanvas::BitmapCanvas(MatrixPtr matrix, PalettePtr palette)
    : dimensionForMatrix_(double(matrix->columns()), double(matrix->rows()))
    , internalColoredMatrix_(Matrix::make(matrix->rows(), matrix->columns()))
    , internalColorIDMatrix_(std::move(matrix))
    , palette_(palette)
{
    update(std::move(palette));
}

std::shared_ptr<BitmapCanvas> BitmapCanvas::make(MatrixPtr matrix, PalettePtr palette)
{
    if (!matrix || !palette)
        return nullptr;
    return std::make_shared<BitmapCanvas>(std::move(matrix), std::move(palette));
}

void BitmapCanvas::update(PalettePtr palette)
{
    if (!palette)
        return;
    std::map<int64_t, int64_t> lookup;
    const auto &entries = palette->palette();
    for (size_t i = 0; i < entries.size(); ++i)
        lookup[int64_t(i)] = entries[i].colorCode;

    const Matrix &indices = *internalColorIDMatrix_;
    Matrix &colored = *internalColoredMatrix_;
    for (int64_t r = 0; r < colored.rows(); ++r) {
        for (int64_t c = 0; c < colored.columns(); ++c) {
            const int64_t index = (r < indices.rows() && c < indices.columns()) ? indices.values[r][size_t(c)] : 0;
            const auto found = lookup.find(index);
            colored.values[r][size_t(c)] = found != lookup.end() ? found->second : 0;
        }
    }
    colorIndexToColorID_ = std::move(lookup);
    palette_ = std::move(palette);
}

void BitmapCanvas::setColorID(int64_t value, int64_t x, int64_t y)
{
    Matrix &indices = *internalColorIDMatrix_;
    if (x < 0 || y < 0 || x >= indices.columns() || y >= indices.rows())
        return;
    indices.values[y][size_t(x)] = value;
}

uint8_t BitmapCanvas::toSample(double component)
{
    const double rounded = std::round(component * 1000000.0) / 1000000.0;
    return uint8_t(std::lround(std::clamp(rounded, 0.0, 1.0) * 255.0));
}

void BitmapCanvas::renderInto(uint8_t *rgba) const
{
    const auto &entries = palette_->palette();
    std::vector<std::array<uint8_t, 4>> colors;
    colors.reserve(entries.size());
    for (const ColorEntry &entry : entries) {
        const Color shown = shownColor(entry);
        colors.push_back({ toSample(shown.red), toSample(shown.green), toSample(shown.blue), 255 });
    }

    static constexpr std::array<uint8_t, 4> transparent { 0, 0, 0, 0 };
    for (int64_t index : internalColorIDMatrix_->cells()) {
        const auto &color = (index >= 0 && size_t(index) < colors.size()) ? colors[size_t(index)] : transparent;
        std::memcpy(rgba, color.data(), 4);
        rgba += 4;
    }
}

RgbaImage BitmapCanvas::image() const
{
    RgbaImage image;
    image.width = internalColorIDMatrix_->columns();
    image.height = internalColorIDMatrix_->rows();
    image.pixels.resize(size_t(image.width * image.height * 4));
    renderInto(image.pixels.data());
    return image;
}

} // namespace mosavo
