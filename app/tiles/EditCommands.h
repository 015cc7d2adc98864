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

// Undoable edits of a document. Each holds what it replaced and what replaced it, applies itself in redo() (also
// when first pushed) and asks the controller to refresh the views it touched.

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

// Replaces the whole tile data (an import), and the file the tiles came from with it.
class ReplaceTileDataCommand : public QUndoCommand
{
public:
    ReplaceTileDataCommand(EditorViewController *controller, SettingsPtr settings, mosavo::TileDataPtr after,
                           std::optional<std::string> afterSource);
    void undo() override;
    void redo() override;

private:
    void apply(const mosavo::TileDataPtr &tileData, const std::optional<std::string> &source);

    QPointer<EditorViewController> controller_;
    std::weak_ptr<EditorViewControllerSettings> settings_;
    mosavo::TileDataPtr before_;
    mosavo::TileDataPtr after_;
    std::optional<std::string> beforeSource_;
    std::optional<std::string> afterSource_;
};

// Replaces the eight sub-palettes (an import).
class ReplacePalettesCommand : public QUndoCommand
{
public:
    ReplacePalettesCommand(EditorViewController *controller, SettingsPtr settings,
                           std::vector<mosavo::PalettePtr> after);
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
