#pragma once

#include "core/Bytes.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mosavo {

// Byte buffers as source text for the NES build: ca65 assembly and C (cc65 or any C compiler).
//   ca65:  NAME:                        C:  const unsigned char NAME[N] = {
//              .byte $00,$01,...                0x00, 0x01, ...
//                                           };
// Values are written in rows of 16. The text ends with a newline.

enum class SourceLanguage {
    ca65,
    c,
};

// The source text, or a text saying why there is none.
struct SourceResult
{
    std::optional<std::string> text;
    std::string error;

    explicit operator bool() const { return text.has_value(); }
};

// Why name cannot be a label or array name in the language, or nothing when it can. A name is an identifier: a letter
// or underscore, then letters, digits and underscores; not a C keyword (C), nor a register, address-size prefix or
// 6502 instruction name (ca65).
std::optional<std::string> sourceNameError(std::string_view name, SourceLanguage language);

// An identifier both C and ca65 take, made from a name: each run of characters other than letters, digits and
// underscores becomes one underscore (none at either end), a name starting with a digit gets a leading underscore, an
// empty one becomes "unnamed", and a C keyword or a name ca65 reads as a register or instruction gets an underscore
// after it ("hero walk 2" -> "hero_walk_2", "1up" -> "_1up", "x" -> "x_").
std::string sourceIdentifier(std::string_view name);

// sourceIdentifier of each name, made unique: a name whose identifier an earlier one has gets "_2", "_3", ... after it
// ("hero", "hero", "hero!" -> "hero", "hero_2", "hero_3").
std::vector<std::string> sourceIdentifiers(const std::vector<std::string> &names);

// The bytes under one label (ca65) or as one array of exactly their size (C). C has no empty arrays, so an empty
// buffer is refused for C.
SourceResult byteSource(std::string_view name, const Bytes &bytes, SourceLanguage language);

// Several buffers with an address table, as a metasprite table is written:
//   ca65:  NAME_0: .byte ...  ...  NAME_k: .byte ...  then  NAME: .word NAME_0, ..., NAME_k
//   C:     const unsigned char NAME_0[] = {...}; ... then const unsigned char* const NAME[] = {NAME_0, ...};
// Refused when there are no entries or an entry is empty.
SourceResult tableSource(std::string_view name, const std::vector<Bytes> &entries, SourceLanguage language);

} // namespace mosavo
