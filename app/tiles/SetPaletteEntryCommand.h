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

// Puts a colour into slots of sub-palettes (a master-colour pick).
class SetPaletteEntryCommand : public QUndoCommand
{
public:
    struct Slot
    {
        mosavo::PalettePtr palette;
        size_t index = 0;
        mosavo::ColorEntry before;
    };
    SetPaletteEntryCommand(EditorViewController *controller, std::vector<Slot> targets, mosavo::ColorEntry after);
    void undo() override;
    void redo() override;

private:
    QPointer<EditorViewController> controller_;
    std::vector<Slot> targets_;
    mosavo::ColorEntry after_;
};

} // namespace kestova
