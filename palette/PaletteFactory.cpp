#include "palette/PaletteFactory.h"

#include "palette/NESPalette.h"

namespace mosavo {

PaletteFactory::P PaletteFactory::generate(const Bytes &data)
{
    if (data.size() != paletteFileSize)
        return std::nullopt;
    auto palettes = NESPalette::generateArrayOfPalettes(data);
    if (!palettes)
        return std::nullopt;
    return std::vector<PalettePtr>(palettes->begin(), palettes->end());
}

PaletteFactory::P PaletteFactory::generate(PaletteType)
{
    std::vector<PalettePtr> palettes;
    for (int i = 0; i < 8; ++i)
        palettes.push_back(std::make_shared<NESPalette>());
    return palettes;
}

std::optional<Bytes> PaletteFactory::convert(const std::vector<int64_t> &array, PaletteType)
{
    if (array.size() != paletteFileSize)
        return std::nullopt;
    Bytes bytes;
    bytes.reserve(array.size());
    for (int64_t number : array)
        bytes.push_back(uint8_t(number));
    return bytes;
}

std::vector<int64_t> PaletteFactory::colorNumbers(const std::vector<PalettePtr> &palettes)
{
    std::vector<int64_t> numbers;
    for (const PalettePtr &palette : palettes)
        if (palette)
            for (const ColorEntry &entry : palette->palette())
                numbers.push_back(entry.colorCode);
    return numbers;
}

const Bytes &PaletteFactory::readableColorNumbers()
{
    static const Bytes numbers {
        0x30, 0x10, 0x00, 0x0F, // the viewer's greys, light to dark
        0x0F, 0x06, 0x16, 0x26, // reds
        0x0F, 0x09, 0x19, 0x29, // greens
        0x0F, 0x01, 0x11, 0x21, // blues
        0x0F, 0x16, 0x27, 0x18, // red, orange, brown
        0x0F, 0x1A, 0x30, 0x27, // green, white, orange
        0x0F, 0x17, 0x28, 0x38, // browns and yellows
        0x0F, 0x14, 0x24, 0x34, // purples and pinks
    };
    return numbers;
}

std::vector<PalettePtr> PaletteFactory::readable()
{
    return *generate(readableColorNumbers());
}

} // namespace mosavo
