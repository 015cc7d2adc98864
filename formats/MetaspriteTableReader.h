#pragma once

#include "core/Metasprite.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mosavo {

// Turns the values of one metasprite table (x, y, tile, attributes for each sprite, then 128) into a metasprite. The
// values are as a source file writes them, -128..255: a negative offset is its signed byte, so -8 and 248 (0xF8) are
// the same. The source formats and the binary reader share it, so that they refuse the same things the same way.
class MetaspriteTableReader
{
public:
    // The metasprite named name from values, or nothing with the reason in whyNot: a value outside -128..255, the
    // values ending inside a sprite or without the end byte, or more values after the end byte (what names the
    // values in those texts: "the array hero", "metasprite 2").
    static std::optional<Metasprite> read(
        const std::vector<int> &values, const std::string &name, const std::string &what, std::string *whyNot);

    // The sprite of four table bytes.
    static MetaspriteSprite sprite(uint8_t x, uint8_t y, uint8_t tile, uint8_t attributes);
};

} // namespace mosavo
