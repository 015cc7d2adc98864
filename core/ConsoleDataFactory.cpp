#include "core/ConsoleDataFactory.h"

#include "core/NESTileDataCollection.h"

#include <array>

namespace mosavo {

namespace {
constexpr size_t headerSize = 16;
constexpr size_t bytesPerTile = 16;

// bitsOfByte[b][i] is bit (7 - i) of b: the pixel columns a plane byte covers, leftmost first.
constexpr auto bitsOfByte = [] {
    std::array<std::array<int64_t, 8>, 256> table {};
    for (unsigned b = 0; b < 256; ++b)
        for (unsigned i = 0; i < 8; ++i)
            table[b][i] = (b >> (7 - i)) & 1u;
    return table;
}();
} // namespace

bool ConsoleDataFactory::isRomImage(std::span<const uint8_t> data)
{
    return data.size() >= headerSize && data[0] == 'N' && data[1] == 'E' && data[2] == 'S';
}

std::optional<ConsoleDataFactory::RomParts> ConsoleDataFactory::isNesROMData(const Bytes &data)
{
    if (!isRomImage(data))
        return std::nullopt;
    return RomParts { Bytes(data.begin(), data.begin() + headerSize), Bytes(data.begin() + headerSize, data.end()) };
}

std::optional<ConsoleDataFactory::Classification> ConsoleDataFactory::checkType(const Bytes &data)
{
    if (auto rom = isNesROMData(data))
        return Classification { ConsoleRomType::nesROM, std::move(rom->header), std::move(rom->data) };
    if (isChrData(data.size()))
        return Classification { ConsoleRomType::nes, std::nullopt, data };
    return std::nullopt;
}

std::array<int64_t, 8> ConsoleDataFactory::returnRowOfPixelValues(uint8_t channelA, uint8_t channelB)
{
    std::array<int64_t, 8> row;
    const auto &a = bitsOfByte[channelA];
    const auto &b = bitsOfByte[channelB];
    for (size_t i = 0; i < 8; ++i)
        row[i] = a[i] + 2 * b[i];
    return row;
}

std::vector<MatrixPtr> ConsoleDataFactory::nesToMatrices(std::span<const uint8_t> data)
{
    std::vector<MatrixPtr> tiles;
    const size_t count = data.size() / bytesPerTile;
    tiles.reserve(count);
    for (size_t n = 0; n < count; ++n) {
        const uint8_t *tile = data.data() + n * bytesPerTile;
        auto matrix = std::make_shared<Matrix>(8, 8);
        int64_t *cells = matrix->cells().data();
        for (size_t r = 0; r < 8; ++r) {
            const auto &a = bitsOfByte[tile[r]];
            const auto &b = bitsOfByte[tile[r + 8]];
            for (size_t i = 0; i < 8; ++i)
                cells[r * 8 + i] = a[i] + 2 * b[i];
        }
        tiles.push_back(std::move(matrix));
    }
    return tiles;
}

TileDataPtr ConsoleDataFactory::generate(const Bytes &data)
{
    std::optional<Bytes> header;
    std::span<const uint8_t> tileBytes;
    if (isRomImage(data)) {
        header = Bytes(data.begin(), data.begin() + headerSize);
        tileBytes = std::span(data).subspan(headerSize);
    } else if (isChrData(data.size())) {
        tileBytes = data;
    } else {
        return nullptr;
    }
    auto tiles = nesToMatrices(tileBytes);
    if (tiles.empty())
        return nullptr;
    const size_t whole = tiles.size() * bytesPerTile;
    auto collection = std::make_shared<NESTileDataCollection>(std::move(tiles));
    collection->setHeader(std::move(header));
    collection->setTrailingBytes(Bytes(tileBytes.begin() + whole, tileBytes.end()));
    return collection;
}

TileDataPtr ConsoleDataFactory::generate(ConsoleType)
{
    const Bytes blank(8192, 0);
    return std::make_shared<NESTileDataCollection>(nesToMatrices(blank));
}

} // namespace mosavo
