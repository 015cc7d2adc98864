#include "common/QtTestEnvironment.h"

#include "palette/NESColors.h"
#include "palette/NESPalette.h"
#include "selectors/ColorSelector.h"
#include "selectors/GeneralColorSelector.h"

#include <QHelpEvent>
#include <QSignalSpy>
#include <QToolTip>
#include <QtTest/QTest>

#include <gtest/gtest.h>

using namespace mosavo;
using qt_test::testApplication;

namespace {
class NullDelegate : public QObject, public BoxSelectorDelegate
{
public:
    void selected(BoxSelector *, PalettePick, BoxPosition) override { }
};

QColor colorOf(int64_t colorNumber)
{
    const uint32_t rgb = nesRgb(colorNumber);
    return QColor(int(rgb >> 16), int((rgb >> 8) & 0xFF), int(rgb & 0xFF));
}

// How many pixels of a rectangle of the picture differ from a colour.
int pixelsOtherThan(const QImage &image, const QRect &area, QColor color)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.pixelColor(x, y) != color;
    return count;
}
} // namespace

// Each master colour's tooltip is its number; the grid is in display order, so the box in column 2 of row 5 is $25.
TEST(ColourNumbers, MasterColoursTellTheirNumber)
{
    testApplication();
    GeneralColorSelector master;
    NullDelegate delegate;
    master.setBoxSelectorDelegate(&delegate);
    master.setPalettes({ std::make_shared<GeneralNESColorPalette>() });
    master.resize(120, 320);
    EXPECT_EQ(master.toolTipAt(QPointF(5, 5)), QStringLiteral("$00"));
    EXPECT_EQ(master.toolTipAt(QPointF(95, 5)), QStringLiteral("$30"));
    EXPECT_EQ(master.toolTipAt(QPointF(65, 105)), QStringLiteral("$25"));
    EXPECT_EQ(master.toolTipAt(QPointF(119, 319)), QStringLiteral("$3F"));
    EXPECT_EQ(master.toolTipAt(QPointF(-1, 5)), QString());
    EXPECT_EQ(master.toolTipAt(QPointF(5, 320)), QString());

    master.show();
    QHelpEvent help(QEvent::ToolTip, QPoint(65, 105), master.mapToGlobal(QPoint(65, 105)));
    QApplication::sendEvent(&master, &help);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("$25"));
    QToolTip::hideText();

    GeneralColorSelector empty;
    EXPECT_EQ(empty.toolTipAt(QPointF(5, 5)), QString());
}

// The outlined colour is drawn around its box in black and white, and only there.
TEST(ColourNumbers, MasterGridOutlinesOneColour)
{
    testApplication();
    GeneralColorSelector master;
    NullDelegate delegate;
    master.setBoxSelectorDelegate(&delegate);
    master.setPalettes({ std::make_shared<GeneralNESColorPalette>() });
    master.resize(120, 320);
    // $16 is in column 1 (low digit 6 -> display row 6, high digit 1 -> column 1).
    ASSERT_EQ(master.boxOfColor(0x16), (BoxPosition { 1, 6 }));
    EXPECT_FALSE(master.boxOfColor(0x40));
    const QRect box(30, 120, 30, 20);
    const QRect inside = box.adjusted(6, 6, -6, -6);
    const QImage plain = master.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(pixelsOtherThan(plain, box.adjusted(2, 2, -2, -2), colorOf(0x16)), 0);

    master.setOutlinedColor(0x16);
    EXPECT_EQ(master.outlinedColor(), std::optional<int64_t>(0x16));
    const QImage outlined = master.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_GT(pixelsOtherThan(outlined, box.adjusted(2, 2, -2, -2), colorOf(0x16)), 40);
    EXPECT_EQ(pixelsOtherThan(outlined, inside, colorOf(0x16)), 0) << "the colour still shows inside the outline";
    const QRect other(0, 0, 120, 100); // rows 0-4, far from $16
    EXPECT_EQ(outlined.copy(other), plain.copy(other));
}

// The Colour row labels each box with its colour number and reports the colour of the chosen slot when it changes.
TEST(ColourNumbers, ColourRowShowsNumbersAndReportsTheChosenColour)
{
    testApplication();
    ColorSelector row;
    NullDelegate delegate;
    row.setBoxSelectorDelegate(&delegate);
    const auto palette = NESPalette::fromData({ 0x0F, 0x16, 0x27, 0x30 });
    row.setPalettes({ palette });
    row.resize(240, 40);
    QSignalSpy chosen(&row, &ColorSelector::chosenColorChanged);

    const QImage image = row.grab().toImage().convertToFormat(QImage::Format_RGB32);
    // Text in the top-left corner of each box, in a colour that shows on it; the rest keeps the box colour.
    const int64_t numbers[] = { 0x0F, 0x16, 0x27, 0x30 };
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_GT(pixelsOtherThan(image, QRect(60 * i + 3, 2, 30, 14), colorOf(numbers[i])), 10);
        EXPECT_EQ(pixelsOtherThan(image, QRect(60 * i + 20, 24, 30, 12), colorOf(numbers[i])), 0);
    }
    EXPECT_EQ(ColorSelector::colorNumberText(0x0F), QStringLiteral("$0F"));
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.at(0).at(0).toLongLong(), 0x0F);

    ASSERT_TRUE(row.selectBox(2));
    EXPECT_EQ(row.chosenColor(), std::optional<int64_t>(0x27));
    row.grab();
    ASSERT_EQ(chosen.count(), 2);
    EXPECT_EQ(chosen.at(1).at(0).toLongLong(), 0x27);
    row.grab();
    EXPECT_EQ(chosen.count(), 2) << "a repaint with the same colour reports nothing";
}
