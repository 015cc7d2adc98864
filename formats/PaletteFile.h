#pragma once

#include "core/Bytes.h"

#include <cstddef>
#include <optional>
#include <string>

namespace mosavo {

// The palette file: 32 colour numbers (eight sub-palettes of four), or its 16-byte half (the four background ones).
inline constexpr size_t halfPaletteFileSize = 16;

// Why bytes are not a palette file ("not a palette file: ..."), or nothing when they are one.
std::optional<std::string> paletteFileProblem(const Bytes &bytes);

} // namespace mosavo
