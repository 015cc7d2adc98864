#include "app/tiles/EditCommands.h"

#include "app/tiles/EditorViewController.h"

namespace kestova {

using namespace mosavo;

namespace {
MatrixPtr copyOf(const MatrixPtr &matrix)
{
    return matrix ? std::make_shared<Matrix>(*matrix) : nullptr;
}
} // namespace

ReplaceTilesCommand::ReplaceTilesCommand(EditorViewController *controller, TileDataPtr tileData,
                                         std::vector<int64_t> numbers, std::vector<MatrixPtr> after,
                                         const QString &text)
    : QUndoCommand(text)
    , controller_(controller)
    , tileData_(tileData)
    , numbers_(std::move(numbers))
{
    for (size_t i = 0; i < numbers_.size(); ++i) {
        before_.push_back(copyOf(tileData->matrices()[size_t(numbers_[i])]));
        after_.push_back(copyOf(after[i]));
    }
}

void ReplaceTilesCommand::apply(const std::vector<MatrixPtr> &tiles)
{
    const TileDataPtr tileData = tileData_.lock();
    if (!tileData)
        return;
    auto &matrices = tileData->matrices();
    for (size_t i = 0; i < numbers_.size(); ++i)
        if (numbers_[i] >= 0 && size_t(numbers_[i]) < matrices.size())
            matrices[size_t(numbers_[i])] = copyOf(tiles[i]);
    if (controller_)
        controller_->tilesChanged(numbers_);
}

void ReplaceTilesCommand::undo()
{
    apply(before_);
}

void ReplaceTilesCommand::redo()
{
    apply(after_);
}

SetPaletteEntryCommand::SetPaletteEntryCommand(EditorViewController *controller, std::vector<Slot> targets,
                                               ColorEntry after)
    : QUndoCommand(QStringLiteral("Change Colour"))
    , controller_(controller)
    , targets_(std::move(targets))
    , after_(after)
{
}

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

ReplaceTileDataCommand::ReplaceTileDataCommand(EditorViewController *controller, SettingsPtr settings,
                                               TileDataPtr after, std::optional<std::string> afterSource)
    : QUndoCommand(QStringLiteral("Import Data"))
    , controller_(controller)
    , settings_(settings)
    , before_(settings->tileData())
    , after_(std::move(after))
    , beforeSource_(settings->sourceFile())
    , afterSource_(std::move(afterSource))
{
}

void ReplaceTileDataCommand::apply(const TileDataPtr &tileData, const std::optional<std::string> &source)
{
    const SettingsPtr settings = settings_.lock();
    if (!settings || !tileData)
        return;
    settings->setTileData(tileData);
    settings->setSourceFile(source);
    if (controller_) {
        if (controller_->mosavo)
            controller_->mosavo->setTileData(tileData);
        controller_->setup();
        emit controller_->sourceFileChanged();
    }
}

void ReplaceTileDataCommand::undo()
{
    apply(before_, beforeSource_);
}

void ReplaceTileDataCommand::redo()
{
    apply(after_, afterSource_);
}

ReplacePalettesCommand::ReplacePalettesCommand(EditorViewController *controller, SettingsPtr settings,
                                               std::vector<PalettePtr> after)
    : QUndoCommand(QStringLiteral("Import Palette"))
    , controller_(controller)
    , settings_(settings)
    , before_(settings->palettes())
    , after_(std::move(after))
{
}

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
