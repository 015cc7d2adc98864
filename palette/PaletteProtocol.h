#pragma once

#include "core/Enums.h"
#include "palette/Color.h"

#include <memory>
#include <vector>

namespace mosavo {

// A palette shared by reference: the document settings, the selectors and the editor hold the same objects.
class PaletteProtocol
{
public:
    virtual ~PaletteProtocol() = default;

    // Number of colours of a filled palette: 4 for a sub-palette, 64 for the master palette.
    virtual int64_t size() const = 0;
    // Entry i is the colour of colour index i. Not const: a sub-palette draws its colours on first read.
    virtual const std::vector<ColorEntry> &palette() = 0;
    virtual void setPalette(std::vector<ColorEntry> entries) = 0;
    virtual PaletteType type() const { return PaletteType::nes; }

    // The colour of every entry, in order.
    std::vector<Color> values()
    {
        std::vector<Color> colors;
        for (const ColorEntry &entry : palette())
            colors.push_back(entry.color);
        return colors;
    }
};

using PalettePtr = std::shared_ptr<PaletteProtocol>;

} // namespace mosavo
