#include "core/LevelArchive.h"

#include "core/GraphicsArchive.h"

namespace mosavo {

namespace {

template<typename T>
std::optional<T> refuse(std::string *whyNot, std::string reason)
{
    if (whyNot)
        *whyNot = std::move(reason);
    return std::nullopt;
}

// The whole number under key within low-high, or nothing with the reason.
std::optional<int64_t> integerField(
    const ArchiveRecord &record, const char *key, int64_t low, int64_t high, std::string *whyNot)
{
    const auto field = record.find(key);
    if (field == record.end() || !field->is_number_integer())
        return refuse<int64_t>(whyNot, std::string("its \"") + key + "\" is missing or not a whole number");
    const int64_t value = field->get<int64_t>();
    if (value < low || value > high)
        return refuse<int64_t>(whyNot,
            std::string("its \"") + key + "\" is " + std::to_string(value) + ", outside " + std::to_string(low) + "-"
                + std::to_string(high));
    return value;
}

std::optional<std::string> nameField(const ArchiveRecord &record, std::string *whyNot)
{
    const auto field = record.find("Name");
    if (field == record.end() || !field->is_string() || field->get_ref<const std::string &>().size() > maximumNameBytes)
        return refuse<std::string>(whyNot, "its name is missing or not a short text");
    return field->get<std::string>();
}

} // namespace

ArchiveRecord encodeMetatileSet(const MetatileSet &set)
{
    ArchiveRecord record = makeArchiveRecord("MetatileSet");
    record["Name"] = set.name;
    record["PatternTable"] = set.patternTable;
    Bytes bytes;
    bytes.reserve(set.metatiles.size() * metatileRecordBytes);
    for (const Metatile &metatile : set.metatiles) {
        bytes.insert(bytes.end(), metatile.tiles.begin(), metatile.tiles.end());
        bytes.push_back(metatile.subPalette);
        bytes.push_back(metatile.behaviour);
    }
    record["Metatiles"] = ArchiveRecord::binary(std::move(bytes));
    return record;
}

std::optional<MetatileSet> decodeMetatileSet(const ArchiveRecord &record, std::string *whyNot)
{
    if (!record.is_object())
        return refuse<MetatileSet>(whyNot, "it is not a record");
    MetatileSet set;
    const auto name = nameField(record, whyNot);
    if (!name)
        return std::nullopt;
    set.name = *name;
    const auto table = integerField(record, "PatternTable", 0, 1, whyNot);
    if (!table)
        return std::nullopt;
    set.patternTable = int(*table);
    const auto field = record.find("Metatiles");
    if (field == record.end() || !field->is_binary())
        return refuse<MetatileSet>(whyNot, "its \"Metatiles\" are missing or not bytes");
    const auto &bytes = field->get_binary();
    if (bytes.size() % metatileRecordBytes != 0 || bytes.size() > MetatileSet::maximumMetatiles * metatileRecordBytes)
        return refuse<MetatileSet>(whyNot,
            "its \"Metatiles\" are " + std::to_string(bytes.size())
                + " bytes, not 6 for each of at most 256 metatiles");
    for (size_t at = 0; at < bytes.size(); at += metatileRecordBytes) {
        Metatile metatile;
        std::copy_n(bytes.begin() + std::ptrdiff_t(at), 4, metatile.tiles.begin());
        metatile.subPalette = bytes[at + 4];
        metatile.behaviour = bytes[at + 5];
        if (metatile.subPalette > 3)
            return refuse<MetatileSet>(whyNot,
                "metatile " + std::to_string(at / metatileRecordBytes) + " has sub-palette "
                    + std::to_string(metatile.subPalette) + ", not 0-3");
        set.metatiles.push_back(metatile);
    }
    return set;
}

ArchiveRecord encodeLevelMap(const LevelMap &map)
{
    ArchiveRecord record = makeArchiveRecord("LevelMap");
    record["Name"] = map.name;
    record["Set"] = map.metatileSet;
    record["Width"] = map.roomsWide;
    record["Height"] = map.roomsHigh;
    record["Cells"] = ArchiveRecord::binary(Bytes(map.cells.begin(), map.cells.end()));
    return record;
}

std::optional<LevelMap> decodeLevelMap(
    const ArchiveRecord &record, const std::vector<MetatileSet> &sets, std::string *whyNot)
{
    if (!record.is_object())
        return refuse<LevelMap>(whyNot, "it is not a record");
    const auto name = nameField(record, whyNot);
    if (!name)
        return std::nullopt;
    if (sets.empty())
        return refuse<LevelMap>(whyNot, "the document holds no metatile set for it");
    const auto set = integerField(record, "Set", 0, int64_t(sets.size()) - 1, whyNot);
    const auto width = set ? integerField(record, "Width", 1, LevelMap::maximumRooms, whyNot) : std::nullopt;
    const auto height = width ? integerField(record, "Height", 1, LevelMap::maximumRooms, whyNot) : std::nullopt;
    if (!height)
        return std::nullopt;
    LevelMap map = LevelMap::blank(*name, int(*set), int(*width), int(*height));
    const auto field = record.find("Cells");
    if (field == record.end() || !field->is_binary() || field->get_binary().size() != map.cells.size())
        return refuse<LevelMap>(whyNot,
            "its \"Cells\" are not " + std::to_string(map.cells.size()) + " bytes (" + std::to_string(map.columns())
                + " x " + std::to_string(map.rows()) + " metatiles)");
    const auto &cells = field->get_binary();
    const size_t metatiles = sets[size_t(*set)].metatiles.size();
    for (size_t i = 0; i < cells.size(); ++i) {
        if (cells[i] >= metatiles)
            return refuse<LevelMap>(whyNot,
                "its cell (" + std::to_string(i % size_t(map.columns())) + ", "
                    + std::to_string(i / size_t(map.columns())) + ") is metatile " + std::to_string(cells[i])
                    + ", and its set holds " + std::to_string(metatiles));
        map.cells[i] = cells[i];
    }
    return map;
}

ArchiveRecord encodeMetatileSets(const std::vector<MetatileSet> &sets)
{
    ArchiveRecord list = ArchiveRecord::array();
    for (const MetatileSet &set : sets)
        list.push_back(encodeMetatileSet(set));
    return list;
}

std::optional<std::vector<MetatileSet>> decodeMetatileSets(const ArchiveRecord &list, std::string *whyNot)
{
    if (!list.is_array())
        return refuse<std::vector<MetatileSet>>(whyNot, "its metatile sets are not a list");
    std::vector<MetatileSet> sets;
    for (size_t i = 0; i < list.size(); ++i) {
        std::string reason;
        auto set = decodeMetatileSet(list[i], &reason);
        if (!set)
            return refuse<std::vector<MetatileSet>>(whyNot, "metatile set " + std::to_string(i) + ": " + reason);
        sets.push_back(std::move(*set));
    }
    return sets;
}

ArchiveRecord encodeLevelMaps(const std::vector<LevelMap> &maps)
{
    ArchiveRecord list = ArchiveRecord::array();
    for (const LevelMap &map : maps)
        list.push_back(encodeLevelMap(map));
    return list;
}

std::optional<std::vector<LevelMap>> decodeLevelMaps(
    const ArchiveRecord &list, const std::vector<MetatileSet> &sets, std::string *whyNot)
{
    if (!list.is_array())
        return refuse<std::vector<LevelMap>>(whyNot, "its maps are not a list");
    std::vector<LevelMap> maps;
    for (size_t i = 0; i < list.size(); ++i) {
        std::string reason;
        auto map = decodeLevelMap(list[i], sets, &reason);
        if (!map)
            return refuse<std::vector<LevelMap>>(whyNot, "map " + std::to_string(i) + ": " + reason);
        maps.push_back(std::move(*map));
    }
    return maps;
}

} // namespace mosavo
