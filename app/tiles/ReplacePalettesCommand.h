#pragma once

#include "app/document/EditorViewControllerSettings.h"
#include "core/Matrix.h"
#include "palette/PaletteProtocol.h"

#include <QPointer>
#include <QUndoCommand>

#include <optional>
#include <vector>

namespace kestova {

class EditorViewController;

// Replaces the eight sub-palettes (an import).
class ReplacePalettesCommand : public QUndoCommand
{
public:
    ReplacePalettesCommand(
        EditorViewController *controller, SettingsPtr settings, std::vector<mosavo::PalettePtr> after);
    void undo() override;
    void redo() override;

private:
    void apply(const std::optional<std::vector<mosavo::PalettePtr>> &palettes);

    QPointer<EditorViewController> controller_;
    std::weak_ptr<EditorViewControllerSettings> settings_;
    std::optional<std::vector<mosavo::PalettePtr>> before_;
    std::vector<mosavo::PalettePtr> after_;
};

} // namespace kestova
