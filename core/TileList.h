#pragma once

#include "core/Bytes.h"
#include "core/Matrix.h"

#include <memory>
#include <vector>

namespace mosavo {

// The tiles of a collection, in tile-number order. It reads like a std::vector<MatrixPtr>, but tiles that came from
// NES bytes are decoded when they are first asked for: opening a large ROM costs nothing per tile until a tile is
// shown or edited, and the bytes of tiles never decoded are written back as they were read.
class TileList
{
public:
    using iterator = std::vector<MatrixPtr>::iterator;
    using const_iterator = std::vector<MatrixPtr>::const_iterator;

    TileList() = default;
    TileList(std::vector<MatrixPtr> tiles);
    // count tiles of 16 NES bytes each, from the start of source.
    static TileList fromNesBytes(std::shared_ptr<const Bytes> source, size_t count);

    size_t size() const { return tiles_.size(); }
    bool empty() const { return tiles_.empty(); }

    // Tile i, decoded first if needed.
    MatrixPtr &operator[](size_t i) { return decoded(i); }
    const MatrixPtr &operator[](size_t i) const { return decoded(i); }
    MatrixPtr &front() { return decoded(0); }
    const MatrixPtr &front() const { return decoded(0); }

    // Iterating decodes every tile.
    iterator begin();
    iterator end() { return tiles_.end(); }
    const_iterator begin() const;
    const_iterator end() const { return tiles_.end(); }

    void push_back(MatrixPtr tile);

    // The 16 source bytes of a tile not decoded yet (so still exactly as read); null once it is decoded.
    const uint8_t *sourceBytes(size_t i) const;
    size_t decodedCount() const { return tiles_.size() - undecoded_; }

    // Every tile decoded, as a plain list.
    std::vector<MatrixPtr> toVector() const;

private:
    MatrixPtr &decoded(size_t i) const;
    void decodeAll() const;

    mutable std::vector<MatrixPtr> tiles_;
    mutable std::shared_ptr<const Bytes> source_;
    mutable size_t undecoded_ = 0;
};

} // namespace mosavo
