#pragma once

#include "formats/LevelFormat.h"
#include "formats/MetaspriteTableFormat.h"
#include "formats/ScreenFormat.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace mosavo {

// The file formats of screens and metasprite tables, for the window's dialogs and the command line alike.
class FormatRegistry
{
public:
    // The screen formats: the bare nametable, then the RLE-packed one.
    static const std::vector<const ScreenFormat *> &screenFormats();
    static const ScreenFormat &nametableFormat(bool rle);
    // The level map formats: Tiled's map files (.tmx).
    static const std::vector<const LevelFormat *> &levelFormats();
    static const LevelFormat &tiledMapFormat();

    // The metasprite table format of a file, by its name's ending: C source (.c, .h), ca65 source (.s, .asm, .inc,
    // .ca65), else binary, whose metasprites are named after the file ("hero.bin": hero_0, hero_1, ...).
    static std::unique_ptr<MetaspriteTableFormat> metaspriteTableFormatFor(std::string_view fileName);

    // The file name filters of the metasprite table formats, for a file dialog: "C source (*.c *.h)", ...
    static std::vector<std::string> metaspriteTableFilters();
};

} // namespace mosavo
