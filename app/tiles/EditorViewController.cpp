#include "app/tiles/EditorViewController.h"
#include "app/document/Counted.h"

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

EditorViewController::EditorViewController(QWidget *parent)
    : QWidget(parent)
{
    // A viewer that shows the current sub-palette follows its colours and the choice of sub-palette.
    connect(this, &EditorViewController::colorsChanged, this, [this] {
        if (viewerShowsSubPalette_ && tileCollection) {
            tileCollection->setDisplayPalette(mosavo ? mosavo->colorPalette() : nullptr);
            tileCollection->refreshColors();
        }
    });
}

SettingsPtr EditorViewController::editorViewControllerSettings()
{
    if (!settings_)
        settings_ = std::make_shared<EditorViewControllerSettings>();
    return settings_;
}

PalettePtr EditorViewController::selectedPalette()
{
    if (!selectablePalettes)
        return nullptr;
    const int64_t index = editorViewControllerSettings()->selectedPalette();
    if (index < 0 || size_t(index) >= selectablePalettes->size())
        return nullptr;
    return (*selectablePalettes)[size_t(index)];
}

void EditorViewController::viewDidLoad()
{
    if (mosavo) {
        mosavo->setDatasource(this);
        connect(mosavo, &Mosavo::colorPicked, this, [this](int64_t slot) { choosePaintSlot(int(slot)); });
    }
    if (tileCollection)
        tileCollection->setTileCollectionDelegate(this);
    if (selectableColorsOutlet)
        selectableColorsOutlet->setBoxSelectorDelegate(this);
    if (selectablePalettesOutlet)
        selectablePalettesOutlet->setBoxSelectorDelegate(this);
    if (generalSelectableColorsOutlet)
        generalSelectableColorsOutlet->setBoxSelectorDelegate(this);
}

void EditorViewController::setup()
{
    log().i(QStringLiteral("Request to update views"));
    const SettingsPtr settings = editorViewControllerSettings();
    const TileDataPtr tileData = settings->tileData();
    if (!tileData) {
        log().i(QStringLiteral("Cannot call update without specifying needed parameters"));
        log().i(QStringLiteral("tileDataType and tileData are needed before updating"));
        return;
    }
    tileDataType = tileData->consoleType();

    std::vector<PalettePtr> palettes;
    if (selectablePalettes) {
        palettes = *selectablePalettes;
    } else {
        PalettePtr first = selectedPalette();
        palettes.push_back(first ? first : std::make_shared<NESPalette>());
        for (int i = 1; i < 8; ++i)
            palettes.push_back(std::make_shared<NESPalette>());
    }
    // The sub-palette and the paint slot chosen before stay chosen when they still exist; every selector, the
    // editor and this controller then agree on them.
    const int64_t current
        = previouslySetSelectablePalette >= 0 && size_t(previouslySetSelectablePalette) < palettes.size()
        ? previouslySetSelectablePalette
        : 0;
    const int slot = mosavo      ? int(std::clamp<int64_t>(mosavo->colorFromPalette(), 0, 3))
        : selectableColorsOutlet ? std::clamp(selectableColorsOutlet->currentBoxSelected(), 0, 3)
                                 : 0;
    previouslySetSelectablePalette = current;
    const PalettePtr palette = palettes.empty() ? std::make_shared<NESPalette>() : palettes[size_t(current)];
    if (setupPaletteSelectorsForControllersOutlets(palette, palettes, std::make_shared<GeneralNESColorPalette>()))
        showCurrentSubPalette(int(current), slot);
    setupMosavo(palette);
    if (mosavo && selectableColorsOutlet)
        mosavo->setColorFromPalette(selectableColorsOutlet->currentBoxSelected());
    setupEditorViewControllerSettings();
    pixelsPerTile = 8;

    std::weak_ptr<TileData> pending = tileData;
    QTimer::singleShot(0, this, [this, pending] {
        if (auto data = pending.lock(); data && tileCollection)
            tileCollection->configure(data);
    });
    emit colorsChanged();
    emit contentReloaded();
}

void EditorViewController::choosePaintSlot(int slot)
{
    if (!selectableColorsOutlet || !selectablePalettesOutlet || slot < 0 || slot > 3)
        return;
    selectableColorsOutlet->showPick({ slot, 0 });
    colorSelectorPicked({ 0, slot });
}

void EditorViewController::chooseSubPalette(int number)
{
    if (!selectablePalettesOutlet || !selectableColorsOutlet)
        return;
    const int count = int(selectablePalettesOutlet->palettes().size());
    if (number < 0 || number >= count)
        return;
    const int perRow = std::max(1, selectablePalettesOutlet->palettesPerRow());
    const int size = std::max(1, selectablePalettesOutlet->boxesPerRow() / perRow);
    selectablePalettesOutlet->showPick({ (number % perRow) * size, number / perRow });
    paletteSelectorPicked({ number, 0 });
}

void EditorViewController::stepSubPalette(int delta)
{
    const int count = selectablePalettesOutlet ? int(selectablePalettesOutlet->palettes().size()) : 0;
    if (count > 0)
        chooseSubPalette(((currentSubPalette() + delta) % count + count) % count);
}

void EditorViewController::showCurrentSubPalette(int number, int slot)
{
    const auto &palettes = selectablePalettesOutlet->palettes();
    if (number < 0 || size_t(number) >= palettes.size())
        return;
    const int perRow = std::max(1, selectablePalettesOutlet->palettesPerRow());
    const int size = std::max(1, selectablePalettesOutlet->boxesPerRow() / perRow);
    selectablePalettesOutlet->selectPalette(number);
    selectablePalettesOutlet->showPick({ (number % perRow) * size + slot, number / perRow });
    selectableColorsOutlet->setPalettes({ palettes[size_t(number)] });
    selectableColorsOutlet->showPick({ slot, 0 });
    selectablePalettesOutlet->selectBox(slot);
    selectableColorsOutlet->selectBox(slot);
    previouslySetSelectablePalette = number;
    preselectMasterColor();
}

void EditorViewController::preselectMasterColor()
{
    if (!generalSelectableColorsOutlet || !selectableColorsOutlet)
        return;
    const PalettePtr shown = selectableColorsOutlet->paletteSelected();
    const int slot = selectableColorsOutlet->currentBoxSelected();
    const int boxesPerRow = generalSelectableColorsOutlet->boxesPerRow();
    if (!shown || boxesPerRow <= 0 || slot < 0 || size_t(slot) >= shown->palette().size())
        return;
    const int64_t position = GeneralNESColorPalette::colorNumber(shown->palette()[size_t(slot)].colorCode);
    generalSelectableColorsOutlet->setSelectedColor(int(position % boxesPerRow), int(position / boxesPerRow));
    generalSelectableColorsOutlet->redraw();
}

void EditorViewController::setViewerShowsSubPalette(bool on)
{
    viewerShowsSubPalette_ = on;
    if (tileCollection)
        tileCollection->setDisplayPalette(on && mosavo ? mosavo->colorPalette() : nullptr);
}

void EditorViewController::setViewerShowsSprites8x16(bool on)
{
    if (tileCollection)
        tileCollection->setArrangement(on ? TileArrangement::sprites8x16 : TileArrangement::rows8x8);
}

bool EditorViewController::viewerShowsSprites8x16() const
{
    return tileCollection && tileCollection->arrangement() == TileArrangement::sprites8x16;
}

QString EditorViewController::tileDataSummary()
{
    const TileDataPtr tileData = editorViewControllerSettings()->tileData();
    if (!tileData)
        return {};
    QString tiles = tilesText(tileData->totalNumberTiles());
    if (ConsoleDataFactory::byteShift(*tileData) != 0)
        tiles += QStringLiteral(" from byte %1").arg(tileByteOffset());
    const auto header = tileData->header() ? INesHeader::parse(*tileData->header()) : std::nullopt;
    if (!header)
        return QStringLiteral("CHR data \u00b7 ") + tiles;
    QString text = QStringLiteral("%1 ROM \u00b7 %2 \u00b7 PRG %3 \u00d7 16 KiB \u00b7 ")
                       .arg(header->nes2 ? QStringLiteral("NES 2.0") : QStringLiteral("iNES"))
                       .arg(tiles)
                       .arg(header->prgBanks());
    text += header->chrBytes == 0 ? QStringLiteral("CHR-RAM")
                                  : QStringLiteral("CHR %1 \u00d7 8 KiB").arg(header->chrBanks());
    text += QStringLiteral(" \u00b7 mapper %1").arg(header->mapper);
    if (header->trainer)
        text += QStringLiteral(" \u00b7 trainer");
    return text;
}

std::optional<QString> EditorViewController::tileDataWarning()
{
    const TileDataPtr tileData = editorViewControllerSettings()->tileData();
    const auto header = tileData && tileData->header() ? INesHeader::parse(*tileData->header()) : std::nullopt;
    if (!header)
        return std::nullopt;
    // The size of the tiles as bytes, without making them when the collection can tell (a large ROM is not copied).
    size_t size = 0;
    if (const auto *collection = dynamic_cast<const NESTileDataCollection *>(tileData.get()))
        size = collection->formattedSize();
    else if (const auto bytes = tileData->consoleFormattedPixelData())
        size = bytes->size();
    const auto warning = header->sizeWarning(size);
    if (!warning)
        return std::nullopt;
    return QString::fromStdString(*warning);
}

std::optional<int64_t> EditorViewController::chrRomStartTile()
{
    const TileDataPtr tileData = editorViewControllerSettings()->tileData();
    if (!tileData || !tileData->header())
        return std::nullopt;
    const auto header = INesHeader::parse(*tileData->header());
    // Tiles read from a byte shift do not line up with CHR-ROM.
    if (!header || header->chrBytes == 0 || ConsoleDataFactory::byteShift(*tileData) != 0)
        return std::nullopt;
    const auto tile = int64_t(header->chrOffsetAfterHeader() / 16);
    if (tile >= tileData->totalNumberTiles())
        return std::nullopt;
    return tile;
}

void EditorViewController::setupMosavo(PalettePtr colorSelector)
{
    if (mosavo)
        mosavo->setTileData(editorViewControllerSettings()->tileData());
    if (mosavo)
        mosavo->setColorPalette(std::move(colorSelector));
}

void EditorViewController::setupEditorViewControllerSettings()
{
    editorViewControllerSettings()->setPalettes(selectablePalettes);
}

bool EditorViewController::setupPaletteSelectorsForControllersOutlets(
    PalettePtr colorSelector, std::vector<PalettePtr> paletteSelector, PalettePtr generalColorSelector)
{
    if (!selectableColorsOutlet || !selectablePalettesOutlet || !generalSelectableColorsOutlet)
        return false;
    selectableColorsOutlet->setPalettes({ colorSelector });
    selectablePalettesOutlet->setPalettes(paletteSelector);
    generalSelectableColorsOutlet->setPalettes({ std::move(generalColorSelector) });
    selectableColorsOutlet->resetToOriginallySelectedItem();
    selectablePalettesOutlet->resetToOriginallySelectedItem();
    generalSelectableColorsOutlet->redraw();

    // The master colour in slot 0 of the sub-palette shown (the first one unless another is current).
    const PalettePtr first = colorSelector ? colorSelector
        : paletteSelector.empty()          ? nullptr
                                           : paletteSelector.front();
    if (first && !first->palette().empty()) {
        const int boxesPerRow = generalSelectableColorsOutlet->boxesPerRow();
        const int64_t position = GeneralNESColorPalette::colorNumber(first->palette().front().colorCode);
        if (boxesPerRow > 0)
            generalSelectableColorsOutlet->setSelectedColor(int(position % boxesPerRow), int(position / boxesPerRow));
    } else {
        generalSelectableColorsOutlet->randomlySelectColor();
    }
    selectablePalettes = std::move(paletteSelector);
    generalSelectableColorsOutlet->redraw();
    // The swatches show the new colours at once.
    selectableColorsOutlet->redraw();
    selectablePalettesOutlet->redraw();
    return true;
}

void EditorViewController::deselectAllTools()
{
    for (const auto &[button, tool] : toolButtons())
        if (button)
            button->setChecked(false);
}

std::vector<std::pair<QPointer<QAbstractButton>, ToolType>> EditorViewController::toolButtons() const
{
    return { { toolPencil, ToolType::pencil }, { toolStraightLine, ToolType::straightLine },
        { toolFill, ToolType::fillBucket }, { toolBoxEmpty, ToolType::boxEmpty },
        { toolBoxFilled, ToolType::boxFilled }, { toolCircleEmpty, ToolType::circleEmpty },
        { toolCircleFilled, ToolType::circleFilled } };
}

void EditorViewController::changeZoomSize(QComboBox *sender)
{
    const QString title = sender ? sender->currentText() : QString();
    ZoomSize zoom = ZoomSize::x4;
    if (title == QLatin1String("x1"))
        zoom = ZoomSize::x1;
    else if (title == QLatin1String("x2"))
        zoom = ZoomSize::x2;
    if (mosavo)
        mosavo->setZoomSize(zoom);
    if (tileCollection)
        tileCollection->setZoomSize(zoom);
}

void EditorViewController::toolSelected(QAbstractButton *sender)
{
    deselectAllTools();
    for (const auto &[button, tool] : toolButtons()) {
        if (button && button == sender) {
            button->setChecked(true);
            if (mosavo)
                mosavo->setToolType(tool);
            emit toolChanged(tool);
            return;
        }
    }
}

void EditorViewController::updateLineColor(QAbstractButton *sender)
{
    const QString title = sender ? sender->text().remove(QLatin1Char('&')).toLower() : QString();
    QColor color = Qt::black;
    if (title == QLatin1String("gray"))
        color = Qt::gray;
    else if (title == QLatin1String("white"))
        color = Qt::white;
    if (mosavo)
        mosavo->setLineColorBetweenTiles(color);
}

void EditorViewController::selected(TileCollection *, const std::vector<std::vector<int64_t>> &rows)
{
    std::vector<int64_t> flat;
    for (const auto &row : rows)
        flat.insert(flat.end(), row.begin(), row.end());
    if (mosavo)
        mosavo->setTileIDs(std::move(flat));
    if (mosavo && mosavo->update())
        systemLog("Could not update mosavo in TileCollectionDelegate");
    emit tileSelectionChanged();
}

void EditorViewController::updated(Mosavo *, TileDataPtr tileData, const std::vector<int64_t> &numbers)
{
    if (!tileCollection) {
        log().w(QStringLiteral("WARN: No tile viewer set"));
        return;
    }
    std::vector<int64_t> changed;
    std::vector<MatrixPtr> tiles;
    if (tileData) {
        const auto &edited = tileData->matrices();
        for (size_t i = 0; i < numbers.size() && i < edited.size(); ++i) {
            changed.push_back(numbers[i]);
            tiles.push_back(edited[i]);
        }
    }
    replaceTiles(changed, tiles, QStringLiteral("Paint"));
}

void EditorViewController::replaceTiles(
    const std::vector<int64_t> &numbers, const std::vector<MatrixPtr> &tiles, const QString &text)
{
    const TileDataPtr document = editorViewControllerSettings()->tileData();
    if (!document)
        return;
    const auto &target = document->matrices();
    std::vector<int64_t> changed;
    std::vector<MatrixPtr> after;
    for (size_t i = 0; i < numbers.size() && i < tiles.size(); ++i) {
        const int64_t number = numbers[i];
        // Filler squares (no tile number) and missing tiles are never written.
        if (number < 0 || size_t(number) >= target.size() || !tiles[i])
            continue;
        if (target[size_t(number)] && *target[size_t(number)] == *tiles[i])
            continue;
        if (std::find(changed.begin(), changed.end(), number) != changed.end())
            continue;
        changed.push_back(number);
        after.push_back(tiles[i]);
    }
    if (changed.empty()) {
        if (tileCollection)
            tileCollection->updateModifiedTileIDs({});
        return;
    }
    undoStack_.push(new ReplaceTilesCommand(this, document, std::move(changed), std::move(after), text));
}

void EditorViewController::tilesChanged(const std::vector<int64_t> &numbers)
{
    if (tileCollection)
        tileCollection->updateModifiedTileIDs(numbers);
    if (!mosavo)
        return;
    const auto &shown = mosavo->tileIDs();
    for (int64_t number : numbers)
        if (std::find(shown.begin(), shown.end(), number) != shown.end()) {
            mosavo->update();
            return;
        }
}

void EditorViewController::palettesChanged()
{
    if (selectablePalettesOutlet)
        selectablePalettesOutlet->redraw();
    if (selectableColorsOutlet)
        selectableColorsOutlet->redraw();
    if (mosavo)
        mosavo->QWidget::update();
    emit colorsChanged();
}

void EditorViewController::replaceTileData(TileDataPtr tileData, std::optional<std::string> sourceFile)
{
    if (tileData)
        undoStack_.push(new ReplaceTileDataCommand(
            this, editorViewControllerSettings(), std::move(tileData), std::move(sourceFile)));
}

size_t EditorViewController::tileByteShift()
{
    const TileDataPtr tileData = editorViewControllerSettings()->tileData();
    return tileData ? ConsoleDataFactory::byteShift(*tileData) : 0;
}

uint64_t EditorViewController::tileByteOffset()
{
    const TileDataPtr tileData = editorViewControllerSettings()->tileData();
    if (!tileData)
        return 0;
    return (tileData->header() ? tileData->header()->size() : 0) + ConsoleDataFactory::byteShift(*tileData);
}

bool EditorViewController::setTileByteShift(size_t shift)
{
    const TileDataPtr tileData = editorViewControllerSettings()->tileData();
    if (!tileData || shift == ConsoleDataFactory::byteShift(*tileData))
        return false;
    // The bytes as they are now, edits included, read again from the new shift: every byte of the file stays.
    const auto bytes = tileData->consoleFormattedPixelData();
    TileDataPtr shifted = bytes ? ConsoleDataFactory::generate(*bytes, shift) : nullptr;
    if (!shifted)
        return false;
    undoStack_.push(new ReplaceTileDataCommand(this, editorViewControllerSettings(), std::move(shifted),
        editorViewControllerSettings()->sourceFile(), QStringLiteral("Byte Offset")));
    return true;
}

void EditorViewController::replacePalettes(std::vector<PalettePtr> palettes)
{
    undoStack_.push(new ReplacePalettesCommand(this, editorViewControllerSettings(), std::move(palettes)));
}

void EditorViewController::selected(BoxSelector *boxSelector, PalettePick palette, BoxPosition boxSelected)
{
    BoxSelectorProtocol *protocol = boxSelector ? boxSelector->boxSelectorProtocol() : nullptr;
    if (!protocol || !selectableColorsOutlet || !selectablePalettesOutlet || !generalSelectableColorsOutlet) {
        log().e(QStringLiteral("Box selector delegate was not set properly"));
        return;
    }
    if (boxSelector == selectableColorsOutlet)
        colorSelectorPicked(palette);
    else if (boxSelector == selectablePalettesOutlet)
        paletteSelectorPicked(palette);
    else if (boxSelector == generalSelectableColorsOutlet)
        generalColorSelectorPicked(*protocol, boxSelected);
}

void EditorViewController::colorSelectorPicked(PalettePick palette)
{
    log().i(QStringLiteral("Updated Color Selector"));
    selectablePalettesOutlet->selectBox(palette.box);
    selectableColorsOutlet->selectBox(palette.box);
    selectablePalettesOutlet->redraw();
    selectableColorsOutlet->redraw();
    if (mosavo && mosavo->setColorFromPalette(palette.box))
        systemLog("Failed to set color palette");
}

void EditorViewController::paletteSelectorPicked(PalettePick palette)
{
    log().i(QStringLiteral("Updated Selectable Palettes Selector"));
    const auto &palettes = selectablePalettesOutlet->palettes();
    if (palette.number < 0 || size_t(palette.number) >= palettes.size())
        return;
    const PalettePtr chosen = palettes[size_t(palette.number)];
    // The colour selector always shows the chosen sub-palette, also when the number is the one chosen before.
    selectableColorsOutlet->setPalettes({ chosen });
    previouslySetSelectablePalette = palette.number;
    selectablePalettesOutlet->selectPalette(palette.number);
    selectablePalettesOutlet->redraw();
    if (mosavo) {
        mosavo->setColorPalette(chosen);
        if (mosavo->update()) {
            systemLog("could not update mosavo");
            return;
        }
    }
    selectableColorsOutlet->redraw();
    emit colorsChanged();
}

void EditorViewController::generalColorSelectorPicked(BoxSelectorProtocol &protocol, BoxPosition boxSelected)
{
    log().i(QStringLiteral("Updated General Color Selector"));
    const int64_t index = int64_t(protocol.boxesPerRow()) * boxSelected.y + boxSelected.x;
    const PalettePtr master = generalSelectableColorsOutlet->paletteSelected();
    // The one current sub-palette: the palette selector's choice, which the colour selector and the editor show.
    const PalettePtr target = selectablePalettesOutlet->paletteSelected();
    const int slot = selectableColorsOutlet->currentBoxSelected();
    if (!master || index < 0 || size_t(index) >= master->palette().size() || !target || slot < 0
        || size_t(slot) >= target->palette().size()) {
        log().w(QStringLiteral("Failed: selectedBoxSelectablePalette"));
        return;
    }
    const ColorEntry entry = master->palette()[size_t(index)];
    if (target->palette()[size_t(slot)] != entry)
        undoStack_.push(
            new SetPaletteEntryCommand(this, { { target, size_t(slot), target->palette()[size_t(slot)] } }, entry));
    selectablePalettesOutlet->update(selectablePalettesOutlet->currentPaletteSelected(), target);
    selectableColorsOutlet->update(0, target);
    palettesChanged();
}

void EditorViewController::markTileEditsSaved()
{
    const int clean = undoStack_.cleanIndex();
    const int now = undoStack_.index();
    if (clean < 0)
        return;
    for (int i = std::min(clean, now); i < std::max(clean, now); ++i)
        if (!dynamic_cast<const ReplaceTilesCommand *>(undoStack_.command(i)))
            return;
    undoStack_.setClean();
}

} // namespace kestova
