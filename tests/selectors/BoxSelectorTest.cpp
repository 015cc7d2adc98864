#include "common/QtTestEnvironment.h"

#include "palette/NESColors.h"
#include "palette/NESPalette.h"
#include "palette/Random.h"
#include "selectors/ColorSelector.h"
#include "selectors/GeneralColorSelector.h"
#include "selectors/PaletteSelector.h"

#include <QDir>
#include <QImage>
#include <QMouseEvent>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <set>

using namespace mosavo;
using qt_test::MosavoLogCapture;
using qt_test::testApplication;

namespace {

class RecordingDelegate : public QObject, public BoxSelectorDelegate
{
public:
    struct Pick
    {
        BoxSelector *selector;
        PalettePick palette;
        BoxPosition boxSelected;
    };
    std::vector<Pick> picks;

    void selected(BoxSelector *boxSelector, PalettePick palette, BoxPosition boxSelected) override
    {
        picks.push_back({ boxSelector, palette, boxSelected });
    }
};

// Counts paint events, so that tests can tell a repaint really happened.
template<class Selector>
class Counting : public Selector
{
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        ++paints;
        Selector::paintEvent(event);
    }
};

PalettePtr subPalette(uint8_t a, uint8_t b, uint8_t c, uint8_t d)
{
    return NESPalette::fromData({ a, b, c, d });
}

std::vector<PalettePtr> eightPalettes()
{
    std::vector<PalettePtr> palettes;
    for (uint8_t i = 0; i < 8; ++i)
        palettes.push_back(subPalette(0x0F, uint8_t(0x01 + i), uint8_t(0x11 + i), uint8_t(0x21 + i)));
    return palettes;
}

// A press with a fractional position, which QTest's integer positions cannot express.
void pressAt(QWidget &widget, QPointF position, Qt::MouseButton button = Qt::LeftButton)
{
    QMouseEvent press(QEvent::MouseButtonPress, position, widget.mapToGlobal(position), button, button, Qt::NoModifier);
    QApplication::sendEvent(&widget, &press);
}

void expectLastPick(
    const RecordingDelegate &delegate, size_t count, BoxSelector *selector, PalettePick palette, BoxPosition box)
{
    ASSERT_EQ(delegate.picks.size(), count);
    EXPECT_EQ(delegate.picks.back().selector, selector);
    EXPECT_EQ(delegate.picks.back().palette, palette);
    EXPECT_EQ(delegate.picks.back().boxSelected, box);
    EXPECT_EQ(selector->palettePick(), palette);
    EXPECT_EQ(selector->boxSelected(), box);
}

QColor expected(int64_t colorNumber)
{
    const uint32_t rgb = nesRgb(colorNumber);
    return QColor(int(rgb >> 16), int((rgb >> 8) & 0xFF), int(rgb & 0xFF));
}

// Saves the picture for a look by eye and returns it as 32-bit RGB.
QImage render(QWidget &widget, const QString &name)
{
    const QImage image = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QDir directory(QDir::temp().filePath(QStringLiteral("kestova-selectors")));
    directory.mkpath(QStringLiteral("."));
    EXPECT_TRUE(image.save(directory.filePath(name)));
    return image;
}

bool isRed(QColor color)
{
    return color.red() == 255 && color.green() == 0 && color.blue() == 0;
}

} // namespace

TEST(BoxSelectors, ColorSelectorPicksTheBoxUnderTheClick)
{
    testApplication();
    ColorSelector selector;
    RecordingDelegate delegate;
    selector.setBoxSelectorDelegate(&delegate);
    selector.setPalettes({ subPalette(0x0F, 0x16, 0x27, 0x30) });
    selector.resize(200, 40);

    QTest::mouseClick(&selector, Qt::LeftButton, {}, QPoint(120, 10));
    expectLastPick(delegate, 1, &selector, { 0, 2 }, { 2, 0 });
    QTest::mouseClick(&selector, Qt::LeftButton, {}, QPoint(50, 20)); // on the first boundary: the box on the left
    expectLastPick(delegate, 2, &selector, { 0, 0 }, { 0, 0 });
    pressAt(selector, QPointF(50.5, 20.0));
    expectLastPick(delegate, 3, &selector, { 0, 1 }, { 1, 0 });
    QTest::mouseClick(&selector, Qt::LeftButton, {}, QPoint(199, 39));
    expectLastPick(delegate, 4, &selector, { 0, 3 }, { 3, 0 });
    // The left and top edges (QTest would read QPoint(0, 0) as "the centre").
    pressAt(selector, QPointF(0.0, 0.0));
    expectLastPick(delegate, 5, &selector, { 0, 0 }, { 0, 0 });

    // Only the left button picks.
    QTest::mouseClick(&selector, Qt::RightButton, {}, QPoint(170, 10));
    pressAt(selector, QPointF(170.0, 10.0), Qt::MiddleButton);
    EXPECT_EQ(delegate.picks.size(), 5u);
    EXPECT_EQ(selector.boxSelected(), (BoxPosition { 0, 0 }));
}

TEST(BoxSelectors, PaletteAndMasterColourPicks)
{
    testApplication();
    RecordingDelegate delegate;

    PaletteSelector palettes;
    palettes.setBoxSelectorDelegate(&delegate);
    palettes.setPalettes(eightPalettes());
    palettes.resize(320, 40);
    QTest::mouseClick(&palettes, Qt::LeftButton, {}, QPoint(170, 35)); // column 8, row 1
    expectLastPick(delegate, 1, &palettes, { 6, 0 }, { 8, 1 });
    QTest::mouseClick(&palettes, Qt::LeftButton, {}, QPoint(190, 20)); // row boundary belongs to the row above
    expectLastPick(delegate, 2, &palettes, { 2, 1 }, { 9, 0 });

    GeneralColorSelector master;
    master.setBoxSelectorDelegate(&delegate);
    auto nes = std::make_shared<GeneralNESColorPalette>();
    master.setPalettes({ nes });
    master.resize(80, 320);
    QTest::mouseClick(&master, Qt::LeftButton, {}, QPoint(50, 110)); // column 2, row 5
    expectLastPick(delegate, 3, &master, { 0, 22 }, { 2, 5 });
    EXPECT_EQ(nes->palette()[22].colorCode, 0x25);
}

TEST(BoxSelectors, OnlyClicksReportPicks)
{
    testApplication();
    RecordingDelegate delegate;
    Counting<GeneralColorSelector> selector;
    selector.setBoxSelectorDelegate(&delegate);
    selector.setPalettes({ std::make_shared<GeneralNESColorPalette>() });
    selector.resize(80, 320);

    selector.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&selector));
    selector.resize(120, 480);
    selector.repaint();
    selector.redraw();
    QApplication::processEvents();
    selector.grab();
    EXPECT_TRUE(selector.selectPalette(0));
    EXPECT_TRUE(selector.selectBox(5));
    selector.setSelectedColor(1, 2);
    selector.randomlySelectColor();
    selector.resetToOriginallySelectedItem();
    selector.redraw();
    QApplication::processEvents();
    EXPECT_GE(selector.paints, 3);
    EXPECT_TRUE(delegate.picks.empty());

    const int paintsBefore = selector.paints;
    QTest::mouseClick(&selector, Qt::LeftButton, {}, QPoint(100, 470));
    QApplication::processEvents();
    expectLastPick(delegate, 1, &selector, { 0, 63 }, { 3, 15 });
    EXPECT_GT(selector.paints, paintsBefore); // the click repaints as well as reporting
}

TEST(BoxSelectors, SelectAndUpdateStayInRange)
{
    testApplication();
    MosavoLogCapture log;
    PaletteSelector selector;
    std::vector<PalettePtr> palettes = eightPalettes();
    selector.setPalettes(palettes);

    EXPECT_TRUE(selector.selectPalette(7));
    EXPECT_EQ(selector.currentPaletteSelected(), 7);
    EXPECT_EQ(selector.paletteSelected(), palettes[7]);
    EXPECT_FALSE(selector.selectPalette(8));
    EXPECT_FALSE(selector.selectPalette(-1));
    EXPECT_EQ(selector.currentPaletteSelected(), 7);
    EXPECT_EQ(log.take(), QStringList(2, QStringLiteral("Could not select palette outside of selectable range")));

    EXPECT_TRUE(selector.selectBox(3));
    EXPECT_FALSE(selector.selectBox(4));
    EXPECT_EQ(selector.currentBoxSelected(), 3);
    EXPECT_EQ(log.take(),
        QStringList({ QStringLiteral("BoxNumber: 3"), QStringLiteral("BoxNumber: 4"),
            QStringLiteral("Could not select box outside of selectable range") }));

    const PalettePtr replacement = subPalette(0x30, 0x30, 0x30, 0x30);
    EXPECT_FALSE(selector.update(8, replacement));
    EXPECT_FALSE(selector.update(2, nullptr));
    EXPECT_EQ(selector.palettes(), palettes);
    EXPECT_EQ(log.take(), QStringList(QStringLiteral("Could not select palette outside of selectable range")));
    EXPECT_TRUE(selector.update(2, replacement));
    EXPECT_EQ(selector.palettes()[2], replacement);
    EXPECT_EQ(selector.palettes()[3], palettes[3]);

    // Without palettes nothing is selectable.
    ColorSelector empty;
    EXPECT_EQ(empty.paletteSelected(), nullptr);
    EXPECT_FALSE(empty.selectBox(0));
    EXPECT_FALSE(empty.selectPalette(0));
    // A chosen index that no longer names a palette gives none rather than reading past the list.
    selector.setPalettes({ palettes[0] });
    EXPECT_EQ(selector.paletteSelected(), nullptr);
}

TEST(BoxSelectors, ClicksWithoutPalettesOrLinksAreIgnored)
{
    testApplication();
    MosavoLogCapture log;
    ColorSelector selector;
    selector.resize(200, 40);
    QTest::mouseClick(&selector, Qt::LeftButton, {}, QPoint(120, 10));
    selector.grab();
    EXPECT_EQ(log.take(), QStringList(2, QStringLiteral("BoxSelectorDelegate not set")));

    {
        RecordingDelegate delegate;
        selector.setBoxSelectorDelegate(&delegate);
        QTest::mouseClick(&selector, Qt::LeftButton, {}, QPoint(120, 10));
        EXPECT_TRUE(delegate.picks.empty());
        EXPECT_EQ(log.take(), QStringList(QStringLiteral("palette selected not set for box selector protocol")));

        selector.setBoxSelectorProtocol(nullptr);
        selector.setPalettes({ subPalette(0x0F, 0x16, 0x27, 0x30) });
        QTest::mouseClick(&selector, Qt::LeftButton, {}, QPoint(120, 10));
        EXPECT_TRUE(delegate.picks.empty());
        EXPECT_EQ(log.take(), QStringList(QStringLiteral("BoxSelectorProtocol not set")));
        selector.setBoxSelectorProtocol(&selector);
    }
    // The delegate link is weak: it cleared itself when the delegate went.
    EXPECT_EQ(selector.boxSelectorDelegate(), nullptr);
    QTest::mouseClick(&selector, Qt::LeftButton, {}, QPoint(120, 10));
    EXPECT_EQ(log.take(), QStringList(QStringLiteral("BoxSelectorDelegate not set")));
    EXPECT_EQ(selector.boxSelected(), (BoxPosition { 0, 0 }));
}

TEST(BoxSelectors, ResetSetAndRandomSelection)
{
    testApplication();
    MosavoLogCapture log;
    RecordingDelegate delegate;
    GeneralColorSelector selector;
    selector.setBoxSelectorDelegate(&delegate);
    selector.setPalettes({ std::make_shared<GeneralNESColorPalette>(), std::make_shared<GeneralNESColorPalette>() });
    selector.resize(80, 320);

    QTest::mouseClick(&selector, Qt::LeftButton, {}, QPoint(30, 30));
    ASSERT_TRUE(selector.selectPalette(1));
    ASSERT_TRUE(selector.selectBox(9));
    selector.resetToOriginallySelectedItem();
    EXPECT_EQ(selector.currentPaletteSelected(), 0);
    EXPECT_EQ(selector.currentBoxSelected(), 0);
    EXPECT_EQ(selector.boxSelected(), (BoxPosition { 0, 0 }));
    EXPECT_EQ(selector.palettePick(), (PalettePick { 0, 5 })); // the last pick stays

    log.take();
    selector.setSelectedColor(3, 15);
    EXPECT_EQ(selector.boxSelected(), (BoxPosition { 3, 15 }));
    selector.setSelectedColor(-1, 2);
    selector.setSelectedColor(1, 17);
    EXPECT_EQ(selector.boxSelected(), (BoxPosition { 3, 15 }));
    EXPECT_EQ(log.take(), QStringList(2, QStringLiteral("Failed")));

    seedRandom(7);
    std::set<int> columns, rows;
    for (int i = 0; i < 2000; ++i) {
        selector.randomlySelectColor();
        const BoxPosition drawn = selector.boxSelected();
        ASSERT_TRUE(drawn.x >= 0 && drawn.x < 4 && drawn.y >= 0 && drawn.y < 16) << drawn.x << "," << drawn.y;
        columns.insert(drawn.x);
        rows.insert(drawn.y);
    }
    EXPECT_EQ(columns.size(), 4u);
    EXPECT_EQ(rows.size(), 16u);
    EXPECT_EQ(delegate.picks.size(), 1u);
}

TEST(BoxSelectors, DrawsBoxesAndHighlighters)
{
    testApplication();
    RecordingDelegate delegate;

    ColorSelector colors;
    colors.setBoxSelectorDelegate(&delegate);
    colors.setPalettes({ subPalette(0x0F, 0x16, 0x27, 0x30) });
    colors.resize(200, 40);
    QTest::mouseClick(&colors, Qt::LeftButton, {}, QPoint(120, 20));
    QImage image = render(colors, QStringLiteral("ColorSelector.png"));
    const int colorNumbers[] = { 0x0F, 0x16, 0x27, 0x30 };
    for (int box = 0; box < 4; ++box)
        EXPECT_EQ(image.pixelColor(box * 50 + 25, 20), expected(colorNumbers[box])) << box;
    EXPECT_TRUE(isRed(image.pixelColor(100, 20)) || isRed(image.pixelColor(101, 20)));
    EXPECT_TRUE(isRed(image.pixelColor(125, 39)) || isRed(image.pixelColor(125, 38)));
    EXPECT_EQ(image.pixelColor(50, 20), QColor(Qt::black)); // plain box border elsewhere

    PaletteSelector palettes;
    palettes.setBoxSelectorDelegate(&delegate);
    palettes.setPalettes(eightPalettes());
    palettes.resize(320, 40);
    QTest::mouseClick(&palettes, Qt::LeftButton, {}, QPoint(170, 35)); // palette 6: columns 8-11 of row 1
    image = render(palettes, QStringLiteral("PaletteSelector.png"));
    EXPECT_EQ(image.pixelColor(14 * 20 + 10, 10), expected(0x11 + 3)); // palette 3, box 2
    EXPECT_EQ(image.pixelColor(13 * 20 + 10, 30), expected(0x01 + 7)); // palette 7, box 1
    bool outlined = false;
    for (int x = 159; x <= 161; ++x)
        outlined = outlined || isRed(image.pixelColor(x, 30));
    EXPECT_TRUE(outlined);
    EXPECT_TRUE(isRed(image.pixelColor(200, 20)) || isRed(image.pixelColor(200, 21)));
    EXPECT_FALSE(isRed(image.pixelColor(180, 30))); // no outline between the boxes of the palette

    GeneralColorSelector master;
    master.setBoxSelectorDelegate(&delegate);
    master.setPalettes({ std::make_shared<GeneralNESColorPalette>() });
    master.resize(80, 320);
    image = render(master, QStringLiteral("GeneralColorSelector.png"));
    for (int position = 0; position < 64; ++position)
        EXPECT_EQ(image.pixelColor(position % 4 * 20 + 10, position / 4 * 20 + 10), expected(nesKeyOrder[position]))
            << position;

    // Without palettes only the highlighter is drawn.
    ColorSelector empty;
    empty.setBoxSelectorDelegate(&delegate);
    empty.resize(200, 40);
    image = render(empty, QStringLiteral("EmptyColorSelector.png"));
    EXPECT_TRUE(isRed(image.pixelColor(50, 20)) || isRed(image.pixelColor(49, 20)));
    EXPECT_FALSE(isRed(image.pixelColor(100, 20)));
}

TEST(BoxSelectors, DegenerateSettingsNeitherCrashNorPickOutsideTheGrid)
{
    testApplication();
    RecordingDelegate delegate;
    PaletteSelector selector;
    selector.setBoxSelectorDelegate(&delegate);
    selector.setPalettes({ subPalette(0x0F, 0x16, 0x27, 0x30), nullptr, std::make_shared<NESPalette>() });
    selector.resize(320, 40);
    pressAt(selector, QPointF(-30.0, 500.0)); // outside the view: the nearest box
    expectLastPick(delegate, 1, &selector, { 4, 0 }, { 0, 1 });

    selector.setBoxesPerRow(0);
    selector.setNumberOfRows(-1);
    selector.setPalettesPerRow(0);
    pressAt(selector, QPointF(100.0, 10.0));
    expectLastPick(delegate, 2, &selector, { 0, 0 }, { 0, 0 });
    EXPECT_FALSE(render(selector, QStringLiteral("DegeneratePaletteSelector.png")).isNull());

    selector.resize(0, 0);
    selector.setBoxesPerRow(16);
    selector.setNumberOfRows(2);
    pressAt(selector, QPointF(0.0, 0.0));
    expectLastPick(delegate, 3, &selector, { 0, 0 }, { 0, 0 });
}
