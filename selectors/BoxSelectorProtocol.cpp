#include "selectors/BoxSelectorProtocol.h"

#include "editor/MosavoLogging.h"

namespace mosavo {

namespace {
bool isIndexOf(int index, const std::vector<PalettePtr> &palettes)
{
    return index >= 0 && size_t(index) < palettes.size();
}

void logOutsidePaletteRange()
{
    qCInfo(mosavoLog).noquote() << "Could not select palette outside of selectable range";
}
} // namespace

PalettePtr BoxSelectorProtocol::paletteSelected() const
{
    const std::vector<PalettePtr> &shown = palettes();
    const int index = currentPaletteSelected();
    return isIndexOf(index, shown) ? shown[size_t(index)] : nullptr;
}

BoxDimension BoxSelectorProtocol::boxDimension() const
{
    const int columns = boxesPerRow();
    const int rows = numberOfRows();
    return { columns > 0 ? viewWidth() / columns : 0.0, rows > 0 ? viewHeight() / rows : 0.0 };
}

void BoxSelectorProtocol::redraw()
{
    scheduleRepaint();
}

bool BoxSelectorProtocol::selectPalette(int paletteNumber)
{
    if (!isIndexOf(paletteNumber, palettes())) {
        logOutsidePaletteRange();
        return false;
    }
    setCurrentPaletteSelected(paletteNumber);
    return true;
}

bool BoxSelectorProtocol::selectBox(int boxNumber)
{
    qCInfo(mosavoLog).noquote().nospace() << "BoxNumber: " << boxNumber;
    const PalettePtr selected = paletteSelected();
    if (!selected || boxNumber < 0 || boxNumber >= selected->size()) {
        qCInfo(mosavoLog).noquote() << "Could not select box outside of selectable range";
        return false;
    }
    setCurrentBoxSelected(boxNumber);
    return true;
}

bool BoxSelectorProtocol::update(int paletteNumber, PalettePtr withPalette)
{
    std::vector<PalettePtr> shown = palettes();
    if (!isIndexOf(paletteNumber, shown)) {
        logOutsidePaletteRange();
        return false;
    }
    if (!withPalette)
        return false;
    shown[size_t(paletteNumber)] = std::move(withPalette);
    setPalettes(std::move(shown));
    return true;
}

} // namespace mosavo
