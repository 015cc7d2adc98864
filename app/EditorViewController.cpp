#include "app/EditorViewController.h"

#include "core/SystemLog.h"
#include "log/Log.h"
#include "palette/NESColors.h"
#include "palette/NESPalette.h"

#include <QTimer>

namespace kestova {

using namespace mosavo;

EditorViewController::EditorViewController(QWidget *parent)
    : QWidget(parent)
{
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
    if (mosavo)
        mosavo->setDatasource(this);
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

    PalettePtr palette = selectedPalette();
    if (!palette)
        palette = std::make_shared<NESPalette>();
    std::vector<PalettePtr> palettes;
    if (selectablePalettes) {
        palettes = *selectablePalettes;
    } else {
        palettes.push_back(palette);
        for (int i = 1; i < 8; ++i)
            palettes.push_back(std::make_shared<NESPalette>());
    }
    setupPaletteSelectorsForControllersOutlets(palette, palettes, std::make_shared<GeneralNESColorPalette>());
    setupMosavo(palette);
    setupEditorViewControllerSettings();
    pixelsPerTile = 8;

    std::weak_ptr<TileData> pending = tileData;
    QTimer::singleShot(0, this, [this, pending] {
        if (auto data = pending.lock(); data && tileCollection)
            tileCollection->configure(data);
    });
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

bool EditorViewController::setupPaletteSelectorsForControllersOutlets(PalettePtr colorSelector,
                                                                      std::vector<PalettePtr> paletteSelector,
                                                                      PalettePtr generalColorSelector)
{
    if (!selectableColorsOutlet || !selectablePalettesOutlet || !generalSelectableColorsOutlet)
        return false;
    selectableColorsOutlet->setPalettes({ std::move(colorSelector) });
    selectablePalettesOutlet->setPalettes(paletteSelector);
    generalSelectableColorsOutlet->setPalettes({ std::move(generalColorSelector) });
    selectableColorsOutlet->resetToOriginallySelectedItem();
    selectablePalettesOutlet->resetToOriginallySelectedItem();
    generalSelectableColorsOutlet->redraw();

    const PalettePtr first = paletteSelector.empty() ? nullptr : paletteSelector.front();
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
    // The paint slot follows the reset colour selector.
    if (mosavo && selectableColorsOutlet)
        mosavo->setColorFromPalette(selectableColorsOutlet->currentBoxSelected());
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
    return { { toolPencil, ToolType::pencil },           { toolStraightLine, ToolType::straightLine },
             { toolFill, ToolType::fillBucket },         { toolBoxEmpty, ToolType::boxEmpty },
             { toolBoxFilled, ToolType::boxFilled },     { toolCircleEmpty, ToolType::circleEmpty },
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
}

void EditorViewController::updated(Mosavo *, TileDataPtr tileData, const std::vector<int64_t> &numbers)
{
    if (!tileCollection) {
        log().w(QStringLiteral("WARN: No tile viewer set"));
        return;
    }
    const TileDataPtr document = editorViewControllerSettings()->tileData();
    std::vector<int64_t> changed;
    if (document && tileData) {
        auto &target = document->matrices();
        const auto &edited = tileData->matrices();
        for (size_t i = 0; i < numbers.size() && i < edited.size(); ++i) {
            const int64_t number = numbers[i];
            // Filler squares (no tile number) and missing tiles are never written.
            if (number < 0 || size_t(number) >= target.size() || !edited[i])
                continue;
            if (target[size_t(number)] && *target[size_t(number)] == *edited[i])
                continue;
            target[size_t(number)] = edited[i];
            changed.push_back(number);
        }
    }
    tileCollection->updateModifiedTileIDs(changed);
    if (!changed.empty())
        emit contentChanged();
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
    if (palette.number != previouslySetSelectablePalette) {
        selectableColorsOutlet->setPalettes({ chosen });
        previouslySetSelectablePalette = palette.number;
    }
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
}

void EditorViewController::generalColorSelectorPicked(BoxSelectorProtocol &protocol, BoxPosition boxSelected)
{
    log().i(QStringLiteral("Updated General Color Selector"));
    const int64_t index = int64_t(protocol.boxesPerRow()) * boxSelected.y + boxSelected.x;
    const PalettePtr master = generalSelectableColorsOutlet->paletteSelected();
    const PalettePtr target = selectablePalettesOutlet->paletteSelected();
    const PalettePtr shown = selectableColorsOutlet->paletteSelected();
    const int slot = selectableColorsOutlet->currentBoxSelected();
    if (!master || index < 0 || size_t(index) >= master->palette().size() || !target || !shown || slot < 0
        || size_t(slot) >= target->palette().size() || size_t(slot) >= shown->palette().size()) {
        log().w(QStringLiteral("Failed: selectedBoxSelectablePalette"));
        return;
    }
    const ColorEntry entry = master->palette()[size_t(index)];
    const bool changes = target->palette()[size_t(slot)] != entry || shown->palette()[size_t(slot)] != entry;

    auto entries = target->palette();
    entries[size_t(slot)] = entry;
    target->setPalette(entries);
    selectablePalettesOutlet->update(selectablePalettesOutlet->currentPaletteSelected(), target);
    auto shownEntries = shown->palette();
    shownEntries[size_t(slot)] = entry;
    shown->setPalette(shownEntries);
    selectableColorsOutlet->update(0, shown);
    selectablePalettesOutlet->redraw();
    selectableColorsOutlet->redraw();
    // The editor shares the sub-palette object: a repaint shows the new colour.
    if (mosavo)
        mosavo->QWidget::update();
    if (changes)
        emit contentChanged();
}

} // namespace kestova
