#pragma once

#include "editor/ZoomSize.h"

#include <QSize>
#include <QWidget>

namespace mosavo {

class Mosavo;

// The space the pixel editor grows in. It keeps its one Mosavo child the largest square that fits, centred, whose
// side gives every pixel of the block a whole number of screen pixels: a multiple of 32 (the pixels a side of a block
// of 4 x 4 tiles), so that the editor keeps its size when the block size changes between 1 x 1 and 4 x 4, or of the
// block's pixels a side for larger blocks. The editor is laid out again when the area is resized and when its zoom
// changes.
class MosavoArea : public QWidget
{
    Q_OBJECT

public:
    explicit MosavoArea(QWidget *parent = nullptr);

    // The editor laid out here: the first Mosavo child (null without one).
    Mosavo *mosavo() const;
    // The side of the editor in an area of that size at that zoom: a multiple of max(32, 8 x tiles per side) when
    // the area holds one, otherwise the largest multiple of the block's pixels a side that fits (at least one pixel
    // each).
    static int editorSideFor(QSize area, ZoomSize zoom);
    // Places the editor now.
    void layOutEditor();

    QSize sizeHint() const override { return { 512, 512 }; }
    QSize minimumSizeHint() const override { return { 128, 128 }; }

protected:
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
};

} // namespace mosavo
