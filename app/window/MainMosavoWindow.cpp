#include "app/window/MainMosavoWindow.h"
#include "app/tiles/ROMMenuItem.h"

#include "app/document/KestovaDocumentController.h"
#include "app/document/MosavoDocument.h"
#include "app/levels/LevelActions.h"
#include "app/screens/ScreenActions.h"
#include "app/sprites/SpriteActions.h"
#include "app/tiles/EditorViewController.h"
#include "app/tiles/ROMMenu.h"
#include "app/tiles/TileSheetActions.h"
#include "app/window/DisplayColorsMenu.h"
#include "app/window/RecentFiles.h"
#include "ui_MainMosavo.h"

#include "editor/MosavoArea.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDataStream>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>

#ifndef KESTOVA_VERSION
#define KESTOVA_VERSION "unknown"
#endif

namespace kestova {

namespace {
// The width of the screen a saved window geometry (QWidget::saveGeometry, format 2 or 3) was saved on.
std::optional<int> savedScreenWidth(const QByteArray &saved)
{
    QDataStream in(saved);
    quint32 magic = 0;
    quint16 major = 0, minor = 0;
    QRect frame, normal;
    qint32 screenNumber = 0, screenWidth = 0;
    quint8 maximized = 0, fullScreen = 0;
    in >> magic >> major >> minor >> frame >> normal >> screenNumber >> maximized >> fullScreen;
    if (major < 2)
        return std::nullopt;
    in >> screenWidth;
    if (in.status() != QDataStream::Ok || magic != 0x1D9D0CB)
        return std::nullopt;
    return screenWidth;
}
} // namespace

MainMosavoWindow::MainMosavoWindow(MosavoDocument *document, QWidget *parent)
    : QMainWindow(parent)
    , ui_(std::make_unique<Ui::MainMosavo>())
    , document_(document)
{
    ui_->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto *controller = ui_->editorViewController;
    controller->mosavo = ui_->mosavo;
    controller->tileCollection = ui_->tileCollection;
    controller->tileViewerScrollView = ui_->tileCollection;
    controller->selectableColorsOutlet = ui_->selectableColors;
    controller->selectablePalettesOutlet = ui_->selectablePalettes;
    controller->generalSelectableColorsOutlet = ui_->generalSelectableColors;
    controller->toolPencil = ui_->toolPencil;
    controller->toolStraightLine = ui_->toolStraightLine;
    controller->toolFill = ui_->toolFill;
    controller->toolBoxEmpty = ui_->toolBoxEmpty;
    controller->toolBoxFilled = ui_->toolBoxFilled;
    controller->toolCircleEmpty = ui_->toolCircleEmpty;
    controller->toolCircleFilled = ui_->toolCircleFilled;
    controller->viewDidLoad();
    editorViewController = controller;

    ui_->romMenu->importData = ui_->importData;
    ui_->romMenu->exportData = ui_->exportData;
    ui_->romMenu->importPalette = ui_->importPalette;
    ui_->romMenu->exportPalette = ui_->exportPalette;
    ui_->romMenu->exportBackgroundPalette = ui_->exportBackgroundPalette;
    ui_->romMenu->connectItems();
    romMenuItem_ = new ROMMenuItem(this);
    romMenuItem_->romMenu = ui_->romMenu;
    romMenuItem_->hasSubmenu();
    connect(&KestovaDocumentController::shared(), &KestovaDocumentController::documentsChanged, romMenuItem_,
        [item = romMenuItem_] { item->hasSubmenu(); });

    if (!document) {
        // The window shown while no document is open: menus only.
        controller->setEnabled(false);
        controller->hide();
        setWindowTitle(QStringLiteral("Kestova"));
        statusBar()->showMessage(QStringLiteral("Open a ROM, a CHR file or a Kestova document, or start a new one."));
        resize(520, 160);
    } else if (const QByteArray saved = QSettings().value(geometryKey).toByteArray(); restoreGeometry(saved)) {
        // Saved on another screen: fitted into this one once shown (its frame is known then).
        const QScreen *onScreen = QApplication::screenAt(geometry().center());
        if (!onScreen)
            onScreen = QApplication::primaryScreen();
        const std::optional<int> savedWidth = savedScreenWidth(saved);
        fitToScreenWhenShown_ = onScreen && (!savedWidth || *savedWidth != onScreen->geometry().width());
    } else {
        // A first window: most of the screen, at least 1024 x 600 where the screen has that room.
        QSize size(1280, 800);
        if (const QScreen *screen = QApplication::primaryScreen()) {
            const QSize available = screen->availableGeometry().size();
            size = (available * 0.9).expandedTo(QSize(1024, 600)).boundedTo(available);
        }
        resize(size);
        // Its frame and status bar too, once the window system has given it a frame.
        fitToScreenWhenShown_ = true;
    }
    setAcceptDrops(true);
    connectActions();
    DisplayColorsMenu::install(this);
    if (document) {
        connectEditing();
        connectView();
        SpriteActions::install(this);
        ScreenActions::install(this);
        LevelActions::install(this);
    }
}

MosavoDocument *MainMosavoWindow::document() const
{
    return document_;
}

MainMosavoWindow::~MainMosavoWindow()
{
    // The docks' actions go first, while the window is whole: the controller still signals as the window's children
    // are taken down, and they must not hear it.
    delete ScreenActions::of(this);
    delete SpriteActions::of(this);
    delete LevelActions::of(this);
    delete DisplayColorsMenu::of(this);
}

const QString MainMosavoWindow::geometryKey = QStringLiteral("window/geometry");
const QString MainMosavoWindow::splitterKey = QStringLiteral("window/splitter");
const QString MainMosavoWindow::viewerScaleKey = QStringLiteral("view/viewerScale");
const QString MainMosavoWindow::showGridKey = QStringLiteral("view/showGrid");

ROMMenu *MainMosavoWindow::romMenu() const
{
    return ui_->romMenu;
}

void MainMosavoWindow::showStatus(const QString &message)
{
    statusBar()->showMessage(message, 8000);
}

void MainMosavoWindow::connectActions()
{
    auto &documents = KestovaDocumentController::shared();
    connect(ui_->actionNew, &QAction::triggered, this, [&documents] { documents.newDocument(); });
    connect(ui_->actionOpen, &QAction::triggered, this, [&documents] { documents.openDocument(); });
    connect(ui_->actionSave, &QAction::triggered, this, [this] {
        if (document_)
            document_->save();
    });
    connect(ui_->actionSaveAs, &QAction::triggered, this, [this] {
        if (document_)
            document_->saveAs();
    });
    connect(ui_->actionClose, &QAction::triggered, this, &QWidget::close);
    connect(ui_->menuOpenRecent, &QMenu::aboutToShow, this, &MainMosavoWindow::updateRecentFilesMenu);
    updateRecentFilesMenu();
    connect(ui_->actionExportPng, &QAction::triggered, this, [this] { exportTilesAsPng(document_); });
    connect(ui_->actionImportPng, &QAction::triggered, this, [this] { importTilesFromPng(document_); });
    ui_->actionExportPng->setEnabled(document_ != nullptr);
    ui_->actionImportPng->setEnabled(document_ != nullptr);
    connect(ui_->actionQuit, &QAction::triggered, this, [&documents] {
        if (documents.closeAllAsking())
            QApplication::quit();
    });
    ui_->actionSave->setEnabled(document_ != nullptr);
    ui_->actionSaveAs->setEnabled(document_ != nullptr);
    ui_->actionClose->setEnabled(document_ != nullptr);

    auto *controller = ui_->editorViewController;
    const std::initializer_list<QAbstractButton *> tools { ui_->toolPencil, ui_->toolStraightLine, ui_->toolFill,
        ui_->toolBoxEmpty, ui_->toolBoxFilled, ui_->toolCircleEmpty, ui_->toolCircleFilled };
    for (QAbstractButton *button : tools)
        connect(
            button, &QAbstractButton::clicked, controller, [controller, button] { controller->toolSelected(button); });
    const std::initializer_list<QAbstractButton *> gridButtons { ui_->gridGray, ui_->gridWhite, ui_->gridBlack };
    for (QAbstractButton *button : gridButtons)
        connect(button, &QAbstractButton::clicked, controller,
            [controller, button] { controller->updateLineColor(button); });
    connect(ui_->zoomPopUp, &QComboBox::currentIndexChanged, controller,
        [controller, popUp = ui_->zoomPopUp] { controller->changeZoomSize(popUp); });

    connect(ui_->actionKeyboardShortcuts, &QAction::triggered, this, &MainMosavoWindow::showKeyboardShortcuts);
    connect(ui_->actionAbout, &QAction::triggered, this, &MainMosavoWindow::showAbout);
}

void MainMosavoWindow::connectEditing()
{
    auto *controller = ui_->editorViewController;
    QUndoStack &stack = controller->undoStack();

    // Undo and redo lead the Edit menu.
    QAction *undo = stack.createUndoAction(this, QStringLiteral("&Undo"));
    undo->setObjectName(QStringLiteral("actionUndo"));
    undo->setShortcuts(QKeySequence::Undo);
    QAction *redo = stack.createRedoAction(this, QStringLiteral("&Redo"));
    redo->setObjectName(QStringLiteral("actionRedo"));
    redo->setShortcuts({ QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y) });
    QAction *first = ui_->menuEdit->actions().value(0);
    ui_->menuEdit->insertAction(first, undo);
    ui_->menuEdit->insertAction(first, redo);
    ui_->menuEdit->insertSeparator(first);

    connect(ui_->actionCut, &QAction::triggered, controller, &EditorViewController::cutBlock);
    connect(ui_->actionCopy, &QAction::triggered, controller, &EditorViewController::copyBlock);
    connect(ui_->actionPaste, &QAction::triggered, controller, [this, controller] {
        if (!controller->pasteBlock() && !pasteClipboardImage(document_))
            showStatus(QStringLiteral("The clipboard holds no tiles"));
    });
    connect(ui_->actionClear, &QAction::triggered, controller, &EditorViewController::clearBlock);
    connect(ui_->actionFlipHorizontally, &QAction::triggered, controller, &EditorViewController::flipBlockHorizontally);
    connect(ui_->actionFlipVertically, &QAction::triggered, controller, &EditorViewController::flipBlockVertically);
    connect(ui_->actionRotateClockwise, &QAction::triggered, controller, &EditorViewController::rotateBlockClockwise);
    connect(ui_->actionRotateCounterClockwise, &QAction::triggered, controller,
        &EditorViewController::rotateBlockCounterClockwise);
    // + zooms in (a smaller block, larger pixels), - zooms out.
    connect(ui_->actionZoomIn, &QAction::triggered, this, [this] { stepBlockSize(-1); });
    connect(ui_->actionZoomOut, &QAction::triggered, this, [this] { stepBlockSize(1); });
    ui_->actionZoomIn->setShortcuts({ QKeySequence(Qt::Key_Plus), QKeySequence(Qt::Key_Equal) });

    // Keys of the field: 1-4 paint slot, [ and ] sub-palettes, tool letters. Their texts name them in Help > Keyboard
    // Shortcuts.
    auto addKey = [this](const QKeySequence &key, const QString &text, auto handler) {
        auto *action = new QAction(text, this);
        action->setShortcut(key);
        connect(action, &QAction::triggered, this, handler);
        addAction(action);
        return action;
    };
    for (int slot = 0; slot < 4; ++slot)
        addKey(QKeySequence(Qt::Key_1 + slot), QStringLiteral("Paint with colour %1 of the sub-palette").arg(slot),
            [controller, slot] { controller->choosePaintSlot(slot); });
    addKey(QKeySequence(Qt::Key_BracketLeft), QStringLiteral("Previous sub-palette"),
        [controller] { controller->stepSubPalette(-1); });
    addKey(QKeySequence(Qt::Key_BracketRight), QStringLiteral("Next sub-palette"),
        [controller] { controller->stepSubPalette(1); });
    const std::pair<QKeySequence, QAbstractButton *> toolKeys[] = {
        { QKeySequence(Qt::Key_P), ui_->toolPencil },
        { QKeySequence(Qt::Key_L), ui_->toolStraightLine },
        { QKeySequence(Qt::Key_R), ui_->toolBoxEmpty },
        { QKeySequence(Qt::SHIFT | Qt::Key_R), ui_->toolBoxFilled },
        { QKeySequence(Qt::Key_E), ui_->toolCircleEmpty },
        { QKeySequence(Qt::SHIFT | Qt::Key_E), ui_->toolCircleFilled },
        { QKeySequence(Qt::Key_F), ui_->toolFill },
    };
    for (const auto &[key, button] : toolKeys) {
        // The tool's name as its button's tooltip gives it, without the key.
        const QString name = button->toolTip().section(QStringLiteral(" ("), 0, 0);
        addKey(key, QStringLiteral("%1 tool").arg(name),
            [controller, button = button] { controller->toolSelected(button); });
    }

    // Arrow keys shift the block by one pixel while the editor has the focus.
    ui_->mosavo->setFocusPolicy(Qt::StrongFocus);
    const std::tuple<Qt::Key, int, int, const char *> arrows[] = { { Qt::Key_Left, -1, 0, "left" },
        { Qt::Key_Right, 1, 0, "right" }, { Qt::Key_Up, 0, -1, "up" }, { Qt::Key_Down, 0, 1, "down" } };
    for (const auto &[key, dx, dy, direction] : arrows) {
        auto *action = new QAction(
            QStringLiteral("Shift the block one pixel %1 (in the editor)").arg(QLatin1String(direction)), ui_->mosavo);
        action->setShortcut(QKeySequence(key));
        action->setShortcutContext(Qt::WidgetShortcut);
        connect(action, &QAction::triggered, controller,
            [controller, dx = dx, dy = dy] { controller->shiftBlock(dx, dy); });
        ui_->mosavo->addAction(action);
    }

    tileFacts_ = new QLabel(this);
    // The facts may be cut short rather than widen the window past a small screen.
    tileFacts_->setMinimumWidth(40);
    statusBar()->addPermanentWidget(tileFacts_);
    connect(controller, &EditorViewController::contentReloaded, this, &MainMosavoWindow::updateTileDataFacts);
    connect(ui_->actionGoToChrRom, &QAction::triggered, controller, [this, controller] {
        if (const auto tile = controller->chrRomStartTile()) {
            ui_->tileCollection->selectTile(*tile);
            showStatus(QStringLiteral("CHR-ROM starts at tile %1").arg(*tile));
        }
    });
    connect(ui_->actionShowSubPalette, &QAction::toggled, controller, &EditorViewController::setViewerShowsSubPalette);
    connect(ui_->actionSprites8x16, &QAction::toggled, controller, &EditorViewController::setViewerShowsSprites8x16);
    updateTileDataFacts();
    installReadout();
}

void MainMosavoWindow::stepBlockSize(int delta)
{
    QComboBox *popUp = ui_->zoomPopUp;
    const int index = popUp->currentIndex() + delta;
    if (index < 0) {
        showStatus(QStringLiteral("The block is already 1x1 tiles, the smallest"));
        return;
    }
    if (index >= popUp->count()) {
        showStatus(QStringLiteral("The block is already 4x4 tiles, the largest"));
        return;
    }
    popUp->setCurrentIndex(index);
    showStatus(QStringLiteral("Block size %1x%1 tiles").arg(mosavo::tilesPerSide(ui_->mosavo->zoomSize())));
}

void MainMosavoWindow::connectView()
{
    auto *controller = ui_->editorViewController;
    QSplitter *splitter = ui_->panelSplitter;
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setStretchFactor(2, 0);
    splitter->restoreState(QSettings().value(splitterKey).toByteArray());

    // The grid: grey by default, which shows on dark and light colours alike; hidden with View > Show Grid.
    controller->updateLineColor(ui_->gridGray);
    const bool showGrid = QSettings().value(showGridKey, true).toBool();
    ui_->actionShowGrid->setChecked(showGrid);
    ui_->mosavo->setShowsGrid(showGrid);
    connect(ui_->actionShowGrid, &QAction::toggled, this, [this](bool on) {
        ui_->mosavo->setShowsGrid(on);
        QSettings().setValue(showGridKey, on);
    });

    viewerScales_ = new QActionGroup(this);
    const QList<QAction *> scales { ui_->actionViewerScale1, ui_->actionViewerScale2, ui_->actionViewerScale3,
        ui_->actionViewerScale4 };
    for (int i = 0; i < int(scales.size()); ++i) {
        QAction *action = scales[i];
        action->setData(i + 1);
        action->setShortcut(QKeySequence(Qt::ALT | (Qt::Key_1 + i)));
        viewerScales_->addAction(action);
        connect(action, &QAction::triggered, this, [this, scale = i + 1] {
            setViewerScale(scale, true);
            fitViewerPanel();
        });
    }
    const int remembered = QSettings().value(viewerScaleKey, 2).toInt();
    setViewerScale(remembered >= 1 && remembered <= mosavo::TileCollection::maximumViewerScale ? remembered : 2, false);

    // The document's own view, once its content is first set up.
    connect(controller, &EditorViewController::contentReloaded, this, [this, controller] {
        if (contentShown_)
            return;
        contentShown_ = true;
        const auto settings = controller->editorViewControllerSettings();
        restoreViewState(settings->viewState());
        // Values the document held out of range were left at their defaults: said once, where the user looks.
        QStringList read;
        for (const std::string &warning : settings->readWarnings())
            read << QString::fromStdString(warning);
        if (!read.isEmpty())
            showStatus(QStringLiteral("Part of the document's view was not restored: %1")
                           .arg(read.join(QStringLiteral("; "))));
    });
}

void MainMosavoWindow::setViewerScale(int scale, bool remember)
{
    ui_->tileCollection->setViewerScale(scale);
    for (QAction *action : viewerScales_->actions())
        action->setChecked(action->data().toInt() == scale);
    if (remember)
        QSettings().setValue(viewerScaleKey, scale);
}

void MainMosavoWindow::fitViewerPanel()
{
    QSplitter *splitter = ui_->panelSplitter;
    QList<int> sizes = splitter->sizes();
    if (sizes.size() != 3)
        return;
    // The viewer panel's width for the cells at their scale (and the label above them).
    const int wanted = std::max(ui_->viewerPanel->minimumSizeHint().width(), ui_->tileCollection->sizeHint().width());
    const int grow = std::min(wanted - sizes[0], sizes[1] - ui_->editorPanel->minimumSizeHint().width());
    sizes[0] += grow;
    sizes[1] -= grow;
    splitter->setSizes(sizes);
}

void MainMosavoWindow::restoreViewState(const DocumentViewState &state)
{
    if (state.viewerScale && *state.viewerScale != ui_->tileCollection->viewerScale()) {
        setViewerScale(int(*state.viewerScale), false);
        fitViewerPanel();
    }
    if (state.tallSprites)
        ui_->actionSprites8x16->setChecked(*state.tallSprites);
    if (state.blockSize) {
        const int index = ui_->zoomPopUp->findText(QStringLiteral("x%1").arg(*state.blockSize));
        if (index >= 0)
            ui_->zoomPopUp->setCurrentIndex(index);
    }
    // The rest needs the tiles in the viewer, which it gets in the next turn of the event loop.
    QTimer::singleShot(0, this, [this, state] { restoreViewerState(state, 10); });
}

void MainMosavoWindow::restoreViewerState(const DocumentViewState &state, int attempts)
{
    mosavo::TileCollection *viewer = ui_->tileCollection;
    if (!viewer->collectionViewSet()) {
        if (attempts > 0)
            QTimer::singleShot(0, this, [this, state, attempts] { restoreViewerState(state, attempts - 1); });
        return;
    }
    if (state.currentSubPalette)
        ui_->editorViewController->chooseSubPalette(int(*state.currentSubPalette));
    if (state.subPaletteView)
        ui_->actionShowSubPalette->setChecked(*state.subPaletteView);
    if (state.selectedTile)
        viewer->selectTile(*state.selectedTile);
    if (state.viewerScrollTile)
        viewer->scrollToTile(*state.viewerScrollTile);
    viewStateRestored_ = true;
}

std::optional<DocumentViewState> MainMosavoWindow::currentViewState() const
{
    const auto *controller = ui_->editorViewController;
    const mosavo::TileCollection *viewer = ui_->tileCollection;
    if (!document_ || !viewer->collectionViewSet())
        return std::nullopt;
    DocumentViewState state;
    state.viewerScrollTile = viewer->topVisibleTile();
    state.selectedTile = viewer->currentlySelectedTile();
    state.blockSize = mosavo::tilesPerSide(ui_->mosavo->zoomSize());
    state.currentSubPalette = controller->currentSubPalette();
    state.viewerScale = viewer->viewerScale();
    state.subPaletteView = controller->viewerShowsSubPalette();
    state.tallSprites = controller->viewerShowsSprites8x16();
    return state;
}

void MainMosavoWindow::storeViewState()
{
    // Until the document's own view is shown, what it holds is still the view to keep.
    if (!viewStateRestored_)
        return;
    if (const auto state = currentViewState())
        ui_->editorViewController->editorViewControllerSettings()->setViewState(*state);
}

void MainMosavoWindow::updateTileDataFacts()
{
    auto *controller = ui_->editorViewController;
    const std::optional<QString> warning = controller->tileDataWarning();
    if (tileFacts_) {
        tileFacts_->setText(
            controller->tileDataSummary() + (warning ? QStringLiteral(" \u00b7 size differs from header") : QString()));
        tileFacts_->setToolTip(warning ? *warning : QString());
    }
    // Shown whenever such tiles come in (opened, imported, or brought back by undo).
    if (warning)
        showStatus(QStringLiteral("Warning: ") + *warning);
    ui_->actionGoToChrRom->setEnabled(controller->chrRomStartTile().has_value());
}

void MainMosavoWindow::updateRecentFilesMenu()
{
    QMenu *menu = ui_->menuOpenRecent;
    menu->clear();
    const QStringList files = recentFiles();
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QString &path = files[i];
        const QString number = i < 9 ? QStringLiteral("&%1").arg(i + 1) : QStringLiteral("1&0");
        QAction *entry = menu->addAction(QStringLiteral("%1  %2").arg(number, QFileInfo(path).fileName()));
        entry->setData(path);
        entry->setToolTip(QDir::toNativeSeparators(path));
        entry->setStatusTip(QDir::toNativeSeparators(path));
        connect(entry, &QAction::triggered, this,
            [this, path] { KestovaDocumentController::shared().openFileAsking(path, this); });
    }
    if (files.isEmpty())
        menu->addAction(QStringLiteral("No Recent Files"))->setEnabled(false);
    menu->addSeparator();
    QAction *clear = menu->addAction(QStringLiteral("Clear Menu"));
    clear->setObjectName(QStringLiteral("actionClearRecentFiles"));
    clear->setEnabled(!files.isEmpty());
    connect(clear, &QAction::triggered, this, [] { clearRecentFiles(); });
}

void MainMosavoWindow::hideEvent(QHideEvent *event)
{
    if (document_ && !event->spontaneous()) {
        QSettings().setValue(geometryKey, saveGeometry());
        QSettings().setValue(splitterKey, ui_->panelSplitter->saveState());
    }
    QMainWindow::hideEvent(event);
}

namespace {
// The first local file among dropped data.
QString droppedFile(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return {};
    for (const QUrl &url : data->urls())
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            return url.toLocalFile();
    return {};
}
} // namespace

void MainMosavoWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void MainMosavoWindow::dropEvent(QDropEvent *event)
{
    const QString path = droppedFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    // Opened after the drop has finished, so that an alert does not run inside the drag.
    QPointer<MainMosavoWindow> window = this;
    QMetaObject::invokeMethod(
        &KestovaDocumentController::shared(),
        [window, path] { KestovaDocumentController::shared().openFileAsking(path, window); }, Qt::QueuedConnection);
}

void MainMosavoWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!fitToScreenWhenShown_)
        return;
    fitToScreenWhenShown_ = false;
    // Once the window system has placed the frame.
    QTimer::singleShot(0, this, &MainMosavoWindow::fitIntoScreen);
}

void MainMosavoWindow::fitIntoScreen()
{
    // The frame inside the screen's free area, status bar included.
    const QScreen *onScreen = screen();
    if (!onScreen || isMaximized() || isFullScreen())
        return;
    const QRect available = onScreen->availableGeometry();
    const QRect frame = frameGeometry();
    if (available.contains(frame))
        return;
    const QSize margins = frame.size() - size();
    const QSize inner = size().boundedTo(available.size() - margins).expandedTo(minimumSize());
    const int left = std::clamp(frame.left(), available.left(),
        std::max(available.left(), available.right() + 1 - inner.width() - margins.width()));
    const int top = std::clamp(frame.top(), available.top(),
        std::max(available.top(), available.bottom() + 1 - inner.height() - margins.height()));
    setGeometry(QRect(QPoint(left, top) + (geometry().topLeft() - frame.topLeft()), inner));
}

void MainMosavoWindow::closeEvent(QCloseEvent *event)
{
    if (!document_) {
        // Closing the empty window ends the application.
        event->accept();
        QApplication::quit();
        return;
    }
    if (!document_->canClose()) {
        event->ignore();
        return;
    }
    event->accept();
    document_->close();
}

} // namespace kestova
