#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace kestova::cli {

// The largest file offset an option takes (a file read is at most 64 MiB; anything past that is past its end).
constexpr int64_t maximumByteOffset = 0x7FFFFFFF;

// A byte offset into a file as ROM hackers write it: decimal (2048), or hexadecimal after "$" or "0x" ($800, 0x800;
// either case), 0 to maximumByteOffset; nothing for anything else (signs, spaces, empty digits).
std::optional<int64_t> parseByteOffset(const QString &text);

} // namespace kestova::cli
