#include "core/INesHeader.h"

namespace mosavo {

namespace {
// NES 2.0 ROM size: a 12-bit unit count, or when the most significant nibble is 0xF, 2^E x (2M + 1) bytes taken from
// the low byte.
uint64_t nes2RomSize(uint8_t lsb, uint8_t msbNibble, uint64_t unit)
{
    if (msbNibble == 0x0F) {
        const unsigned exponent = lsb >> 2;
        const unsigned multiplier = (lsb & 0x03u) * 2 + 1;
        if (exponent >= 62)
            return UINT64_MAX;
        return (uint64_t(1) << exponent) * multiplier;
    }
    return ((uint64_t(msbNibble) << 8) | lsb) * unit;
}
} // namespace

std::optional<INesHeader> INesHeader::parse(std::span<const uint8_t> bytes)
{
    if (bytes.size() < 16 || bytes[0] != 'N' || bytes[1] != 'E' || bytes[2] != 'S' || bytes[3] != 0x1A)
        return std::nullopt;
    INesHeader header;
    header.verticalMirroring = (bytes[6] & 0x01) != 0;
    header.battery = (bytes[6] & 0x02) != 0;
    header.trainer = (bytes[6] & 0x04) != 0;
    header.fourScreen = (bytes[6] & 0x08) != 0;
    header.nes2 = (bytes[7] & 0x0C) == 0x08;
    header.mapper = (bytes[6] >> 4) | (bytes[7] & 0xF0);
    if (header.nes2) {
        header.mapper |= (bytes[8] & 0x0F) << 8;
        header.submapper = bytes[8] >> 4;
        header.prgBytes = nes2RomSize(bytes[4], bytes[9] & 0x0F, 16384);
        header.chrBytes = nes2RomSize(bytes[5], bytes[9] >> 4, 8192);
    } else {
        header.prgBytes = uint64_t(bytes[4]) * 16384;
        header.chrBytes = uint64_t(bytes[5]) * 8192;
        // Old dumping tools wrote text into bytes 7-15 ("DiskDude!"); their byte 7 is no mapper nibble.
        if ((bytes[7] & 0x0C) == 0x04 || bytes[12] != 0 || bytes[13] != 0 || bytes[14] != 0 || bytes[15] != 0)
            header.mapper &= 0x0F;
    }
    return header;
}

std::optional<std::string> INesHeader::sizeWarning(uint64_t fileBytes) const
{
    constexpr uint64_t headerBytes = 16;
    constexpr uint64_t trainerBytes = 512;
    const uint64_t parts[] = { headerBytes, trainer ? trainerBytes : 0, prgBytes, chrBytes };
    uint64_t expected = 0;
    for (const uint64_t part : parts)
        expected = part > UINT64_MAX - expected ? UINT64_MAX : expected + part;
    if (expected == fileBytes)
        return std::nullopt;
    std::string sizes = "16-byte header";
    if (trainer)
        sizes += ", 512-byte trainer";
    sizes += ", " + std::to_string(prgBytes) + " bytes of PRG-ROM, " + std::to_string(chrBytes) + " bytes of CHR-ROM";
    const bool shorter = fileBytes < expected;
    return "the ROM image is " + std::to_string(fileBytes) + " bytes, "
        + std::to_string(shorter ? expected - fileBytes : fileBytes - expected) + (shorter ? " fewer" : " more")
        + " than its header says (" + std::to_string(expected) + ": " + sizes + ")";
}

} // namespace mosavo
