#pragma once

#include "selectors/BoxSelector.h"

namespace mosavo {

// The layout and highlighting a selector starts with.
struct BoxSelectorLayout
{
    bool boxHighlighter = false;
    bool paletteHighlighter = false;
    int palettesPerRow = 1;
    int boxesPerRow = 4;
    int numberOfRows = 1;
};

// A box selector that keeps its own settings and is its own BoxSelectorProtocol: the common ground of ColorSelector,
// PaletteSelector and GeneralColorSelector, which differ only in their starting layout. Every member is settable.
class StandardBoxSelector : public BoxSelector, public BoxSelectorProtocol
{
    Q_OBJECT

public:
    // Both names stay usable: the protocol's update(paletteNumber, withPalette) and QWidget's repaint requests.
    using BoxSelectorProtocol::update;
    using QWidget::update;

    const std::vector<PalettePtr> &palettes() const override { return palettes_; }
    void setPalettes(std::vector<PalettePtr> palettes) override { palettes_ = std::move(palettes); }
    bool boxHighlighter() const override { return layout_.boxHighlighter; }
    void setBoxHighlighter(bool on) { layout_.boxHighlighter = on; }
    bool paletteHighlighter() const override { return layout_.paletteHighlighter; }
    void setPaletteHighlighter(bool on) { layout_.paletteHighlighter = on; }
    int palettesPerRow() const override { return layout_.palettesPerRow; }
    void setPalettesPerRow(int count) { layout_.palettesPerRow = count; }
    int boxesPerRow() const override { return layout_.boxesPerRow; }
    void setBoxesPerRow(int count) { layout_.boxesPerRow = count; }
    int currentPaletteSelected() const override { return currentPaletteSelected_; }
    void setCurrentPaletteSelected(int paletteNumber) override { currentPaletteSelected_ = paletteNumber; }
    int currentBoxSelected() const override { return currentBoxSelected_; }
    void setCurrentBoxSelected(int boxNumber) override { currentBoxSelected_ = boxNumber; }
    int numberOfRows() const override { return layout_.numberOfRows; }
    void setNumberOfRows(int count) { layout_.numberOfRows = count; }

    // currentBoxSelected = currentPaletteSelected = 0 and boxSelected = (0, 0); the last pick's palette and box stay.
    // Does not repaint.
    void resetToOriginallySelectedItem() override;

    // Moves the visual pick (the highlight) to a box without a click, e.g. for a keyboard choice, and repaints. Like
    // every programmatic selection it reports nothing.
    void showPick(BoxPosition position);

protected:
    StandardBoxSelector(BoxSelectorLayout layout, QWidget *parent);

    double viewWidth() const override { return width(); }
    double viewHeight() const override { return height(); }
    void scheduleRepaint() override { QWidget::update(); }

private:
    std::vector<PalettePtr> palettes_;
    BoxSelectorLayout layout_;
    int currentPaletteSelected_ = 0;
    int currentBoxSelected_ = 0;
};

} // namespace mosavo
