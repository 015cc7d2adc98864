#include "app/sprites/SpriteActions.h"

#include "app/document/FileIO.h"
#include "app/document/MosavoDocument.h"
#include "app/document/PictureFiles.h"
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

void SpriteActions::moveSprites(MetaspriteEditor *, const std::vector<int> &sprites, int dx, int dy)
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0)
        return;
    SpriteDocumentState after = SpriteDocumentState::of(*s);
    if (!sprite_edits::moveSprites(after.metasprites[size_t(current_)], sprites, dx, dy)) {
        status(QStringLiteral("Sprites stay within -127 to 127 pixels of the origin across and -128 to 127 down"));
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
    if (sprite_edits::flipSprites(
            after.metasprites[size_t(current_)], sprites, horizontally, s->tallSprites() ? 16 : 8))
        push(after, shown(),
            horizontally ? QStringLiteral("Flip Sprites Horizontally") : QStringLiteral("Flip Sprites Vertically"));
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
    push(after, shown(),
        allBehind ? QStringLiteral("Sprites in Front of Background") : QStringLiteral("Sprites Behind Background"));
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

} // namespace kestova
