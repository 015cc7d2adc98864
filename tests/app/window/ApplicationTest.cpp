#include "app/document/KestovaDocumentController.h"
#include "app/document/MosavoDocument.h"
#include "app/tiles/EditorViewController.h"
#include "app/tiles/ROMMenu.h"
#include "app/tiles/ROMMenuItem.h"
#include "app/window/AppDelegate.h"
#include "app/window/BackgroundWork.h"
#include "app/window/MainMosavoWindow.h"
#include "palette/NESColors.h"
#include "palette/PaletteFactory.h"

#include "app/support/DocumentFixture.h"
#include "app/support/LogCapture.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QPaintEvent>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>

using namespace kestova;
using namespace mosavo;
using app_test::ApplicationTest;
using app_test::colorNumbers;
using app_test::PaintRecorder;
using app_test::readBytes;
using app_test::writeBytes;

TEST_F(ApplicationTest, NewDocumentSharesItsPalettesWithSelectorsAndEditor)
{
    MosavoDocument *document = openNew();
    EditorViewController &controller = controllerOf(document);
    const SettingsPtr settings = document->editorViewControllerSettings.lock();
    ASSERT_TRUE(settings);
    ASSERT_EQ(settings->palettes()->size(), 8u);
    EXPECT_EQ(controller.selectablePalettesOutlet->palettes(), *settings->palettes());
    ASSERT_EQ(controller.selectableColorsOutlet->palettes().size(), 1u);
    EXPECT_EQ(controller.selectableColorsOutlet->palettes()[0], (*settings->palettes())[0]);
    EXPECT_EQ(controller.mosavo->colorPalette(), (*settings->palettes())[0]);
    EXPECT_EQ(controller.mosavo->tileData(), settings->tileData());
    const std::vector<int64_t> topLeftBlock { 0, 1, 2, 3, 16, 17, 18, 19, 32, 33, 34, 35, 48, 49, 50, 51 };
    EXPECT_EQ(controller.mosavo->tileIDs(), topLeftBlock);
    EXPECT_FALSE(document->isModified());
    EXPECT_TRUE(document->window()->windowTitle().startsWith("Untitled"));
}

TEST_F(ApplicationTest, PaintingWithAPickedColourChangesTheDocumentAndSurvivesSaveAndReopen)
{
    MosavoDocument *document = openNew();
    EditorViewController &controller = controllerOf(document);
    const SettingsPtr settings = document->editorViewControllerSettings.lock();
    // A new document's colours are random: slot 2 of sub-palette 5 must not hold the colour picked below already.
    if (const PalettePtr five = (*settings->palettes())[5]; five->palette()[2].colorCode == nesKeyOrder[17]) {
        auto colors = five->palette();
        colors[2] = five->palette()[1].colorCode == nesKeyOrder[17] ? colors[3] : colors[1];
        five->setPalette(colors);
    }

    // Sub-palette 5 (bottom row, second palette of the 320 x 40 selector), colour slot 2, master colour box (1, 4).
    QTest::mouseClick(controller.selectablePalettesOutlet, Qt::LeftButton, {}, QPoint(100, 30));
    QTest::mouseClick(controller.selectableColorsOutlet, Qt::LeftButton, {}, QPoint(150, 20));
    QTest::mouseClick(controller.generalSelectableColorsOutlet, Qt::LeftButton, {}, QPoint(45, 90));
    settle();
    const PalettePtr five = (*settings->palettes())[5];
    EXPECT_EQ(controller.selectableColorsOutlet->palettes()[0], five);
    EXPECT_EQ(controller.mosavo->colorPalette(), five);
    EXPECT_EQ(controller.mosavo->colorFromPalette(), 2);
    EXPECT_EQ(five->palette()[2].colorCode, nesKeyOrder[17]);
    EXPECT_TRUE(document->isModified());
    EXPECT_TRUE(document->window()->isWindowModified());

    // A pencil stroke across the first five pixels of tile 0 (the editor's side over 32 screen pixels a pixel at x4).
    PaintRecorder recorder;
    controller.tileCollection->viewport()->installEventFilter(&recorder);
    const double pixel = controller.mosavo->width() / 32.0;
    app_test::drag(
        controller.mosavo, { { pixel / 2, pixel / 2 }, { 2.5 * pixel, pixel / 2 }, { 4.5 * pixel, pixel / 2 } });
    settle();
    controller.tileCollection->viewport()->removeEventFilter(&recorder);
    const auto &tile0 = *settings->tileData()->matrices()[0];
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(tile0.values[0][x], x <= 4 ? 2 : 0) << x;
    EXPECT_FALSE(recorder.painted.isEmpty());
    EXPECT_TRUE(QRegion(controller.tileCollection->cellRect(0)).contains(recorder.painted.boundingRect()))
        << "only the changed tile is repainted";

    // Save, close, reopen.
    const QString path = dir.filePath("drawing.kestova");
    panels->answers = { path };
    const auto numbers = colorNumbers(settings);
    trigger(document, "actionSave");
    EXPECT_FALSE(document->isModified());
    EXPECT_EQ(document->filePath(), path);
    EXPECT_TRUE(document->window()->windowTitle().startsWith("drawing.kestova"));
    const Bytes savedTiles = *settings->tileData()->consoleFormattedPixelData();
    KestovaDocumentController::closeDocuments();
    settle();

    MosavoDocument *reopened = documents().openDocumentAt(path);
    ASSERT_NE(reopened, nullptr) << alerts->errors.join('\n').toStdString();
    settle();
    const SettingsPtr restored = reopened->editorViewControllerSettings.lock();
    EXPECT_EQ(restored->tileData()->consoleFormattedPixelData(), savedTiles);
    EXPECT_EQ(colorNumbers(restored), numbers);
    EXPECT_FALSE(reopened->isModified());
}

TEST_F(ApplicationTest, RomImportAndExportAreByteIdentical)
{
    MosavoDocument *document = openNew();
    const QString rom = testFile("roms/mappers.nes");
    panels->answers = { rom };
    trigger(document, "importData");
    const SettingsPtr settings = document->editorViewControllerSettings.lock();
    EXPECT_EQ(settings->tileData()->totalNumberTiles(), (65552 - 16) / 16);
    EXPECT_EQ(controllerOf(document).mosavo->tileData(), settings->tileData());
    EXPECT_TRUE(document->isModified());

    const QString out = dir.filePath("out.nes");
    panels->answers = { out };
    LogCapture log;
    trigger(document, "exportData");
    EXPECT_EQ(readBytes(out), readBytes(rom));
    EXPECT_TRUE(log.contains("ExportDataWithError: nil"));
    EXPECT_TRUE(alerts->errors.isEmpty());

    // Bytes that are no tile data change nothing and say why.
    const QString odd = dir.filePath("odd.bin");
    writeBytes(odd, Bytes(4097, 1));
    panels->answers = { odd };
    trigger(document, "importData");
    EXPECT_TRUE(log.contains("ConsoleDataFactory could not generate data/palette from imported data"));
    ASSERT_EQ(alerts->errors.size(), 1);
    EXPECT_TRUE(alerts->errors[0].contains(odd));
    EXPECT_EQ(settings->tileData()->totalNumberTiles(), (65552 - 16) / 16);
}

TEST_F(ApplicationTest, PaletteFilesExportThirtyTwoBytesAndBadFilesChangeNothing)
{
    MosavoDocument *document = openNew();
    const SettingsPtr settings = document->editorViewControllerSettings.lock();
    const auto before = colorNumbers(settings);

    const QString out = dir.filePath("colours.pal");
    panels->answers = { out };
    trigger(document, "exportPalette");
    const Bytes written = readBytes(out);
    ASSERT_EQ(written.size(), 32u);
    for (size_t i = 0; i < 32; ++i)
        EXPECT_EQ(written[i], before[i]) << i;

    Bytes withForty = written;
    withForty[7] = 0x40;
    const QString shortFile = dir.filePath("short.pal");
    const QString fortyFile = dir.filePath("forty.pal");
    writeBytes(shortFile, Bytes(written.begin(), written.begin() + 31));
    writeBytes(fortyFile, withForty);
    document->setModified(false);
    panels->answers = { shortFile, fortyFile };
    trigger(document, "importPalette");
    trigger(document, "importPalette");
    EXPECT_EQ(colorNumbers(settings), before);
    EXPECT_FALSE(document->isModified());
    ASSERT_EQ(alerts->errors.size(), 2);
    EXPECT_TRUE(alerts->errors[0].contains(shortFile) && alerts->errors[0].contains("31"));
    EXPECT_TRUE(alerts->errors[1].contains(fortyFile) && alerts->errors[1].contains("0x40"));

    // A good file replaces all eight sub-palettes, in the selectors too.
    Bytes good(32);
    for (size_t i = 0; i < 32; ++i)
        good[i] = uint8_t(i);
    const QString goodFile = dir.filePath("good.pal");
    writeBytes(goodFile, good);
    panels->answers = { goodFile };
    trigger(document, "importPalette");
    EXPECT_EQ(colorNumbers(settings), std::vector<int64_t>(good.begin(), good.end()));
    EXPECT_EQ(controllerOf(document).selectablePalettesOutlet->palettes(), *settings->palettes());
    EXPECT_TRUE(document->isModified());
}

TEST_F(ApplicationTest, OneDocumentAtATime)
{
    MosavoDocument *first = openNew();
    LogCapture log;

    alerts->alertAnswers = { alertFirstButtonReturn + 1 }; // Cancel
    documents().newDocument();
    settle();
    EXPECT_EQ(documents().documents(), std::vector<MosavoDocument *> { first });
    EXPECT_EQ(alerts->alertTexts, QStringList { "Would you like to close current project?" });
    EXPECT_TRUE(log.contains("Cannot create another window"));

    // Unsaved work: Save / Discard / Cancel instead; Discard closes it without saving.
    first->setModified(true);
    alerts->saveAnswers = { SaveChoice::discard };
    documents().newDocument();
    settle();
    ASSERT_EQ(documents().documents().size(), 1u);
    MosavoDocument *second = documents().documents().front();
    EXPECT_NE(second, first);
    EXPECT_EQ(alerts->saveQuestions, QStringList { "Untitled" });
    EXPECT_EQ(alerts->alertTexts.size(), 1);
    activate(second);

    // Open: the panel comes first, and cancelling it leaves the document open.
    panels->answers = { QString() };
    documents().openDocument();
    settle();
    EXPECT_EQ(documents().documents(), std::vector<MosavoDocument *> { second });
    EXPECT_EQ(alerts->alertTexts.size(), 1);
    KestovaDocumentController::closeDocuments();
    settle();

    // A file handed in while nothing is open is opened; while a document is open, only after "Close".
    EXPECT_TRUE(delegate->openFile(testFile("chr/Alpha.chr")));
    settle();
    ASSERT_EQ(documents().documents().size(), 1u);
    MosavoDocument *alpha = documents().documents().front();
    EXPECT_EQ(alpha->displayName(), "Untitled (Alpha.chr)");
    activate(alpha);
    alerts->alertAnswers = { alertFirstButtonReturn + 1 };
    EXPECT_TRUE(delegate->openFile(testFile("chr/Gears.chr")));
    settle();
    EXPECT_EQ(documents().documents(), std::vector<MosavoDocument *> { alpha });
    alerts->alertAnswers = { alertFirstButtonReturn };
    EXPECT_TRUE(delegate->openFile(testFile("chr/Gears.chr")));
    settle();
    ASSERT_EQ(documents().documents().size(), 1u);
    EXPECT_EQ(documents().documents().front()->displayName(), "Untitled (Gears.chr)");
}

TEST_F(ApplicationTest, UnreadableDocumentsAreRefusedWithTheReason)
{
    const QString garbage = dir.filePath("garbage.kestova");
    writeBytes(garbage, Bytes(100, 0x42));
    EXPECT_EQ(documents().openDocumentAt(garbage), nullptr);

    MosavoDocument *document = openNew();
    const QString path = dir.filePath("real.kestova");
    ASSERT_FALSE(document->writeTo(path));
    KestovaDocumentController::closeDocuments();
    settle();
    Bytes truncated = readBytes(path);
    truncated.resize(truncated.size() - 100);
    const QString damaged = dir.filePath("damaged.kestova");
    writeBytes(damaged, truncated);
    EXPECT_EQ(documents().openDocumentAt(damaged), nullptr);
    EXPECT_EQ(documents().openDocumentAt(dir.filePath("missing.kestova")), nullptr);

    EXPECT_TRUE(documents().documents().empty());
    ASSERT_EQ(alerts->errors.size(), 3);
    EXPECT_TRUE(alerts->errors[0].contains(garbage) && alerts->errors[0].contains("not a Kestova document"));
    EXPECT_TRUE(alerts->errors[1].contains(damaged) && alerts->errors[1].contains("damaged"));
    EXPECT_TRUE(alerts->errors[2].contains("missing.kestova"));
    EXPECT_EQ(readBytes(path).size(), truncated.size() + 100) << "the user's file is untouched";
}

TEST_F(ApplicationTest, ClosingWithUnsavedChangesAsks)
{
    MosavoDocument *document = openNew();
    app_test::drag(controllerOf(document).mosavo, { { 8, 8 }, { 100, 100 } });
    settle();
    ASSERT_TRUE(document->isModified());

    alerts->saveAnswers = { SaveChoice::cancel };
    EXPECT_FALSE(document->window()->close());
    settle();
    EXPECT_EQ(documents().documents().size(), 1u);
    EXPECT_EQ(alerts->saveQuestions, QStringList { "Untitled" });

    const QString path = dir.filePath("kept.kestova");
    alerts->saveAnswers = { SaveChoice::save };
    panels->answers = { path };
    EXPECT_TRUE(document->window()->close());
    settle();
    EXPECT_TRUE(documents().documents().empty());
    EXPECT_FALSE(readBytes(path).empty());

    MosavoDocument *other = openNew();
    other->setModified(true);
    alerts->saveAnswers = { SaveChoice::discard };
    EXPECT_TRUE(other->window()->close());
    settle();
    EXPECT_TRUE(documents().documents().empty());
}

TEST_F(ApplicationTest, FailedSaveKeepsTheOldFileAndSaysSo)
{
    MosavoDocument *document = openNew();
    document->setModified(true);
    panels->answers = { dir.filePath("no/such/folder/doc.kestova") };
    EXPECT_FALSE(document->save());
    EXPECT_TRUE(document->isModified());
    ASSERT_EQ(alerts->errors.size(), 1);
    EXPECT_TRUE(alerts->errors[0].contains("no/such/folder/doc.kestova"));

    // A document whose content is gone cannot be saved.
    MosavoDocument orphan;
    const auto result = orphan.data();
    ASSERT_TRUE(std::holds_alternative<DocumentError>(result));
    EXPECT_EQ(std::get<DocumentError>(result).code, -4);
}

TEST_F(ApplicationTest, ImportExportItemsAreEnabledOnlyWithADocument)
{
    MosavoDocument *document = openNew();
    ROMMenu *menu = document->window()->romMenu();
    ASSERT_TRUE(menu->importData && menu->exportPalette);
    EXPECT_EQ(delegate->romMenuItem, document->window()->romMenuItem());
    EXPECT_EQ(menu->editorViewController, document->editorViewController);
    menu->menuWillOpen();
    EXPECT_TRUE(menu->importData->isEnabled());

    menu->editorViewController = nullptr;
    menu->menuWillOpen();
    EXPECT_FALSE(menu->exportPalette->isEnabled());

    MainMosavoWindow empty;
    KestovaDocumentController::closeDocuments();
    settle();
    EXPECT_TRUE(empty.romMenuItem()->hasSubmenu());
    EXPECT_FALSE(empty.romMenu()->importData->isEnabled());
}

TEST(MosavoDocumentErrors, AlertTextsAndButtons)
{
    app_test::testApplication();
    const DocumentError open = errorObject(MosavoDocumentErrors::openFile);
    EXPECT_EQ(open.domain, "MosavoDocument");
    EXPECT_EQ(open.code, 0);
    EXPECT_EQ(open.userInfo.size(), 3);
    const DocumentError create = errorObject(MosavoDocumentErrors::couldNotCreateNewFile);
    EXPECT_EQ(create.userInfo.size(), 1);
    EXPECT_EQ(create.userInfo.value(DocumentError::descriptionKey), "New document could not be created");

    const auto box = makeAlert(open, nullptr);
    EXPECT_EQ(box->text(), "Would you like to close current project?");
    EXPECT_EQ(box->informativeText(), "Any work not saved will be lost");
    QStringList titles;
    for (QAbstractButton *button : box->buttons())
        titles << button->text();
    EXPECT_TRUE(titles.contains("Close") && titles.contains("Cancel") && titles.size() == 2);
    EXPECT_EQ(box->defaultButton()->text(), "Close");
}

// Work that takes long runs while the window stays live: after half a second a progress dialog with Cancel shows over
// the window, and Cancel returns at once without a result. Quick work shows no dialog and gives its result.
TEST_F(ApplicationTest, LongWorkShowsProgressAndCanBeCancelled)
{
    MosavoDocument *document = openNew();
    QWidget *window = document->window();
    std::atomic<bool> stop = false;
    int ticks = 0;
    bool shown = false;
    QTimer live;
    QObject::connect(&live, &QTimer::timeout, [&] { ++ticks; });
    live.start(50);
    QTimer::singleShot(900, window, [&] {
        auto *progress = window->findChild<QProgressDialog *>(QStringLiteral("workProgress"));
        shown = progress && progress->isVisible();
        if (!progress)
            return;
        EXPECT_EQ(progress->labelText(), QStringLiteral("Converting the picture"));
        auto *cancel = progress->findChild<QPushButton *>();
        ASSERT_NE(cancel, nullptr);
        QTest::mouseClick(cancel, Qt::LeftButton);
    });
    QElapsedTimer clock;
    clock.start();
    const auto result = runWithProgress<int>(window, QStringLiteral("Converting the picture"), [&stop] {
        for (int i = 0; i < 400 && !stop; ++i)
            QThread::msleep(10);
        return 42;
    });
    const qint64 took = clock.elapsed();
    stop = true;
    EXPECT_FALSE(result.has_value());
    EXPECT_TRUE(shown);
    EXPECT_GE(ticks, 10) << "the window's events ran meanwhile";
    EXPECT_LT(took, 3000);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    bool quickShown = false;
    QTimer::singleShot(0, window, [&] {
        auto *progress = window->findChild<QProgressDialog *>(QStringLiteral("workProgress"));
        quickShown = progress && progress->isVisible();
    });
    EXPECT_EQ(runWithProgress<int>(window, QStringLiteral("Quick"),
                  [] {
                      QThread::msleep(50);
                      return 7;
                  }),
        std::optional<int>(7));
    EXPECT_FALSE(quickShown);
    // The cancelled work ends on its own.
    QThread::msleep(200);
    settle();
}
