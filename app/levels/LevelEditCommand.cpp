#include "app/levels/LevelEditCommand.h"

#include "app/levels/LevelActions.h"

namespace kestova {

LevelEditCommand::LevelEditCommand(
    LevelActions *actions, SettingsPtr settings, LevelState before, LevelState after, const QString &text)
    : QUndoCommand(text)
    , actions_(actions)
    , settings_(settings)
    , before_(std::move(before))
    , after_(std::move(after))
{ }

void LevelEditCommand::apply(const LevelState &state)
{
    if (const SettingsPtr settings = settings_.lock()) {
        settings->metatileSets() = state.sets;
        settings->levelMaps() = state.maps;
    }
    if (actions_)
        actions_->stateApplied(state.shownMap);
}

void LevelEditCommand::undo()
{
    apply(before_);
}

void LevelEditCommand::redo()
{
    apply(after_);
}

} // namespace kestova
