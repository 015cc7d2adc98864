#include "formats/RleNametableFormat.h"

#include "core/Rle.h"
#include "formats/NametableFormat.h"

namespace mosavo {

FormatResult<Screen> RleNametableFormat::read(const Bytes &bytes) const
{
    auto unpacked = rleUnpack(bytes, size_t(Screen::nametableSize));
    if (!unpacked)
        return FormatResult<Screen>::failure(unpacked.error);
    const size_t size = unpacked.bytes->size();
    if (size != size_t(Screen::nametableSize) && size != size_t(Screen::tileCount))
        return FormatResult<Screen>::failure("the RLE data unpacks to " + std::to_string(size)
            + " bytes, not to a nametable of 1024 bytes (tiles and attributes) or 960 (tiles only)");
    return NametableFormat().read(*unpacked.bytes);
}

FormatResult<Bytes> RleNametableFormat::write(const Screen &screen) const
{
    auto packed = rlePack(screen.nametableBytes(), "the nametable");
    if (!packed)
        return FormatResult<Bytes>::failure(packed.error);
    return FormatResult<Bytes>::success(std::move(*packed.bytes));
}

} // namespace mosavo
