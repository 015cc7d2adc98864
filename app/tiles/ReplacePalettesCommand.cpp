#include "app/tiles/ReplacePalettesCommand.h"

#include "app/tiles/EditorViewController.h"

namespace kestova {

using namespace mosavo;

ReplacePalettesCommand::ReplacePalettesCommand(
    EditorViewController *controller, SettingsPtr settings, std::vector<PalettePtr> after)
    : QUndoCommand(QStringLiteral("Import Palette"))
    , controller_(controller)
    , settings_(settings)
    , before_(settings->palettes())
    , after_(std::move(after))
{ }

void ReplacePalettesCommand::apply(const std::optional<std::vector<PalettePtr>> &palettes)
{
    const SettingsPtr settings = settings_.lock();
    if (!settings)
        return;
    settings->setPalettes(palettes);
    if (controller_) {
        controller_->selectablePalettes = palettes;
        controller_->setup();
    }
}

void ReplacePalettesCommand::undo()
{
    apply(before_);
}

void ReplacePalettesCommand::redo()
{
    apply(after_);
}

} // namespace kestova
