// The metasprite table readers: binary, C and ca65.
// - Every input is read or refused with a reason by each reader, without a crash.
// - Tables read write out again (unless a sprite's x offset is -128, which a table cannot hold, or the address
//   table's name is taken) into text or bytes the same reader reads back to the same sprites, named as the export
//   names them.
#include "FuzzSupport.h"

#include "convert/MetaspriteExport.h"
#include "formats/MetaspriteBinaryFormat.h"
#include "formats/MetaspriteCFormat.h"
#include "formats/MetaspriteCa65Format.h"

namespace {
using namespace mosavo;

void check(const MetaspriteTableFormat &format, const Bytes &input, bool named)
{
    const auto read = format.read(input);
    fuzz::require(read.value.has_value() == read.error.empty(), "tables or a reason");
    if (!read)
        return;
    fuzz::require(!read.value->metasprites.empty(), "tables read hold a metasprite");
    const std::string tableName = "fuzz_table_name";
    const auto written = format.write(read.value->metasprites, tableName);
    fuzz::require(written.value.has_value() == written.error.empty(), "written or a reason");
    if (!written)
        return;
    const auto again = format.read(*written.value);
    fuzz::require(again.value.has_value(), "what was written reads back");
    const auto &before = read.value->metasprites;
    const auto &after = again.value->metasprites;
    fuzz::require(before.size() == after.size(), "as many metasprites");
    const std::vector<std::string> labels = metaspriteTableLabels(before);
    for (size_t i = 0; i < before.size(); ++i) {
        fuzz::require(before[i].sprites == after[i].sprites, "the same sprites");
        fuzz::require(!named || after[i].name == labels[i], "named as the export names them");
    }
    fuzz::require(!named || again.value->tableName == tableName, "the address table keeps its name");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const Bytes input = fuzz::bytesOf(data, size);
    check(MetaspriteBinaryFormat(), input, false);
    check(MetaspriteCFormat(), input, true);
    check(MetaspriteCa65Format(), input, true);
    return 0;
}
