#pragma once

#include "core/Matrix.h"
#include "palette/PaletteProtocol.h"

#include <QColor>
#include <QImage>

#include <array>
#include <vector>

class QPainter;
class QRect;

namespace mosavo {

// Draws one tile of the viewer, scaled without smoothing, with a red half-transparent overlay when it is selected. The
// colours are the fixed grey palette (colour numbers 0x30, 0x10, 0x00, 0x0F: white, light grey, dark grey, black) or,
// when a display palette is given, that palette's first four colours.
class TileView
{
public:
    int64_t dimensionOfTile = 8;
    MatrixPtr matrix = Matrix::make(0, 0);
    int64_t number = 0;
    bool isSelected = false;
    // The palette the tile is drawn with; null for the grey palette.
    PalettePtr palette;

    // The grey sub-palette, made once.
    static const PalettePtr &greyPalette();
    // The four entries tiles are drawn with: the palette's entries 0-3 where it has them, the grey palette's for the
    // indices it lacks (all four without a palette). Entries past the fourth are not used.
    static std::vector<ColorEntry> displayEntries(const PalettePtr &palette);
    // The colours of those entries as opaque pixels, colour index 0-3, as the tile image has them.
    static std::array<QRgb, 4> displayColors(const PalettePtr &palette);
    // The tile through a BitmapCanvas in the display entries of palette (grey without one), one image pixel per matrix
    // cell, colour indices outside 0-3 transparent; a null image when there is no matrix or it has no cells. The
    // dimension does not change the result.
    static QImage convertTileDataToImage(const MatrixPtr &matrix, int64_t dimension, const PalettePtr &palette = {});
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

    // Draws this view's matrix in its palette into rect.
    void draw(QPainter &painter, const QRect &rect) const;
    // Draws an already made tile image into rect (nothing for a null image), then the overlay when selected.
    static void drawTile(QPainter &painter, const QRect &rect, const QImage &tile, bool selected);
};

} // namespace mosavo
