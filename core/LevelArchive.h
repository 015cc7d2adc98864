#pragma once

#include "core/Archive.h"
#include "core/LevelMap.h"
#include "core/MetatileSet.h"

#include <optional>
#include <string>
#include <vector>

namespace mosavo {

// Archive records of metatile sets and maps, as a document stores them under "MetatileSets" and "LevelMaps".
//   MetatileSet: "Name" (text), "PatternTable" (0 or 1), "Metatiles" (6 bytes a metatile, at most 256: tile numbers
//                top-left, top-right, bottom-left, bottom-right, sub-palette 0-3, behaviour byte)
//   LevelMap:    "Name" (text), "Set" (its set's position), "Width" and "Height" (rooms, 1-16), "Cells" (Width x 16 by
//                Height x 15 metatile numbers, row by row, each naming a metatile of its set)
// A reader refuses a record with a field missing, of the wrong kind, size or range, with the reason in whyNot.
inline constexpr size_t metatileRecordBytes = 6;

ArchiveRecord encodeMetatileSet(const MetatileSet &set);
std::optional<MetatileSet> decodeMetatileSet(const ArchiveRecord &record, std::string *whyNot = nullptr);

ArchiveRecord encodeLevelMap(const LevelMap &map);
// sets: the document's sets, which the map's "Set" and cells must name.
std::optional<LevelMap> decodeLevelMap(
    const ArchiveRecord &record, const std::vector<MetatileSet> &sets, std::string *whyNot = nullptr);

// Lists of them under one key: the list, or nothing with the reason (naming the entry) in whyNot.
ArchiveRecord encodeMetatileSets(const std::vector<MetatileSet> &sets);
std::optional<std::vector<MetatileSet>> decodeMetatileSets(const ArchiveRecord &list, std::string *whyNot = nullptr);
ArchiveRecord encodeLevelMaps(const std::vector<LevelMap> &maps);
std::optional<std::vector<LevelMap>> decodeLevelMaps(
    const ArchiveRecord &list, const std::vector<MetatileSet> &sets, std::string *whyNot = nullptr);

} // namespace mosavo
