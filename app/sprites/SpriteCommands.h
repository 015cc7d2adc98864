#pragma once

#include "app/document/EditorViewControllerSettings.h"
#include "core/Metasprite.h"

#include <QPointer>
#include <QUndoCommand>

#include <vector>

namespace kestova {

class SpriteActions;

// The sprite part of a document: its metasprites, animations and how its sprites read their tiles.
struct SpriteDocumentState
{
    std::vector<mosavo::Metasprite> metasprites;
    std::vector<mosavo::Animation> animations;
    bool tallSprites = false;
    int spritePatternTable = 1;

    static SpriteDocumentState of(const EditorViewControllerSettings &settings);
    void applyTo(EditorViewControllerSettings &settings) const;

    bool operator==(const SpriteDocumentState &) const = default;
};

// One edit of the sprite part (a sprite moved, flipped, added; a metasprite renamed, deleted; a frame's duration...):
// the whole state before and after, and the metasprite and animation shown with each.
class SpriteStateCommand : public QUndoCommand
{
public:
    struct Shown
    {
        int metasprite = -1;
        int animation = -1;
        std::vector<int> selection;
    };
    SpriteStateCommand(SpriteActions *actions, SettingsPtr settings, SpriteDocumentState before, Shown shownBefore,
        SpriteDocumentState after, Shown shownAfter, const QString &text);
    void undo() override;
    void redo() override;

private:
    void apply(const SpriteDocumentState &state, const Shown &shown);

    QPointer<SpriteActions> actions_;
    std::weak_ptr<EditorViewControllerSettings> settings_;
    SpriteDocumentState before_;
    Shown shownBefore_;
    SpriteDocumentState after_;
    Shown shownAfter_;
};

// Edits of the state as pure functions (positions in the document's lists): each returns false and leaves the state
// as it was when it cannot apply.
namespace sprite_edits {
// Deletes metasprite `index`; animation frames showing it go, frames of later metasprites follow them down.
bool deleteMetasprite(SpriteDocumentState &state, int index);
// Swaps metasprites a and b, and the frames that show them.
bool swapMetasprites(SpriteDocumentState &state, int a, int b);
// Moves the sprites by dx, dy; false when one would leave -127..127 across (a metasprite table reads the x offset
// -128 as its end) or -128..127 down.
bool moveSprites(mosavo::Metasprite &metasprite, const std::vector<int> &sprites, int dx, int dy);
// Toggles the flip of the sprites and mirrors their places within their bounding box.
bool flipSprites(mosavo::Metasprite &metasprite, const std::vector<int> &sprites, bool horizontally, int spriteHeight);
// Moves the sprites to the front (the start of the list) or the back, keeping their order; returns their positions.
std::vector<int> reorderSprites(mosavo::Metasprite &metasprite, const std::vector<int> &sprites, bool toFront);
bool deleteSprites(mosavo::Metasprite &metasprite, const std::vector<int> &sprites);
} // namespace sprite_edits

} // namespace kestova
