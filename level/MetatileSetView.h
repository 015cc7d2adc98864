#pragma once

#include "core/FrameRenderer.h"
#include "core/MetatileSet.h"
#include "core/PatternTables.h"

#include <QImage>
#include <QWidget>

#include <vector>

namespace mosavo {

// The metatiles of a set drawn as the console would, 16 to a row at 2x, the chosen one outlined and the unused ones
// (that no map shows) crossed out. A click chooses a metatile.
class MetatileSetView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int columns = 16;
    static constexpr int cellSide = 32;

    explicit MetatileSetView(QWidget *parent = nullptr);

    void setSet(const PatternTables &patterns, const MetatileSet &set, const PaletteBytes &palette);
    int metatileCount() const { return count_; }
    // The chosen metatile (-1 for none).
    int chosen() const { return chosen_; }
    void setChosen(int metatile);
    // used[i]: whether metatile i is on some map.
    void setUsed(std::vector<bool> used);
    QRect metatileRect(int metatile) const;

    QSize sizeHint() const override;

signals:
    void metatileChosen(int metatile);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QImage image_;
    int count_ = 0;
    int chosen_ = -1;
    std::vector<bool> used_;
};

} // namespace mosavo
