#pragma once

#include <cstdint>
#include <optional>

namespace mosavo {

// The console whose tile format the data uses.
enum class ConsoleType : int64_t { nes = 0 };
// What a byte buffer holds: an iNES ROM image (header + data) or bare CHR tile data.
enum class ConsoleRomType : int64_t { nesROM = 0, nes = 1 };
// The kind of palette a palette factory makes.
enum class PaletteType : int64_t { nes = 0 };

inline std::optional<ConsoleType> consoleTypeFromRaw(int64_t raw)
{
    return raw == 0 ? std::optional(ConsoleType::nes) : std::nullopt;
}

inline std::optional<ConsoleRomType> consoleRomTypeFromRaw(int64_t raw)
{
    switch (raw) {
    case 0:
        return ConsoleRomType::nesROM;
    case 1:
        return ConsoleRomType::nes;
    default:
        return std::nullopt;
    }
}

inline std::optional<PaletteType> paletteTypeFromRaw(int64_t raw)
{
    return raw == 0 ? std::optional(PaletteType::nes) : std::nullopt;
}

template<typename E>
constexpr int64_t rawValue(E e)
{
    return static_cast<int64_t>(e);
}

} // namespace mosavo
