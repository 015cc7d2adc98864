#include "app/screens/ScreenActions.h"

#include "app/window/Alerts.h"
#include "app/window/DockSupport.h"
#include "app/tiles/EditorViewController.h"
#include "app/document/FileIO.h"
#include "app/window/FilePanels.h"
#include "app/window/MainMosavoWindow.h"
#include "app/document/MosavoDocument.h"
#include "app/screens/ScreenImport.h"
#include "convert/SpriteConversion.h"
#include "convert/TileDedup.h"
#include "palette/DisplayColors.h"
#include "palette/NESPalette.h"
#include "ui_MainMosavo.h"
#include "viewer/TileCollection.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QSettings>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QFormLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QToolButton>
#include <QUndoStack>
#include <QVBoxLayout>

#include <algorithm>

namespace kestova {

using namespace mosavo;

ScreenListCommand::ScreenListCommand(ScreenActions *actions, SettingsPtr settings, std::vector<Screen> before,
                                     int shownBefore, std::vector<Screen> after, int shownAfter, const QString &text)
    : QUndoCommand(text)
    , actions_(actions)
    , settings_(settings)
    , before_(std::move(before))
    , after_(std::move(after))
    , shownBefore_(shownBefore)
    , shownAfter_(shownAfter)
{
}

void ScreenListCommand::apply(const std::vector<Screen> &screens, int shown)
{
    if (const SettingsPtr settings = settings_.lock())
        settings->screens() = screens;
    if (actions_)
        actions_->stateApplied(shown);
}

void ScreenListCommand::undo()
{
    apply(before_, shownBefore_);
}

void ScreenListCommand::redo()
{
    apply(after_, shownAfter_);
}


ScreenActions::ScreenActions(MainMosavoWindow *window)
    : DocumentPart(window, QStringLiteral("screenActions"))
{
    buildDock();
    buildMenu();
    followDocument(this, window, [this] { refresh(); }, [this] {
        current_ = -1;
        pickedStamp_.reset();
        updateStampSize();
        refresh();
        // A document that has screens shows them.
        if (const SettingsPtr s = settings(); s && !s->screens().empty() && !dock_->isVisible())
            dock_->show();
    });
    // A block selected in the tile viewer is the stamp again.
    connect(window->editorViewController, &EditorViewController::tileSelectionChanged, this, [this] {
        pickedStamp_.reset();
        updateStampSize();
    });
    refresh();
    updateStampSize();
}

ScreenActions *ScreenActions::install(MainMosavoWindow *window)
{
    return installWindowPart<ScreenActions>(window);
}

ScreenActions *ScreenActions::of(const MainMosavoWindow *window)
{
    return windowPart<ScreenActions>(window, QStringLiteral("screenActions"));
}


void ScreenActions::buildDock()
{
    dock_ = new QDockWidget(QStringLiteral("Screens"), window_);
    dock_->setObjectName(QStringLiteral("screensDock"));
    auto *content = new QWidget(dock_);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(4, 4, 4, 4);

    auto *listRow = new QHBoxLayout;
    list_ = new QListWidget(content);
    list_->setObjectName(QStringLiteral("screenList"));
    list_->setMaximumHeight(96);
    listRow->addWidget(list_, 1);
    auto *listButtons = new QVBoxLayout;
    listButtons->setSpacing(2);
    auto addListButton = [&](const char *name, const QString &text, const QString &tip, auto handler) {
        QToolButton *button = dockToolButton(content, QString::fromLatin1(name), text, tip);
        connect(button, &QToolButton::clicked, this, handler);
        listButtons->addWidget(button);
    };
    addListButton("screenNew", QStringLiteral("New"), QStringLiteral("A new, blank screen"), [this] { newScreen(); });
    addListButton("screenDuplicate", QStringLiteral("Duplicate"), QStringLiteral("A copy of the screen"),
        [this] { duplicateScreen(); });
    addListButton("screenRename", QStringLiteral("Rename"), QStringLiteral("Rename the screen"), [this] {
        const SettingsPtr s = settings();
        if (!s || current_ < 0)
            return;
        bool ok = false;
        const QString name = QInputDialog::getText(window_, QStringLiteral("Rename Screen"), QStringLiteral("Name:"),
            QLineEdit::Normal, QString::fromStdString(s->screens()[size_t(current_)].name), &ok);
        if (ok)
            renameScreen(current_, name);
    });
    addListButton("screenDelete", QStringLiteral("Delete"), QStringLiteral("Delete the screen"),
        [this] { deleteScreen(); });
    addListButton("screenUp", QStringLiteral("Up"), QStringLiteral("Move the screen up the list"),
        [this] { moveScreen(-1); });
    addListButton("screenDown", QStringLiteral("Down"), QStringLiteral("Move the screen down the list"),
        [this] { moveScreen(1); });
    listRow->addLayout(listButtons);
    layout->addLayout(listRow);
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!refreshing_ && row >= 0)
            setCurrentScreen(row);
    });

    auto *choices = new QHBoxLayout;
    choices->addWidget(new QLabel(QStringLiteral("Tool"), content));
    toolChoice_ = new QComboBox(content);
    toolChoice_->setObjectName(QStringLiteral("screenTool"));
    toolChoice_->setToolTip(QStringLiteral("What the left button does (the right button picks a tile)"));
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
    choices->addStretch();
    layout->addLayout(choices);

    auto *grids = new QHBoxLayout;
    auto addGrid = [&](const char *name, const QString &text, const QString &tip, auto setter) {
        auto *box = new QCheckBox(text, content);
        box->setObjectName(QString::fromLatin1(name));
        box->setToolTip(tip);
        connect(box, &QCheckBox::toggled, this, setter);
        grids->addWidget(box);
    };
    addGrid("screenTileGrid", QStringLiteral("Tiles"), QStringLiteral("The 8 x 8 tile grid"),
        [this](bool on) { editor_->setShowsTileGrid(on); });
    addGrid("screenAttributeGrid", QStringLiteral("Attributes"), QStringLiteral("The 16 x 16 attribute areas"),
        [this](bool on) { editor_->setShowsAttributeGrid(on); });
    addGrid("screenAttributeByteGrid", QStringLiteral("Attribute bytes"),
        QStringLiteral("The 32 x 32 areas of one attribute byte"),
        [this](bool on) { editor_->setShowsAttributeByteGrid(on); });
    grids->addStretch();
    layout->addLayout(grids);

    editor_ = new ScreenEditor(content);
    editor_->setObjectName(QStringLiteral("screenEditor"));
    editor_->setDelegate(this);
    auto *scroll = new QScrollArea(content);
    scroll->setWidget(editor_);
    scroll->setWidgetResizable(false);
    layout->addWidget(scroll, 1);
    connect(toolChoice_, &QComboBox::currentIndexChanged, this,
        [this](int index) { editor_->setTool(ScreenTool(index)); });
    connect(zoomChoice_, &QComboBox::currentIndexChanged, this, [this](int index) {
        editor_->setScale(index + 1);
        editor_->adjustSize();
    });
    zoomChoice_->setCurrentIndex(1);
    // Shown the first time in a short window, the screen is shown at 1x, whole in less room.
    whenFirstShown(dock_, window_, [this](bool shortWindow) {
        if (shortWindow)
            zoomChoice_->setCurrentIndex(0);
    });
    connect(tableChoice_, &QComboBox::activated, this, [this](int index) { setPatternTable(index); });
    connect(editor_, &ScreenEditor::cellHovered, this, [this](int column, int row) {
        if (column >= 0 && row >= 0)
            status(ScreenEditor::describeCell(editor_->screen(), column, row));
    });
    connect(editor_, &ScreenEditor::regionKeyPressed, this, [this](ScreenRegionKey key) {
        switch (key) {
        case ScreenRegionKey::clear: clearRegion(); break;
        case ScreenRegionKey::copy: copyRegion(); break;
        case ScreenRegionKey::cut: cutRegion(); break;
        case ScreenRegionKey::paste: pasteRegion(); break;
        }
    });

    placeDocumentDock(window_, dock_, content);
    dock_->hide();
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

int64_t ScreenActions::bankFirstTile() const
{
    const SettingsPtr s = settings();
    if (!s)
        return 0;
    const auto first = screenBankFirstTile(*s->tileData());
    const int64_t *tile = std::get_if<int64_t>(&first);
    return tile ? *tile : 0;
}

PatternTables ScreenActions::patterns() const
{
    const SettingsPtr s = settings();
    return s ? PatternTables::fromTiles(*s->tileData(), bankFirstTile()) : PatternTables {};
}

void ScreenActions::refresh()
{
    const SettingsPtr s = settings();
    refreshing_ = true;
    if (!s) {
        current_ = -1;
        list_->clear();
        refreshing_ = false;
        return;
    }
    const auto &screens = s->screens();
    if (current_ >= int(screens.size()))
        current_ = int(screens.size()) - 1;
    if (current_ < 0 && !screens.empty())
        current_ = 0;
    refreshList();
    editor_->setPalette(documentPaletteBytes(*s));
    editor_->setPatternTables(patterns());
    if (current_ >= 0) {
        editor_->setScreen(screens[size_t(current_)]);
        tableChoice_->setCurrentIndex(screens[size_t(current_)].patternTable & 1);
    } else {
        editor_->setScreen(Screen {});
    }
    editor_->setEnabled(current_ >= 0);
    refreshing_ = false;
    updateMarks();
}

const QString ScreenActions::markUnusedKey = QStringLiteral("view/markUnusedTiles");

void ScreenActions::setMarkUnusedTiles(bool on)
{
    markUnused_ = on;
    updateMarks();
}

void ScreenActions::updateMarks()
{
    std::set<int64_t> marked;
    const SettingsPtr s = settings();
    if (markUnused_ && s) {
        const int64_t first = bankFirstTile();
        const int64_t count = s->tileData()->totalNumberTiles();
        for (int table = 0; table < 2; ++table) {
            // The tables the screens or the sprites read.
            const bool read = std::any_of(s->screens().begin(), s->screens().end(),
                                  [table](const Screen &screen) { return (screen.patternTable & 1) == table; })
                || std::any_of(s->metasprites().begin(), s->metasprites().end(), [&](const Metasprite &metasprite) {
                       return std::any_of(metasprite.sprites.begin(), metasprite.sprites.end(),
                           [&](const MetaspriteSprite &sprite) {
                               return s->tallSprites() ? (sprite.tile & 1) == table
                                                       : s->spritePatternTable() == table;
                           });
                   });
            if (!read)
                continue;
            const auto used
                = tilesShown(s->screens(), s->metasprites(), s->tallSprites(), s->spritePatternTable(), table);
            for (int tile = 0; tile < 256; ++tile)
                if (!used[size_t(tile)] && first + table * 256 + tile < count)
                    marked.insert(first + table * 256 + tile);
        }
    }
    window_->ui().tileCollection->setMarkedTiles(std::move(marked));
}

void ScreenActions::refreshList()
{
    const SettingsPtr s = settings();
    list_->clear();
    if (!s)
        return;
    for (const Screen &screen : s->screens())
        list_->addItem(QStringLiteral("%1 \u2014 table %2, %3 of 256 tiles")
                           .arg(QString::fromStdString(screen.name))
                           .arg(screen.patternTable)
                           .arg(screen.distinctTiles()));
    list_->setCurrentRow(current_);
}

void ScreenActions::setCurrentScreen(int index)
{
    const SettingsPtr s = settings();
    if (!s || index < 0 || index >= int(s->screens().size()))
        return;
    current_ = index;
    refresh();
}

void ScreenActions::stateApplied(int shown)
{
    current_ = shown;
    refresh();
}

void ScreenActions::push(std::vector<Screen> after, int shownAfter, const QString &text)
{
    const SettingsPtr s = settings();
    if (!s || after == s->screens())
        return;
    window_->editorViewController->undoStack().push(
        new ScreenListCommand(this, s, s->screens(), current_, std::move(after), shownAfter, text));
}

bool ScreenActions::addScreen(const Screen &screen, const std::vector<int64_t> &tileNumbers,
                              const std::vector<MatrixPtr> &tiles,
                              const std::optional<std::vector<PalettePtr>> &palettes, const QString &text)
{
    const SettingsPtr s = settings();
    if (!s)
        return false;
    QUndoStack &stack = window_->editorViewController->undoStack();
    stack.beginMacro(text);
    if (!tileNumbers.empty())
        window_->editorViewController->importTiles(tileNumbers, tiles, text);
    if (palettes)
        window_->editorViewController->replacePalettes(*palettes);
    std::vector<Screen> after = s->screens();
    Screen added = screen;
    if (added.name.empty())
        added.name = uniqueItemName(after, QStringLiteral("screen")).toStdString();
    after.push_back(std::move(added));
    const int shown = int(after.size()) - 1;
    push(std::move(after), shown, text);
    stack.endMacro();
    dock_->show();
    return true;
}

void ScreenActions::newScreen()
{
    const SettingsPtr s = settings();
    if (!s)
        return;
    Screen screen;
    screen.name = uniqueItemName(s->screens(), QStringLiteral("screen")).toStdString();
    addScreen(screen, {}, {}, std::nullopt, QStringLiteral("New Screen"));
}

void ScreenActions::duplicateScreen()
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0)
        return;
    std::vector<Screen> after = s->screens();
    Screen copy = after[size_t(current_)];
    copy.name = uniqueItemName(after, QString::fromStdString(copy.name)).toStdString();
    after.insert(after.begin() + current_ + 1, copy);
    push(std::move(after), current_ + 1, QStringLiteral("Duplicate Screen"));
}

bool ScreenActions::renameScreen(int index, const QString &name)
{
    const SettingsPtr s = settings();
    if (!s || index < 0 || index >= int(s->screens().size()) || name.trimmed().isEmpty())
        return false;
    if (const auto refusal = nameRefusal(s->screens(), index, name.trimmed(), QStringLiteral("screen"))) {
        status(*refusal);
        refresh();
        return false;
    }
    std::vector<Screen> after = s->screens();
    after[size_t(index)].name = name.trimmed().toStdString();
    push(std::move(after), index, QStringLiteral("Rename Screen"));
    return true;
}

void ScreenActions::deleteScreen()
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0)
        return;
    std::vector<Screen> after = s->screens();
    after.erase(after.begin() + current_);
    const int shown = std::min(current_, int(after.size()) - 1);
    push(std::move(after), shown, QStringLiteral("Delete Screen"));
}

void ScreenActions::moveScreen(int delta)
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0)
        return;
    const int target = current_ + delta;
    if (target < 0 || target >= int(s->screens().size()))
        return;
    std::vector<Screen> after = s->screens();
    std::swap(after[size_t(current_)], after[size_t(target)]);
    push(std::move(after), target, QStringLiteral("Move Screen"));
}

void ScreenActions::setPatternTable(int table)
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0)
        return;
    std::vector<Screen> after = s->screens();
    after[size_t(current_)].patternTable = table & 1;
    push(std::move(after), current_, QStringLiteral("Screen Pattern Table %1").arg(table & 1));
}

void ScreenActions::copyRegion()
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0 || editor_->selection().isEmpty())
        return;
    copied_ = mosavo::copyRegion(s->screens()[size_t(current_)], editor_->selection());
    // Also on the system clipboard, so that another Kestova (another document) can paste it.
    if (QClipboard *clipboard = QGuiApplication::clipboard()) {
        const Bytes bytes = encodeRegion(*copied_);
        auto *data = new QMimeData;
        data->setData(regionMimeType, QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size())));
        clipboard->setMimeData(data);
    }
    status(QStringLiteral("Copied %1 x %2 cells").arg(copied_->columns).arg(copied_->rows));
}

void ScreenActions::cutRegion()
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0 || editor_->selection().isEmpty())
        return;
    copyRegion();
    clearRegion(QStringLiteral("Cut Region"));
}

void ScreenActions::clearRegion(const QString &text)
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0 || editor_->selection().isEmpty())
        return;
    std::vector<Screen> after = s->screens();
    fillTiles(after[size_t(current_)], editor_->selection(), 0);
    push(std::move(after), current_, text);
}

bool ScreenActions::pasteRegion()
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0)
        return false;
    // A region on the system clipboard (copied here or in another Kestova) first, else the one copied last here.
    std::optional<ScreenRegion> region = copied_;
    const QClipboard *clipboard = QGuiApplication::clipboard();
    if (const QMimeData *data = clipboard ? clipboard->mimeData() : nullptr; data && data->hasFormat(regionMimeType)) {
        const QByteArray raw = data->data(regionMimeType);
        region = decodeRegion(Bytes(raw.begin(), raw.end()));
        if (!region) {
            status(QStringLiteral("The screen region on the clipboard cannot be read"));
            return false;
        }
    }
    if (!region || region->isEmpty())
        return false;
    const CellRect &at = editor_->selection();
    std::vector<Screen> after = s->screens();
    mosavo::pasteRegion(after[size_t(current_)], *region, at.isEmpty() ? 0 : at.column, at.isEmpty() ? 0 : at.row);
    push(std::move(after), current_, QStringLiteral("Paste Region"));
    return true;
}

std::optional<ScreenRegion> ScreenActions::viewerStamp()
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0)
        return std::nullopt;
    const auto &rows = window_->ui().tileCollection->selectedTileIDs();
    const int64_t first = bankFirstTile() + int64_t(s->screens()[size_t(current_)].patternTable) * 256;
    std::vector<uint8_t> tiles;
    int columns = 0;
    for (const auto &row : rows) {
        columns = std::max(columns, int(row.size()));
        for (int64_t number : row) {
            if (number < first || number >= first + 256) {
                status(QStringLiteral("Tile %1 is not in the screen's pattern table (tiles %2-%3)")
                           .arg(number)
                           .arg(first)
                           .arg(first + 255));
                return std::nullopt;
            }
            tiles.push_back(uint8_t(number - first));
        }
    }
    if (tiles.empty() || columns == 0 || tiles.size() != size_t(columns) * rows.size())
        return std::nullopt;
    return tileBlock(columns, int(rows.size()), tiles);
}

void ScreenActions::updateStampSize()
{
    if (pickedStamp_) {
        editor_->setStampSize(pickedStamp_->columns, pickedStamp_->rows);
        return;
    }
    const auto &rows = window_->ui().tileCollection->selectedTileIDs();
    size_t columns = 1;
    for (const auto &row : rows)
        columns = std::max(columns, row.size());
    editor_->setStampSize(int(columns), std::max(1, int(rows.size())));
}

void ScreenActions::applyTool(ScreenTool tool, int column, int row)
{
    switch (tool) {
    case ScreenTool::stamp:
        // A rectangle picked up from the screen brings its sub-palettes along; the viewer's block only tiles.
        if (gestureStamp_)
            mosavo::pasteRegion(gestureScreen_, *gestureStamp_, column, row, pickedStamp_.has_value());
        break;
    case ScreenTool::attribute:
        gestureScreen_.setSubPalette(column, row, window_->editorViewController->currentSubPalette());
        break;
    default:
        break;
    }
}

void ScreenActions::screenGestureBegan(ScreenEditor *, ScreenTool tool, int column, int row)
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0)
        return;
    gestureBefore_.reset();
    gestureStamp_.reset();
    if (tool == ScreenTool::pick) {
        const Screen &screen = s->screens()[size_t(current_)];
        const int64_t number = bankFirstTile() + int64_t(screen.patternTable) * 256 + screen.tileAt(column, row);
        window_->ui().tileCollection->selectTile(number);
        status(QStringLiteral("Picked tile %1 ($%2)").arg(number).arg(number, 0, 16));
        return;
    }
    if (const int subPalette = window_->editorViewController->currentSubPalette();
        tool == ScreenTool::attribute && (subPalette < 0 || subPalette > 3)) {
        status(QStringLiteral("Sub-palette %1 is a sprite sub-palette: a screen takes background sub-palettes 0-3")
                   .arg(subPalette));
        return;
    }
    gestureBefore_ = s->screens();
    gestureScreen_ = s->screens()[size_t(current_)];
    if (tool == ScreenTool::stamp || tool == ScreenTool::fill)
        gestureStamp_ = pickedStamp_ ? pickedStamp_ : viewerStamp();
    applyTool(tool, column, row);
    editor_->updateScreen(gestureScreen_);
}

void ScreenActions::screenGestureMoved(ScreenEditor *, ScreenTool tool, int column, int row)
{
    if (!gestureBefore_)
        return;
    applyTool(tool, column, row);
    editor_->updateScreen(gestureScreen_);
}

void ScreenActions::screenGestureEnded(ScreenEditor *, ScreenTool tool, const CellRect &cells)
{
    const SettingsPtr s = settings();
    if (tool == ScreenTool::pick) {
        // A drag over several cells picks up their rectangle as the stamp (a click has picked its tile).
        if (s && current_ >= 0 && cells.columns * cells.rows > 1) {
            pickedStamp_ = mosavo::copyRegion(s->screens()[size_t(current_)], cells);
            updateStampSize();
            status(QStringLiteral("Picked up %1 x %2 cells as the stamp").arg(cells.columns).arg(cells.rows));
        }
        return;
    }
    if (!gestureBefore_)
        return;
    if (!s || current_ < 0) {
        gestureBefore_.reset();
        return;
    }
    if (tool == ScreenTool::fill && gestureStamp_)
        fillWithPattern(gestureScreen_, cells, *gestureStamp_);
    std::vector<Screen> after = *gestureBefore_;
    after[size_t(current_)] = gestureScreen_;
    gestureBefore_.reset();
    static const char *const names[] = { "Stamp", "Pick", "Paint Attributes", "Fill", "Select" };
    push(std::move(after), current_, QString::fromLatin1(names[int(tool)]));
    refresh();
}

void ScreenActions::chooseScreenPicture()
{
    choosePicture(QStringLiteral("Import Screen Picture"), [this](const QString &path) {
        // A picture of another size is refused before anything is asked.
        if (const auto refusal = screenPictureFileSizeRefusal(path)) {
            alerts().showError(*refusal, window_);
            return;
        }
        const SettingsPtr s = settings();
        auto *dialog = new QDialog(window_);
        dialog->setObjectName(QStringLiteral("screenImportDialog"));
        dialog->setWindowTitle(QStringLiteral("Import Screen Picture"));
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        auto *layout = new QVBoxLayout(dialog);
        layout->addWidget(new QLabel(QFileInfo(path).fileName(), dialog));
        auto *form = new QFormLayout;
        auto *table = new QComboBox(dialog);
        table->setObjectName(QStringLiteral("screenImportTable"));
        table->addItems({ QStringLiteral("Table 0 (tiles 0-255)"), QStringLiteral("Table 1 (tiles 256-511)") });
        if (s && current_ >= 0 && current_ < int(s->screens().size()))
            table->setCurrentIndex(s->screens()[size_t(current_)].patternTable & 1);
        form->addRow(QStringLiteral("Pattern table:"), table);
        layout->addLayout(form);
        auto *find = new QRadioButton(QStringLiteral("Find sub-palettes for the picture"), dialog);
        find->setObjectName(QStringLiteral("screenImportFindSubPalettes"));
        find->setChecked(true);
        auto *own = new QRadioButton(QStringLiteral("Use the document's sub-palettes 0-3"), dialog);
        own->setObjectName(QStringLiteral("screenImportDocumentSubPalettes"));
        layout->addWidget(find);
        layout->addWidget(own);
        auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
        buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Import"));
        layout->addWidget(buttons);
        connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
        connect(dialog, &QDialog::accepted, this,
            [this, path, table, own] { importScreenPicture(path, table->currentIndex(), own->isChecked()); });
        dialog->open();
    });
}

bool ScreenActions::importScreenPicture(const QString &path, int patternTable, bool documentSubPalettes)
{
    const SettingsPtr s = settings();
    if (!s)
        return false;
    std::optional<BackgroundSubPalettes> subPalettes;
    if (documentSubPalettes)
        subPalettes = backgroundSubPalettes(documentPaletteBytes(*s));
    auto converted = convertScreenPictureFile(path, *s, currentDisplayColors(), currentDisplayEmphasis(),
        subPalettes, patternTable & 1, uniqueItemName(s->screens(), QFileInfo(path).completeBaseName()).toStdString());
    if (const auto *reason = std::get_if<QString>(&converted)) {
        alerts().showError(reason->startsWith(path) ? *reason : FileError { path, *reason }.describe(), window_);
        return false;
    }
    const ScreenConversion &conversion = std::get<ScreenConversion>(converted);
    // The sub-palettes as the import leaves them, worked out on a copy of the document.
    const SettingsPtr copy = EditorViewControllerSettings::decode(s->encode());
    if (!copy || !copy->tileData()) {
        alerts().showError(FileError { path, QStringLiteral("the document could not be copied for the import") }
                               .describe(),
            window_);
        return false;
    }
    applyScreenConversion(*copy, conversion);
    // The conversion numbers its new tiles within the screen's pattern table.
    const int64_t first = bankFirstTile() + int64_t(conversion.screen.patternTable) * PatternTables::tilesPerTable;
    std::vector<int64_t> numbers;
    std::vector<MatrixPtr> tiles;
    for (const ScreenTileChange &change : conversion.tileChanges) {
        MatrixPtr tile = Matrix::make(8, 8);
        std::copy(change.pixels.begin(), change.pixels.end(), tile->cells().begin());
        numbers.push_back(first + change.tile);
        tiles.push_back(std::move(tile));
    }
    addScreen(conversion.screen, numbers, tiles, copy->palettes(), QStringLiteral("Import Screen Picture"));
    status(QStringLiteral("Imported %1 as screen \"%2\" (%3 new tiles)")
               .arg(QFileInfo(path).fileName(), QString::fromStdString(conversion.screen.name))
               .arg(conversion.tileChanges.size()));
    return true;
}

bool ScreenActions::removeDuplicateTiles()
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0)
        return false;
    const int table = s->screens()[size_t(current_)].patternTable & 1;
    const TileDedup dedup = mosavo::removeDuplicateTiles(patterns(), table, s->screens());
    if (dedup.freedTiles.empty()) {
        status(QStringLiteral("No duplicate tiles in pattern table %1").arg(table));
        return false;
    }
    push(dedup.screens, current_, QStringLiteral("Remove Duplicate Tiles"));
    status(QStringLiteral("Merged %1 duplicate tiles of pattern table %2: the screens use %3 tiles, not %4")
               .arg(dedup.freedTiles.size())
               .arg(table)
               .arg(dedup.tilesUsedAfter)
               .arg(dedup.tilesUsedBefore));
    return true;
}

} // namespace kestova
