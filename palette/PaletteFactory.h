#pragma once

#include "core/Bytes.h"
#include "core/Enums.h"
#include "core/Factory.h"
#include "palette/PaletteProtocol.h"

#include <optional>
#include <vector>

namespace mosavo {

// Makes a document's eight sub-palettes, and reads and writes the 32-byte palette file (eight palettes of four master
// colour numbers, palette after palette).
class PaletteFactory
{
public:
    using T = PaletteType;
    using P = std::optional<std::vector<PalettePtr>>;

    static constexpr size_t paletteFileSize = 32;

    // Eight palettes from exactly 32 bytes of master colour numbers; nothing otherwise.
    static P generate(const Bytes &data);
    // Eight new palettes that draw random colours on first read.
    static P generate(PaletteType type);
    // Eight fixed, distinct sub-palettes for tiles opened from a file: sub-palette 0 the tile viewer's greys
    // (0x30 0x10 0x00 0x0F for colour indices 0-3), then reds, greens, blues and four sprite-like mixes.
    static std::vector<PalettePtr> readable();
    static const Bytes &readableColorNumbers();
    // Exactly 32 colour numbers to 32 bytes; nothing for any other count.
    static std::optional<Bytes> convert(const std::vector<int64_t> &array, PaletteType type);
    // The colour numbers of the palettes, palette after palette, entry after entry.
    static std::vector<int64_t> colorNumbers(const std::vector<PalettePtr> &palettes);
};

static_assert(Factory<PaletteFactory>);

} // namespace mosavo
