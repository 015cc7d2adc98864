// The Tiled map and tileset readers of --import-tiled: any bytes read or are refused with a reason, never a crash.
// - An accepted map is whole rooms (1-16 each way), its cells metatile numbers within its tileset's tile count.
// - Written again (as Kestova writes maps, a CSV layer) it reads back as the same map.
#include "FuzzSupport.h"

#include "formats/TiledMapFormat.h"
#include "formats/TiledTileset.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::silenceSystemLog();
    const mosavo::Bytes input = fuzz::bytesOf(data, size);
    const mosavo::TiledMapFormat format;
    const auto read = format.read(input);
    fuzz::require(read.value.has_value() == read.error.empty(), "a map or a reason");
    if (read) {
        const mosavo::LevelMap &map = read.value->map;
        fuzz::require(map.roomsWide >= 1 && map.roomsWide <= 16 && map.roomsHigh >= 1 && map.roomsHigh <= 16,
            "maps are 1-16 rooms each way");
        fuzz::require(map.cells.size() == size_t(map.columns() * map.rows()), "a cell for every place");
        if (read.value->tilesetTiles > 0)
            for (uint8_t cell : map.cells)
                fuzz::require(cell < read.value->tilesetTiles, "cells are tiles of the tileset");
        mosavo::LevelFile file = *read.value;
        file.tilesetSource = "set.tsx";
        const auto written = format.write(file);
        fuzz::require(bool(written), "an accepted map writes");
        const auto again = format.read(*written.value);
        fuzz::require(again && again.value->map.cells == map.cells && again.value->map.roomsWide == map.roomsWide,
            "written again, the same map");
    }
    const auto tileset = mosavo::readTiledTileset(input);
    fuzz::require(tileset.value.has_value() == tileset.error.empty(), "a tileset or a reason");
    return 0;
}
