#include "app/window/TileReadout.h"
#include "app/window/GoToTile.h"
#include "core/ConsoleDataFactory.h"
#include "core/NESTileDataCollection.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace kestova;
using namespace mosavo;

namespace {
Bytes romBytes(const char *name)
{
    QFile file(QStringLiteral(KESTOVA_TEST_DATA "/roms/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    return Bytes(data.begin(), data.end());
}

// The 16 bytes a tile is encoded as.
Bytes encoded(const MatrixPtr &tile)
{
    return NESTileDataCollection(std::vector<MatrixPtr> { tile }).consoleFormattedPixelData().value_or(Bytes {});
}

INesHeader headerWith(uint64_t prgBytes, uint64_t chrBytes, bool trainer)
{
    INesHeader header;
    header.prgBytes = prgBytes;
    header.chrBytes = chrBytes;
    header.trainer = trainer;
    return header;
}
} // namespace

// mappers.nes: 32 KiB PRG-ROM, then 32 KiB CHR-ROM (four 8 KiB banks). The offset the readout gives is where the
// tile's 16 bytes really are in the file, and the banks are counted from the start of CHR-ROM.
TEST(TileReadout, OffsetsAndBanksOfAKnownRom)
{
    const Bytes rom = romBytes("mappers.nes");
    ASSERT_EQ(rom.size(), 65552u);
    const auto header = INesHeader::parse(rom);
    ASSERT_TRUE(header);
    const TileDataPtr tiles = ConsoleDataFactory::generate(rom);
    ASSERT_TRUE(tiles);
    ASSERT_EQ(tiles->totalNumberTiles(), 4096);

    struct Case
    {
        int64_t tile;
        uint64_t offset;
        TilePlace::Region region;
        uint64_t bank; // CHR bank (8 KiB) or PRG bank (16 KiB)
        uint64_t patternTable;
    };
    using R = TilePlace::Region;
    const Case cases[] = {
        { 0, 0x10, R::prgRom, 0, 0 },
        { 1023, 0x3FF0 + 0x10, R::prgRom, 0, 0 },
        { 1024, 0x4010, R::prgRom, 1, 0 },
        { 2047, 0x8000, R::prgRom, 1, 0 },
        { 2048, 0x8010, R::chrRom, 0, 0 },
        { 2048 + 255, 0x8010 + 255 * 16, R::chrRom, 0, 0 },
        { 2048 + 256, 0x9010, R::chrRom, 0, 1 },
        { 2048 + 512, 0xA010, R::chrRom, 1, 2 },
        { 4095, 0x10000, R::chrRom, 3, 7 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "tile " << c.tile);
        const TilePlace place = tilePlace(header, c.tile);
        EXPECT_EQ(place.fileOffset, c.offset);
        EXPECT_EQ(place.region, c.region);
        EXPECT_EQ(c.region == R::prgRom ? place.prgBank : place.chrBank, c.bank);
        if (c.region == R::chrRom) {
            EXPECT_EQ(place.patternTable, c.patternTable);
        }
        // The bytes at that offset of the file are the tile's.
        ASSERT_LE(place.fileOffset + 16, rom.size());
        const Bytes atOffset(rom.begin() + qsizetype(place.fileOffset), rom.begin() + qsizetype(place.fileOffset + 16));
        EXPECT_EQ(atOffset, encoded(tiles->matrices()[size_t(c.tile)]));
    }

    EXPECT_EQ(tileReadout(header, 4096, 2048 + 0x1A0),
        QStringLiteral(
            "Tile $9A0 (2464), $A0 in its pattern table \u00b7 offset $9A10 (39440) \u00b7 CHR bank 0 \u00b7 "
            "pattern table $1000 (4 KiB bank 1) \u00b7 2 KiB bank 3 \u00b7 1 KiB bank 6"));
    EXPECT_EQ(tileReadout(header, 4096, 1030, PixelReadout { 7, 0, 3 }),
        QStringLiteral("Tile $406 (1030) \u00b7 offset $4070 (16496) \u00b7 in PRG-ROM (16 KiB bank 1), not CHR \u00b7 "
                       "pixel (7, 0) colour 3"));
    EXPECT_EQ(tileReadout(header, 4096, 4096), QStringLiteral("No tile here (the last tile is $FFF (4095))"));
    EXPECT_EQ(tileReadout(header, 4096, -1), QStringLiteral("No tile here (the last tile is $FFF (4095))"));
}

// On an MMC3-sized ROM (128 KiB of CHR-ROM in 16 banks), every tile of CHR gets its number in its pattern table and
// the 1, 2, 4 and 8 KiB banks it lies in; the bytes at the offset shown are the tile's. A ROM of one 8 KiB bank has no
// banks to switch, so shows no 1 or 2 KiB bank.
TEST(TileReadout, PatternTableNumbersAndBanksOfAnMmc3SizedRom)
{
    const Bytes rom = romBytes("hello_mmc3.nes");
    ASSERT_EQ(rom.size(), 16u + 131072u + 131072u);
    const auto header = INesHeader::parse(rom);
    ASSERT_TRUE(header);
    ASSERT_EQ(header->mapper, 4);
    const TileDataPtr tiles = ConsoleDataFactory::generate(rom);
    ASSERT_EQ(tiles->totalNumberTiles(), 16384);

    struct Case
    {
        int64_t chrTile; // counted from the start of CHR-ROM
        uint64_t tableTile, bank1KiB, bank2KiB, patternTable, chrBank;
    };
    const Case cases[] = {
        { 0, 0x00, 0, 0, 0, 0 },
        { 63, 0x3F, 0, 0, 0, 0 },
        { 64, 0x40, 1, 0, 0, 0 },
        { 128, 0x80, 2, 1, 0, 0 },
        { 255, 0xFF, 3, 1, 0, 0 },
        { 256, 0x00, 4, 2, 1, 0 },
        { 512 + 0x4B, 0x4B, 9, 4, 2, 1 },
        { 15 * 512 + 256 + 0xC7, 0xC7, 127, 63, 31, 15 },
        { 8191, 0xFF, 127, 63, 31, 15 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "CHR tile " << c.chrTile);
        const int64_t tile = 8192 + c.chrTile;
        const TilePlace place = tilePlace(header, tile);
        EXPECT_EQ(place.region, TilePlace::Region::chrRom);
        EXPECT_EQ(place.tableTile, c.tableTile);
        EXPECT_EQ(place.bank1KiB, c.bank1KiB);
        EXPECT_EQ(place.bank2KiB, c.bank2KiB);
        EXPECT_EQ(place.patternTable, c.patternTable);
        EXPECT_EQ(place.chrBank, c.chrBank);
        const Bytes atOffset(rom.begin() + qsizetype(place.fileOffset), rom.begin() + qsizetype(place.fileOffset + 16));
        EXPECT_EQ(atOffset, encoded(tiles->matrices()[size_t(tile)]));
    }
    EXPECT_EQ(tileReadout(header, 16384, 8192 + 15 * 512 + 256 + 0xC7),
        QStringLiteral("Tile $3FC7 (16327), $C7 in its pattern table \u00b7 offset $3FC80 (261248) \u00b7 CHR bank 15 "
                       "\u00b7 pattern table $1000 (4 KiB bank 31) \u00b7 2 KiB bank 63 \u00b7 1 KiB bank 127"));

    // example.nes: one 8 KiB bank of CHR-ROM from tile $800, so tile $84B is $4B of pattern table $0000.
    const Bytes nrom = romBytes("example.nes");
    EXPECT_EQ(tileReadout(INesHeader::parse(nrom), 2560, 0x84B),
        QStringLiteral("Tile $84B (2123), $4B in its pattern table \u00b7 offset $84C0 (33984) \u00b7 CHR bank 0 "
                       "\u00b7 pattern table $0000 (4 KiB bank 0)"));
}

// Bare CHR data has no header: offset 16 x tile. A trainer comes before PRG-ROM, and bytes past the sizes the header
// gives belong to neither.
TEST(TileReadout, BareChrTrainersAndBytesPastTheHeaderSizes)
{
    const TilePlace chr = tilePlace(std::nullopt, 0x321);
    EXPECT_EQ(chr.fileOffset, 0x3210u);
    EXPECT_EQ(chr.region, TilePlace::Region::chrData);
    EXPECT_EQ(chr.chrBank, 1u);
    EXPECT_EQ(chr.patternTable, 3u);
    EXPECT_EQ(tileReadout(std::nullopt, 1024, 0x321, PixelReadout { 0, 5, 1 }),
        QStringLiteral(
            "Tile $321 (801), $21 in its pattern table \u00b7 offset $3210 (12816) \u00b7 CHR bank 1 \u00b7 "
            "pattern table $1000 (4 KiB bank 3) \u00b7 2 KiB bank 6 \u00b7 1 KiB bank 12 \u00b7 pixel (0, 5) "
            "colour 1"));

    const INesHeader trained = headerWith(16384, 8192, true);
    EXPECT_EQ(tilePlace(trained, 31).region, TilePlace::Region::trainer);
    EXPECT_EQ(tilePlace(trained, 32).region, TilePlace::Region::prgRom);
    EXPECT_EQ(tilePlace(trained, 32 + 1023).region, TilePlace::Region::prgRom);
    const TilePlace firstChr = tilePlace(trained, 32 + 1024);
    EXPECT_EQ(firstChr.region, TilePlace::Region::chrRom);
    EXPECT_EQ(firstChr.fileOffset, 16u + 512u + 16384u);
    EXPECT_EQ(firstChr.chrBank, 0u);
    EXPECT_TRUE(tileReadout(trained, 2000, 5).endsWith(QStringLiteral("in the trainer, not CHR")));

    // A CHR-RAM board (no CHR-ROM) whose file goes on after PRG-ROM.
    const INesHeader chrRam = headerWith(16384, 0, false);
    EXPECT_EQ(tilePlace(chrRam, 1024).region, TilePlace::Region::pastHeaderSizes);
    EXPECT_TRUE(
        tileReadout(chrRam, 1100, 1024).endsWith(QStringLiteral("past the PRG-ROM and CHR-ROM sizes of the header")));
}

TEST(GoToTile, ReadsTileNumbersAndOffsetsInHexAndDecimal)
{
    using K = GoToTarget::Kind;
    const std::pair<const char *, GoToTarget> cases[] = {
        { "416", { K::tile, 416 } },
        { "  $1A0 ", { K::tile, 0x1A0 } },
        { "0x1a0", { K::tile, 0x1A0 } },
        { "0X1A0", { K::tile, 0x1A0 } },
        { "tile $1A0", { K::tile, 0x1A0 } },
        { "Tile 7", { K::tile, 7 } },
        { "@0x4010", { K::offset, 0x4010 } },
        { "@ 16400", { K::offset, 16400 } },
        { "offset $4010", { K::offset, 0x4010 } },
        { "0", { K::tile, 0 } },
    };
    for (const auto &[text, target] : cases) {
        SCOPED_TRACE(text);
        const auto parsed = parseGoToTarget(QString::fromUtf8(text));
        ASSERT_TRUE(std::holds_alternative<GoToTarget>(parsed)) << std::get<QString>(parsed).toStdString();
        EXPECT_EQ(std::get<GoToTarget>(parsed), target);
    }
}

TEST(GoToTile, RefusesWhatIsNotANumberWithTheReason)
{
    const std::pair<const char *, const char *> cases[] = {
        { "", "Type a tile number" }, { "   ", "Type a tile number" },
        { "1A0", "\u201c1A0\u201d is not a number; write it in decimal (416) or in hex after $ or 0x" },
        { "$", "\u201c$\u201d has no digits" }, { "0x", "\u201c0x\u201d has no digits" },
        { "$12G", "\u201c$12G\u201d is not a number" }, { "-5", "\u201c-5\u201d is not a number" },
        { "tile", "Which tile?" }, { "@", "Which offset?" }, { "99999999999999999999", "is too large" },
        { "\u0663", "is not a number" }, // an Arabic-Indic digit
    };
    for (const auto &[text, reason] : cases) {
        SCOPED_TRACE(text);
        const auto parsed = parseGoToTarget(QString::fromUtf8(text));
        ASSERT_TRUE(std::holds_alternative<QString>(parsed));
        EXPECT_TRUE(std::get<QString>(parsed).contains(QString::fromUtf8(reason)))
            << std::get<QString>(parsed).toStdString();
    }
}

// Offsets count the header of a ROM; an offset inside a tile goes to that tile and says which byte it is.
TEST(GoToTile, ResolvesAgainstTheFile)
{
    using K = GoToTarget::Kind;
    const INesHeader rom = headerWith(32768, 32768, false);
    auto tileOf = [](const std::variant<GoToTile, QString> &result) {
        return std::holds_alternative<GoToTile>(result) ? std::get<GoToTile>(result).tile : -1;
    };
    EXPECT_EQ(tileOf(resolveGoToTarget({ K::tile, 4095 }, rom, 4096)), 4095);
    EXPECT_EQ(tileOf(resolveGoToTarget({ K::offset, 0x8010 }, rom, 4096)), 2048);
    EXPECT_EQ(tileOf(resolveGoToTarget({ K::offset, 0x10 }, rom, 4096)), 0);
    const auto inside = resolveGoToTarget({ K::offset, 0x8015 }, rom, 4096);
    ASSERT_TRUE(std::holds_alternative<GoToTile>(inside));
    EXPECT_EQ(std::get<GoToTile>(inside).tile, 2048);
    EXPECT_EQ(std::get<GoToTile>(inside).byteInTile, 5u);
    EXPECT_EQ(tileOf(resolveGoToTarget({ K::offset, 0x3210 }, std::nullopt, 1024)), 0x321);
    EXPECT_EQ(tileOf(resolveGoToTarget({ K::offset, 0 }, std::nullopt, 1024)), 0);

    const std::pair<std::variant<GoToTile, QString>, const char *> refusals[] = {
        { resolveGoToTarget({ K::tile, 4096 }, rom, 4096),
            "There is no tile $1000 (4096): the tiles are $0 to $FFF (4095)" },
        { resolveGoToTarget({ K::offset, 15 }, rom, 4096), "Offset $F (15) is in the iNES header" },
        { resolveGoToTarget({ K::offset, 0x10010 }, rom, 4096),
            "Offset $10010 (65552) is past the last tile, which ends "
            "at offset $1000F (65551)" },
        { resolveGoToTarget({ K::offset, 0x4000 }, std::nullopt, 1024), "Offset $4000 (16384) is past the last tile" },
        { resolveGoToTarget({ K::tile, 0 }, std::nullopt, 0), "There are no tiles" },
    };
    for (const auto &[result, reason] : refusals) {
        SCOPED_TRACE(reason);
        ASSERT_TRUE(std::holds_alternative<QString>(result));
        EXPECT_TRUE(std::get<QString>(result).startsWith(QString::fromUtf8(reason)))
            << std::get<QString>(result).toStdString();
    }
}
