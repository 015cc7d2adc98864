#pragma once

#include "core/Matrix.h"
#include "palette/PaletteProtocol.h"

#include <QColor>
#include <QImage>

class QPainter;
class QRect;

namespace mosavo {

// Draws one tile of the viewer in the fixed grey palette (colour numbers 0x30, 0x10, 0x00, 0x0F: white, light grey,
// dark grey, black), scaled without smoothing, with a red half-transparent overlay when it is selected.
class TileView
{
public:
    int64_t dimensionOfTile = 8;
    MatrixPtr matrix = Matrix::make(0, 0);
    int64_t number = 0;
    bool isSelected = false;

    // The grey sub-palette, made once.
    static const PalettePtr &greyPalette();
    // The tile through a BitmapCanvas in the grey palette, one image pixel per matrix cell; a null image when there is
    // no matrix or it has no cells. The dimension does not change the result.
    static QImage convertTileDataToImage(const MatrixPtr &matrix, int64_t dimension);
    // Colour of the selection overlay: red 1, green 0, blue 0, alpha 0.5.
    static QColor selectionOverlay();
    // The tile pixel (0-7) that pixel position (0 to side - 1) of a cell of that side shows: nearest neighbour sampled
    // at the pixel's centre, ties going to the lower pixel, as QPainter scales without smoothing.
    static int64_t tilePixelAt(int64_t position, int64_t side) { return ((2 * position + 1) * 8 - 1) / (2 * side); }
    // An opaque pixel under the selection overlay.
    static QRgb overlaid(QRgb pixel)
    {
        // (255 - 128) / 255 of the pixel plus 128 of red, as the overlay's alpha of 0.5 is stored as 128 of 255.
        return qRgb(128 + qRed(pixel) * 127 / 255, qGreen(pixel) * 127 / 255, qBlue(pixel) * 127 / 255);
    }

    // Draws this view's matrix into rect.
    void draw(QPainter &painter, const QRect &rect) const;
    // Draws an already made tile image into rect (nothing for a null image), then the overlay when selected.
    static void drawTile(QPainter &painter, const QRect &rect, const QImage &tile, bool selected);
};

} // namespace mosavo
