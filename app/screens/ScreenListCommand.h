#pragma once

#include "app/document/EditorViewControllerSettings.h"
#include "core/Screen.h"

#include <QPointer>
#include <QUndoCommand>

#include <vector>

namespace kestova {

class ScreenActions;

// One change of the document's screens (a gesture on a screen, a list edit, an import): the whole list before and
// after, and the screen shown with each.
class ScreenListCommand : public QUndoCommand
{
public:
    ScreenListCommand(ScreenActions *actions, SettingsPtr settings, std::vector<mosavo::Screen> before, int shownBefore,
        std::vector<mosavo::Screen> after, int shownAfter, const QString &text);
    void undo() override;
    void redo() override;

private:
    void apply(const std::vector<mosavo::Screen> &screens, int shown);

    QPointer<ScreenActions> actions_;
    std::weak_ptr<EditorViewControllerSettings> settings_;
    std::vector<mosavo::Screen> before_;
    std::vector<mosavo::Screen> after_;
    int shownBefore_;
    int shownAfter_;
};

} // namespace kestova
