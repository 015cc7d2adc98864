#include "app/tiles/TileSheetActions.h"
#include "app/document/Counted.h"

#include "app/document/MosavoDocument.h"
#include "app/document/PictureFiles.h"
#include "app/tiles/EditorViewController.h"
#include "app/window/Alerts.h"
#include "app/window/FilePanels.h"
#include "app/window/MainMosavoWindow.h"
#include "core/MatrixBuilder.h"
#include "log/Log.h"
#include "palette/DisplayColors.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QMimeData>

namespace kestova {

using namespace mosavo;

namespace {

const QString pngFilter = QStringLiteral("PNG pictures (*.png);;All files (*)");

void showStatus(MosavoDocument *document, const QString &message)
{
    if (document->window())
        document->window()->showStatus(message);
}

// The colours of the sub-palette in the editor, when it has four.
std::optional<TileColors> currentSubPaletteColors(EditorViewController &controller)
{
    const PalettePtr palette = controller.mosavo ? controller.mosavo->colorPalette() : nullptr;
    if (!palette || palette->palette().size() < 4)
        return std::nullopt;
    TileColors colors;
    for (size_t i = 0; i < colors.size(); ++i)
        colors[i] = shownRgb(palette->palette()[i].colorCode);
    return colors;
}

// The current sub-palette with its name for messages, when it has four colours.
std::optional<NamedTileColors> namedSubPalette(EditorViewController &controller)
{
    if (const auto colors = currentSubPaletteColors(controller))
        return NamedTileColors { *colors,
            QStringLiteral("the current sub-palette %1").arg(controller.currentSubPalette()) };
    return std::nullopt;
}

TileSheetOrder viewerOrder(const EditorViewController &controller)
{
    return controller.viewerShowsSprites8x16() ? TileSheetOrder::sprites8x16 : TileSheetOrder::rows8x8;
}

} // namespace

void exportTilesAsPng(MosavoDocument *document)
{
    EditorViewController *controller = document ? document->editorViewController.data() : nullptr;
    const SettingsPtr settings = document ? document->editorViewControllerSettings.lock() : nullptr;
    if (!controller || !settings || !settings->tileData()) {
        log().e(QStringLiteral("EditorViewController is nil"));
        return;
    }
    TileColors colors = viewerGreyColors();
    if (controller->viewerShowsSubPalette())
        colors = currentSubPaletteColors(*controller).value_or(colors);
    TileSheetLayout layout { defaultSheetColumns, viewerOrder(*controller) };
    // A sheet taller than common programs read is laid out wider.
    layout.columns = readableSheetColumns(layout, settings->tileData()->totalNumberTiles());
    const QString base
        = document->filePath().isEmpty() ? QStringLiteral("tiles") : QFileInfo(document->filePath()).completeBaseName();
    QString chosen;
    filePanels().chooseFileToSave({ QStringLiteral("Export Tiles as PNG"), pngFilter, base + QStringLiteral(".png") },
        [&chosen](const QString &path) { chosen = path; });
    if (chosen.isEmpty())
        return;
    if (QFileInfo(chosen).suffix().isEmpty())
        chosen += QStringLiteral(".png");
    const TileDataPtr tiles = settings->tileData();
    if (auto error = writeTileSheetPng(chosen, tiles->matrices(), colors, layout)) {
        log().e(QStringLiteral("Could not export tiles as PNG: ") + error->describe());
        alerts().showError(
            QStringLiteral("The tiles could not be exported as PNG. %1").arg(error->describe()), document->window());
        return;
    }
    showStatus(document,
        QStringLiteral("Exported %1 to %2").arg(tilesText(tiles->totalNumberTiles())).arg(chosen)
            + (layout.columns != defaultSheetColumns
                    ? QStringLiteral(", %1 tiles a row to keep the picture at most %2 pixels tall")
                          .arg(layout.columns)
                          .arg(readableSheetHeight)
                    : QString()));
}

void importTilesFromPng(MosavoDocument *document)
{
    EditorViewController *controller = document ? document->editorViewController.data() : nullptr;
    const SettingsPtr settings = document ? document->editorViewControllerSettings.lock() : nullptr;
    if (!controller || !settings || !settings->tileData()) {
        log().e(QStringLiteral("EditorViewController is nil"));
        return;
    }
    QString chosen;
    filePanels().chooseFileToOpen(
        { QStringLiteral("Import Tiles from PNG"), pngFilter, {} }, [&chosen](const QString &path) { chosen = path; });
    if (chosen.isEmpty())
        return;
    auto fail = [document](const QString &reason) {
        log().e(QStringLiteral("Could not import tiles from PNG: ") + reason);
        alerts().showError(QStringLiteral("The tiles could not be imported. %1").arg(reason), document->window());
    };

    const std::optional<NamedTileColors> subPalette = namedSubPalette(*controller);
    // First as a grid of tiles, to see whether it fits the block.
    auto read = readTilesFromPng(chosen, TileSheetOrder::rows8x8, subPalette);
    if (auto *error = std::get_if<FileError>(&read)) {
        fail(error->describe());
        return;
    }
    SheetTiles sheet = std::move(std::get<SheetTiles>(read));
    const int64_t count = settings->tileData()->totalNumberTiles();
    const int64_t side = controller->blockTilesPerSide();
    const std::vector<int64_t> block = controller->blockTileNumbers();

    if (side > 0 && sheet.columns <= side && sheet.rows <= side) {
        std::vector<int64_t> numbers;
        for (int64_t r = 0; r < sheet.rows; ++r)
            for (int64_t c = 0; c < sheet.columns; ++c)
                numbers.push_back(block[size_t(r * side + c)]);
        controller->importTiles(numbers, sheet.tiles, QStringLiteral("Import PNG"));
        showStatus(document,
            QStringLiteral("Imported %1 from %2 into the block, reading %3")
                .arg(tilesText(int64_t(sheet.tiles.size())))
                .arg(chosen, sheet.colorMapping));
        return;
    }

    const TileSheetOrder order = viewerOrder(*controller);
    if (order != TileSheetOrder::rows8x8) {
        auto again = readTilesFromPng(chosen, order, subPalette);
        if (auto *error = std::get_if<FileError>(&again)) {
            fail(error->describe());
            return;
        }
        sheet = std::move(std::get<SheetTiles>(again));
    }
    const int64_t suggested = !block.empty() && block.front() >= 0 && block.front() < count ? block.front() : 0;
    const auto first = alerts().askTileNumber(QStringLiteral("Place the %1 of %2 from tile number:")
                                                  .arg(tilesText(int64_t(sheet.tiles.size())))
                                                  .arg(QFileInfo(chosen).fileName()),
        suggested, count - 1, document->window());
    if (!first)
        return;
    if (*first < 0 || *first >= count) {
        fail(QStringLiteral("the document holds %1, so there is no tile %2").arg(tilesText(count)).arg(*first));
        return;
    }
    for (size_t i = size_t(count - *first); i < sheet.tiles.size(); ++i)
        if (!isBlankTile(*sheet.tiles[i])) {
            fail(QStringLiteral("%1: holds %2; placed from tile %3 they run past the last tile (%4), and tile "
                                "%5 of the picture is not blank")
                     .arg(chosen)
                     .arg(tilesText(int64_t(sheet.tiles.size())))
                     .arg(*first)
                     .arg(count - 1)
                     .arg(i));
            return;
        }
    std::vector<int64_t> numbers;
    for (size_t i = 0; i < sheet.tiles.size(); ++i)
        numbers.push_back(*first + int64_t(i));
    controller->importTiles(numbers, sheet.tiles, QStringLiteral("Import PNG"));
    showStatus(document,
        QStringLiteral("Imported %1 from %2 at tile %3, reading %4")
            .arg(tilesText(std::min<int64_t>(int64_t(sheet.tiles.size()), count - *first)))
            .arg(chosen)
            .arg(*first)
            .arg(sheet.colorMapping));
}

bool pasteClipboardImage(MosavoDocument *document)
{
    const QMimeData *mime = QApplication::clipboard()->mimeData();
    if (!mime || !mime->hasImage())
        return false;
    const QImage image = qvariant_cast<QImage>(mime->imageData());
    if (image.isNull())
        return false;
    EditorViewController *controller = document ? document->editorViewController.data() : nullptr;
    const SettingsPtr settings = document ? document->editorViewControllerSettings.lock() : nullptr;
    if (!controller || !settings || !settings->tileData() || controller->blockTilesPerSide() <= 0) {
        log().e(QStringLiteral("EditorViewController is nil"));
        return true;
    }
    auto mapped = pictureColorIndices(image, namedSubPalette(*controller));
    if (const auto *reason = std::get_if<QString>(&mapped)) {
        log().e(QStringLiteral("Could not paste the picture: ") + *reason);
        alerts().showError(
            QStringLiteral("The picture on the clipboard could not be pasted: %1").arg(*reason), document->window());
        return true;
    }
    const PictureIndices &picture = std::get<PictureIndices>(mapped);

    // The picture goes over the block from its top-left pixel; pixels of the block it does not cover stay.
    const MatrixPtr block = controller->blockPicture();
    const int64_t width = std::min<int64_t>(picture.width, block->columns());
    const int64_t height = std::min<int64_t>(picture.height, block->rows());
    for (int64_t y = 0; y < height; ++y)
        for (int64_t x = 0; x < width; ++x)
            block->values[y][size_t(x)] = picture.values[size_t(y) * size_t(picture.width) + size_t(x)];
    const auto tiles = MatrixBuilder::convertToMatrices(*block, Matrix(8, 8));
    if (!tiles)
        return true;
    controller->importTiles(controller->blockTileNumbers(), *tiles, QStringLiteral("Paste Picture"));
    QString message = QStringLiteral("Pasted a %1x%2 picture into the block, reading %3")
                          .arg(picture.width)
                          .arg(picture.height)
                          .arg(picture.colorMapping);
    if (width < picture.width || height < picture.height)
        message += QStringLiteral(" (only its top-left %1x%2 pixels fit the block)").arg(width).arg(height);
    showStatus(document, message);
    return true;
}

} // namespace kestova
