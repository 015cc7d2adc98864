#include "app/tiles/EditorViewController.h"

#include "app/tiles/EditCommands.h"
#include "core/BlockTransforms.h"
#include "core/ConsoleDataFactory.h"
#include "core/INesHeader.h"
#include "core/MatrixBuilder.h"
#include "core/NESTileDataCollection.h"
#include "core/SystemLog.h"
#include "log/Log.h"
#include "palette/NESColors.h"
#include "palette/NESPalette.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QTimer>

namespace kestova {

using namespace mosavo;

int64_t EditorViewController::blockSide() const
{
    return mosavo ? tilesPerSide(mosavo->zoomSize()) : 0;
}

std::vector<int64_t> EditorViewController::blockTileNumbers() const
{
    std::vector<int64_t> numbers = mosavo ? mosavo->tileIDs() : std::vector<int64_t> {};
    numbers.resize(size_t(blockSide() * blockSide()), -1);
    return numbers;
}

MatrixPtr EditorViewController::blockPicture() const
{
    const int64_t side = blockSide();
    MatrixBuilder builder(side, side, 8, 8);
    const TileDataPtr document = settings_ ? settings_->tileData() : nullptr;
    const auto numbers = blockTileNumbers();
    for (size_t k = 0; k < numbers.size() && document; ++k) {
        const int64_t number = numbers[k];
        if (number >= 0 && size_t(number) < document->matrices().size())
            builder.matrices[k / size_t(side)][k % size_t(side)] = document->matrices()[size_t(number)];
    }
    return builder.createMatrix();
}

void EditorViewController::replaceBlock(const Matrix &picture, const QString &text)
{
    const auto tiles = MatrixBuilder::convertToMatrices(picture, Matrix(8, 8));
    if (tiles)
        replaceTiles(blockTileNumbers(), *tiles, text);
}

void EditorViewController::flipBlockHorizontally()
{
    replaceBlock(*transforms::flipHorizontal(*blockPicture()), QStringLiteral("Flip Horizontally"));
}

void EditorViewController::flipBlockVertically()
{
    replaceBlock(*transforms::flipVertical(*blockPicture()), QStringLiteral("Flip Vertically"));
}

void EditorViewController::rotateBlockClockwise()
{
    replaceBlock(*transforms::rotateClockwise(*blockPicture()), QStringLiteral("Rotate Clockwise"));
}

void EditorViewController::rotateBlockCounterClockwise()
{
    replaceBlock(*transforms::rotateCounterClockwise(*blockPicture()), QStringLiteral("Rotate Counterclockwise"));
}

void EditorViewController::shiftBlock(int dx, int dy)
{
    replaceBlock(*transforms::shift(*blockPicture(), dx, dy), QStringLiteral("Shift"));
}

void EditorViewController::clearBlock()
{
    replaceBlock(*transforms::filled(*blockPicture(), 0), QStringLiteral("Clear"));
}

const QString EditorViewController::tileMimeType = QStringLiteral("application/x-kestova-tiles");

void EditorViewController::copyBlock()
{
    const MatrixPtr picture = blockPicture();
    const int64_t side = blockSide();
    if (side == 0)
        return;
    const auto tiles = MatrixBuilder::convertToMatrices(*picture, Matrix(8, 8));
    if (!tiles)
        return;
    // The tiles: one byte for the block side, then the NES bytes of its tiles row by row.
    NESTileDataCollection collection(*tiles);
    const Bytes chr = *collection.consoleFormattedPixelData();
    QByteArray payload(1, char(side));
    payload.append(reinterpret_cast<const char *>(chr.data()), qsizetype(chr.size()));

    auto *mime = new QMimeData;
    mime->setData(tileMimeType, payload);
    // And a picture of them in the current sub-palette, for other programs.
    if (mosavo && mosavo->colorPalette()) {
        auto canvas = BitmapCanvas::make(picture, mosavo->colorPalette());
        const RgbaImage rgba = canvas->image();
        QImage image(
            rgba.pixels.data(), int(rgba.width), int(rgba.height), int(rgba.width * 4), QImage::Format_RGBA8888);
        mime->setImageData(image.copy());
    }
    QApplication::clipboard()->setMimeData(mime);
}

void EditorViewController::cutBlock()
{
    copyBlock();
    replaceBlock(*transforms::filled(*blockPicture(), 0), QStringLiteral("Cut"));
}

bool EditorViewController::pasteBlock()
{
    const QMimeData *mime = QApplication::clipboard()->mimeData();
    if (!mime || !mime->hasFormat(tileMimeType))
        return false;
    const QByteArray payload = mime->data(tileMimeType);
    if (payload.isEmpty())
        return false;
    const int64_t pastedSide = uchar(payload[0]);
    if (pastedSide < 1 || payload.size() != 1 + pastedSide * pastedSide * 16)
        return false;
    const auto pasted = ConsoleDataFactory::nesToMatrices(
        std::span(reinterpret_cast<const uint8_t *>(payload.constData()) + 1, size_t(payload.size() - 1)));
    const int64_t side = blockSide();
    const auto numbers = blockTileNumbers();
    std::vector<int64_t> targets;
    std::vector<MatrixPtr> tiles;
    for (int64_t r = 0; r < std::min(side, pastedSide); ++r)
        for (int64_t c = 0; c < std::min(side, pastedSide); ++c) {
            targets.push_back(numbers[size_t(r * side + c)]);
            tiles.push_back(pasted[size_t(r * pastedSide + c)]);
        }
    replaceTiles(targets, tiles, QStringLiteral("Paste"));
    return true;
}

} // namespace kestova
