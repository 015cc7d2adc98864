#include "app/sprites/SpriteCommands.h"

#include "app/sprites/SpriteActions.h"

#include <algorithm>
#include <climits>

namespace kestova {

using namespace mosavo;

SpriteDocumentState SpriteDocumentState::of(const EditorViewControllerSettings &settings)
{
    return { settings.metasprites(), settings.animations(), settings.tallSprites(), settings.spritePatternTable() };
}

void SpriteDocumentState::applyTo(EditorViewControllerSettings &settings) const
{
    settings.metasprites() = metasprites;
    settings.animations() = animations;
    settings.setTallSprites(tallSprites);
    settings.setSpritePatternTable(spritePatternTable);
}

SpriteStateCommand::SpriteStateCommand(SpriteActions *actions, SettingsPtr settings, SpriteDocumentState before,
    Shown shownBefore, SpriteDocumentState after, Shown shownAfter, const QString &text)
    : QUndoCommand(text)
    , actions_(actions)
    , settings_(settings)
    , before_(std::move(before))
    , shownBefore_(std::move(shownBefore))
    , after_(std::move(after))
    , shownAfter_(std::move(shownAfter))
{ }

void SpriteStateCommand::undo()
{
    apply(before_, shownBefore_);
}

void SpriteStateCommand::redo()
{
    apply(after_, shownAfter_);
}

void SpriteStateCommand::apply(const SpriteDocumentState &state, const Shown &shown)
{
    const SettingsPtr settings = settings_.lock();
    if (!settings)
        return;
    state.applyTo(*settings);
    if (actions_)
        actions_->stateApplied(shown.metasprite, shown.animation, shown.selection);
}

namespace sprite_edits {

bool deleteMetasprite(SpriteDocumentState &state, int index)
{
    if (index < 0 || index >= int(state.metasprites.size()))
        return false;
    state.metasprites.erase(state.metasprites.begin() + index);
    for (Animation &animation : state.animations) {
        std::erase_if(animation.frames, [index](const AnimationFrame &frame) { return frame.metasprite == index; });
        for (AnimationFrame &frame : animation.frames)
            if (frame.metasprite > index)
                --frame.metasprite;
    }
    return true;
}

bool swapMetasprites(SpriteDocumentState &state, int a, int b)
{
    const int count = int(state.metasprites.size());
    if (a < 0 || b < 0 || a >= count || b >= count || a == b)
        return false;
    std::swap(state.metasprites[size_t(a)], state.metasprites[size_t(b)]);
    for (Animation &animation : state.animations)
        for (AnimationFrame &frame : animation.frames)
            frame.metasprite = frame.metasprite == a ? b : frame.metasprite == b ? a : frame.metasprite;
    return true;
}

namespace {
bool valid(const Metasprite &metasprite, const std::vector<int> &sprites)
{
    return !sprites.empty() && std::all_of(sprites.begin(), sprites.end(), [&](int i) {
        return i >= 0 && i < int(metasprite.sprites.size());
    });
}
// A metasprite table ends at an x offset byte of 128: across, a sprite stays within -127..127 of the origin.
bool inRange(int x, int y)
{
    return x >= -127 && x <= 127 && y >= -128 && y <= 127;
}
} // namespace

bool moveSprites(Metasprite &metasprite, const std::vector<int> &sprites, int dx, int dy)
{
    if (!valid(metasprite, sprites) || (dx == 0 && dy == 0))
        return false;
    for (int i : sprites) {
        const MetaspriteSprite &sprite = metasprite.sprites[size_t(i)];
        if (!inRange(sprite.x + dx, sprite.y + dy))
            return false;
    }
    for (int i : sprites) {
        metasprite.sprites[size_t(i)].x += dx;
        metasprite.sprites[size_t(i)].y += dy;
    }
    return true;
}

bool flipSprites(Metasprite &metasprite, const std::vector<int> &sprites, bool horizontally, int spriteHeight)
{
    if (!valid(metasprite, sprites))
        return false;
    int low = INT_MAX, high = INT_MIN;
    for (int i : sprites) {
        const MetaspriteSprite &sprite = metasprite.sprites[size_t(i)];
        const int at = horizontally ? sprite.x : sprite.y;
        low = std::min(low, at);
        high = std::max(high, at + (horizontally ? 8 : spriteHeight));
    }
    for (int i : sprites) {
        MetaspriteSprite &sprite = metasprite.sprites[size_t(i)];
        if (horizontally) {
            sprite.x = low + high - sprite.x - 8;
            sprite.flipHorizontally = !sprite.flipHorizontally;
        } else {
            sprite.y = low + high - sprite.y - spriteHeight;
            sprite.flipVertically = !sprite.flipVertically;
        }
    }
    return true;
}

std::vector<int> reorderSprites(Metasprite &metasprite, const std::vector<int> &sprites, bool toFront)
{
    if (!valid(metasprite, sprites))
        return {};
    std::vector<bool> chosen(metasprite.sprites.size(), false);
    for (int i : sprites)
        chosen[size_t(i)] = true;
    std::vector<MetaspriteSprite> picked, others;
    for (size_t i = 0; i < metasprite.sprites.size(); ++i)
        (chosen[i] ? picked : others).push_back(metasprite.sprites[i]);
    metasprite.sprites.clear();
    const auto &first = toFront ? picked : others;
    const auto &second = toFront ? others : picked;
    metasprite.sprites.insert(metasprite.sprites.end(), first.begin(), first.end());
    metasprite.sprites.insert(metasprite.sprites.end(), second.begin(), second.end());
    std::vector<int> positions;
    const int start = toFront ? 0 : int(others.size());
    for (int i = 0; i < int(picked.size()); ++i)
        positions.push_back(start + i);
    return positions;
}

bool deleteSprites(Metasprite &metasprite, const std::vector<int> &sprites)
{
    if (!valid(metasprite, sprites))
        return false;
    std::vector<int> doomed = sprites;
    std::sort(doomed.rbegin(), doomed.rend());
    doomed.erase(std::unique(doomed.begin(), doomed.end()), doomed.end());
    for (int i : doomed)
        metasprite.sprites.erase(metasprite.sprites.begin() + i);
    return true;
}

} // namespace sprite_edits

} // namespace kestova
