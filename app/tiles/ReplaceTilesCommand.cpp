#include "app/tiles/ReplaceTilesCommand.h"

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
    std::vector<int64_t> numbers, std::vector<MatrixPtr> after, const QString &text)
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

} // namespace kestova
