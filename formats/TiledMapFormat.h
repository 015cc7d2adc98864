#pragma once

#include "formats/LevelFormat.h"

namespace mosavo {

// Tiled's map files (.tmx): orthogonal, 16 x 16 pixel tiles, one tile layer whose tile numbers (GIDs) are metatile
// numbers + the tileset's first GID.
// - Written: one CSV layer named after the map, the tileset as an external file (tilesetSource), the map's name as
//   the map property "name".
// - Read: the first tileset (external or held in the map) and the first tile layer, in CSV, in base64, or in base64
//   of zlib-compressed data. Refused, naming why: another orientation or tile size, an infinite map, a size that is
//   not whole rooms of 16 x 15 tiles (at most 16 x 16 rooms), an empty or flipped cell, a tile of another tileset, a
//   compression other than zlib.
class TiledMapFormat : public LevelFormat
{
public:
    std::string name() const override { return "Tiled map"; }
    FormatResult<LevelFile> read(const Bytes &bytes) const override;
    FormatResult<Bytes> write(const LevelFile &file) const override;
};

} // namespace mosavo
