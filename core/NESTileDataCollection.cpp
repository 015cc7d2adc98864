#include "core/NESTileDataCollection.h"

#include "core/SystemLog.h"

namespace mosavo {

namespace {
constexpr size_t bytesPerTile = 16;
constexpr int64_t tileSide = 8;
} // namespace

NESTileDataCollection::NESTileDataCollection(std::vector<MatrixPtr> matrices)
    : NESTileDataCollection(TileList(std::move(matrices)))
{ }

NESTileDataCollection::NESTileDataCollection(TileList matrices)
    : matrices_(std::move(matrices))
{
    systemLog("Creating new TileData object");
}

std::shared_ptr<NESTileDataCollection> NESTileDataCollection::fromData(const Bytes &)
{
    return std::make_shared<NESTileDataCollection>(std::vector<MatrixPtr> {});
}

std::pair<uint8_t, uint8_t> NESTileDataCollection::translateToBytes(std::span<const int64_t> row)
{
    unsigned byte1 = 0;
    unsigned byte2 = 0;
    for (int64_t value : row) {
        const unsigned v = (value >= 0 && value <= 3) ? unsigned(value) : 3u;
        byte1 = (byte1 << 1) | (v & 1u);
        byte2 = (byte2 << 1) | (v >> 1);
    }
    return { uint8_t(byte1 & 0xFF), uint8_t(byte2 & 0xFF) };
}

std::optional<Bytes> NESTileDataCollection::formatTileDataAsNES(const std::optional<Bytes> &usingHeader) const
{
    if (matrices_.empty())
        return std::nullopt;
    const size_t headerSize = (usingHeader ? usingHeader->size() : 0) + leadingBytes_.size();
    Bytes out(headerSize + matrices_.size() * bytesPerTile + trailingBytes_.size(), 0);
    if (usingHeader)
        std::copy(usingHeader->begin(), usingHeader->end(), out.begin());
    std::copy(
        leadingBytes_.begin(), leadingBytes_.end(), out.begin() + std::ptrdiff_t(headerSize - leadingBytes_.size()));

    uint8_t *tileBytes = out.data() + headerSize;
    for (size_t n = 0; n < matrices_.size(); ++n, tileBytes += bytesPerTile) {
        // A tile never decoded is written back as it was read.
        if (const uint8_t *source = matrices_.sourceBytes(n)) {
            std::copy(source, source + bytesPerTile, tileBytes);
            continue;
        }
        const MatrixPtr &tile = matrices_[n];
        // Rows or columns a tile lacks encode as colour 0; cells past the 8 x 8 tile are not part of the format.
        if (!tile)
            continue;
        const int64_t rows = std::min(tile->rows(), tileSide);
        const int64_t columns = std::min(tile->columns(), tileSide);
        for (int64_t r = 0; r < rows; ++r) {
            auto [byte1, byte2] = translateToBytes(tile->values[r].first(size_t(columns)));
            tileBytes[r] = uint8_t(byte1 << (tileSide - columns));
            tileBytes[r + 8] = uint8_t(byte2 << (tileSide - columns));
        }
    }
    std::copy(trailingBytes_.begin(), trailingBytes_.end(), tileBytes);
    return out;
}

} // namespace mosavo
