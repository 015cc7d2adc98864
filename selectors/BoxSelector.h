#pragma once

#include "selectors/BoxPick.h"
#include "selectors/BoxSelectorDelegate.h"
#include "selectors/BoxSelectorProtocol.h"

#include <QPointer>
#include <QWidget>

namespace mosavo {

// A non-owning link to an interface. When the object behind it is a QObject the link clears itself when that object
// is destroyed; otherwise whoever sets the link must unset it before the object goes away.
template<class Interface>
class WeakInterfaceLink
{
public:
    void reset(Interface *target)
    {
        target_ = target;
        guard_ = dynamic_cast<QObject *>(target);
        guarded_ = !guard_.isNull();
    }
    Interface *get() const { return guarded_ && guard_.isNull() ? nullptr : target_; }

private:
    Interface *target_ = nullptr;
    QPointer<QObject> guard_;
    bool guarded_ = false;
};

// A grid of coloured boxes, one run of boxes per palette, from which the user picks one box with the left mouse
// button. The layout and highlighting come from the linked BoxSelectorProtocol; picks go to the BoxSelectorDelegate.
//
// Drawing: boxes left to right, wrapping to the next row at the right edge; after `palettesPerRow` palettes the next
// palette starts a row lower. With `boxHighlighter` the picked box is outlined in red, with `paletteHighlighter` the
// palette holding it. Without a delegate or a protocol link the view logs "BoxSelectorDelegate not set" or
// "BoxSelectorProtocol not set" and draws nothing.
//
// A click computes the pick, schedules a repaint and reports the pick once to the delegate. Repaints themselves (a
// resize, first display, redraw()) never report.
class BoxSelector : public QWidget
{
    Q_OBJECT

public:
    explicit BoxSelector(QWidget *parent = nullptr);

    // Where the settings come from (weak). The concrete selectors point it at themselves.
    BoxSelectorProtocol *boxSelectorProtocol() const { return protocol_.get(); }
    void setBoxSelectorProtocol(BoxSelectorProtocol *protocol) { protocol_.reset(protocol); }

    // The receiver of picks (weak).
    BoxSelectorDelegate *boxSelectorDelegate() const { return delegate_.get(); }
    void setBoxSelectorDelegate(BoxSelectorDelegate *delegate) { delegate_.reset(delegate); }

    // Palette and box of the last pick.
    PalettePick palettePick() const { return palette_; }
    // Column and row of the picked box in the box grid.
    BoxPosition boxSelected() const { return boxSelected_; }

protected:
    void setBoxSelected(BoxPosition position) { boxSelected_ = position; }

    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    // The protocol when both links are set; otherwise logs which one is missing and returns null.
    BoxSelectorProtocol *linkedProtocol() const;

    WeakInterfaceLink<BoxSelectorProtocol> protocol_;
    WeakInterfaceLink<BoxSelectorDelegate> delegate_;
    PalettePick palette_;
    BoxPosition boxSelected_;
};

} // namespace mosavo
