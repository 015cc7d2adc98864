#include "app/window/TileReadout.h"

namespace kestova {

using mosavo::INesHeader;

namespace {
constexpr uint64_t headerBytes = 16;
constexpr uint64_t tileBytes = 16;
constexpr uint64_t trainerBytes = 512;
constexpr uint64_t chrBankBytes = 8192;
constexpr uint64_t patternTableBytes = 4096;
constexpr uint64_t prgBankBytes = 16384;
constexpr uint64_t tilesPerPatternTable = 256;

// Whether CHR holds more than one 8 KiB bank, so that mappers switch parts of it.
bool switchedChr(const std::optional<INesHeader> &header, int64_t tileCount)
{
    return header ? header->chrBytes > chrBankBytes
                  : uint64_t(std::max<int64_t>(tileCount, 0)) * tileBytes > chrBankBytes;
}
} // namespace

QString hexAndDecimal(uint64_t value)
{
    return QStringLiteral("$%1 (%2)").arg(value, 0, 16).toUpper().arg(value);
}

TilePlace tilePlace(const std::optional<INesHeader> &header, int64_t tile, uint64_t byteShift)
{
    TilePlace place;
    const uint64_t data = uint64_t(std::max<int64_t>(tile, 0)) * tileBytes + byteShift;
    auto inChr = [&place](uint64_t intoChr) {
        place.chrBank = intoChr / chrBankBytes;
        place.patternTable = intoChr / patternTableBytes;
        place.tableTile = intoChr / tileBytes % tilesPerPatternTable;
        place.bank1KiB = intoChr / 1024;
        place.bank2KiB = intoChr / 2048;
    };
    if (!header) {
        place.fileOffset = data;
        place.region = TilePlace::Region::chrData;
        inChr(data);
        return place;
    }
    place.fileOffset = headerBytes + data;
    const uint64_t trainer = header->trainer ? trainerBytes : 0;
    const uint64_t chrStart = header->chrOffsetAfterHeader();
    if (data < trainer) {
        place.region = TilePlace::Region::trainer;
    } else if (data - trainer < header->prgBytes) {
        place.region = TilePlace::Region::prgRom;
        place.prgBank = (data - trainer) / prgBankBytes;
    } else if (chrStart != UINT64_MAX && data - chrStart < header->chrBytes) {
        place.region = TilePlace::Region::chrRom;
        inChr(data - chrStart);
    } else {
        place.region = TilePlace::Region::pastHeaderSizes;
    }
    return place;
}

QString tileReadout(const std::optional<INesHeader> &header, int64_t tileCount, int64_t tile,
    const std::optional<PixelReadout> &pixel, uint64_t byteShift)
{
    if (tile < 0 || tile >= tileCount)
        return tileCount > 0
            ? QStringLiteral("No tile here (the last tile is %1)").arg(hexAndDecimal(uint64_t(tileCount - 1)))
            : QStringLiteral("No tiles");
    const TilePlace place = tilePlace(header, tile, byteShift);
    const bool inChr = place.region == TilePlace::Region::chrData || place.region == TilePlace::Region::chrRom;
    QString text = QStringLiteral("Tile ") + hexAndDecimal(uint64_t(tile));
    if (inChr)
        text += QStringLiteral(", $%1 in its pattern table")
                    .arg(QString::number(place.tableTile, 16).toUpper().rightJustified(2, u'0'));
    text += QStringLiteral(" \u00b7 offset %1 \u00b7 ").arg(hexAndDecimal(place.fileOffset));
    switch (place.region) {
    case TilePlace::Region::chrData:
    case TilePlace::Region::chrRom:
        text += QStringLiteral("CHR bank %1 \u00b7 pattern table $%2 (4 KiB bank %3)")
                    .arg(place.chrBank)
                    .arg(place.patternTable % 2 ? QStringLiteral("1000") : QStringLiteral("0000"))
                    .arg(place.patternTable);
        if (switchedChr(header, tileCount))
            text
                += QStringLiteral(" \u00b7 2 KiB bank %1 \u00b7 1 KiB bank %2").arg(place.bank2KiB).arg(place.bank1KiB);
        break;
    case TilePlace::Region::trainer:
        text += QStringLiteral("in the trainer, not CHR");
        break;
    case TilePlace::Region::prgRom:
        text += QStringLiteral("in PRG-ROM (16 KiB bank %1), not CHR").arg(place.prgBank);
        break;
    case TilePlace::Region::pastHeaderSizes:
        text += QStringLiteral("past the PRG-ROM and CHR-ROM sizes of the header");
        break;
    }
    if (pixel)
        text += QStringLiteral(" \u00b7 pixel (%1, %2) colour %3").arg(pixel->x).arg(pixel->y).arg(pixel->colorIndex);
    return text;
}

} // namespace kestova
