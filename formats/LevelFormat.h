#pragma once

#include "core/Bytes.h"
#include "core/LevelMap.h"
#include "formats/FormatResult.h"

#include <string>

namespace mosavo {

// A map as another program keeps it: the map (its cells metatile numbers), the tileset it is laid out with and how
// many tiles that tileset has.
struct LevelFile
{
    LevelMap map;
    // Where the tileset is: a file beside the map (Tiled's .tsx), or empty when the map holds it itself.
    std::string tilesetSource;
    // The tileset's name and tile count when the map holds it itself (else read from tilesetSource).
    std::string tilesetName;
    int tilesetTiles = 0;
};

// One kind of file that holds a level map: read from its bytes, written back.
class LevelFormat
{
public:
    virtual ~LevelFormat() = default;
    // A short description for dialogs and messages ("Tiled map").
    virtual std::string name() const = 0;
    virtual FormatResult<LevelFile> read(const Bytes &bytes) const = 0;
    virtual FormatResult<Bytes> write(const LevelFile &file) const = 0;
};

} // namespace mosavo
