#pragma once

#include "core/Bytes.h"
#include "core/Enums.h"
#include "core/Factory.h"
#include "core/TileData.h"

#include <array>
#include <optional>
#include <span>
#include <string_view>

namespace mosavo {

class NESTileDataCollection;

// Turns the bytes of an iNES ROM image or of bare CHR data into tiles, and makes the blank tiles of a new document.
class ConsoleDataFactory
{
public:
    using T = ConsoleType;
    using P = TileDataPtr; // nullptr when nothing can be made

    struct Classification
    {
        ConsoleRomType consoleType;
        std::optional<Bytes> header;
        std::optional<Bytes> data;
    };
    struct RomParts
    {
        std::optional<Bytes> header;
        Bytes data;
    };

    // What tile bytes are: found from their first bytes, or known from where they came from (a file named *.chr, a
    // document that recorded it).
    enum class Source {
        byContent,
        iNesImage,
        chrData,
    };

    // A ROM image (at least 16 bytes starting with 4E 45 53 1A, "NES" and end of file) or bare CHR data (a whole number
    // of 16-byte tiles); nullptr for anything else and for data without a single whole tile. A known source decides
    // it whatever the first bytes: CHR data is never read as a ROM image, and a ROM image needs its 16-byte header.
    static TileDataPtr generate(const Bytes &data, Source source = Source::byContent);
    // CHR data for a file named *.chr (any case), whatever its first bytes; else found from the bytes.
    static Source sourceOfFileName(std::string_view name);
    // The same, with the tiles read from byteShift bytes (0-15) past the header (or the start of bare CHR data): the
    // bytes skipped are kept as the collection's leading bytes, so the file is written back unchanged. Null when no
    // whole tile is left, or byteShift is not 0-15.
    static TileDataPtr generate(const Bytes &data, size_t byteShift);
    static TileDataPtr generate(const Bytes &data, Source source, size_t byteShift);
    // The byte shift of a collection made so (0 for any other).
    static size_t byteShift(const TileData &tiles);
    // 512 blank tiles without header.
    static TileDataPtr generate(ConsoleType type);

    static std::optional<Classification> checkType(const Bytes &data);
    static std::optional<RomParts> isNesROMData(const Bytes &data);

    // Decodes whole 16-byte tiles; bytes after the last whole tile are ignored here.
    static std::vector<MatrixPtr> nesToMatrices(std::span<const uint8_t> data);
    // Pixel values of one row, leftmost first: bit of channelA + 2 x bit of channelB.
    static std::array<int64_t, 8> returnRowOfPixelValues(uint8_t channelA, uint8_t channelB);

    // At least 16 bytes starting with 4E 45 53 1A.
    static bool isRomImage(std::span<const uint8_t> data);
    static bool isChrData(size_t size) { return size % 16 == 0; }
};

static_assert(Factory<ConsoleDataFactory>);

} // namespace mosavo
