#include "core/ConsoleDataFactory.h"

#include "core/NESTileDataCollection.h"
#include "core/NesTileCodec.h"

#include <algorithm>
#include <array>

namespace mosavo {

namespace {
constexpr size_t headerSize = 16;
constexpr size_t bytesPerTile = 16;

} // namespace

bool ConsoleDataFactory::isRomImage(std::span<const uint8_t> data)
{
    return data.size() >= headerSize && data[0] == 'N' && data[1] == 'E' && data[2] == 'S' && data[3] == 0x1A;
}

ConsoleDataFactory::Source ConsoleDataFactory::sourceOfFileName(std::string_view name)
{
    constexpr std::string_view chr = ".chr";
    if (name.size() < chr.size())
        return Source::byContent;
    const std::string_view end = name.substr(name.size() - chr.size());
    const bool isChr = std::equal(end.begin(), end.end(), chr.begin(),
        [](char a, char b) { return (a >= 'A' && a <= 'Z' ? char(a - 'A' + 'a') : a) == b; });
    return isChr ? Source::chrData : Source::byContent;
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
    for (unsigned i = 0; i < 8; ++i)
        row[i] = int64_t((channelA >> (7 - i)) & 1u) + 2 * int64_t((channelB >> (7 - i)) & 1u);
    return row;
}

std::vector<MatrixPtr> ConsoleDataFactory::nesToMatrices(std::span<const uint8_t> data)
{
    std::vector<MatrixPtr> tiles;
    const size_t count = data.size() / bytesPerTile;
    tiles.reserve(count);
    for (size_t n = 0; n < count; ++n)
        tiles.push_back(nes::decodeTile(data.data() + n * bytesPerTile));
    return tiles;
}

TileDataPtr ConsoleDataFactory::generate(const Bytes &data, Source known)
{
    return generate(data, known, 0);
}

TileDataPtr ConsoleDataFactory::generate(const Bytes &data, size_t byteShift)
{
    return generate(data, Source::byContent, byteShift);
}

size_t ConsoleDataFactory::byteShift(const TileData &tiles)
{
    const auto *nes = dynamic_cast<const NESTileDataCollection *>(&tiles);
    return nes ? nes->leadingBytes().size() : 0;
}

TileDataPtr ConsoleDataFactory::generate(const Bytes &data, Source known, size_t byteShift)
{
    if (byteShift >= bytesPerTile)
        return nullptr;
    std::optional<Bytes> header;
    std::span<const uint8_t> tileBytes;
    const bool rom = known == Source::iNesImage || (known == Source::byContent && isRomImage(data));
    if (rom) {
        if (data.size() < headerSize)
            return nullptr;
        header = Bytes(data.begin(), data.begin() + headerSize);
        tileBytes = std::span(data).subspan(headerSize);
    } else if (isChrData(data.size()) || (byteShift > 0 && data.size() > byteShift)) {
        // Bare CHR data read from a shift keeps its length: the bytes after the last whole tile are trailing bytes.
        tileBytes = data;
    } else {
        return nullptr;
    }
    if (tileBytes.size() < byteShift)
        return nullptr;
    const Bytes leading(tileBytes.begin(), tileBytes.begin() + std::ptrdiff_t(byteShift));
    tileBytes = tileBytes.subspan(byteShift);
    const size_t count = tileBytes.size() / bytesPerTile;
    if (count == 0)
        return nullptr;
    const size_t whole = count * bytesPerTile;
    // Tiles are decoded when first used; the collection keeps the bytes until then.
    auto source = std::make_shared<const Bytes>(tileBytes.begin(), tileBytes.begin() + whole);
    auto collection = std::make_shared<NESTileDataCollection>(TileList::fromNesBytes(std::move(source), count));
    collection->setHeader(std::move(header));
    collection->setLeadingBytes(leading);
    collection->setTrailingBytes(Bytes(tileBytes.begin() + whole, tileBytes.end()));
    return collection;
}

TileDataPtr ConsoleDataFactory::generate(ConsoleType)
{
    const Bytes blank(8192, 0);
    return std::make_shared<NESTileDataCollection>(nesToMatrices(blank));
}

} // namespace mosavo
