#pragma once

#include "core/Archive.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestova {

// The text form of a document's record (a file whose name ends in .kestova.json), for version control: the record
// as indented JSON, its keys in the order the record has them, each byte string (which JSON lacks) an object
// {"$hex": [...]} of lines of hex digits: a tile's 16 bytes a line for "TileData", a nametable row's 32 for "Tiles",
// an attribute row's 8 for "Attributes", 16 for any other. So a one-pixel edit changes one line, and edits of
// different tiles merge.
class ArchiveText
{
public:
    // The record with its byte strings as {"$hex": [...]} objects; write dumps it.
    static mosavo::ArchiveRecord toText(const mosavo::ArchiveRecord &record);
    static std::string write(const mosavo::ArchiveRecord &record);

    // The record with every {"$hex": [...]} object a byte string again, or nothing (the reason in whyNot) when one
    // is not whole bytes of hex digits.
    static std::optional<mosavo::ArchiveRecord> fromText(mosavo::ArchiveRecord record, std::string *whyNot);

    // Whether bytes look like the text form: after white space, { then (after white space) the key "$class".
    static bool looksLikeText(const std::vector<uint8_t> &bytes);

    // Whether a file name asks for the text form: it ends in .kestova.json (in any case).
    static bool isTextName(std::string_view fileName);
};

} // namespace kestova
