#pragma once

#include "core/FrameRenderer.h"
#include "core/LevelMap.h"
#include "core/MetatileSet.h"
#include "core/PatternTables.h"

#include <QImage>
#include <QPoint>
#include <QWidget>

namespace mosavo {

// A level map drawn as the console shows each room (the frame renderer's colour numbers in the display colours), at
// 1x-4x, with a grid of metatiles, the rooms' boundaries and an overlay of each cell's behaviour byte. It only draws
// and turns the mouse into cells: the owner changes the map.
class LevelMapView : public QWidget
{
    Q_OBJECT

public:
    explicit LevelMapView(QWidget *parent = nullptr);

    // The level to show; drawn again at once.
    void setLevel(
        const PatternTables &patterns, const LevelMap &map, const MetatileSet &set, const PaletteBytes &palette);
    const LevelMap &map() const { return map_; }

    int scale() const { return scale_; }
    void setScale(int scale);
    bool showsGrid() const { return grid_; }
    void setShowsGrid(bool shown);
    bool showsBehaviour() const { return behaviour_; }
    void setShowsBehaviour(bool shown);

    // The widget rectangle of map cell (column, row), and the cell under a point ((-1, -1) outside the map).
    QRect cellRect(int column, int row) const;
    QPoint cellAt(QPoint position) const;
    // The cells of the rectangle being dragged with Shift held, shown outlined (empty when none).
    void setDraggedRectangle(const QRect &cells);

    QSize sizeHint() const override;

signals:
    // A button pressed on a cell (with the keys held), the pointer moved onto another cell while a button is held,
    // and the button let go over a cell (the last one reached when outside).
    void cellPressed(int column, int row, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    void cellDragged(int column, int row);
    void cellReleased(int column, int row);
    // The pointer over a cell, held or not.
    void cellHovered(int column, int row);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    LevelMap map_;
    MetatileSet set_;
    QImage image_;
    int scale_ = 2;
    bool grid_ = true;
    bool behaviour_ = false;
    bool held_ = false;
    QPoint lastCell_ { -1, -1 };
    QRect dragged_;
};

} // namespace mosavo
