#pragma once

#include "formats/MetaspriteTableFormat.h"

namespace mosavo {

// Metasprite tables as ca65 source: each label `NAME:` whose lines that follow hold .byte (or .db) values is one
// metasprite named NAME; the values are numbers (decimal, hex after $ or 0x, binary after %, negative), neslib's
// OAM_FLIP_H, OAM_FLIP_V and OAM_BEHIND, or names the file sets with NAME = value, joined by | or +. Comments after ;
// and .export, .import, .segment and the like are passed over; a label whose lines hold .word (or .addr) values is the
// address table, whose name is kept. Written as the ca65 metasprite export writes them (convert/MetaspriteExport.h).
class MetaspriteCa65Format : public MetaspriteTableFormat
{
public:
    std::string name() const override { return "ca65 metasprite tables"; }
    FormatResult<MetaspriteTables> read(const Bytes &bytes) const override;
    FormatResult<Bytes> write(const std::vector<Metasprite> &metasprites, std::string_view tableName) const override;
};

} // namespace mosavo
