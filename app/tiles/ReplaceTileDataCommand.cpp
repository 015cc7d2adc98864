#include "app/tiles/ReplaceTileDataCommand.h"

#include "app/tiles/EditorViewController.h"

namespace kestova {

using namespace mosavo;

ReplaceTileDataCommand::ReplaceTileDataCommand(EditorViewController *controller, SettingsPtr settings,
    TileDataPtr after, std::optional<std::string> afterSource, const QString &text)
    : QUndoCommand(text)
    , controller_(controller)
    , settings_(settings)
    , before_(settings->tileData())
    , after_(std::move(after))
    , beforeSource_(settings->sourceFile())
    , afterSource_(std::move(afterSource))
    , beforeRead_(settings->sourceAsRead())
{
    // The imported tiles are what their file holds now.
    if (afterSource_ && after_)
        if (auto bytes = after_->consoleFormattedPixelData())
            afterRead_ = EditorViewControllerSettings::SourceAsRead { std::move(*bytes), std::nullopt };
}

void ReplaceTileDataCommand::apply(const TileDataPtr &tileData, const std::optional<std::string> &source,
    const std::optional<EditorViewControllerSettings::SourceAsRead> &read)
{
    const SettingsPtr settings = settings_.lock();
    if (!settings || !tileData)
        return;
    settings->setTileData(tileData);
    settings->setSourceFile(source);
    settings->setSourceAsRead(read);
    if (controller_) {
        if (controller_->mosavo)
            controller_->mosavo->setTileData(tileData);
        controller_->setup();
        emit controller_->sourceFileChanged();
    }
}

void ReplaceTileDataCommand::undo()
{
    apply(before_, beforeSource_, beforeRead_);
}

void ReplaceTileDataCommand::redo()
{
    apply(after_, afterSource_, afterRead_);
}

} // namespace kestova
