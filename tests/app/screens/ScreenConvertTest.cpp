#include "app/screens/ScreenActions.h"
#include "app/sprites/SpriteActions.h"
#include "app/window/MainMosavoWindow.h"
#include "app/window/PictureConvertDialog.h"

#include "app/support/DocumentFixture.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QMainWindow>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QUndoStack>

#include <cmath>

using namespace app_test;

namespace {

// A generated photograph: a sky gradient over rolling hills; no display colour is in it.
QImage photograph(int width = 256, int height = 240)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double ridge = height * 0.6 + 12 * std::sin(x / 9.0);
            image.setPixel(
                x, y, y < ridge ? qRgb(80 + y / 2, 140 + y / 4, 240) : qRgb(40 + (x * y) % 50, 110, 30 + (x ^ y) % 30));
        }
    return image;
}

template<typename T>
T *shown(QWidget *window, const char *name)
{
    for (T *widget : window->findChildren<T *>(QString::fromLatin1(name)))
        if (widget->isVisible())
            return widget;
    return nullptr;
}

class PictureConvertTest : public ApplicationTest
{
protected:
    void SetUp() override
    {
        ApplicationTest::SetUp();
        document = openNew();
        window = document->window();
        settings = controllerOf(document).editorViewControllerSettings();
    }
    QUndoStack &stack() { return controllerOf(document).undoStack(); }
    QString statusText() { return window->statusBar()->currentMessage(); }

    MosavoDocument *document = nullptr;
    MainMosavoWindow *window = nullptr;
    SettingsPtr settings;
};

TEST_F(PictureConvertTest, ConvertShowsAPreviewThatFollowsItsSettingsThenImportsInOneStep)
{
    const QString path = dir.filePath(QStringLiteral("photo.jpg"));
    ASSERT_TRUE(photograph().save(path, "JPEG", 90));
    // Exact reading refuses the photograph, naming the way to convert it.
    ASSERT_FALSE(ScreenActions::of(window)->importScreenPicture(path));
    ASSERT_EQ(alerts->errors.size(), 1);
    EXPECT_TRUE(alerts->errors[0].contains(QStringLiteral("too far from every display colour"))
        && alerts->errors[0].contains(QStringLiteral("Convert")))
        << alerts->errors[0].toStdString();

    panels->answers = { path };
    trigger(document, "actionImportScreenPicture");
    QDialog *choice = shown<QDialog>(window, "screenImportDialog");
    ASSERT_NE(choice, nullptr);
    auto *convert = choice->findChild<QRadioButton *>(QStringLiteral("screenImportConvert"));
    ASSERT_NE(convert, nullptr);
    EXPECT_TRUE(choice->findChild<QRadioButton *>(QStringLiteral("screenImportExact"))->isChecked());
    convert->click();
    EXPECT_TRUE(choice->findChild<QRadioButton *>(QStringLiteral("screenImportFindSubPalettes"))->isChecked());
    choice->accept();
    settle();

    auto *dialog = shown<PictureConvertDialog>(window, "pictureConvertDialog");
    ASSERT_NE(dialog, nullptr);
    dialog->refresh();
    const QString first = dialog->figures();
    EXPECT_TRUE(first.contains(QStringLiteral("perceptual error mean"))) << first.toStdString();
    // Source and result side by side at 2x.
    EXPECT_EQ(dialog->findChild<QLabel *>(QStringLiteral("pictureConvertSource"))->size(), QSize(512, 480));
    EXPECT_EQ(dialog->findChild<QLabel *>(QStringLiteral("pictureConvertResult"))->pixmap().size(), QSize(512, 480));
    EXPECT_TRUE(settings->screens().empty());

    // A tighter budget and ordered dithering change the figures, still before anything is imported.
    dialog->findChild<QSpinBox *>(QStringLiteral("pictureConvertTileBudget"))->setValue(40);
    dialog->findChild<QComboBox *>(QStringLiteral("pictureConvertDither"))->setCurrentIndex(1);
    dialog->refresh();
    const QString second = dialog->figures();
    EXPECT_NE(second, first);
    EXPECT_TRUE(second.contains(QStringLiteral("new)"))) << second.toStdString();
    EXPECT_TRUE(settings->screens().empty());

    const int before = stack().index();
    dialog->accept();
    settle();
    ASSERT_EQ(settings->screens().size(), 1u) << alerts->errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(stack().index(), before + 1);
    EXPECT_LE(settings->screens()[0].distinctTiles(), 41);
    EXPECT_TRUE(statusText().contains(QStringLiteral("converted: "))) << statusText().toStdString();
    stack().undo();
    EXPECT_TRUE(settings->screens().empty());
}

TEST_F(PictureConvertTest, SpritePicturesOfferExactAndConvert)
{
    QImage figure(24, 16, QImage::Format_ARGB32);
    figure.fill(Qt::transparent);
    for (int y = 2; y < 14; ++y)
        for (int x = 3; x < 21; ++x)
            figure.setPixel(x, y, qRgb(200 - x * 5, 60 + y * 8, 90));
    const QString path = dir.filePath(QStringLiteral("figure.png"));
    ASSERT_TRUE(figure.save(path));
    panels->answers = { path };
    trigger(document, "actionImportSpritePicture");
    QDialog *choice = shown<QDialog>(window, "spriteImportDialog");
    ASSERT_NE(choice, nullptr);
    choice->findChild<QRadioButton *>(QStringLiteral("spriteImportConvert"))->click();
    choice->accept();
    settle();
    auto *dialog = shown<PictureConvertDialog>(window, "pictureConvertDialog");
    ASSERT_NE(dialog, nullptr);
    dialog->refresh();
    EXPECT_TRUE(dialog->figures().contains(QStringLiteral("perceptual error mean"))) << dialog->figures().toStdString();
    const int before = stack().index();
    dialog->accept();
    settle();
    ASSERT_EQ(settings->metasprites().size(), 1u) << alerts->errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(stack().index(), before + 1);
    EXPECT_TRUE(statusText().contains(QStringLiteral("converted: "))) << statusText().toStdString();
}

} // namespace
