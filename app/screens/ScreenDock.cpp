#include "app/screens/ScreenActions.h"

#include "app/document/FileIO.h"
#include "app/document/MosavoDocument.h"
#include "app/screens/ScreenImport.h"
#include "app/tiles/EditorViewController.h"
#include "app/window/Alerts.h"
#include "app/window/DockContent.h"
#include "app/window/DockSupport.h"
#include "app/window/FilePanels.h"
#include "app/window/FlowLayout.h"
#include "app/window/MainMosavoWindow.h"
#include "convert/SpriteConversion.h"
#include "convert/TileDedup.h"
#include "palette/DisplayColors.h"
#include "palette/NESPalette.h"
#include "ui_MainMosavo.h"
#include "viewer/TileCollection.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QFileInfo>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QTimer>
#include <QToolButton>
#include <QUndoStack>
#include <QVBoxLayout>

#include <algorithm>

namespace kestova {

using namespace mosavo;

void ScreenActions::buildDock()
{
    dock_ = new QDockWidget(QStringLiteral("Screens"), window_);
    dock_->setObjectName(QStringLiteral("screensDock"));
    auto *content = new DockContent(dock_);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);

    // The list with a column of icon buttons beside it, then the choices in rows that wrap to the dock's width: in a
    // window of 1024 x 600 the screen below them still has the room to show itself whole at 1x.
    auto *listRow = new QHBoxLayout;
    listRow->setSpacing(2);
    auto *listButtons = new QVBoxLayout;
    listButtons->setSpacing(2);
    auto addListButton = [&](const char *name, DockGlyph glyph, const QString &text, const QString &tip, auto handler) {
        QToolButton *button = dockIconButton(content, QString::fromLatin1(name), glyph, text, tip);
        connect(button, &QToolButton::clicked, this, handler);
        listButtons->addWidget(button);
    };
    addListButton("screenNew", DockGlyph::add, QStringLiteral("New"), QStringLiteral("A new, blank screen"),
        [this] { newScreen(); });
    addListButton("screenDuplicate", DockGlyph::duplicate, QStringLiteral("Duplicate"),
        QStringLiteral("A copy of the screen"), [this] { duplicateScreen(); });
    addListButton(
        "screenRename", DockGlyph::rename, QStringLiteral("Rename"), QStringLiteral("Rename the screen"), [this] {
            const SettingsPtr s = settings();
            if (!s || current_ < 0)
                return;
            bool ok = false;
            const QString name
                = QInputDialog::getText(window_, QStringLiteral("Rename Screen"), QStringLiteral("Name:"),
                    QLineEdit::Normal, QString::fromStdString(s->screens()[size_t(current_)].name), &ok);
            if (ok)
                renameScreen(current_, name);
        });
    addListButton("screenDelete", DockGlyph::remove, QStringLiteral("Delete"), QStringLiteral("Delete the screen"),
        [this] { deleteScreen(); });
    addListButton("screenUp", DockGlyph::up, QStringLiteral("Up"), QStringLiteral("Move the screen up the list"),
        [this] { moveScreen(-1); });
    addListButton("screenDown", DockGlyph::down, QStringLiteral("Down"),
        QStringLiteral("Move the screen down the list"), [this] { moveScreen(1); });
    listButtons->addStretch();
    list_ = new QListWidget(content);
    list_->setObjectName(QStringLiteral("screenList"));
    list_->setTextElideMode(Qt::ElideMiddle);
    list_->setMinimumHeight(minimumListHeight);
    listRow->addWidget(list_, 1);
    listRow->addLayout(listButtons);
    layout->addLayout(listRow, 1);
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!refreshing_ && row >= 0)
            setCurrentScreen(row);
    });

    auto *choices = new FlowLayout(nullptr, 4);
    toolChoice_ = new QComboBox(content);
    toolChoice_->setObjectName(QStringLiteral("screenTool"));
    toolChoice_->setToolTip(QStringLiteral("Tool: what the left button does (the right button picks a tile)"));
    toolChoice_->addItems({ QStringLiteral("Stamp"), QStringLiteral("Pick"), QStringLiteral("Attribute"),
        QStringLiteral("Fill"), QStringLiteral("Select") });
    choices->addWidget(toolChoice_);
    zoomChoice_ = new QComboBox(content);
    zoomChoice_->setObjectName(QStringLiteral("screenZoom"));
    zoomChoice_->setToolTip(QStringLiteral("Screen pixels per NES pixel"));
    for (int z = 1; z <= ScreenEditor::maximumScale; ++z)
        zoomChoice_->addItem(QStringLiteral("%1x").arg(z));
    choices->addWidget(zoomChoice_);
    tableChoice_ = new QComboBox(content);
    tableChoice_->setObjectName(QStringLiteral("screenPatternTable"));
    tableChoice_->setToolTip(QStringLiteral("The pattern table the screen reads its tiles from"));
    tableChoice_->addItems({ QStringLiteral("Table 0"), QStringLiteral("Table 1") });
    choices->addWidget(tableChoice_);
    auto addGrid = [&](const char *name, const QString &text, const QString &tip, auto setter) {
        auto *box = new QCheckBox(text, content);
        box->setObjectName(QString::fromLatin1(name));
        box->setToolTip(tip);
        connect(box, &QCheckBox::toggled, this, setter);
        choices->addWidget(box);
    };
    addGrid("screenTileGrid", QStringLiteral("Tiles"), QStringLiteral("The 8 x 8 tile grid"),
        [this](bool on) { editor_->setShowsTileGrid(on); });
    addGrid("screenAttributeGrid", QStringLiteral("Areas"), QStringLiteral("The 16 x 16 attribute areas"),
        [this](bool on) { editor_->setShowsAttributeGrid(on); });
    addGrid("screenAttributeByteGrid", QStringLiteral("Bytes"),
        QStringLiteral("The 32 x 32 areas of one attribute byte"),
        [this](bool on) { editor_->setShowsAttributeByteGrid(on); });
    layout->addLayout(choices);

    editor_ = new ScreenEditor(content);
    editor_->setObjectName(QStringLiteral("screenEditor"));
    editor_->setDelegate(this);
    auto *scroll = new QScrollArea(content);
    scroll->setObjectName(QStringLiteral("screenScroll"));
    scroll->setWidget(editor_);
    scroll->setWidgetResizable(false);
    scroll->setFrameShape(QFrame::NoFrame);
    // The whole screen at 1x.
    scroll->setMinimumSize(FramePicture::frameWidth, FramePicture::frameHeight);
    layout->addWidget(scroll, 3);
    editorScroll_ = scroll;
    connect(
        toolChoice_, &QComboBox::currentIndexChanged, this, [this](int index) { editor_->setTool(ScreenTool(index)); });
    connect(zoomChoice_, &QComboBox::currentIndexChanged, this, [this](int index) {
        editor_->setScale(index + 1);
        editor_->adjustSize();
    });
    zoomChoice_->setCurrentIndex(1);
    // Shown the first time, the screen starts at the largest whole zoom that its view shows whole (once laid out).
    whenFirstShown(dock_, window_, [this](bool) {
        zoomChoice_->setCurrentIndex(0);
        QTimer::singleShot(0, this, [this] { zoomToFit(); });
    });
    connect(tableChoice_, &QComboBox::activated, this, [this](int index) { setPatternTable(index); });
    connect(editor_, &ScreenEditor::cellHovered, this, [this](int column, int row) {
        if (column >= 0 && row >= 0)
            status(ScreenEditor::describeCell(editor_->screen(), column, row));
    });
    connect(editor_, &ScreenEditor::regionKeyPressed, this, [this](ScreenRegionKey key) {
        switch (key) {
        case ScreenRegionKey::clear:
            clearRegion();
            break;
        case ScreenRegionKey::copy:
            copyRegion();
            break;
        case ScreenRegionKey::cut:
            cutRegion();
            break;
        case ScreenRegionKey::paste:
            pasteRegion();
            break;
        }
    });

    placeDocumentDock(window_, dock_, content, true);
    dock_->hide();
}

int ScreenActions::fittingZoom() const
{
    const QSize view = editorScroll_->maximumViewportSize();
    int zoom = 1;
    while (zoom < ScreenEditor::maximumScale && FramePicture::frameWidth * (zoom + 1) <= view.width()
        && FramePicture::frameHeight * (zoom + 1) <= view.height())
        ++zoom;
    return zoom;
}

void ScreenActions::zoomToFit()
{
    zoomChoice_->setCurrentIndex(fittingZoom() - 1);
}

void ScreenActions::buildMenu()
{
    menu_ = new QMenu(QStringLiteral("S&creen"), window_);
    menu_->setObjectName(QStringLiteral("menuScreen"));
    QAction *show = dock_->toggleViewAction();
    show->setText(QStringLiteral("Show S&creens"));
    show->setObjectName(QStringLiteral("actionShowScreens"));
    menu_->addAction(show);
    menu_->addSeparator();
    auto add = [this](const char *name, const QString &text, auto handler) {
        QAction *action = menu_->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    add("actionNewScreen", QStringLiteral("&New Screen"), [this] {
        dock_->show();
        newScreen();
    });
    add("actionImportScreenPicture", QStringLiteral("&Import Screen Picture..."), [this] { chooseScreenPicture(); });
    add("actionImportNametable", QStringLiteral("Import N&ametable..."), [this] { chooseNametable(); });
    add("actionExportNametable", QStringLiteral("&Export Nametable..."), [this] { chooseNametableExport(); });
    menu_->addSeparator();
    add("actionCopyScreenRegion", QStringLiteral("&Copy Region"), [this] { copyRegion(); });
    add("actionCutScreenRegion", QStringLiteral("Cu&t Region"), [this] { cutRegion(); });
    add("actionClearScreenRegion", QStringLiteral("C&lear Region"), [this] { clearRegion(); });
    add("actionPasteScreenRegion", QStringLiteral("&Paste Region"), [this] { pasteRegion(); });
    menu_->addSeparator();
    add("actionRemoveDuplicateTiles", QStringLiteral("&Remove Duplicate Tiles"), [this] { removeDuplicateTiles(); });
    QAction *mark = new QAction(QStringLiteral("Mark &Unused Tiles"), window_);
    mark->setObjectName(QStringLiteral("actionMarkUnusedTiles"));
    mark->setCheckable(true);
    mark->setToolTip(
        QStringLiteral("Mark the tiles of the pattern tables screens and sprites read that no screen or sprite shows"));
    connect(mark, &QAction::toggled, this, [this](bool on) {
        QSettings().setValue(markUnusedKey, on);
        setMarkUnusedTiles(on);
    });
    window_->ui().menuView->addSeparator();
    window_->ui().menuView->addAction(mark);
    // Kept for the next window, as the viewer's scale is.
    mark->setChecked(QSettings().value(markUnusedKey, false).toBool());
    // Before the Sprite menu when there is one, else before Help.
    QAction *before = window_->ui().menuHelp->menuAction();
    if (auto *sprites = window_->findChild<QMenu *>(QStringLiteral("menuSprite")))
        before = sprites->menuAction();
    window_->menuBar()->insertMenu(before, menu_);
}

} // namespace kestova
