// Documents with metatile sets and maps: archive records the fuzzer's bytes shape (mostly well formed, now and then a
// field missing, of the wrong kind, size or range), read list by list and as part of a document.
// - Reading never crashes; a refused list has a reason.
// - What is accepted is within the model's ranges (sub-palettes 0-3, at most 256 metatiles, 1-16 rooms each way,
//   cells naming metatiles of their set), draws as rooms, and encodes and decodes back to itself.
// - A document holding the lists opens exactly when both read, with the same content.
#include "FuzzSupport.h"
#include "RecordShaper.h"

#include "app/document/EditorViewControllerSettings.h"
#include "core/LevelArchive.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace {

using mosavo::ArchiveRecord;

class LevelRecordMaker : public fuzz::RecordShaper
{
public:
    explicit LevelRecordMaker(FuzzedDataProvider &in)
        : RecordShaper(in, 300)
    { }

    ArchiveRecord set()
    {
        ArchiveRecord record = mosavo::makeArchiveRecord("MetatileSet");
        put(record, "Name", odd() ? anything() : ArchiveRecord(in_.ConsumeRandomLengthString(20)));
        put(record, "PatternTable", integer(0, 1));
        // A few metatiles of six bytes mostly; now and then a size that is not whole metatiles or past 256.
        const size_t count
            = odd() ? size_t(in_.ConsumeIntegralInRange(0, 1600)) : 6 * size_t(in_.ConsumeIntegralInRange(0, 12));
        mosavo::Bytes bytes = in_.ConsumeBytes<uint8_t>(count);
        bytes.resize(count, 0);
        for (size_t at = 4; at < bytes.size() && !odd(); at += 6)
            bytes[at] &= 3;
        put(record, "Metatiles", ArchiveRecord::binary(std::move(bytes)));
        return record;
    }

    ArchiveRecord map(int sets)
    {
        ArchiveRecord record = mosavo::makeArchiveRecord("LevelMap");
        put(record, "Name", odd() ? anything() : ArchiveRecord(in_.ConsumeRandomLengthString(20)));
        put(record, "Set", integer(0, std::max(sets - 1, 0)));
        // Small maps mostly (cells are filled in by the fuzzer's bytes and zeros), now and then any size.
        const int64_t width = odd() ? in_.ConsumeIntegralInRange(0, 17) : in_.ConsumeIntegralInRange(1, 2);
        const int64_t height = odd() ? in_.ConsumeIntegralInRange(0, 17) : in_.ConsumeIntegralInRange(1, 2);
        put(record, "Width", width);
        put(record, "Height", height);
        const size_t cells = size_t(std::max<int64_t>(width * height, 0)) * 240 + (odd() ? 1 : 0);
        mosavo::Bytes bytes = in_.ConsumeBytes<uint8_t>(std::min<size_t>(cells, 64));
        bytes.resize(cells, 0);
        put(record, "Cells", ArchiveRecord::binary(std::move(bytes)));
        return record;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::silenceSystemLog();
    FuzzedDataProvider in(data, size);
    LevelRecordMaker maker(in);
    const int declaredSets = in.ConsumeIntegralInRange(0, 3);
    const ArchiveRecord setList = maker.list(3, [&] { return maker.set(); });
    const ArchiveRecord mapList = maker.list(3, [&] { return maker.map(declaredSets); });

    std::string why;
    const auto sets = mosavo::decodeMetatileSets(setList, &why);
    fuzz::require(sets || !why.empty(), "refused sets have a reason");
    const std::vector<mosavo::MetatileSet> none;
    why.clear();
    const auto maps = mosavo::decodeLevelMaps(mapList, sets ? *sets : none, &why);
    fuzz::require(maps || !why.empty(), "refused maps have a reason");
    if (sets) {
        for (const auto &set : *sets) {
            fuzz::require(set.metatiles.size() <= 256, "a set holds at most 256 metatiles");
            for (const auto &metatile : set.metatiles)
                fuzz::require(metatile.subPalette <= 3, "sub-palettes are 0-3");
        }
        const auto again = mosavo::decodeMetatileSets(mosavo::encodeMetatileSets(*sets));
        fuzz::require(again && *again == *sets, "sets encode and decode to themselves");
    }
    if (maps) {
        for (const auto &map : *maps) {
            fuzz::require(map.roomsWide >= 1 && map.roomsWide <= 16 && map.roomsHigh >= 1 && map.roomsHigh <= 16,
                "maps are 1-16 rooms each way");
            const auto &set = (*sets)[size_t(map.metatileSet)];
            for (uint8_t cell : map.cells)
                fuzz::require(cell < set.metatiles.size(), "cells name metatiles of their set");
            const mosavo::Screen room = mosavo::roomScreen(map, set, map.roomCount() - 1);
            fuzz::require(room.patternTable == set.patternTable, "rooms read their set's pattern table");
        }
        const auto again = mosavo::decodeLevelMaps(mosavo::encodeLevelMaps(*maps), *sets);
        fuzz::require(again && *again == *maps, "maps encode and decode to themselves");
    }

    // The same lists in a document: it opens exactly when both read.
    // The blank document's record, made once, with 16 of its 512 tiles and the first of its palettes: the lists are
    // what is read here.
    static const ArchiveRecord blankRecord = [] {
        ArchiveRecord blank
            = kestova::EditorViewControllerSettings::emptyConsoleObject(mosavo::ConsoleType::nes)->encode();
        blank["TileData"] = ArchiveRecord::binary(mosavo::Bytes(16 * 16, 0));
        blank["Palettes"] = ArchiveRecord::array({ blank["Palettes"].at(0) });
        return blank;
    }();
    ArchiveRecord record = blankRecord;
    record["MetatileSets"] = setList;
    record["LevelMaps"] = mapList;
    why.clear();
    const auto opened = kestova::EditorViewControllerSettings::decode(record, &why);
    fuzz::require(bool(opened->tileData()) == (sets && maps), "a document opens exactly when its lists read");
    if (opened->tileData()) {
        fuzz::require(opened->metatileSets() == *sets && opened->levelMaps() == *maps, "the document holds them");
    } else {
        fuzz::require(!why.empty(), "a refused document has a reason");
    }
    return 0;
}
