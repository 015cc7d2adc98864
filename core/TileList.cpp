#include "core/TileList.h"

#include "core/NesTileCodec.h"

namespace mosavo {

TileList::TileList(std::vector<MatrixPtr> tiles)
    : tiles_(std::move(tiles))
{
}

TileList TileList::fromNesBytes(std::shared_ptr<const Bytes> source, size_t count)
{
    TileList list;
    if (!source)
        return list;
    count = std::min(count, source->size() / nes::bytesPerTile);
    list.tiles_.resize(count);
    list.source_ = std::move(source);
    list.undecoded_ = count;
    return list;
}

MatrixPtr &TileList::decoded(size_t i) const
{
    MatrixPtr &tile = tiles_[i];
    if (!tile && undecoded_ > 0 && source_) {
        tile = nes::decodeTile(source_->data() + i * nes::bytesPerTile);
        if (--undecoded_ == 0)
            source_.reset();
    }
    return tile;
}

void TileList::decodeAll() const
{
    for (size_t i = 0; undecoded_ > 0 && i < tiles_.size(); ++i)
        decoded(i);
}

TileList::iterator TileList::begin()
{
    decodeAll();
    return tiles_.begin();
}

TileList::const_iterator TileList::begin() const
{
    decodeAll();
    return tiles_.begin();
}

void TileList::push_back(MatrixPtr tile)
{
    tiles_.push_back(std::move(tile));
}

const uint8_t *TileList::sourceBytes(size_t i) const
{
    if (undecoded_ == 0 || !source_ || i >= tiles_.size() || tiles_[i])
        return nullptr;
    return source_->data() + i * nes::bytesPerTile;
}

std::vector<MatrixPtr> TileList::toVector() const
{
    decodeAll();
    return tiles_;
}

} // namespace mosavo
