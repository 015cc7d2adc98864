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

} // namespace mosavo
