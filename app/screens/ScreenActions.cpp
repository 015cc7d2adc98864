#include "app/screens/ScreenActions.h"

#include "app/document/FileIO.h"
#include "app/document/MosavoDocument.h"
#include "app/screens/ScreenImport.h"
#include "app/tiles/EditorViewController.h"
#include "app/window/Alerts.h"
#include "app/window/DockSupport.h"
#include "app/window/FilePanels.h"
#include "app/window/MainMosavoWindow.h"
#include "convert/SpriteConversion.h"
#include "convert/TileDedup.h"
#include "core/MetatileSet.h"
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
#include <QSettings>
#include <QToolButton>
#include <QUndoStack>
#include <QVBoxLayout>

#include <algorithm>

namespace kestova {

using namespace mosavo;

ScreenActions::ScreenActions(MainMosavoWindow *window)
    : DocumentPart(window, QStringLiteral("screenActions"))
{
    buildDock();
    buildMenu();
    followDocument(
        this, window, [this] { refresh(); },
        [this] {
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
            const bool read = std::any_of(s->screens().begin(), s->screens().end(), [table](const Screen &screen) {
                return (screen.patternTable & 1) == table;
            }) || std::any_of(s->metasprites().begin(), s->metasprites().end(), [&](const Metasprite &metasprite) {
                return std::any_of(
                    metasprite.sprites.begin(), metasprite.sprites.end(), [&](const MetaspriteSprite &sprite) {
                        return s->tallSprites() ? (sprite.tile & 1) == table : s->spritePatternTable() == table;
                    });
            });
            if (!read)
                continue;
            const auto used
                = tilesShown(s->screens(), s->metasprites(), s->tallSprites(), s->spritePatternTable(), table)
                | tilesUsedByMetatiles(s->metatileSets(), table);
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
    const std::vector<MatrixPtr> &tiles, const std::optional<std::vector<PalettePtr>> &palettes, const QString &text)
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

} // namespace kestova
