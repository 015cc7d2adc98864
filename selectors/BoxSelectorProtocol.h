#pragma once

#include "palette/PaletteProtocol.h"

#include <vector>

namespace mosavo {

// Width and height of one box.
struct BoxDimension
{
    double width = 0.0;
    double height = 0.0;
};

// The settings and the application's selection of a box selector. Concrete selectors keep the stored members; the
// operations below the stored members are shared by every selector and implemented here once.
//
// Two selections coexist: the visual pick of the view (BoxSelector::boxSelected / palettePick, set by the mouse) and
// the application's choice (currentPaletteSelected / currentBoxSelected, set through selectPalette, selectBox and
// resetToOriginallySelectedItem). The selector never copies one into the other; the application does.
class BoxSelectorProtocol
{
public:
    virtual ~BoxSelectorProtocol() = default;

    // Stored members.
    virtual const std::vector<PalettePtr> &palettes() const = 0;
    virtual void setPalettes(std::vector<PalettePtr> palettes) = 0;
    // Outline the picked box.
    virtual bool boxHighlighter() const = 0;
    // Outline the palette that holds the picked box.
    virtual bool paletteHighlighter() const = 0;
    // Palettes placed side by side.
    virtual int palettesPerRow() const = 0;
    // Boxes across the whole view.
    virtual int boxesPerRow() const = 0;
    virtual int currentPaletteSelected() const = 0;
    virtual void setCurrentPaletteSelected(int paletteNumber) = 0;
    virtual int currentBoxSelected() const = 0;
    virtual void setCurrentBoxSelected(int boxNumber) = 0;
    // Rows of boxes in the view.
    virtual int numberOfRows() const = 0;
    // Back to the first palette and box: the application's choice and the visual pick. Does not repaint.
    virtual void resetToOriginallySelectedItem() = 0;

    // Shared operations.

    // palettes[currentPaletteSelected]; null when there are no palettes or the index is not valid.
    PalettePtr paletteSelected() const;
    // View width / boxesPerRow by view height / numberOfRows (0 for a count below 1).
    BoxDimension boxDimension() const;
    // Schedules a repaint of the view. Never reports a pick.
    void redraw();
    // Makes `paletteNumber` the chosen palette when it names one of `palettes`; otherwise logs "Could not select
    // palette outside of selectable range" and returns false.
    bool selectPalette(int paletteNumber);
    // Logs "BoxNumber: <n>", then makes `boxNumber` the chosen box when it is a box of paletteSelected; otherwise logs
    // "Could not select box outside of selectable range" and returns false.
    bool selectBox(int boxNumber);
    // Replaces palettes[paletteNumber] by `withPalette` without repainting. An index outside `palettes` logs "Could
    // not select palette outside of selectable range"; it and an absent palette return false and change nothing.
    bool update(int paletteNumber, PalettePtr withPalette);

protected:
    // The view the settings belong to.
    virtual double viewWidth() const = 0;
    virtual double viewHeight() const = 0;
    virtual void scheduleRepaint() = 0;
};

} // namespace mosavo
