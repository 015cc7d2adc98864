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
    // A new frame lasts as long as the one before it.
    auto &frames = after.animations[size_t(animation)].frames;
    frames.push_back({ current_, frames.empty() ? firstFrameDuration : frames.back().duration });
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

} // namespace kestova
