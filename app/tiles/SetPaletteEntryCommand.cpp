#include "app/tiles/SetPaletteEntryCommand.h"

#include "app/tiles/EditorViewController.h"

namespace kestova {

using namespace mosavo;

SetPaletteEntryCommand::SetPaletteEntryCommand(
    EditorViewController *controller, std::vector<Slot> targets, ColorEntry after)
    : QUndoCommand(QStringLiteral("Change Colour"))
    , controller_(controller)
    , targets_(std::move(targets))
    , after_(after)
{ }

void SetPaletteEntryCommand::undo()
{
    for (auto it = targets_.rbegin(); it != targets_.rend(); ++it) {
        auto entries = it->palette->palette();
        if (it->index < entries.size()) {
            entries[it->index] = it->before;
            it->palette->setPalette(entries);
        }
    }
    if (controller_)
        controller_->palettesChanged();
}

void SetPaletteEntryCommand::redo()
{
    for (const Slot &target : targets_) {
        auto entries = target.palette->palette();
        if (target.index < entries.size()) {
            entries[target.index] = after_;
            target.palette->setPalette(entries);
        }
    }
    if (controller_)
        controller_->palettesChanged();
}

} // namespace kestova
