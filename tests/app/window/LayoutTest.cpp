#include "app/support/DocumentFixture.h"

#include "editor/MosavoArea.h"
#include "screen/ScreenEditor.h"
#include "sprite/MetaspriteEditor.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QDockWidget>
#include <QLabel>
#include <QMap>
#include <QMessageBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTableWidget>
#include <QToolButton>

using namespace app_test;

namespace {

// A CHR file of count tiles, tile n filled with colour index n % 4.
Bytes chrOfTiles(int64_t count)
{
    Bytes bytes;
    for (int64_t n = 0; n < count; ++n)
        for (int plane = 0; plane < 2; ++plane)
            bytes.insert(bytes.end(), 8, ((n % 4) >> plane) & 1 ? 0xFF : 0x00);
    return bytes;
}

// Whether a widget lies wholly inside the window's content (not cut off by a window too small for it).
bool wholeInWindow(QWidget *widget)
{
    QWidget *window = widget->window();
    const QRect inWindow(widget->mapTo(window, QPoint(0, 0)), widget->size());
    return widget->isVisible() && window->rect().contains(inWindow);
}

} // namespace

class LayoutTest : public ApplicationTest
{
protected:
    void SetUp() override
    {
        ApplicationTest::SetUp();
        QSettings settings;
        for (const QString &key : { MainMosavoWindow::geometryKey, MainMosavoWindow::splitterKey,
                 MainMosavoWindow::viewerScaleKey, MainMosavoWindow::showGridKey })
            settings.remove(key);
    }
    MosavoDocument *open(const QString &path)
    {
        MosavoDocument *document = documents().openDocumentAt(path);
        settle();
        if (document)
            activate(document);
        return document;
    }
    // A part of the document's window, by its name in the window's form.
    template<typename T = QWidget>
    static T *part(MosavoDocument *document, const char *name)
    {
        T *found = document->window()->findChild<T *>(QString::fromLatin1(name));
        EXPECT_TRUE(found) << name;
        return found;
    }
    static void resizeWindow(MosavoDocument *document, QSize size)
    {
        document->window()->resize(size);
        settle();
    }
};

// The window fits a 1024 x 600 screen and uses a 1920 x 1080 one: the editor is the largest square of whole screen
// pixels per tile pixel that its area holds, centred, and the viewer's cells keep their whole-step scale.
TEST_F(LayoutTest, WindowFitsSmallScreensAndGrowsOnLargeOnes)
{
    MosavoDocument *document = openNew();
    ASSERT_TRUE(document);
    MainMosavoWindow *window = document->window();
    EXPECT_LE(window->minimumSizeHint().width(), 1024);
    EXPECT_LE(window->minimumSizeHint().height(), 600);

    const auto measure = [&](QSize size) {
        resizeWindow(document, size);
        EXPECT_EQ(window->size(), size);
        Mosavo *editor = part<Mosavo>(document, "mosavo");
        QWidget *area = part<QWidget>(document, "editorArea");
        const QRect square = editor->geometry();
        EXPECT_EQ(square.width(), square.height());
        EXPECT_EQ(square.width() % pixelsPerSide(editor->zoomSize()), 0) << "whole screen pixels a tile pixel";
        EXPECT_TRUE(area->rect().contains(square));
        EXPECT_LE(std::abs(square.left() - (area->width() - square.right() - 1)), 1) << "centred across";
        EXPECT_LE(std::abs(square.top() - (area->height() - square.bottom() - 1)), 1) << "centred down";
        // Another whole square would not fit: the editor takes what its area offers.
        EXPECT_LT(std::min(area->width(), area->height()), square.width() + 32);

        TileCollection *viewer = part<TileCollection>(document, "tileCollection");
        EXPECT_EQ(viewer->viewerScale(), 2);
        EXPECT_EQ(viewer->shownScale(), 2);
        EXPECT_EQ(viewer->cellSide(), 16);
        EXPECT_GE(viewer->viewport()->width(), 16 * viewer->cellPitch()) << "all 16 columns in view";
        for (QWidget *part : std::initializer_list<QWidget *> { viewer, editor, part<QWidget>(document, "toolsBox"),
                 part<QComboBox>(document, "zoomPopUp"), part<QWidget>(document, "gridBlack"),
                 part<QWidget>(document, "selectableColors"), part<QWidget>(document, "selectablePalettes"),
                 part<QWidget>(document, "generalSelectableColors") })
            EXPECT_TRUE(wholeInWindow(part))
                << part->objectName().toStdString() << " at " << size.width() << "x" << size.height();
        return square.width();
    };
    const int small = measure({ 1024, 600 });
    const int large = measure({ 1920, 1080 });
    EXPECT_GE(small, 320);
    EXPECT_GT(large, small);
    EXPECT_GE(large, 896);
    // Sizes between the two and block sizes other than 4x4 keep the same rules.
    measure({ 1333, 777 });
    part<QComboBox>(document, "zoomPopUp")->setCurrentIndex(0);
    settle();
    measure({ 1333, 777 });
    EXPECT_EQ(part<Mosavo>(document, "mosavo")->zoomSize(), ZoomSize::x1);

    // Painting at the large size lands in the tile pixel under the pointer.
    part<QComboBox>(document, "zoomPopUp")->setCurrentIndex(2);
    resizeWindow(document, { 1920, 1080 });
    Mosavo *editor = part<Mosavo>(document, "mosavo");
    const double perPixel = editor->width() / 32.0;
    ASSERT_EQ(perPixel, std::floor(perPixel));
    const QPointF at((5 + 0.5) * perPixel, (9 + 0.5) * perPixel);
    drag(editor, { at });
    settle();
    EXPECT_EQ(editor->bitmapCanvasForDrawing()->matrix()->values[9][5], editor->colorFromPalette());
}

// With the Screens and Sprites docks open the window still fits a 1024 x 600 screen, the pixel editor keeps a usable
// size and every dock control can be brought into view.
TEST_F(LayoutTest, WindowWithItsDocksOpenFitsSmallScreens)
{
    MosavoDocument *document = openNew();
    ASSERT_TRUE(document);
    MainMosavoWindow *window = document->window();
    trigger(document, "actionNewScreen");
    trigger(document, "actionNewMetasprite");
    settle();
    for (const char *dock : { "screensDock", "spritesDock" })
        ASSERT_TRUE(part<QDockWidget>(document, dock)->isVisible()) << dock;
    EXPECT_LE(window->minimumSizeHint().width(), 1024) << window->minimumSizeHint().width();
    EXPECT_LE(window->minimumSizeHint().height(), 600) << window->minimumSizeHint().height();
    resizeWindow(document, { 1024, 600 });
    EXPECT_EQ(window->size(), QSize(1024, 600));
    EXPECT_GE(part<Mosavo>(document, "mosavo")->width(), 192);
    // A dock narrower than its controls scrolls them into view.
    for (const char *dock : { "screensDock", "spritesDock" }) {
        auto *shown = part<QDockWidget>(document, dock);
        shown->raise();
        settle();
        auto *scroll = qobject_cast<QScrollArea *>(shown->widget());
        ASSERT_TRUE(scroll) << dock;
        for (QWidget *control : shown->findChildren<QAbstractButton *>()) {
            if (!control->isVisibleTo(shown))
                continue;
            scroll->ensureWidgetVisible(control, 0, 0);
            settle();
            EXPECT_TRUE(wholeInWindow(control)) << dock << " " << control->objectName().toStdString();
        }
    }
}

// On a short window the Sprites dock folds the animation's frames away and scrolls the sprite view to the origin;
// the Screens dock shows its screen at 1x.
TEST_F(LayoutTest, ShortWindowsGiveTheSpritesDockHeightToTheSprites)
{
    MosavoDocument *document = openNew();
    ASSERT_TRUE(document);
    resizeWindow(document, { 1024, 600 });
    trigger(document, "actionNewMetasprite");
    settle();
    EXPECT_FALSE(part<QWidget>(document, "animationFrames")->isVisible());
    auto *spriteView = part<QScrollArea>(document, "metaspriteScroll");
    auto *editor = part<mosavo::MetaspriteEditor>(document, "metaspriteEditor");
    const QPoint origin
        = editor->mapTo(spriteView->viewport(), editor->widgetPoint(editor->originX(), editor->originY()).toPoint());
    EXPECT_TRUE(spriteView->viewport()->rect().contains(origin))
        << origin.x() << ", " << origin.y() << " in " << spriteView->viewport()->width() << " x "
        << spriteView->viewport()->height();
    EXPECT_GE(spriteView->viewport()->height(), 200);
    // Unfolded on asking.
    part<QToolButton>(document, "animationFold")->click();
    EXPECT_TRUE(part<QWidget>(document, "animationFrames")->isVisible());
    // The screen editor starts at 1x there.
    trigger(document, "actionNewScreen");
    part<QDockWidget>(document, "screensDock")->raise();
    settle();
    EXPECT_EQ(part<mosavo::ScreenEditor>(document, "screenEditor")->scale(), 1);
}

// The viewer scale is chosen in the View menu, fits the viewer panel to it and is kept with the splitter's
// positions for the next window.
TEST_F(LayoutTest, ViewerScaleAndSplitterPositionsAreRemembered)
{
    MosavoDocument *document = openNew();
    ASSERT_TRUE(document);
    resizeWindow(document, { 1500, 900 });
    TileCollection *viewer = part<TileCollection>(document, "tileCollection");
    EXPECT_TRUE(part<QAction>(document, "actionViewerScale2")->isChecked());

    trigger(document, "actionViewerScale4");
    settle();
    EXPECT_EQ(viewer->viewerScale(), 4);
    EXPECT_EQ(viewer->shownScale(), 4) << "the viewer panel widened to the cells' width";
    EXPECT_EQ(viewer->cellSide(), 32);
    EXPECT_TRUE(part<QAction>(document, "actionViewerScale4")->isChecked());
    EXPECT_FALSE(part<QAction>(document, "actionViewerScale2")->isChecked());
    EXPECT_EQ(QSettings().value(MainMosavoWindow::viewerScaleKey).toInt(), 4);
    const int editorAt4 = part<Mosavo>(document, "mosavo")->width();
    trigger(document, "actionViewerScale1");
    settle();
    EXPECT_EQ(viewer->cellSide(), 8);
    EXPECT_LE(viewer->width(), 16 * 9 + viewer->verticalScrollBar()->width() + 40) << "narrowed again";
    EXPECT_GE(part<Mosavo>(document, "mosavo")->width(), editorAt4) << "the editor has the width the viewer gave up";
    trigger(document, "actionViewerScale3");

    // Move the boundary between the editor and the tools, then close and open another window.
    QSplitter *splitter = part<QSplitter>(document, "panelSplitter");
    QList<int> sizes = splitter->sizes();
    ASSERT_EQ(sizes.size(), 3);
    sizes[1] -= 100;
    sizes[2] += 100;
    splitter->setSizes(sizes);
    settle();
    sizes = splitter->sizes();
    KestovaDocumentController::closeDocuments();
    settle();

    MosavoDocument *next = openNew();
    ASSERT_TRUE(next);
    EXPECT_EQ(part<TileCollection>(next, "tileCollection")->viewerScale(), 3);
    EXPECT_TRUE(part<QAction>(next, "actionViewerScale3")->isChecked());
    EXPECT_EQ(next->window()->size(), QSize(1500, 900));
    EXPECT_EQ(part<QSplitter>(next, "panelSplitter")->sizes(), sizes);
}

// A resize keeps the viewer's top row of tiles in view.
TEST_F(LayoutTest, ResizingTheWindowKeepsTheViewerScrollPosition)
{
    const QString path = dir.filePath("many.chr");
    writeBytes(path, chrOfTiles(4096));
    MosavoDocument *document = open(path);
    ASSERT_TRUE(document);
    resizeWindow(document, { 1500, 900 });
    TileCollection *viewer = part<TileCollection>(document, "tileCollection");
    viewer->scrollToTile(2048);
    EXPECT_EQ(viewer->topVisibleTile(), 2048);
    for (QSize size : { QSize(1024, 600), QSize(1920, 1080), QSize(1100, 700) }) {
        resizeWindow(document, size);
        EXPECT_EQ(viewer->topVisibleTile(), 2048) << size.width() << "x" << size.height();
    }
    trigger(document, "actionViewerScale4");
    EXPECT_EQ(viewer->topVisibleTile(), 2048);
}

// The document keeps how it was shown: viewer scroll position and scale, the selected block and its size, the
// current sub-palette, the sub-palette view and the 8x16 order. A document without that opens as a new one shows.
TEST_F(LayoutTest, DocumentRemembersItsViewThroughSaveAndReopen)
{
    const QString chr = dir.filePath("many.chr");
    writeBytes(chr, chrOfTiles(4096));
    MosavoDocument *document = open(chr);
    ASSERT_TRUE(document);
    EditorViewController &controller = controllerOf(document);
    TileCollection *viewer = part<TileCollection>(document, "tileCollection");

    trigger(document, "actionViewerScale3");
    part<QComboBox>(document, "zoomPopUp")->setCurrentIndex(1); // 2x2
    controller.chooseSubPalette(5);
    trigger(document, "actionShowSubPalette");
    trigger(document, "actionSprites8x16");
    viewer->selectTile(1302);
    viewer->scrollToTile(1280);
    settle();
    const int64_t selected = viewer->currentlySelectedTile();
    const int64_t top = viewer->topVisibleTile();
    const std::vector<int64_t> block = controller.mosavo->tileIDs();
    ASSERT_EQ(block.size(), 4u);
    EXPECT_EQ(top, 1280);

    const QString path = dir.filePath("view.kestova");
    panels->answers = { path };
    trigger(document, "actionSave");
    ASSERT_EQ(document->filePath(), path);
    // The scale is kept by the document, not only as the next window's choice.
    QSettings().setValue(MainMosavoWindow::viewerScaleKey, 1);
    KestovaDocumentController::closeDocuments();
    settle();

    MosavoDocument *reopened = open(path);
    ASSERT_TRUE(reopened) << alerts->errors.join('\n').toStdString();
    settle();
    EditorViewController &again = controllerOf(reopened);
    TileCollection *shown = part<TileCollection>(reopened, "tileCollection");
    EXPECT_EQ(shown->viewerScale(), 3);
    EXPECT_TRUE(part<QAction>(reopened, "actionViewerScale3")->isChecked());
    EXPECT_EQ(part<QComboBox>(reopened, "zoomPopUp")->currentText(), "x2");
    EXPECT_EQ(again.mosavo->zoomSize(), ZoomSize::x2);
    EXPECT_EQ(again.currentSubPalette(), 5);
    EXPECT_EQ(again.mosavo->colorPalette(), (*again.selectablePalettes)[5]);
    EXPECT_TRUE(again.viewerShowsSubPalette());
    EXPECT_TRUE(part<QAction>(reopened, "actionShowSubPalette")->isChecked());
    EXPECT_TRUE(again.viewerShowsSprites8x16());
    EXPECT_TRUE(part<QAction>(reopened, "actionSprites8x16")->isChecked());
    EXPECT_EQ(shown->currentlySelectedTile(), selected);
    EXPECT_EQ(again.mosavo->tileIDs(), block);
    EXPECT_EQ(shown->topVisibleTile(), top);
    EXPECT_FALSE(reopened->isModified());

    // Saved again unchanged, the view is the same.
    const SettingsPtr settings = reopened->editorViewControllerSettings.lock();
    const DocumentViewState before = settings->viewState();
    reopened->save();
    EXPECT_EQ(settings->viewState(), before);
    KestovaDocumentController::closeDocuments();
    settle();

    // A document without view state opens as a new document does.
    const QString plain = dir.filePath("plain.kestova");
    auto blank = EditorViewControllerSettings::emptyConsoleObject(ConsoleType::nes);
    writeBytes(plain, *blank->documentBytes());
    MosavoDocument *old = open(plain);
    ASSERT_TRUE(old);
    EXPECT_EQ(part<TileCollection>(old, "tileCollection")->viewerScale(), 1) << "the remembered choice";
    EXPECT_EQ(controllerOf(old).mosavo->zoomSize(), ZoomSize::x4);
    EXPECT_EQ(controllerOf(old).currentSubPalette(), 0);
    EXPECT_FALSE(controllerOf(old).viewerShowsSubPalette());
    EXPECT_FALSE(controllerOf(old).viewerShowsSprites8x16());
    EXPECT_EQ(part<TileCollection>(old, "tileCollection")->currentlySelectedTile(), 0);
    EXPECT_EQ(part<TileCollection>(old, "tileCollection")->topVisibleTile(), 0);
}

// A view-state key out of range leaves that part of the view at its default: the document opens, and the status bar
// says what was not restored.
TEST_F(LayoutTest, DocumentWithAViewOutOfRangeOpensAtTheDefaultAndSaysSo)
{
    auto settings = EditorViewControllerSettings::emptyConsoleObject(ConsoleType::nes);
    DocumentViewState state;
    state.selectedTile = 700; // of 512 tiles
    state.currentSubPalette = 3;
    settings->setViewState(state);
    const QString path = dir.filePath("bad-view.kestova");
    writeBytes(path, *settings->documentBytes());
    MosavoDocument *document = documents().openDocumentAt(path);
    ASSERT_TRUE(document);
    settle();
    EXPECT_TRUE(alerts->errors.isEmpty());
    EXPECT_EQ(part<TileCollection>(document, "tileCollection")->currentlySelectedTile(), 0);
    EXPECT_EQ(controllerOf(document).currentSubPalette(), 3) << "the rest of the view is restored";
    const QString status = document->window()->statusBar()->currentMessage();
    EXPECT_TRUE(status.contains("\"SelectedTile\" is not a tile number (0 to 511); the default is used"))
        << status.toStdString();
}

// The grid is grey (visible on dark and light colours), can be hidden from the View menu, and that is remembered.
TEST_F(LayoutTest, GridIsGreyAndCanBeHidden)
{
    MosavoDocument *document = openNew();
    ASSERT_TRUE(document);
    Mosavo *editor = part<Mosavo>(document, "mosavo");
    EXPECT_EQ(editor->lineColorBetweenTiles(), QColor(Qt::gray));
    EXPECT_TRUE(editor->showsGrid());
    EXPECT_TRUE(part<QAction>(document, "actionShowGrid")->isChecked());
    // A blank block in colour 0: the grid is the only other colour.
    const auto colours = [editor] {
        const QImage image = editor->grab().toImage().convertToFormat(QImage::Format_RGB32);
        std::set<QRgb> seen;
        for (int y = 0; y < image.height(); y += 3)
            for (int x = 0; x < image.width(); ++x)
                seen.insert(image.pixel(x, y));
        return seen;
    };
    EXPECT_TRUE(colours().contains(QColor(Qt::gray).rgb()));

    trigger(document, "actionShowGrid");
    EXPECT_FALSE(editor->showsGrid());
    EXPECT_EQ(colours().size(), 1u);
    EXPECT_FALSE(QSettings().value(MainMosavoWindow::showGridKey).toBool());
    KestovaDocumentController::closeDocuments();
    settle();

    MosavoDocument *next = openNew();
    EXPECT_FALSE(part<Mosavo>(next, "mosavo")->showsGrid());
    EXPECT_FALSE(part<QAction>(next, "actionShowGrid")->isChecked());
    trigger(next, "actionShowGrid");
    EXPECT_TRUE(part<Mosavo>(next, "mosavo")->showsGrid());
    EXPECT_TRUE(QSettings().value(MainMosavoWindow::showGridKey).toBool());
}

// + and - change the block size and say so at either end; every tool button names its key; Help lists every key
// and names the version and the licence.
TEST_F(LayoutTest, BlockSizeKeysToolTipsAndHelp)
{
    MosavoDocument *document = openNew();
    ASSERT_TRUE(document);
    MainMosavoWindow *window = document->window();
    EXPECT_EQ(part<QLabel>(document, "zoomLabel")->text(), "Block size");
    EXPECT_EQ(part<Mosavo>(document, "mosavo")->zoomSize(), ZoomSize::x4);
    trigger(document, "actionZoomOut");
    EXPECT_EQ(part<Mosavo>(document, "mosavo")->zoomSize(), ZoomSize::x4);
    EXPECT_EQ(window->statusBar()->currentMessage(), "The block is already 4x4 tiles, the largest");
    trigger(document, "actionZoomIn");
    EXPECT_EQ(part<Mosavo>(document, "mosavo")->zoomSize(), ZoomSize::x2);
    EXPECT_EQ(window->statusBar()->currentMessage(), "Block size 2x2 tiles");
    trigger(document, "actionZoomIn");
    trigger(document, "actionZoomIn");
    EXPECT_EQ(part<Mosavo>(document, "mosavo")->zoomSize(), ZoomSize::x1);
    EXPECT_EQ(window->statusBar()->currentMessage(), "The block is already 1x1 tiles, the smallest");
    trigger(document, "actionZoomOut");
    EXPECT_EQ(part<Mosavo>(document, "mosavo")->zoomSize(), ZoomSize::x2);
    EXPECT_TRUE(part<QAction>(document, "actionZoomIn")->text().contains("Smaller Block"));
    EXPECT_TRUE(part<QAction>(document, "actionZoomOut")->text().contains("Larger Block"));

    // The keyboard shortcuts dialog lists every key of the window.
    QDialog *dialog = window->showKeyboardShortcuts();
    ASSERT_TRUE(dialog);
    auto *table = dialog->findChild<QTableWidget *>();
    ASSERT_TRUE(table);
    QStringList listed;
    for (int row = 0; row < table->rowCount(); ++row)
        listed << table->item(row, 0)->text().split(QStringLiteral(", "));
    int keys = 0;
    for (const QAction *action : window->findChildren<QAction *>())
        for (const QKeySequence &key : action->shortcuts()) {
            ++keys;
            EXPECT_TRUE(listed.contains(key.toString(QKeySequence::NativeText)))
                << key.toString().toStdString() << " of " << action->text().toStdString();
        }
    EXPECT_GT(keys, 40);
    dialog->close();
    // No two window-wide actions share a key: Qt would run neither.
    QMap<QString, QString> owners;
    for (const QAction *action : window->findChildren<QAction *>()) {
        if (action->shortcutContext() == Qt::WidgetShortcut
            || action->shortcutContext() == Qt::WidgetWithChildrenShortcut)
            continue;
        for (const QKeySequence &key : action->shortcuts()) {
            const QString name = key.toString();
            EXPECT_FALSE(owners.contains(name) && owners[name] != action->objectName())
                << name.toStdString() << " of " << action->objectName().toStdString() << " and "
                << owners[name].toStdString();
            owners[name] = action->objectName();
        }
    }

    // Each tool button's tooltip names its key, and that key chooses the tool.
    const std::pair<QToolButton *, Qt::Key> tools[] = { { part<QToolButton>(document, "toolPencil"), Qt::Key_P },
        { part<QToolButton>(document, "toolStraightLine"), Qt::Key_L },
        { part<QToolButton>(document, "toolFill"), Qt::Key_F },
        { part<QToolButton>(document, "toolBoxEmpty"), Qt::Key_R },
        { part<QToolButton>(document, "toolCircleEmpty"), Qt::Key_E } };
    for (const auto &[button, key] : tools) {
        const QString name = QKeySequence(key).toString();
        EXPECT_TRUE(button->toolTip().endsWith(QStringLiteral("(%1)").arg(name))) << button->toolTip().toStdString();
        EXPECT_TRUE(listed.contains(name));
    }
    for (QToolButton *button : part<QWidget>(document, "toolsBox")->findChildren<QToolButton *>()) {
        EXPECT_TRUE(button->toolTip().contains(QRegularExpression(QStringLiteral("\\(.+\\)$"))))
            << button->objectName().toStdString();
    }

    // About names the version CMake gives and the licence.
    trigger(document, "actionAbout");
    auto *about = window->findChild<QMessageBox *>(QStringLiteral("aboutDialog"));
    ASSERT_TRUE(about);
    EXPECT_TRUE(about->text().contains(QStringLiteral("Kestova " KESTOVA_PROJECT_VERSION)))
        << about->text().toStdString();
    EXPECT_TRUE(about->informativeText().contains("MIT licence"));
    about->close();
}
