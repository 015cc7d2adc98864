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

// Replaces some tiles of the document's tile data (a painted gesture, a tile operation, a paste).
class ReplaceTilesCommand : public QUndoCommand
{
public:
    ReplaceTilesCommand(EditorViewController *controller, mosavo::TileDataPtr tileData, std::vector<int64_t> numbers,
        std::vector<mosavo::MatrixPtr> after, const QString &text);
    void undo() override;
    void redo() override;

private:
    void apply(const std::vector<mosavo::MatrixPtr> &tiles);

    QPointer<EditorViewController> controller_;
    std::weak_ptr<mosavo::TileData> tileData_;
    std::vector<int64_t> numbers_;
    std::vector<mosavo::MatrixPtr> before_;
    std::vector<mosavo::MatrixPtr> after_;
};

} // namespace kestova
