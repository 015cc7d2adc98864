#include "app/sprites/SpriteActions.h"
#include "app/document/Counted.h"

#include "app/document/FileIO.h"
#include "app/document/MosavoDocument.h"
#include "app/document/PictureFiles.h"
#include "app/sprites/FrameItemDelegate.h"
#include "app/sprites/SpriteImport.h"
#include "app/sprites/SpritePictures.h"
#include "app/tiles/EditorViewController.h"
#include "app/window/Alerts.h"
#include "app/window/DockSupport.h"
#include "app/window/FilePanels.h"
#include "app/window/MainMosavoWindow.h"
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
    followDocument(
        this, window, [this] { refresh(); },
        [this] {
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
        item->setToolTip(QStringLiteral("%1: %2").arg(QString::fromStdString(metasprite.name),
            counted(int64_t(metasprite.sprites.size()), QStringLiteral("sprite"), QStringLiteral("sprites"))));
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
            auto *item = new QListWidgetItem(name, frameList_);
            item->setData(FrameItemDelegate::durationRole, frame.duration);
            item->setToolTip(name);
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
        behindButton_->setChecked(std::all_of(
            selection.begin(), selection.end(), [&](int i) { return metasprite.sprites[size_t(i)].behindBackground; }));
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
    editor_->setBackground(
        backgroundScreen_ >= 0 ? std::optional<Screen>(s->screens()[size_t(backgroundScreen_)]) : std::nullopt);
    backgroundChoice_->setCurrentIndex(backgroundScreen_ + 1);
}

} // namespace kestova
