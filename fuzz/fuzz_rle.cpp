// The RLE format of nametables, both ways, and the display palette file reader.
// - Any input unpacks or is refused, never past its output limit; what unpacks packs again, never longer than the
//   bytes it came from, and comes back the same.
// - Any input taken as data packs unless it uses all 256 byte values, and unpacks to itself.
// - A display palette file is read only at 192 or 1536 bytes, and gives its colours as stored.
#include "FuzzSupport.h"

#include "core/Rle.h"
#include "palette/DisplayColors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace mosavo;
    fuzz::silenceSystemLog();
    const Bytes input = fuzz::bytesOf(data, size);
    constexpr size_t limit = 1024;

    size_t consumed = 0;
    const RleResult unpacked = rleUnpack(input, limit, &consumed);
    fuzz::require(unpacked.bytes.has_value() != !unpacked.error.empty(), "bytes or a reason, never both");
    if (unpacked) {
        const Bytes &out = *unpacked.bytes;
        fuzz::require(out.size() <= limit, "never past the output limit");
        fuzz::require(consumed >= 3 && consumed <= input.size(), "tag and end mark read, nothing past the input");
        fuzz::require(input[consumed - 2] == input[0] && input[consumed - 1] == 0, "ends at an end mark");
        const RleResult again = rlePack(out);
        fuzz::require(again.bytes.has_value(), "unpacked data never holds its tag, so it packs");
        fuzz::require(again.bytes->size() <= consumed, "packing is as compact as any packing of the same data");
        const RleResult back = rleUnpack(*again.bytes, out.size());
        fuzz::require(back && *back.bytes == out, "packed data unpacks to itself");
    }

    const RleResult packed = rlePack(input);
    fuzz::require(packed.bytes.has_value() == rleTag(input).has_value(), "packs unless all 256 values are used");
    if (packed) {
        size_t read = 0;
        const RleResult back = rleUnpack(*packed.bytes, input.size(), &read);
        fuzz::require(back && *back.bytes == input, "data packs and unpacks to itself");
        fuzz::require(read == packed.bytes->size(), "the whole packing is read");
    }

    const DisplayColorsFile file = DisplayColors::fromFile(input);
    fuzz::require(file.colors.has_value() == (size == 192 || size == 1536), "a display palette is 192 or 1536 bytes");
    if (file) {
        const int sets = size == 1536 ? 8 : 1;
        for (int e = 0; e < sets; ++e)
            for (int n = 0; n < 64; ++n) {
                const Rgb8 c = file.colors->rgb(n, e);
                const uint8_t *stored = data + 192 * e + 3 * n;
                fuzz::require(c.red == stored[0] && c.green == stored[1] && c.blue == stored[2], "colours as stored");
            }
    }
    return 0;
}
