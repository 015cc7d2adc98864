#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace mosavo {

// The facts of a 16-byte iNES / NES 2.0 header that tile editing cares about.
struct INesHeader
{
    uint64_t prgBytes = 0; // PRG-ROM size in bytes
    uint64_t chrBytes = 0; // CHR-ROM size in bytes (0: the board uses CHR-RAM)
    int mapper = 0;
    int submapper = 0; // NES 2.0 only
    bool trainer = false;
    bool nes2 = false;
    // Byte 6: bit 0 vertical (else horizontal) mirroring, bit 1 battery-backed PRG-RAM, bit 3 four-screen VRAM (which
    // overrides bit 0).
    bool verticalMirroring = false;
    bool fourScreen = false;
    bool battery = false;

    // "horizontal", "vertical" or "four-screen": how the board lays out the nametables.
    const char *mirroring() const { return fourScreen ? "four-screen" : verticalMirroring ? "vertical" : "horizontal"; }
    // File offset of PRG-ROM: after the header and the trainer, when there is one.
    uint64_t prgOffset() const { return trainer ? 16 + 512 : 16; }

    uint64_t prgBanks() const { return prgBytes / 16384; }
    uint64_t chrBanks() const { return chrBytes / 8192; }
    // Offset of CHR-ROM from the end of the header; UINT64_MAX when the declared PRG size leaves no room for it.
    uint64_t chrOffsetAfterHeader() const
    {
        const uint64_t trainerBytes = trainer ? 512 : 0;
        return prgBytes > UINT64_MAX - trainerBytes ? UINT64_MAX : trainerBytes + prgBytes;
    }

    // Nothing unless the buffer holds at least 16 bytes starting with 4E 45 53 1A ("NES" and end of file).
    static std::optional<INesHeader> parse(std::span<const uint8_t> bytes);

    // What a ROM image of fileBytes bytes lacks or has too much of for this header (16-byte header, 512-byte trainer
    // when flagged, PRG-ROM, CHR-ROM):
    //   the ROM image is 40000 bytes, 1 fewer than its header says (40016: 16-byte header, ...)
    // nothing when the sizes agree.
    std::optional<std::string> sizeWarning(uint64_t fileBytes) const;
};

} // namespace mosavo
