#include "app/MainMosavoWindow.h"

#include "app/EditorViewController.h"
#include "app/KestovaDocumentController.h"
#include "app/MosavoDocument.h"
#include "app/ROMMenu.h"
#include "app/RecentFiles.h"
#include "app/TileSheetActions.h"
#include "ui_MainMosavo.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QSettings>
#include <QStatusBar>

namespace kestova {

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
    } else {
        restoreGeometry(QSettings().value(geometryKey).toByteArray());
    }
    setAcceptDrops(true);
    connectActions();
    if (document)
        connectEditing();
}

MainMosavoWindow::~MainMosavoWindow() = default;

const QString MainMosavoWindow::geometryKey = QStringLiteral("window/geometry");

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
    const std::initializer_list<QAbstractButton *> tools { ui_->toolPencil,      ui_->toolStraightLine,
                                                           ui_->toolFill,        ui_->toolBoxEmpty,
                                                           ui_->toolBoxFilled,   ui_->toolCircleEmpty,
                                                           ui_->toolCircleFilled };
    for (QAbstractButton *button : tools)
        connect(button, &QAbstractButton::clicked, controller, [controller, button] {
            controller->toolSelected(button);
        });
    const std::initializer_list<QAbstractButton *> gridButtons { ui_->gridGray, ui_->gridWhite, ui_->gridBlack };
    for (QAbstractButton *button : gridButtons)
        connect(button, &QAbstractButton::clicked, controller, [controller, button] {
            controller->updateLineColor(button);
        });
    connect(ui_->zoomPopUp, &QComboBox::currentIndexChanged, controller,
            [controller, popUp = ui_->zoomPopUp] { controller->changeZoomSize(popUp); });
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
    connect(ui_->actionFlipHorizontally, &QAction::triggered, controller,
            &EditorViewController::flipBlockHorizontally);
    connect(ui_->actionFlipVertically, &QAction::triggered, controller, &EditorViewController::flipBlockVertically);
    connect(ui_->actionRotateClockwise, &QAction::triggered, controller,
            &EditorViewController::rotateBlockClockwise);
    connect(ui_->actionRotateCounterClockwise, &QAction::triggered, controller,
            &EditorViewController::rotateBlockCounterClockwise);
    connect(ui_->actionZoomIn, &QAction::triggered, this, [this] { stepZoom(-1); });
    connect(ui_->actionZoomOut, &QAction::triggered, this, [this] { stepZoom(1); });
    ui_->actionZoomIn->setShortcuts({ QKeySequence(Qt::Key_Plus), QKeySequence(Qt::Key_Equal) });

    // Keys of the field: 1-4 paint slot, [ and ] sub-palettes, tool letters.
    auto addKey = [this](const QKeySequence &key, auto handler) {
        auto *action = new QAction(this);
        action->setShortcut(key);
        connect(action, &QAction::triggered, this, handler);
        addAction(action);
        return action;
    };
    for (int slot = 0; slot < 4; ++slot)
        addKey(QKeySequence(Qt::Key_1 + slot), [controller, slot] { controller->choosePaintSlot(slot); });
    addKey(QKeySequence(Qt::Key_BracketLeft), [controller] { controller->stepSubPalette(-1); });
    addKey(QKeySequence(Qt::Key_BracketRight), [controller] { controller->stepSubPalette(1); });
    const std::pair<QKeySequence, QAbstractButton *> toolKeys[] = {
        { QKeySequence(Qt::Key_P), ui_->toolPencil },
        { QKeySequence(Qt::Key_L), ui_->toolStraightLine },
        { QKeySequence(Qt::Key_R), ui_->toolBoxEmpty },
        { QKeySequence(Qt::SHIFT | Qt::Key_R), ui_->toolBoxFilled },
        { QKeySequence(Qt::Key_E), ui_->toolCircleEmpty },
        { QKeySequence(Qt::SHIFT | Qt::Key_E), ui_->toolCircleFilled },
        { QKeySequence(Qt::Key_F), ui_->toolFill },
    };
    for (const auto &[key, button] : toolKeys)
        addKey(key, [controller, button = button] { controller->toolSelected(button); });

    // Arrow keys shift the block by one pixel while the editor has the focus.
    ui_->mosavo->setFocusPolicy(Qt::StrongFocus);
    const std::tuple<Qt::Key, int, int> arrows[] = {
        { Qt::Key_Left, -1, 0 }, { Qt::Key_Right, 1, 0 }, { Qt::Key_Up, 0, -1 }, { Qt::Key_Down, 0, 1 }
    };
    for (const auto &[key, dx, dy] : arrows) {
        auto *action = new QAction(ui_->mosavo);
        action->setShortcut(QKeySequence(key));
        action->setShortcutContext(Qt::WidgetShortcut);
        connect(action, &QAction::triggered, controller, [controller, dx = dx, dy = dy] {
            controller->shiftBlock(dx, dy);
        });
        ui_->mosavo->addAction(action);
    }

    tileFacts_ = new QLabel(this);
    statusBar()->addPermanentWidget(tileFacts_);
    connect(controller, &EditorViewController::contentReloaded, this, &MainMosavoWindow::updateTileDataFacts);
    connect(ui_->actionGoToChrRom, &QAction::triggered, controller, [this, controller] {
        if (const auto tile = controller->chrRomStartTile()) {
            ui_->tileCollection->selectTile(*tile);
            showStatus(QStringLiteral("CHR-ROM starts at tile %1").arg(*tile));
        }
    });
    connect(ui_->actionShowSubPalette, &QAction::toggled, controller,
            &EditorViewController::setViewerShowsSubPalette);
    connect(ui_->actionSprites8x16, &QAction::toggled, controller, &EditorViewController::setViewerShowsSprites8x16);
    updateTileDataFacts();
    installReadout();
}

void MainMosavoWindow::stepZoom(int delta)
{
    QComboBox *popUp = ui_->zoomPopUp;
    const int index = std::clamp(popUp->currentIndex() + delta, 0, popUp->count() - 1);
    popUp->setCurrentIndex(index);
}

void MainMosavoWindow::updateTileDataFacts()
{
    auto *controller = ui_->editorViewController;
    if (tileFacts_)
        tileFacts_->setText(controller->tileDataSummary());
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
    if (document_ && !event->spontaneous())
        QSettings().setValue(geometryKey, saveGeometry());
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
