#pragma once

#include "formats/MetaspriteTableFormat.h"

namespace mosavo {

// Metasprite tables as bytes, one after another, as the binary metasprite export writes them. The file names no
// metasprite: they are named after namePrefix and their position, "PREFIX_0", "PREFIX_1", ...
class MetaspriteBinaryFormat : public MetaspriteTableFormat
{
public:
    explicit MetaspriteBinaryFormat(std::string namePrefix = "metasprite")
        : namePrefix_(std::move(namePrefix))
    { }

    std::string name() const override { return "binary metasprite tables"; }
    FormatResult<MetaspriteTables> read(const Bytes &bytes) const override;
    FormatResult<Bytes> write(const std::vector<Metasprite> &metasprites, std::string_view tableName) const override;

private:
    std::string namePrefix_;
};

} // namespace mosavo
