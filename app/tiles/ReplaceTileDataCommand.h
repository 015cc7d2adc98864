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

// Replaces the whole tile data (an import), and the file the tiles came from with it.
class ReplaceTileDataCommand : public QUndoCommand
{
public:
    ReplaceTileDataCommand(EditorViewController *controller, SettingsPtr settings, mosavo::TileDataPtr after,
        std::optional<std::string> afterSource, const QString &text = QStringLiteral("Import Data"));
    void undo() override;
    void redo() override;

private:
    void apply(const mosavo::TileDataPtr &tileData, const std::optional<std::string> &source,
        const std::optional<EditorViewControllerSettings::SourceAsRead> &read);

    QPointer<EditorViewController> controller_;
    std::weak_ptr<EditorViewControllerSettings> settings_;
    mosavo::TileDataPtr before_;
    mosavo::TileDataPtr after_;
    std::optional<std::string> beforeSource_;
    std::optional<std::string> afterSource_;
    std::optional<EditorViewControllerSettings::SourceAsRead> beforeRead_;
    std::optional<EditorViewControllerSettings::SourceAsRead> afterRead_;
};

} // namespace kestova
