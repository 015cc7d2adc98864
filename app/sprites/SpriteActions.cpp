#include "app/sprites/SpriteActions.h"

#include "app/window/Alerts.h"
#include "app/window/DockSupport.h"
#include "app/tiles/EditorViewController.h"
#include "app/window/FilePanels.h"
#include "app/document/FileIO.h"
#include "app/window/MainMosavoWindow.h"
#include "app/document/MosavoDocument.h"
#include "app/document/PngTiles.h"
#include "app/sprites/SpriteImport.h"
#include "app/sprites/SpritePictures.h"
#include "sprite/AnimationPreview.h"
#include "sprite/SpritePicture.h"
#include "ui_MainMosavo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QSpinBox>
#include <QTableWidget>
#include <QToolButton>
#include <QUndoStack>

#include <algorithm>
#include <climits>

namespace kestova {

using namespace mosavo;


SpriteActions::SpriteActions(MainMosavoWindow *window)
    : DocumentPart(window, QStringLiteral("spriteActions"))
{
    buildDock();
    buildMenu();
    followDocument(this, window, [this] { refresh(); }, [this] {
        refresh();
        // A document that has metasprites shows them.
        if (const SettingsPtr s = settings(); s && !s->metasprites().empty() && !dock_->isVisible())
            dock_->show();
    });
    refresh();
}

SpriteActions *SpriteActions::install(MainMosavoWindow *window)
{
    return installWindowPart<SpriteActions>(window);
}

SpriteActions *SpriteActions::of(const MainMosavoWindow *window)
{
    return windowPart<SpriteActions>(window, QStringLiteral("spriteActions"));
}



SpriteStateCommand::Shown SpriteActions::shown() const
{
    return { current_, currentAnimation_, editor_->selection() };
}

void SpriteActions::push(const SpriteDocumentState &after, SpriteStateCommand::Shown shownAfter, const QString &text)
{
    const SettingsPtr s = settings();
    if (!s)
        return;
    SpriteDocumentState before = SpriteDocumentState::of(*s);
    if (before == after) {
        if (shownAfter.metasprite != current_ || shownAfter.animation != currentAnimation_)
            stateApplied(shownAfter.metasprite, shownAfter.animation, shownAfter.selection);
        return;
    }
    window_->editorViewController->undoStack().push(
        new SpriteStateCommand(this, s, std::move(before), shown(), after, std::move(shownAfter), text));
}

void SpriteActions::stateApplied(int metasprite, int animation, const std::vector<int> &selection)
{
    const SettingsPtr s = settings();
    const int count = s ? int(s->metasprites().size()) : 0;
    current_ = std::clamp(metasprite, count ? 0 : -1, count - 1);
    const int animations = s ? int(s->animations().size()) : 0;
    currentAnimation_ = std::clamp(animation, animations ? 0 : -1, animations - 1);
    refresh();
    editor_->setSelection(selection);
}

void SpriteActions::setCurrentMetasprite(int index)
{
    const SettingsPtr s = settings();
    if (!s || index < 0 || index >= int(s->metasprites().size()) || index == current_)
        return;
    current_ = index;
    editor_->setSelection({});
    refresh();
}

void SpriteActions::setCurrentAnimation(int index)
{
    const SettingsPtr s = settings();
    if (!s || index < 0 || index >= int(s->animations().size()))
        return;
    currentAnimation_ = index;
    refresh();
}

int64_t SpriteActions::spriteBankFirstTile() const
{
    return window_ && window_->editorViewController ? window_->editorViewController->chrRomStartTile().value_or(0) : 0;
}

PatternTables SpriteActions::spritePatterns() const
{
    const SettingsPtr s = settings();
    return s ? PatternTables::fromTiles(*s->tileData(), spriteBankFirstTile()) : PatternTables {};
}

PaletteBytes SpriteActions::paletteBytes() const
{
    PaletteBytes bytes {};
    const SettingsPtr s = settings();
    if (!s || !s->palettes())
        return bytes;
    const auto &palettes = *s->palettes();
    for (size_t p = 0; p < palettes.size() && p < 8; ++p) {
        if (!palettes[p])
            continue;
        const auto &entries = palettes[p]->palette();
        for (size_t i = 0; i < entries.size() && i < 4; ++i)
            bytes[p * 4 + i] = uint8_t(entries[i].colorCode & 0x3F);
    }
    return bytes;
}

void SpriteActions::refresh()
{
    const SettingsPtr s = settings();
    if (!s)
        return;
    const int count = int(s->metasprites().size());
    if (current_ >= count || (current_ < 0 && count > 0))
        current_ = count - 1 < 0 ? -1 : std::clamp(current_, 0, count - 1);
    const int animations = int(s->animations().size());
    if (currentAnimation_ >= animations || (currentAnimation_ < 0 && animations > 0))
        currentAnimation_ = animations ? std::clamp(currentAnimation_, 0, animations - 1) : -1;
    if (backgroundScreen_ == -2)
        backgroundScreen_ = s->screens().empty() ? -1 : 0;
    if (backgroundScreen_ >= int(s->screens().size()))
        backgroundScreen_ = -1;

    editor_->setPatternTables(spritePatterns());
    editor_->setPalette(paletteBytes());
    editor_->setSpriteSettings({ s->tallSprites(), s->spritePatternTable() });
    const std::optional<Screen> background
        = backgroundScreen_ >= 0 ? std::optional<Screen>(s->screens()[size_t(backgroundScreen_)]) : std::nullopt;
    if (background != std::nullopt || editor_->hasBackground())
        editor_->setBackground(background);
    editor_->setMetasprite(current_ >= 0 ? s->metasprites()[size_t(current_)] : Metasprite {});
    if (current_ != scrolledTo_) {
        scrolledTo_ = current_;
        scrollToOrigin();
    }
    refreshLists();
    refreshPreview();
    updateButtons();
}

void SpriteActions::refreshLists()
{
    const SettingsPtr s = settings();
    refreshing_ = true;
    metaspriteList_->clear();
    for (const Metasprite &metasprite : s->metasprites()) {
        auto *item = new QListWidgetItem(QString::fromStdString(metasprite.name), metaspriteList_);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        item->setToolTip(QStringLiteral("%1 sprites").arg(metasprite.sprites.size()));
    }
    metaspriteList_->setCurrentRow(current_);

    backgroundChoice_->clear();
    backgroundChoice_->addItem(QStringLiteral("Checkerboard"), -1);
    for (size_t i = 0; i < s->screens().size(); ++i) {
        const QString name = QString::fromStdString(s->screens()[i].name);
        backgroundChoice_->addItem(name.isEmpty() ? QStringLiteral("Screen %1").arg(i) : name, int(i));
    }
    backgroundChoice_->setCurrentIndex(backgroundScreen_ + 1);
    tallChoice_->setChecked(s->tallSprites());
    patternTableChoice_->setCurrentIndex(s->spritePatternTable());
    patternTableChoice_->setEnabled(!s->tallSprites());

    animationChoice_->clear();
    for (const Animation &animation : s->animations())
        animationChoice_->addItem(QString::fromStdString(animation.name));
    animationChoice_->setCurrentIndex(currentAnimation_);
    const int frameRow = frameList_->currentRow();
    frameList_->clear();
    if (currentAnimation_ >= 0)
        for (const AnimationFrame &frame : s->animations()[size_t(currentAnimation_)].frames) {
            const QString name = frame.metasprite < int(s->metasprites().size())
                ? QString::fromStdString(s->metasprites()[size_t(frame.metasprite)].name)
                : QStringLiteral("?");
            frameList_->addItem(QStringLiteral("%1  (%2/60 s)").arg(name).arg(frame.duration));
        }
    frameList_->setCurrentRow(std::min(frameRow, frameList_->count() - 1));
    refreshing_ = false;
}

void SpriteActions::refreshPreview()
{
    const SettingsPtr s = settings();
    std::vector<AnimationPreview::Frame> frames;
    if (s && currentAnimation_ >= 0) {
        const Animation &animation = s->animations()[size_t(currentAnimation_)];
        const SpriteSettings spriteSettings { s->tallSprites(), s->spritePatternTable() };
        // One canvas for every frame, holding all of them with their origins in one place.
        std::vector<PlacedSprite> all;
        for (const AnimationFrame &frame : animation.frames)
            if (frame.metasprite >= 0 && frame.metasprite < int(s->metasprites().size())) {
                const auto placed = placeMetasprite(s->metasprites()[size_t(frame.metasprite)], 0, 0);
                all.insert(all.end(), placed.begin(), placed.end());
            }
        SpriteBox box = spriteBox(all, spriteSettings.height());
        if (box.isEmpty())
            box = { 0, 0, 8, 8 };
        const PatternTables patterns = spritePatterns();
        const PaletteBytes palette = paletteBytes();
        for (const AnimationFrame &frame : animation.frames) {
            FramePicture picture = FramePicture::filled(box.width, box.height, FramePicture::transparentColor);
            if (frame.metasprite >= 0 && frame.metasprite < int(s->metasprites().size())) {
                const auto placed = placeMetasprite(s->metasprites()[size_t(frame.metasprite)], -box.left, -box.top);
                drawSprites(picture, patterns, placed, spriteSettings, palette);
            }
            frames.push_back({ framePictureImage(picture, 4), frame.duration });
        }
    }
    // The frame shown, and playing or paused, stay as they were.
    preview_->setFrames(std::move(frames));
}

void SpriteActions::updateButtons()
{
    const SettingsPtr s = settings();
    const std::vector<int> &selection = editor_->selection();
    for (QWidget *widget : spriteEditButtons_)
        widget->setEnabled(!selection.empty());
    if (s && current_ >= 0 && !selection.empty()) {
        const Metasprite &metasprite = s->metasprites()[size_t(current_)];
        const MetaspriteSprite &first = metasprite.sprites[size_t(selection.front())];
        subPaletteChoice_->setCurrentIndex(first.subPalette - 4);
        behindButton_->setChecked(std::all_of(selection.begin(), selection.end(),
            [&](int i) { return metasprite.sprites[size_t(i)].behindBackground; }));
    } else {
        behindButton_->setChecked(false);
    }
}

bool SpriteActions::addMetasprite(const Metasprite &metasprite, const std::vector<int64_t> &tileNumbers,
                                  const std::vector<MatrixPtr> &tiles, const QString &text)
{
    const SettingsPtr s = settings();
    if (!s)
        return false;
    QUndoStack &stack = window_->editorViewController->undoStack();
    stack.beginMacro(text);
    if (!tileNumbers.empty())
        window_->editorViewController->importTiles(tileNumbers, tiles, text);
    SpriteDocumentState after = SpriteDocumentState::of(*s);
    Metasprite added = metasprite;
    if (added.name.empty())
        added.name = uniqueItemName(after.metasprites, QStringLiteral("metasprite")).toStdString();
    after.metasprites.push_back(std::move(added));
    push(after, { int(after.metasprites.size()) - 1, currentAnimation_, {} }, text);
    stack.endMacro();
    dock_->show();
    return true;
}

void SpriteActions::chooseSpritePicture()
{
    choosePicture(QStringLiteral("Import Sprite Picture"), [this](const QString &path) { importSpritePicture(path); });
}

bool SpriteActions::importSpritePicture(const QString &path)
{
    const SettingsPtr s = settings();
    if (!s)
        return false;
    auto fail = [this, &path](const QString &reason) {
        alerts().showError(FileError { path, reason }.describe(), window_);
        return false;
    };
    auto picture = readPngPicture(path);
    if (const auto *error = std::get_if<FileError>(&picture))
        return fail(error->reason);
    SpriteImportOptions options;
    options.tall = s->metasprites().empty() ? tallChoice_->isChecked() : s->tallSprites();
    options.name = uniqueItemName(s->metasprites(), QFileInfo(path).completeBaseName());
    auto converted = convertSpriteImage(std::get<QImage>(picture), *s, options);
    if (const auto *reason = std::get_if<QString>(&converted))
        return fail(*reason);
    const SpriteImport &import = std::get<SpriteImport>(converted);

    // The sub-palettes as the import leaves them, worked out on a copy of the document.
    const SettingsPtr copy = EditorViewControllerSettings::decode(s->encode());
    if (!copy || !copy->tileData())
        return fail(QStringLiteral("the document could not be copied for the import"));
    applySpriteImport(*copy, import);

    std::vector<int64_t> numbers;
    std::vector<MatrixPtr> tiles;
    for (const TileChange &change : import.tileChanges) {
        MatrixPtr tile = Matrix::make(8, 8);
        std::copy(change.pixels.begin(), change.pixels.end(), tile->cells().begin());
        numbers.push_back(change.tile);
        tiles.push_back(std::move(tile));
    }
    const QString text = QStringLiteral("Import Sprite Picture");
    QUndoStack &stack = window_->editorViewController->undoStack();
    stack.beginMacro(text);
    if (copy->palettes())
        window_->editorViewController->replacePalettes(*copy->palettes());
    if (s->tallSprites() != import.tall)
        setTallSprites(import.tall);
    if (s->spritePatternTable() != import.spritePatternTable)
        setSpritePatternTable(import.spritePatternTable);
    addMetasprite(import.metasprite, numbers, tiles, text);
    stack.endMacro();
    status(QStringLiteral("Imported %1 as metasprite \"%2\" (%3 sprites, %4 new tiles)")
               .arg(QFileInfo(path).fileName(), QString::fromStdString(import.metasprite.name))
               .arg(import.metasprite.sprites.size())
               .arg(import.tileChanges.size()));
    return true;
}

void SpriteActions::newMetasprite()
{
    const SettingsPtr s = settings();
    if (!s)
        return;
    Metasprite metasprite;
    metasprite.name = uniqueItemName(s->metasprites(), QStringLiteral("metasprite")).toStdString();
    addMetasprite(metasprite, {}, {}, QStringLiteral("New Metasprite"));
}

void SpriteActions::duplicateMetasprite()
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0)
        return;
    SpriteDocumentState after = SpriteDocumentState::of(*s);
    Metasprite copy = after.metasprites[size_t(current_)];
    copy.name = uniqueItemName(after.metasprites, QString::fromStdString(copy.name)).toStdString();
    after.metasprites.insert(after.metasprites.begin() + current_ + 1, copy);
    // Frames of the metasprites after it follow them down.
    for (Animation &animation : after.animations)
        for (AnimationFrame &frame : animation.frames)
            if (frame.metasprite > current_)
                ++frame.metasprite;
    push(after, { current_ + 1, currentAnimation_, {} }, QStringLiteral("Duplicate Metasprite"));
}

bool SpriteActions::renameMetasprite(int index, const QString &name)
{
    const SettingsPtr s = settings();
    const QString trimmed = name.trimmed();
    if (!s || index < 0 || index >= int(s->metasprites().size()) || trimmed.isEmpty()) {
        refreshLists();
        return false;
    }
    if (const auto refusal = nameRefusal(s->metasprites(), index, trimmed, QStringLiteral("metasprite"))) {
        status(*refusal);
        refreshLists();
        return false;
    }
    SpriteDocumentState after = SpriteDocumentState::of(*s);
    after.metasprites[size_t(index)].name = trimmed.toStdString();
    push(after, { index, currentAnimation_, editor_->selection() }, QStringLiteral("Rename Metasprite"));
    return true;
}

void SpriteActions::deleteMetasprite()
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0)
        return;
    SpriteDocumentState after = SpriteDocumentState::of(*s);
    if (sprite_edits::deleteMetasprite(after, current_))
        push(after, { std::min(current_, int(after.metasprites.size()) - 1), currentAnimation_, {} },
            QStringLiteral("Delete Metasprite"));
}

void SpriteActions::moveMetasprite(int delta)
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0)
        return;
    SpriteDocumentState after = SpriteDocumentState::of(*s);
    if (sprite_edits::swapMetasprites(after, current_, current_ + delta))
        push(after, { current_ + delta, currentAnimation_, editor_->selection() }, QStringLiteral("Move Metasprite"));
}

bool SpriteActions::addSpritesFromSelection()
{
    const SettingsPtr s = settings();
    if (!s)
        return false;
    const auto &rows = window_->ui().tileCollection->selectedTileIDs();
    const bool tall = s->tallSprites();
    const int table = s->spritePatternTable();
    const int64_t first = spriteBankFirstTile();
    const bool viewerTall = window_->editorViewController->viewerShowsSprites8x16();
    // Sprites as (column, row) cells of the block, with their tile bytes.
    struct Cell
    {
        int column, row;
        uint8_t tile;
        bool blank;
    };
    const mosavo::TileList &tileList = s->tileData()->matrices();
    const auto blankTile = [&](int64_t number) {
        return number < 0 || size_t(number) >= tileList.size() || !tileList[size_t(number)]
            || isBlankTile(*tileList[size_t(number)]);
    };
    std::vector<Cell> cells;
    for (size_t r = 0; r < rows.size(); ++r) {
        // 8x16 sprites from a viewer showing 8x16 pairs take each pair of rows as one row of sprites.
        if (tall && viewerTall && r % 2 == 1)
            continue;
        for (size_t c = 0; c < rows[r].size(); ++c) {
            const int64_t number = rows[r][c];
            if (number < 0)
                continue;
            const int64_t relative = number - first;
            if (relative < 0 || relative >= PatternTables::tileCount) {
                status(QStringLiteral("Tile %1 is outside the sprites' CHR bank (tiles %2-%3)")
                           .arg(number)
                           .arg(first)
                           .arg(first + PatternTables::tileCount - 1));
                return false;
            }
            const int inTable = int(relative % PatternTables::tilesPerTable);
            const int ofTable = int(relative / PatternTables::tilesPerTable);
            if (!tall && ofTable != table) {
                status(QStringLiteral("Tile %1 is not in sprite pattern table %2 (tiles %3-%4)")
                           .arg(number)
                           .arg(table)
                           .arg(first + table * PatternTables::tilesPerTable)
                           .arg(first + table * PatternTables::tilesPerTable + 255));
                return false;
            }
            const uint8_t tile = tall ? uint8_t((inTable & 0xFE) | ofTable) : uint8_t(inTable);
            const int64_t shown = tall ? first + ofTable * PatternTables::tilesPerTable + (inTable & 0xFE) : number;
            cells.push_back({ int(c), int(tall && viewerTall ? r / 2 : r), tile,
                blankTile(shown) && (!tall || blankTile(shown + 1)) });
        }
    }
    if (cells.empty()) {
        status(QStringLiteral("Select tiles in the viewer to add them as sprites"));
        return false;
    }
    // A block's blank tiles would only spend sprites: they are left out when it has others.
    auto blanks = std::count_if(cells.begin(), cells.end(), [](const Cell &cell) { return cell.blank; });
    if (blanks > 0 && size_t(blanks) < cells.size())
        std::erase_if(cells, [](const Cell &cell) { return cell.blank; });
    else
        blanks = 0;
    SpriteDocumentState after = SpriteDocumentState::of(*s);
    int index = current_;
    if (index < 0) {
        Metasprite metasprite;
        metasprite.name = uniqueItemName(after.metasprites, QStringLiteral("metasprite")).toStdString();
        after.metasprites.push_back(metasprite);
        index = int(after.metasprites.size()) - 1;
    }
    Metasprite &metasprite = after.metasprites[size_t(index)];
    // Right of what the metasprite has, top-aligned with it; at the origin when it is empty.
    int left = 0, top = 0;
    if (!metasprite.sprites.empty()) {
        left = INT_MIN;
        top = INT_MAX;
        for (const MetaspriteSprite &sprite : metasprite.sprites) {
            left = std::max(left, sprite.x + 8);
            top = std::min(top, sprite.y);
        }
    }
    const int height = tall ? 16 : 8;
    const int currentSub = window_->editorViewController->currentSubPalette();
    const int subPalette = currentSub >= 4 && currentSub <= 7 ? currentSub : 4;
    std::vector<int> added;
    for (const Cell &cell : cells) {
        MetaspriteSprite sprite;
        sprite.x = std::clamp(left + cell.column * 8, -128, 127);
        sprite.y = std::clamp(top + cell.row * height, -128, 127);
        sprite.tile = cell.tile;
        sprite.subPalette = subPalette;
        added.push_back(int(metasprite.sprites.size()));
        metasprite.sprites.push_back(sprite);
    }
    dock_->show();
    push(after, { index, currentAnimation_, added }, QStringLiteral("Add Sprites"));
    if (blanks > 0)
        status(QStringLiteral("Added %1 sprites; %2 blank %3 of the block left out")
                   .arg(added.size())
                   .arg(blanks)
                   .arg(blanks == 1 ? QStringLiteral("tile") : QStringLiteral("tiles")));
    return true;
}

void SpriteActions::moveSprites(MetaspriteEditor *, const std::vector<int> &sprites, int dx, int dy)
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0)
        return;
    SpriteDocumentState after = SpriteDocumentState::of(*s);
    if (!sprite_edits::moveSprites(after.metasprites[size_t(current_)], sprites, dx, dy)) {
        status(QStringLiteral("Sprites stay within -128 to 127 pixels of the origin"));
        return;
    }
    push(after, { current_, currentAnimation_, sprites }, QStringLiteral("Move Sprites"));
}

void SpriteActions::deleteSprites(MetaspriteEditor *, const std::vector<int> &sprites)
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0)
        return;
    SpriteDocumentState after = SpriteDocumentState::of(*s);
    if (sprite_edits::deleteSprites(after.metasprites[size_t(current_)], sprites))
        push(after, { current_, currentAnimation_, {} }, QStringLiteral("Delete Sprites"));
}

void SpriteActions::flipSelected(bool horizontally)
{
    flipSprites(editor_, editor_->selection(), horizontally);
}

void SpriteActions::flipSprites(MetaspriteEditor *, const std::vector<int> &sprites, bool horizontally)
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0)
        return;
    SpriteDocumentState after = SpriteDocumentState::of(*s);
    if (sprite_edits::flipSprites(after.metasprites[size_t(current_)], sprites, horizontally,
                                  s->tallSprites() ? 16 : 8))
        push(after, shown(), horizontally ? QStringLiteral("Flip Sprites Horizontally")
                                          : QStringLiteral("Flip Sprites Vertically"));
}

void SpriteActions::setSelectedSubPalette(int subPalette)
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0 || subPalette < 4 || subPalette > 7)
        return;
    SpriteDocumentState after = SpriteDocumentState::of(*s);
    for (int i : editor_->selection())
        after.metasprites[size_t(current_)].sprites[size_t(i)].subPalette = subPalette;
    push(after, shown(), QStringLiteral("Sprite Sub-palette %1").arg(subPalette));
}

void SpriteActions::toggleSelectedBehindBackground()
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0 || editor_->selection().empty())
        return;
    SpriteDocumentState after = SpriteDocumentState::of(*s);
    auto &sprites = after.metasprites[size_t(current_)].sprites;
    const auto &selection = editor_->selection();
    const bool allBehind
        = std::all_of(selection.begin(), selection.end(), [&](int i) { return sprites[size_t(i)].behindBackground; });
    for (int i : selection)
        sprites[size_t(i)].behindBackground = !allBehind;
    push(after, shown(), allBehind ? QStringLiteral("Sprites in Front of Background")
                                   : QStringLiteral("Sprites Behind Background"));
}

void SpriteActions::moveSelectedToFront(bool front)
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0)
        return;
    SpriteDocumentState after = SpriteDocumentState::of(*s);
    const std::vector<int> moved
        = sprite_edits::reorderSprites(after.metasprites[size_t(current_)], editor_->selection(), front);
    if (!moved.empty())
        push(after, { current_, currentAnimation_, moved },
            front ? QStringLiteral("Bring Sprites to Front") : QStringLiteral("Send Sprites to Back"));
}

void SpriteActions::deleteSelected()
{
    deleteSprites(editor_, editor_->selection());
}

void SpriteActions::setTallSprites(bool tall)
{
    const SettingsPtr s = settings();
    if (!s)
        return;
    SpriteDocumentState after = SpriteDocumentState::of(*s);
    after.tallSprites = tall;
    push(after, shown(), tall ? QStringLiteral("8x16 Sprites") : QStringLiteral("8x8 Sprites"));
}

void SpriteActions::setSpritePatternTable(int table)
{
    const SettingsPtr s = settings();
    if (!s)
        return;
    SpriteDocumentState after = SpriteDocumentState::of(*s);
    after.spritePatternTable = table & 1;
    push(after, shown(), QStringLiteral("Sprite Pattern Table %1").arg(table & 1));
}

void SpriteActions::newAnimation()
{
    const SettingsPtr s = settings();
    if (!s)
        return;
    SpriteDocumentState after = SpriteDocumentState::of(*s);
    after.animations.push_back({ QStringLiteral("animation_%1").arg(after.animations.size() + 1).toStdString(), {} });
    push(after, { current_, int(after.animations.size()) - 1, editor_->selection() }, QStringLiteral("New Animation"));
}

void SpriteActions::deleteAnimation()
{
    const SettingsPtr s = settings();
    if (!s || currentAnimation_ < 0)
        return;
    SpriteDocumentState after = SpriteDocumentState::of(*s);
    after.animations.erase(after.animations.begin() + currentAnimation_);
    push(after, { current_, std::min(currentAnimation_, int(after.animations.size()) - 1), editor_->selection() },
        QStringLiteral("Delete Animation"));
}

void SpriteActions::addFrame()
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0) {
        status(QStringLiteral("Make a metasprite first, then add it as a frame"));
        return;
    }
    SpriteDocumentState after = SpriteDocumentState::of(*s);
    int animation = currentAnimation_;
    if (animation < 0) {
        after.animations.push_back({ "animation_1", {} });
        animation = int(after.animations.size()) - 1;
    }
    after.animations[size_t(animation)].frames.push_back({ current_, durationChoice_->value() });
    push(after, { current_, animation, editor_->selection() }, QStringLiteral("Add Frame"));
    frameList_->setCurrentRow(frameList_->count() - 1);
}

void SpriteActions::setFrameDuration(int frame, int duration)
{
    const SettingsPtr s = settings();
    if (!s || currentAnimation_ < 0 || duration < 1 || duration > 65535)
        return;
    SpriteDocumentState after = SpriteDocumentState::of(*s);
    auto &frames = after.animations[size_t(currentAnimation_)].frames;
    if (frame < 0 || frame >= int(frames.size()))
        return;
    frames[size_t(frame)].duration = duration;
    push(after, shown(), QStringLiteral("Frame Duration"));
}

void SpriteActions::removeFrame(int frame)
{
    const SettingsPtr s = settings();
    if (!s || currentAnimation_ < 0)
        return;
    SpriteDocumentState after = SpriteDocumentState::of(*s);
    auto &frames = after.animations[size_t(currentAnimation_)].frames;
    if (frame < 0 || frame >= int(frames.size()))
        return;
    frames.erase(frames.begin() + frame);
    push(after, shown(), QStringLiteral("Remove Frame"));
}

void SpriteActions::moveFrame(int frame, int delta)
{
    const SettingsPtr s = settings();
    if (!s || currentAnimation_ < 0)
        return;
    SpriteDocumentState after = SpriteDocumentState::of(*s);
    auto &frames = after.animations[size_t(currentAnimation_)].frames;
    const int to = frame + delta;
    if (frame < 0 || to < 0 || frame >= int(frames.size()) || to >= int(frames.size()))
        return;
    std::swap(frames[size_t(frame)], frames[size_t(to)]);
    push(after, shown(), QStringLiteral("Move Frame"));
    frameList_->setCurrentRow(to);
}

const QString SpriteActions::zoomKey = QStringLiteral("sprites/zoom");
const QString SpriteActions::snapKey = QStringLiteral("sprites/snap");

void SpriteActions::setZoom(int zoom)
{
    editor_->setZoom(zoom);
    zoomChoice_->setCurrentIndex(editor_->zoom() - MetaspriteEditor::minimumZoom);
    QSettings().setValue(zoomKey, editor_->zoom());
    scrollToOrigin();
}

void SpriteActions::scrollToOrigin()
{
    if (!editorScroll_)
        return;
    editor_->adjustSize();
    const QPoint origin = editor_->widgetPoint(editor_->originX(), editor_->originY()).toPoint();
    const QSize view = editorScroll_->viewport()->size();
    editorScroll_->ensureVisible(origin.x(), origin.y(), view.width() / 2, view.height() / 2);
}

void SpriteActions::setSnap(int snap)
{
    editor_->setSnap(snap);
    snapChoice_->setCurrentIndex(editor_->snap() == 8 ? 1 : 0);
    QSettings().setValue(snapKey, editor_->snap());
}

void SpriteActions::setBackgroundScreen(int screen)
{
    const SettingsPtr s = settings();
    backgroundScreen_ = s && screen >= 0 && screen < int(s->screens().size()) ? screen : -1;
    editor_->setBackground(backgroundScreen_ >= 0 ? std::optional<Screen>(s->screens()[size_t(backgroundScreen_)])
                                                  : std::nullopt);
    backgroundChoice_->setCurrentIndex(backgroundScreen_ + 1);
}

} // namespace kestova
