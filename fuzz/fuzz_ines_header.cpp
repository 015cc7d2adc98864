// The iNES / NES 2.0 header facts: any 16 or more bytes starting with 4E 45 53 1A give facts within the ranges the
// header can express; anything else gives none.
#include "FuzzSupport.h"

#include "core/INesHeader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace mosavo;
    const std::span<const uint8_t> bytes(data, size);
    const auto facts = INesHeader::parse(bytes);
    const bool isHeader = size >= 16 && data[0] == 'N' && data[1] == 'E' && data[2] == 'S' && data[3] == 0x1A;
    fuzz::require(facts.has_value() == isHeader, "facts exactly for headers");
    if (!facts)
        return 0;
    fuzz::require(facts->mapper >= 0 && facts->mapper < (facts->nes2 ? 4096 : 256), "mapper number range");
    fuzz::require(facts->submapper >= 0 && facts->submapper < 16, "submapper range");
    fuzz::require(facts->nes2 || facts->submapper == 0, "submapper only in NES 2.0");
    fuzz::require(facts->trainer == ((data[6] & 0x04) != 0), "trainer flag");
    if (!facts->nes2) {
        fuzz::require(facts->prgBytes == uint64_t(data[4]) * 16384, "iNES PRG size");
        fuzz::require(facts->chrBytes == uint64_t(data[5]) * 8192, "iNES CHR size");
    }
    fuzz::require(facts->prgBanks() <= facts->prgBytes && facts->chrBanks() <= facts->chrBytes, "bank counts");
    // The CHR offset never wraps around, however large the declared PRG size.
    fuzz::require(facts->chrOffsetAfterHeader() >= facts->prgBytes, "CHR offset does not wrap");
    return 0;
}
