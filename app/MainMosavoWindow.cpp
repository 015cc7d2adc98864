#include "app/MainMosavoWindow.h"

#include "app/EditorViewController.h"
#include "app/KestovaDocumentController.h"
#include "app/MosavoDocument.h"
#include "app/ROMMenu.h"
#include "ui_MainMosavo.h"

#include <QApplication>
#include <QCloseEvent>
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
    }
    connectActions();
}

MainMosavoWindow::~MainMosavoWindow() = default;

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
