#pragma once

#include "core/Bytes.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace mosavo {

// The run-length format NES libraries unpack straight into the PPU (a nametable, usually):
//   tag            the first byte, a value that occurs nowhere in the data
//   b              any byte other than tag is written out as it is and becomes the previous byte
//   tag n (n > 0)  writes the previous byte n more times
//   tag 0          ends the data
// Bytes after the end mark are not read.

// The result of packing or unpacking: the bytes, or a text saying why there are none.
struct RleResult
{
    std::optional<Bytes> bytes;
    std::string error;

    explicit operator bool() const { return bytes.has_value(); }
};

// The tag a packing of data uses: the smallest byte value not in data; nothing when data holds all 256 values.
std::optional<uint8_t> rleTag(const Bytes &data);

// data packed as compactly as the format allows: a run of one or two copies stays literal, a longer run is the byte
// then tag, count - 1 (in steps of at most 255). Refused when data uses all 256 byte values, since no tag is free;
// what names the data in that text ("the nametable uses all 256 byte values, so no RLE tag is free").
RleResult rlePack(const Bytes &data, std::string_view what = "the data");

// Unpacks packed data, writing at most outputLimit bytes (a nametable: 1024). Refused, with the reason, when the data
// is empty, ends before its end mark, repeats before any byte was written, or unpacks to more than outputLimit bytes.
// When consumed is given it receives the number of packed bytes read, end mark included.
RleResult rleUnpack(const Bytes &packed, size_t outputLimit, size_t *consumed = nullptr);

} // namespace mosavo
