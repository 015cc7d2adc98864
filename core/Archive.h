#pragma once

#include <nlohmann/json.hpp>

#include <string_view>

namespace mosavo {

// An archive record: an object with named fields, tagged with the class it came from under "$class".
using ArchiveRecord = nlohmann::ordered_json;

inline ArchiveRecord makeArchiveRecord(std::string_view className)
{
    ArchiveRecord record = ArchiveRecord::object();
    record["$class"] = className;
    return record;
}

} // namespace mosavo
