#include "formats/PaletteFile.h"

#include "palette/PaletteFactory.h"

#include <cstdio>

namespace mosavo {

std::optional<std::string> paletteFileProblem(const Bytes &bytes)
{
    if (bytes.size() != PaletteFactory::paletteFileSize && bytes.size() != halfPaletteFileSize)
        return "not a palette file: it holds " + std::to_string(bytes.size())
            + " bytes, but a palette file holds 32 bytes (eight palettes of four colours) or 16 bytes (the four "
              "background palettes)";
    for (size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] > 0x3F) {
            char number[8];
            std::snprintf(number, sizeof number, "0x%02x", unsigned(bytes[i]));
            return "not a palette file: byte " + std::to_string(i) + " is " + number
                + ", which is no NES colour number (0x00-0x3F)";
        }
    return std::nullopt;
}

} // namespace mosavo
