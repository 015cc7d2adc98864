// The numbers the main window shows: the tile under the pointer, the chosen colour in the master grid, Go to Tile.

#include "app/document/MosavoDocument.h"
#include "app/tiles/EditorViewController.h"
#include "app/window/Alerts.h"
#include "app/window/ElidingLabel.h"
#include "app/window/GoToTile.h"
#include "app/window/MainMosavoWindow.h"
#include "app/window/TileReadout.h"
#include "core/INesHeader.h"
#include "ui_MainMosavo.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTimer>

#include <tuple>

namespace kestova {

using namespace mosavo;

namespace {
std::optional<INesHeader> headerOf(const TileDataPtr &tiles)
{
    return tiles && tiles->header() ? INesHeader::parse(*tiles->header()) : std::nullopt;
}
} // namespace

void MainMosavoWindow::installReadout()
{
    auto *controller = ui_->editorViewController;
    pointerReadout_ = new ElidingLabel(this);
    pointerReadout_->setObjectName(QStringLiteral("pointerReadout"));
    statusBar()->insertPermanentWidget(0, pointerReadout_);

    connect(ui_->tileCollection, &TileCollection::tileHovered, this, [this](int64_t tile) {
        hoverSource_ = tile < 0 ? HoverSource::none : HoverSource::viewer;
        hoveredTile_ = tile;
        if (tile < 0)
            pointerReadout_->clear();
        else
            showReadout(tile, std::nullopt);
    });
    connect(ui_->mosavo, &Mosavo::pixelHovered, this, [this](int64_t tile, int64_t x, int64_t y, int64_t color) {
        showReadout(tile, PixelReadout { x, y, color });
    });
    connect(ui_->mosavo, &Mosavo::hoverEnded, this, [this] {
        hoverSource_ = HoverSource::none;
        pointerReadout_->clear();
    });
    ui_->mosavo->installEventFilter(this);
    ui_->tileCollection->viewport()->installEventFilter(this);
    // The readout follows what changes under a pointer at rest: an edit, an undo or redo, another block size.
    const auto later = [this] { QTimer::singleShot(0, this, &MainMosavoWindow::refreshReadout); };
    connect(&controller->undoStack(), &QUndoStack::indexChanged, this, later);
    connect(ui_->zoomPopUp, &QComboBox::currentIndexChanged, this, later);
    connect(controller, &EditorViewController::contentReloaded, this, later);
    // One line at a time: a message hides the readout while it shows; a pointer moving on hides the message.
    connect(statusBar(), &QStatusBar::messageChanged, pointerReadout_,
        [label = pointerReadout_](const QString &message) { label->setVisible(message.isEmpty()); });

    // The colour in the chosen slot, outlined among the master colours.
    connect(ui_->selectableColors, &ColorSelector::chosenColorChanged, ui_->generalSelectableColors,
        [master = ui_->generalSelectableColors](
            int64_t color) { master->setOutlinedColor(color < 0 ? std::nullopt : std::optional<int64_t>(color)); });

    auto *goTo = new QAction(QStringLiteral("&Go to Tile\u2026"), this);
    goTo->setObjectName(QStringLiteral("actionGoToTile"));
    goTo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    goTo->setToolTip(QStringLiteral("Go to a tile number or a file offset (Ctrl+L)"));
    connect(goTo, &QAction::triggered, this, &MainMosavoWindow::goToTile);
    ui_->menuView->addSeparator();
    ui_->menuView->addAction(goTo);
    addAction(goTo);
    installByteOffsetMenu();
}

void MainMosavoWindow::installByteOffsetMenu()
{
    auto *controller = ui_->editorViewController;
    QMenu *menu = ui_->menuView->addMenu(QStringLiteral("&Byte Offset"));
    menu->setObjectName(QStringLiteral("menuByteOffset"));
    auto step = [this, controller](int delta) {
        const auto shift = size_t((int(controller->tileByteShift()) + delta + 16) % 16);
        if (controller->setTileByteShift(shift))
            showStatus(
                QStringLiteral("Tiles start at file offset %1").arg(hexAndDecimal(controller->tileByteOffset())));
    };
    const std::tuple<const char *, const char *, Qt::Key, int> steps[] = {
        { "actionByteOffsetNext", "&Next Byte", Qt::Key_Right, 1 },
        { "actionByteOffsetPrevious", "&Previous Byte", Qt::Key_Left, -1 },
    };
    for (const auto &[name, title, key, delta] : steps) {
        auto *action = menu->addAction(QLatin1String(title));
        action->setObjectName(QLatin1String(name));
        action->setShortcut(QKeySequence(Qt::SHIFT | key));
        action->setToolTip(QStringLiteral("Read the tiles from one byte %1 (%2)")
                               .arg(delta > 0 ? QStringLiteral("later") : QStringLiteral("earlier"),
                                   action->shortcut().toString(QKeySequence::NativeText)));
        connect(action, &QAction::triggered, this, [step, delta = delta] { step(delta); });
        addAction(action);
    }
    auto *reset = menu->addAction(QStringLiteral("&Tile Boundary"));
    reset->setObjectName(QStringLiteral("actionByteOffsetReset"));
    connect(reset, &QAction::triggered, this, [this, controller] {
        if (controller->setTileByteShift(0))
            showStatus(
                QStringLiteral("Tiles start at file offset %1").arg(hexAndDecimal(controller->tileByteOffset())));
    });
}

void MainMosavoWindow::showReadout(int64_t tile, std::optional<PixelReadout> pixel)
{
    const TileDataPtr tiles = ui_->editorViewController->editorViewControllerSettings()->tileData();
    pointerReadout_->setText(tiles ? tileReadout(headerOf(tiles), tiles->totalNumberTiles(), tile, pixel,
                                 ui_->editorViewController->tileByteShift())
                                   : QString());
}

bool MainMosavoWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseMove && !refreshingReadout_) {
        const auto *move = static_cast<QMouseEvent *>(event);
        if (watched == ui_->mosavo) {
            hoverSource_ = HoverSource::editor;
            editorHoverAt_ = move->position();
        }
        if (move->buttons() == Qt::NoButton && !statusBar()->currentMessage().isEmpty())
            statusBar()->clearMessage();
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainMosavoWindow::refreshReadout()
{
    if (hoverSource_ == HoverSource::viewer && hoveredTile_ >= 0) {
        showReadout(hoveredTile_, std::nullopt);
    } else if (hoverSource_ == HoverSource::editor) {
        // The editor reports what is now under the pointer where it rests.
        refreshingReadout_ = true;
        QMouseEvent rest(QEvent::MouseMove, editorHoverAt_, ui_->mosavo->mapToGlobal(editorHoverAt_), Qt::NoButton,
            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(ui_->mosavo, &rest);
        refreshingReadout_ = false;
    }
}

void MainMosavoWindow::goToTile()
{
    auto *controller = ui_->editorViewController;
    const TileDataPtr tiles = controller->editorViewControllerSettings()->tileData();
    if (!tiles)
        return;
    auto *dialog = new GoToTileDialog(headerOf(tiles), tiles->totalNumberTiles(), this, controller->tileByteShift());
    dialog->setObjectName(QStringLiteral("goToTileDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog, controller] {
        std::optional<GoToTile> chosen = dialog->chosen();
        if (chosen && chosen->byteInTile != 0
            && alerts().confirm(QStringLiteral("Move the byte offset so that a tile starts there?"),
                QStringLiteral("The offset is byte %1 of tile %2. Tiles can be read from any byte of the file: "
                               "View > Byte Offset, Shift+Left and Shift+Right.")
                    .arg(chosen->byteInTile)
                    .arg(hexAndDecimal(uint64_t(chosen->tile))),
                QStringLiteral("Move Byte Offset"), this)
            && controller->setTileByteShift(chosen->alignedShift))
            chosen = GoToTile { chosen->alignedTile, 0, chosen->alignedShift, chosen->alignedTile };
        const TileDataPtr now = controller->editorViewControllerSettings()->tileData();
        if (!chosen || !now || chosen->tile >= now->totalNumberTiles())
            return;
        ui_->tileCollection->selectTile(chosen->tile);
        QString message = tileReadout(
            headerOf(now), now->totalNumberTiles(), chosen->tile, std::nullopt, controller->tileByteShift());
        if (chosen->byteInTile != 0)
            message += QStringLiteral(" (the offset is byte %1 of this tile)").arg(chosen->byteInTile);
        showStatus(message);
    });
    dialog->open();
    dialog->input()->setFocus();
}

} // namespace kestova
