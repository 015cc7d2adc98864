#pragma once

#include "formats/MetaspriteTableFormat.h"

namespace mosavo {

// Metasprite tables as C source, as neslib projects keep them: each array `const unsigned char NAME[]={...};` is one
// metasprite named NAME; its values are numbers (decimal, hex, negative), neslib's OAM_FLIP_H, OAM_FLIP_V and
// OAM_BEHIND (or names the file #defines) joined by | or +. Comments, other preprocessor lines and declarations
// without values are passed over; an array of pointers (`const unsigned char* const NAME[]={...};`) is the address
// table, whose name is kept. Written as the C metasprite export writes them (convert/MetaspriteExport.h).
class MetaspriteCFormat : public MetaspriteTableFormat
{
public:
    std::string name() const override { return "C metasprite tables"; }
    FormatResult<MetaspriteTables> read(const Bytes &bytes) const override;
    FormatResult<Bytes> write(const std::vector<Metasprite> &metasprites, std::string_view tableName) const override;
};

} // namespace mosavo
