#include "app/screens/ScreenActions.h"
#include "app/window/DisplayColorsMenu.h"
#include "editor/Mosavo.h"
#include "palette/DisplayColors.h"
#include "screen/ScreenEditor.h"
#include "selectors/GeneralColorSelector.h"
#include "viewer/TileCollection.h"

#include "app/support/DocumentFixture.h"

#include <QMenu>

#include <map>

using namespace app_test;

namespace {

// The colour most pixels of a widget show.
QRgb dominantColor(QWidget *widget)
{
    const QImage image = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    std::map<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y)];
    return std::max_element(counts.begin(), counts.end(), [](const auto &a, const auto &b) {
        return a.second < b.second;
    })->first;
}

int pixelsOf(QWidget *widget, QRgb color)
{
    const QImage image = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) == color;
    return count;
}

// Colour n of the test display palette: (3n, 3n + 1, 3n + 2).
QRgb fileColor(int number)
{
    return qRgb(number * 3, number * 3 + 1, number * 3 + 2);
}

class DisplayColorsWindow : public ApplicationTest
{
protected:
    void SetUp() override
    {
        ApplicationTest::SetUp();
        resetCurrentDisplayColors();
        document = openNew();
        window = document->window();
        menu = DisplayColorsMenu::of(window);
        ASSERT_NE(menu, nullptr);
        Bytes display(192);
        for (size_t i = 0; i < display.size(); ++i)
            display[i] = uint8_t(i);
        displayFile = dir.filePath(QStringLiteral("display.pal"));
        writeBytes(displayFile, display);
    }
    void TearDown() override
    {
        resetCurrentDisplayColors();
        ApplicationTest::TearDown();
    }

    MosavoDocument *document = nullptr;
    MainMosavoWindow *window = nullptr;
    DisplayColorsMenu *menu = nullptr;
    QString displayFile;
};

TEST_F(DisplayColorsWindow, AnEmulatorPaletteRecoloursEveryViewUntilDefaultColours)
{
    EditorViewController &controller = controllerOf(document);
    const int64_t blank = controller.mosavo->colorPalette()->palette()[0].colorCode;
    // Blank tiles: the editor in colour 0 of the sub-palette, the viewer in the first of its greys ($30).
    EXPECT_EQ(dominantColor(controller.mosavo), 0xFF000000u | DisplayColors().rgb24(int(blank)));
    EXPECT_EQ(dominantColor(controller.tileCollection), 0xFF000000u | DisplayColors().rgb24(0x30));
    EXPECT_EQ(pixelsOf(controller.generalSelectableColorsOutlet, fileColor(0x21)), 0);
    EXPECT_FALSE(menu->defaultColorsAction()->isEnabled());

    ASSERT_TRUE(menu->loadDisplayColors(displayFile));
    settle();
    EXPECT_EQ(dominantColor(controller.mosavo), fileColor(int(blank)));
    EXPECT_EQ(dominantColor(controller.tileCollection), fileColor(0x30));
    EXPECT_GT(pixelsOf(controller.generalSelectableColorsOutlet, fileColor(0x21)), 0) << "the master grid";
    EXPECT_GT(pixelsOf(controller.selectablePalettesOutlet, fileColor(int(blank))), 0) << "the sub-palettes strip";
    EXPECT_TRUE(menu->defaultColorsAction()->isEnabled());
    // The document's colour numbers do not change: only how they are shown.
    EXPECT_EQ(controller.mosavo->colorPalette()->palette()[0].colorCode, blank);

    // Emphasis red: the other two channels darkened.
    menu->emphasisActions()[0]->trigger();
    settle();
    EXPECT_EQ(currentDisplayEmphasis(), emphasisRed);
    const Rgb8 red = currentDisplayColors().rgb(int(blank), emphasisRed);
    EXPECT_EQ(dominantColor(controller.mosavo), qRgb(red.red, red.green, red.blue));
    const Rgb8 redBlue = currentDisplayColors().rgb(0x21, emphasisRed);
    ASSERT_NE(qRgb(redBlue.red, redBlue.green, redBlue.blue), fileColor(0x21));
    EXPECT_GT(pixelsOf(controller.generalSelectableColorsOutlet, qRgb(redBlue.red, redBlue.green, redBlue.blue)), 0);

    menu->defaultColorsAction()->trigger();
    settle();
    EXPECT_TRUE(currentDisplayColors().isMasterTable());
    EXPECT_FALSE(menu->emphasisActions()[0]->isChecked());
    EXPECT_EQ(dominantColor(controller.mosavo), 0xFF000000u | DisplayColors().rgb24(int(blank)));
    EXPECT_EQ(dominantColor(controller.tileCollection), 0xFF000000u | DisplayColors().rgb24(0x30));
    EXPECT_TRUE(alerts->errors.isEmpty());
}

TEST_F(DisplayColorsWindow, TheScreenEditorFollowsTheDisplayColours)
{
    trigger(document, "actionNewScreen");
    settle();
    ScreenEditor *screen = ScreenActions::of(window)->editor();
    ASSERT_NE(screen, nullptr);
    // A blank screen shows the universal background colour, colour 0 of sub-palette 0.
    const int64_t universal
        = controllerOf(document).editorViewControllerSettings()->palettes()->front()->palette()[0].colorCode;
    EXPECT_EQ(dominantColor(screen), 0xFF000000u | DisplayColors().rgb24(int(universal)));
    ASSERT_TRUE(menu->loadDisplayColors(displayFile));
    settle();
    EXPECT_EQ(dominantColor(screen), fileColor(int(universal)));
}

TEST_F(DisplayColorsWindow, AFileOfAnotherSizeIsRefusedAndTheColoursStay)
{
    ASSERT_TRUE(menu->loadDisplayColors(displayFile));
    const QString odd = dir.filePath(QStringLiteral("odd.pal"));
    writeBytes(odd, Bytes(200, 1));
    EXPECT_FALSE(menu->loadDisplayColors(odd));
    ASSERT_EQ(alerts->errors.size(), 1);
    EXPECT_TRUE(alerts->errors[0].contains(odd) && alerts->errors[0].contains("200"))
        << alerts->errors[0].toStdString();
    EXPECT_EQ(currentDisplayColors().rgb24(0x21), fileColor(0x21) & 0xFFFFFF);

    // Through the menu item and its open panel.
    panels->answers.push_back(dir.filePath(QStringLiteral("missing.pal")));
    menu->displayColorsAction()->trigger();
    ASSERT_EQ(alerts->errors.size(), 2);
    EXPECT_TRUE(alerts->errors[1].contains(QStringLiteral("missing.pal")));
    EXPECT_FALSE(currentDisplayColors().isMasterTable());
    // The items sit in the File and View menus.
    auto *file = window->findChild<QMenu *>(QStringLiteral("menuFile"));
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(file->actions().contains(menu->displayColorsAction()));
    EXPECT_NE(window->findChild<QMenu *>(QStringLiteral("menuEmphasis")), nullptr);
}

} // namespace
