#pragma once

#include "core/FrameRenderer.h"
#include "core/Metasprite.h"
#include "core/PatternTables.h"
#include "core/Screen.h"

#include <QImage>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

namespace mosavo {

class MetaspriteEditor;

// What the metasprite editor asks of its owner: the view never changes the metasprite itself.
class MetaspriteEditorDelegate
{
public:
    virtual ~MetaspriteEditorDelegate() = default;
    // Move the sprites (positions in the metasprite) by dx, dy pixels: a drag ended or an arrow key was pressed.
    virtual void moveSprites(MetaspriteEditor *editor, const std::vector<int> &sprites, int dx, int dy) = 0;
    // The Delete key on selected sprites.
    virtual void deleteSprites(MetaspriteEditor *editor, const std::vector<int> &sprites) = 0;
    // The H or V key on selected sprites: flip them horizontally (or vertically).
    virtual void flipSprites(MetaspriteEditor *editor, const std::vector<int> &sprites, bool horizontally) = 0;
};

// A metasprite drawn as the PPU draws it (core/FrameRenderer: priority, behind-background, flips, 8x16 halves, eight
// sprites a row) in a 256 x 240 frame, magnified 2x-8x, over a grey checkerboard or over a screen. Overlays: the
// origin (a cross), the bounding box, the selected sprites, and every row on which the metasprite puts more than eight
// sprites, in red with the count at the right.
//
// A click selects the sprite under the pointer (the front one; Shift or Ctrl adds or removes it); a click on one
// sprite of a selected group, released without a drag, selects that sprite alone; a click on nothing clears the
// selection, and a drag from nothing selects the sprites a rubber band touches (Shift adds them to the selection);
// dragging a selected sprite moves the selection, the grabbed sprite snapping to multiples of snap() pixels;
// arrow keys move the selection one pixel (eight with Shift, whatever the snap); Delete deletes it, H and V flip it.
// While sprites are selected these keys are the editor's, not the window's shortcuts. Moves, deletes and flips go to
// the delegate.
class MetaspriteEditor : public QWidget
{
    Q_OBJECT

public:
    static constexpr int minimumZoom = 2;
    static constexpr int maximumZoom = 8;

    explicit MetaspriteEditor(QWidget *parent = nullptr);

    void setDelegate(MetaspriteEditorDelegate *delegate) { delegate_ = delegate; }

    // What is drawn. Each setter redraws.
    void setMetasprite(const Metasprite &metasprite);
    const Metasprite &metasprite() const { return metasprite_; }
    void setPatternTables(const PatternTables &patterns);
    void setPalette(const PaletteBytes &palette);
    void setSpriteSettings(const SpriteSettings &settings);
    const SpriteSettings &spriteSettings() const { return settings_; }
    // A screen behind the metasprite, or the checkerboard (nothing).
    void setBackground(std::optional<Screen> screen);
    bool hasBackground() const { return background_.has_value(); }
    // Where the metasprite's origin is in the frame (default 128, 120).
    void setOrigin(int x, int y);
    int originX() const { return originX_; }
    int originY() const { return originY_; }

    // Screen pixels per frame pixel, 2-8.
    void setZoom(int zoom);
    int zoom() const { return zoom_; }
    // Drags move the grabbed sprite to multiples of 1 or 8 pixels.
    void setSnap(int snap);
    int snap() const { return snap_; }

    // The selected sprites, ascending positions in the metasprite.
    const std::vector<int> &selection() const { return selection_; }
    void setSelection(std::vector<int> sprites);
    // Selects every sprite of the metasprite.
    void selectAll();
    // The rubber band being dragged out (frame pixels, corners included), or an empty rectangle.
    QRect rubberBand() const;
    // While sprites are dragged: the offset they have moved so far (after snapping); else (0, 0).
    QPoint dragOffset() const { return grabbed_ >= 0 ? dragOffset_ : QPoint(); }
    // The sprite under the pointer (-1 for none).
    int hoveredSprite() const { return hovered_; }

    // The front sprite (lowest position) whose 8 x 8 or 8 x 16 square holds the frame pixel, or -1.
    int spriteAt(int frameX, int frameY) const;
    // A widget position as a frame pixel and back (the top left of the frame pixel).
    QPoint framePoint(QPointF widgetPoint) const;
    QPointF widgetPoint(int frameX, int frameY) const;

    // The rows the metasprite overflows (frame rows), as the overlay draws them.
    const std::vector<ScanlineOverflow> &overflows() const { return overflows_; }
    // The picture as drawn, before the overlays (one pixel a frame pixel).
    const QImage &frameImage() const { return frameImage_; }

    QSize sizeHint() const override;

signals:
    void selectionChanged();
    // The pointer moved onto another sprite (or off every sprite: -1).
    void spriteHovered(int sprite);
    // A drag of the selected sprites moved them to a new offset from where they were (dx, dy frame pixels).
    void dragMoved(int dx, int dy);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // Renders the frame again (with the drag offset applied to the selection while dragging).
    void renderPicture();
    std::vector<PlacedSprite> placedSprites() const;
    // The drag offset of the grabbed sprite after snapping.
    QPoint snappedDragOffset(QPoint frame) const;
    void setHovered(int sprite);
    // The sprites whose squares meet the frame rectangle.
    std::vector<int> spritesIn(const QRect &frameRect) const;

    MetaspriteEditorDelegate *delegate_ = nullptr;
    Metasprite metasprite_;
    std::shared_ptr<PatternTables> patterns_ = std::make_shared<PatternTables>();
    PaletteBytes palette_ {};
    SpriteSettings settings_;
    std::optional<Screen> background_;
    std::optional<FramePicture> backgroundPicture_;
    int originX_ = 128;
    int originY_ = 120;
    int zoom_ = 4;
    int snap_ = 1;
    std::vector<int> selection_;
    std::vector<ScanlineOverflow> overflows_;
    QImage frameImage_;

    // A drag: the sprite grabbed, the frame pixel pressed and the current offset.
    int grabbed_ = -1;
    QPoint pressedAt_;
    QPoint dragOffset_;
    // The press was on a sprite of a selection of several: released without a drag, it selects that one alone.
    bool pressedInGroup_ = false;
    // A rubber band: where it started and where the pointer is (frame pixels), and the selection it adds to.
    bool banding_ = false;
    QPoint bandStart_;
    QPoint bandEnd_;
    std::vector<int> bandBase_;
    int hovered_ = -1;
};

} // namespace mosavo
