#include "app/TileSheetActions.h"

#include "app/Alerts.h"
#include "app/EditorViewController.h"
#include "app/FilePanels.h"
#include "app/MainMosavoWindow.h"
#include "app/MosavoDocument.h"
#include "app/PngTiles.h"
#include "log/Log.h"
#include "palette/NESColors.h"

#include <QFileInfo>

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
        colors[i] = nesRgb(palette->palette()[i].colorCode);
    return colors;
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
    const TileSheetLayout layout { defaultSheetColumns, viewerOrder(*controller) };
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
    showStatus(document, QStringLiteral("Exported %1 tiles to %2").arg(tiles->totalNumberTiles()).arg(chosen));
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

    std::optional<NamedTileColors> subPalette;
    if (const auto colors = currentSubPaletteColors(*controller))
        subPalette = NamedTileColors { *colors,
            QStringLiteral("the current sub-palette %1").arg(controller->currentSubPalette()) };
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
        showStatus(
            document, QStringLiteral("Imported %1 tiles from %2 into the block").arg(sheet.tiles.size()).arg(chosen));
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
    const auto first = alerts().askTileNumber(QStringLiteral("Place the %1 tiles of %2 from tile number:")
                                                  .arg(sheet.tiles.size())
                                                  .arg(QFileInfo(chosen).fileName()),
        suggested, count - 1, document->window());
    if (!first)
        return;
    if (*first < 0 || *first >= count) {
        fail(QStringLiteral("the document holds %1 tiles, so there is no tile %2").arg(count).arg(*first));
        return;
    }
    for (size_t i = size_t(count - *first); i < sheet.tiles.size(); ++i)
        if (!isBlankTile(*sheet.tiles[i])) {
            fail(QStringLiteral("%1: holds %2 tiles; placed from tile %3 they run past the last tile (%4), and tile "
                                "%5 of the picture is not blank")
                     .arg(chosen)
                     .arg(sheet.tiles.size())
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
        QStringLiteral("Imported %1 tiles from %2 at tile %3")
            .arg(std::min<int64_t>(int64_t(sheet.tiles.size()), count - *first))
            .arg(chosen)
            .arg(*first));
}

} // namespace kestova
