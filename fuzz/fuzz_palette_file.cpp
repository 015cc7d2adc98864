// The 32-byte palette file: only 32 master colour numbers (0x00-0x3F) are accepted, and an accepted file is written
// back byte for byte. Runs of 4-byte palettes of any length follow the same rule.
#include "FuzzSupport.h"

#include "palette/NESPalette.h"
#include "palette/PaletteFactory.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace mosavo;
    fuzz::silenceSystemLog();
    const Bytes input = fuzz::bytesOf(data, size);
    const bool allColorNumbers = std::all_of(input.begin(), input.end(), [](uint8_t b) { return b < 0x40; });

    const auto palettes = PaletteFactory::generate(input);
    fuzz::require(palettes.has_value() == (input.size() == PaletteFactory::paletteFileSize && allColorNumbers),
        "a palette file is exactly 32 colour numbers");
    if (palettes) {
        fuzz::require(palettes->size() == 8, "eight palettes");
        const auto numbers = PaletteFactory::colorNumbers(*palettes);
        const auto written = PaletteFactory::convert(numbers, PaletteType::nes);
        fuzz::require(written && *written == input, "a palette file is written back byte for byte");
    }

    const auto run = NESPalette::generateArrayOfPalettes(input);
    fuzz::require(run.has_value() == (input.size() % 4 == 0 && allColorNumbers), "runs of 4-byte palettes");
    if (run) {
        fuzz::require(run->size() == input.size() / 4, "one palette per 4 bytes");
        size_t at = 0;
        for (const auto &palette : *run)
            for (const ColorEntry &entry : palette->palette())
                fuzz::require(entry.colorCode == input[at++], "colour numbers in file order");
    }
    return 0;
}
