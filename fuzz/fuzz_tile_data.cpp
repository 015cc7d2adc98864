// ROM and CHR decoding: whatever the bytes, decoding does not crash, and every input that decodes encodes back to
// exactly the same bytes (header, tiles and trailing bytes), before its tiles are decoded and after, with every pixel
// a colour index 0-3.
#include "FuzzSupport.h"

#include "core/ConsoleDataFactory.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace mosavo;
    fuzz::silenceSystemLog();
    const Bytes input = fuzz::bytesOf(data, size);

    const bool rom = ConsoleDataFactory::isRomImage(input);
    const size_t tileBytes = rom ? input.size() - 16 : input.size();
    const bool decodable = (rom || input.size() % 16 == 0) && tileBytes >= 16;
    const TileDataPtr tiles = ConsoleDataFactory::generate(input);
    fuzz::require((tiles != nullptr) == decodable, "ROM images and whole CHR tiles are accepted, nothing else");
    fuzz::require(
        ConsoleDataFactory::checkType(input).has_value() == (rom || input.size() % 16 == 0), "classification");
    if (!tiles)
        return 0;
    fuzz::require(tiles->header().has_value() == ConsoleDataFactory::isRomImage(input), "header only for ROM images");
    fuzz::require(size_t(tiles->totalNumberTiles()) == tileBytes / 16, "one tile per 16 bytes");
    // Written back before any tile is decoded (the bytes as read) and after every tile is decoded (the codec).
    fuzz::require(tiles->consoleFormattedPixelData() == input, "undecoded tiles encode back to the same bytes");
    const auto &list = tiles->matrices();
    for (size_t i = 0; i < list.size(); i += 1 + data[i % size] % 3)
        fuzz::require(list[i] != nullptr, "a tile asked for is decoded");
    fuzz::require(tiles->consoleFormattedPixelData() == input, "partly decoded tiles encode back to the same bytes");
    for (const MatrixPtr &tile : tiles->matrices()) {
        fuzz::require(tile && tile->rows() == 8 && tile->columns() == 8, "tiles are 8 x 8");
        for (int64_t cell : tile->cells())
            fuzz::require(cell >= 0 && cell <= 3, "pixels are colour indices 0-3");
    }
    const auto encoded = tiles->consoleFormattedPixelData();
    fuzz::require(encoded.has_value() && *encoded == input, "decoded tiles encode back to the same bytes");
    return 0;
}
