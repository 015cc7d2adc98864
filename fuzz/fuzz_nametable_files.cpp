// The nametable file formats: bare .nam files and RLE-packed nametables.
// - A bare file reads exactly when it is 1024 or 960 bytes, and writes back as the 1024 bytes of the screen read.
// - RLE data reads or is refused with a reason; a screen read packs again (unless it uses every byte value) into
//   data that reads back to the same screen.
#include "FuzzSupport.h"

#include "formats/NametableFormat.h"
#include "formats/RleNametableFormat.h"

namespace {
using namespace mosavo;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const Bytes input = fuzz::bytesOf(data, size);

    const auto bare = NametableFormat().read(input);
    fuzz::require(bare.value.has_value() == (size == 1024 || size == 960), "bare: read at 1024 or 960 bytes");
    fuzz::require(bare.value.has_value() == bare.error.empty(), "bare: a screen or a reason");
    if (bare) {
        const auto written = NametableFormat().write(*bare.value);
        fuzz::require(written && written.value->size() == 1024, "bare: written as 1024 bytes");
        fuzz::require(std::equal(input.begin(), input.end(), written.value->begin()), "bare: the bytes as read");
    }

    const auto packed = RleNametableFormat().read(input);
    fuzz::require(packed.value.has_value() == packed.error.empty(), "RLE: a screen or a reason");
    if (packed) {
        const auto again = RleNametableFormat().write(*packed.value);
        fuzz::require(again.value.has_value() == again.error.empty(), "RLE: packed or a reason");
        if (again) {
            const auto reread = RleNametableFormat().read(*again.value);
            fuzz::require(reread && *reread.value == *packed.value, "RLE: packed again, the same screen");
        }
    }
    return 0;
}
