#pragma once

#include "core/Bytes.h"
#include "formats/FormatResult.h"
#include "formats/MetaspriteTables.h"

#include <string>
#include <string_view>

namespace mosavo {

// One kind of file that holds metasprite tables in the format NES C libraries draw them from: for each sprite its x
// offset, y offset, tile and attribute byte (offsets as signed bytes), then the byte 128 that ends the metasprite.
// Reading then writing under the same table name gives the same bytes and names back.
class MetaspriteTableFormat
{
public:
    virtual ~MetaspriteTableFormat() = default;

    // A short description for dialogs and messages ("binary metasprite tables").
    virtual std::string name() const = 0;
    virtual FormatResult<MetaspriteTables> read(const Bytes &bytes) const = 0;
    // tableName names the address table of source formats; the binary format has none and ignores it.
    virtual FormatResult<Bytes> write(const std::vector<Metasprite> &metasprites, std::string_view tableName) const = 0;
};

} // namespace mosavo
