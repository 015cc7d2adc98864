#pragma once

#include "core/Bytes.h"
#include "core/MetatileSet.h"
#include "formats/FormatResult.h"

#include <string>

namespace mosavo {

// What a Tiled tileset file (.tsx) says of itself.
struct TiledTilesetInfo
{
    std::string name;
    int tileCount = 0;
    int tileWidth = 0;
    int tileHeight = 0;
};

// A Tiled tileset (.tsx) of a metatile set: tiles of 16 x 16 cut from one picture (imageSource, 16 metatiles a row,
// imageWidth x imageHeight pixels), named after the set, each tile with an int property "behaviour" (its behaviour
// byte).
Bytes tiledTilesetBytes(const MetatileSet &set, const std::string &imageSource, int imageWidth, int imageHeight);

// The name, tile count and tile size of a tileset file, or why it cannot be read.
FormatResult<TiledTilesetInfo> readTiledTileset(const Bytes &bytes);

} // namespace mosavo
