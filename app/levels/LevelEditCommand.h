#pragma once

#include "app/document/EditorViewControllerSettings.h"
#include "core/LevelMap.h"
#include "core/MetatileSet.h"

#include <QPointer>
#include <QUndoCommand>

#include <vector>

namespace kestova {

class LevelActions;

// The document's metatile sets and maps at one moment, and the map shown with them.
struct LevelState
{
    std::vector<mosavo::MetatileSet> sets;
    std::vector<mosavo::LevelMap> maps;
    int shownMap = -1;
};

// One change of the document's levels (a gesture on a map, a metatile's behaviour, an import): the sets and maps
// before and after.
class LevelEditCommand : public QUndoCommand
{
public:
    LevelEditCommand(
        LevelActions *actions, SettingsPtr settings, LevelState before, LevelState after, const QString &text);
    void undo() override;
    void redo() override;

private:
    void apply(const LevelState &state);

    QPointer<LevelActions> actions_;
    std::weak_ptr<EditorViewControllerSettings> settings_;
    LevelState before_;
    LevelState after_;
};

} // namespace kestova
