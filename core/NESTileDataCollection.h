#pragma once

#include "core/TileData.h"

#include <cstdint>
#include <utility>

namespace mosavo {

// NES tile data: 8 x 8 tiles of 2-bit colour indices, 16 bytes a tile.
class NESTileDataCollection : public TileData
{
public:
    // Stores the tiles (logs "Creating new TileData object"); header absent.
    explicit NESTileDataCollection(std::vector<MatrixPtr> matrices);
    explicit NESTileDataCollection(TileList matrices);
    // Ignores the buffer and makes an empty collection: decoding is ConsoleDataFactory's business.
    static std::shared_ptr<NESTileDataCollection> fromData(const Bytes &data);

    const std::optional<Bytes> &header() const override { return header_; }
    void setHeader(std::optional<Bytes> header) override { header_ = std::move(header); }

    TileList &matrices() override { return matrices_; }
    const TileList &matrices() const override { return matrices_; }
    void setMatrices(std::vector<MatrixPtr> matrices) override { matrices_ = TileList(std::move(matrices)); }

    ConsoleType consoleType() const override { return ConsoleType::nes; }

    std::optional<Bytes> consoleFormattedPixelData() const override { return formatTileDataAsNES(header_); }
    std::optional<Bytes> nesTileFormat() const { return formatTileDataAsNES(header_); }
    // The size of consoleFormattedPixelData(), without making it (0 when there are no tiles).
    size_t formattedSize() const
    {
        return matrices_.empty()
            ? 0
            : (header_ ? header_->size() : 0) + leadingBytes_.size() + matrices_.size() * 16 + trailingBytes_.size();
    }

    int64_t totalNumberTiles() const override { return int64_t(matrices_.size()); }
    std::optional<std::vector<std::vector<int64_t>>> pixels(int64_t) const override { return std::nullopt; }

    // Bytes after the last whole tile of a ROM image whose data is not a whole number of tiles. They are written back
    // unchanged after the tiles, so such a file round-trips byte for byte.
    const Bytes &trailingBytes() const { return trailingBytes_; }
    void setTrailingBytes(Bytes bytes) { trailingBytes_ = std::move(bytes); }

    // Bytes between the header (or the start of bare CHR data) and the first tile, when the tiles are read from a byte
    // that is not on a 16-byte boundary: written back unchanged before the tiles.
    const Bytes &leadingBytes() const { return leadingBytes_; }
    void setLeadingBytes(Bytes bytes) { leadingBytes_ = std::move(bytes); }

    // usingHeader (when present), the leading bytes, then 16 bytes a tile, then the trailing bytes; absent when there
    // are no tiles.
    std::optional<Bytes> formatTileDataAsNES(const std::optional<Bytes> &usingHeader) const;

    // Plane bytes of one 8-pixel row: byte1 carries bit 0 of each pixel (values 1 and 3), byte2 bit 1 (values 2 and
    // 3); any value above 3 (or below 0) counts as 3. The leftmost pixel lands in bit 7.
    static std::pair<uint8_t, uint8_t> translateToBytes(std::span<const int64_t> row);

private:
    std::optional<Bytes> header_;
    TileList matrices_;
    Bytes leadingBytes_;
    Bytes trailingBytes_;
};

} // namespace mosavo
