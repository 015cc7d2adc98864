#include "viewer/TileView.h"
#include "palette/DisplayColors.h"

#include "editor/BitmapCanvas.h"
#include "palette/NESPalette.h"

#include <QPainter>

namespace mosavo {

const PalettePtr &TileView::greyPalette()
{
    static const PalettePtr palette = NESPalette::fromData(Bytes { 0x30, 0x10, 0x00, 0x0F });
    return palette;
}

std::vector<ColorEntry> TileView::displayEntries(const PalettePtr &palette)
{
    std::vector<ColorEntry> entries = greyPalette()->palette();
    if (palette) {
        const std::vector<ColorEntry> &own = palette->palette();
        for (size_t i = 0; i < entries.size() && i < own.size(); ++i)
            entries[i] = own[i];
    }
    return entries;
}

std::array<QRgb, 4> TileView::displayColors(const PalettePtr &palette)
{
    const std::vector<ColorEntry> entries = displayEntries(palette);
    std::array<QRgb, 4> colors {};
    for (size_t i = 0; i < colors.size() && i < entries.size(); ++i) {
        const Color color = shownColor(entries[i]);
        colors[i] = qRgb(
            BitmapCanvas::toSample(color.red), BitmapCanvas::toSample(color.green), BitmapCanvas::toSample(color.blue));
    }
    return colors;
}

QImage TileView::convertTileDataToImage(const MatrixPtr &matrix, int64_t, const PalettePtr &palette)
{
    PalettePtr drawnWith = greyPalette();
    if (palette) {
        auto display = std::make_shared<NESPalette>();
        display->setPalette(displayEntries(palette));
        drawnWith = std::move(display);
    }
    const auto canvas = BitmapCanvas::make(matrix, std::move(drawnWith));
    if (!canvas || matrix->rows() <= 0 || matrix->columns() <= 0)
        return {};
    QImage image(int(matrix->columns()), int(matrix->rows()), QImage::Format_RGBA8888);
    if (image.isNull())
        return {};
    // Four bytes a pixel keep every scan line 32-bit aligned, so the rows are contiguous like the canvas buffer.
    canvas->renderInto(image.bits());
    return image;
}

QColor TileView::selectionOverlay()
{
    return QColor::fromRgbF(1.0f, 0.0f, 0.0f, 0.5f);
}

void TileView::draw(QPainter &painter, const QRect &rect) const
{
    drawTile(painter, rect, convertTileDataToImage(matrix, dimensionOfTile, palette), isSelected);
}

void TileView::drawTile(QPainter &painter, const QRect &rect, const QImage &tile, bool selected)
{
    if (!tile.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(rect, tile);
    }
    if (selected)
        painter.fillRect(rect, selectionOverlay());
}

} // namespace mosavo
