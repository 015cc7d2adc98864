#include "selectors/BoxPick.h"

#include <gtest/gtest.h>

#include <limits>

using namespace mosavo;

TEST(BoxPick, MapsGridPositionsToPaletteAndBox)
{
    struct Case
    {
        BoxPosition position;
        int palettesPerRow, boxesPerRow, paletteSize;
        PalettePick expected;
    };
    const Case cases[] = {
        { { 2, 5 }, 1, 4, 64, { 0, 22 } }, // master palette, four a row
        { { 3, 0 }, 1, 4, 4, { 0, 3 } }, // paint colours
        { { 9, 1 }, 4, 16, 4, { 6, 1 } }, // second row of palettes
        { { 8, 1 }, 4, 16, 4, { 6, 0 } }, { { 15, 0 }, 4, 16, 4, { 3, 3 } },
        { { 5, 0 }, 4, 16, 0, { 5, 0 } }, // an empty palette counts as size 1 instead of dividing by zero
    };
    for (const Case &c : cases) {
        const PalettePick pick = pickMapping(c.position, c.palettesPerRow, c.boxesPerRow, c.paletteSize);
        EXPECT_EQ(pick, c.expected) << c.position.x << "," << c.position.y << " gave " << pick.number << ","
                                    << pick.box;
    }
}

TEST(BoxPick, BoundariesBelongToTheBoxBeforeAndEdgesClampToTheGrid)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case
    {
        double position, boxLength;
        int boxCount, expected;
    };
    const Case cases[] = {
        { 50.0, 50.0, 4, 0 }, // exactly on the first boundary
        { 50.5, 50.0, 4, 1 },
        { 0.0, 50.0, 4, 0 }, // the leading edge itself
        { 0.25, 50.0, 4, 0 },
        { 100.0, 50.0, 4, 1 },
        { 199.9, 50.0, 4, 3 },
        { 200.0, 50.0, 4, 3 }, // trailing edge
        { 350.0, 50.0, 4, 3 }, // outside the grid
        { -7.0, 50.0, 4, 0 },
        { 35.0, 20.0, 2, 1 },
        { 12.5, 12.5, 16, 0 }, // fractional box length, on a boundary
        { 12.6, 12.5, 16, 1 },
        { 10.0, 0.0, 4, 0 }, // degenerate views and positions
        { 10.0, 50.0, 0, 0 },
        { nan, 50.0, 4, 0 },
        { std::numeric_limits<double>::infinity(), 50.0, 4, 0 },
    };
    for (const Case &c : cases)
        EXPECT_EQ(boxIndexAt(c.position, c.boxLength, c.boxCount), c.expected)
            << c.position << " in boxes of " << c.boxLength;
}
