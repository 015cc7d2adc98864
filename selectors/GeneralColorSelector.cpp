#include "selectors/GeneralColorSelector.h"

#include "editor/MosavoLogging.h"
#include "palette/Random.h"

namespace mosavo {

GeneralColorSelector::GeneralColorSelector(QWidget *parent)
    : StandardBoxSelector({ .boxHighlighter = false,
                              .paletteHighlighter = false,
                              .palettesPerRow = 1,
                              .boxesPerRow = 4,
                              .numberOfRows = 16 },
        parent)
{ }

void GeneralColorSelector::setSelectedColor(int x, int y)
{
    const int rows = numberOfRows();
    if (x < 0 || y < 0 || x > rows || y > rows) {
        qCInfo(mosavoLog).noquote() << "Failed";
        return;
    }
    setBoxSelected({ x, y });
}

void GeneralColorSelector::randomlySelectColor()
{
    setBoxSelected({ int(randomUniform(boxesPerRow())), int(randomUniform(numberOfRows())) });
}

} // namespace mosavo
