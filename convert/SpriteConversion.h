#pragma once

#include "convert/PaletteFinder.h"
#include "convert/PerceptualError.h"
#include "core/Metasprite.h"
#include "core/PatternTables.h"
#include "core/Screen.h"
#include "palette/DisplayColors.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace mosavo {

// A picture of 8-bit red, green, blue and alpha per pixel, row 0 first (width * height * 4 bytes).
struct RgbaPicture
{
    int width = 0;
    int height = 0;
    std::span<const uint8_t> pixels;
};

// How a picture becomes a metasprite.
struct SpriteConversionSettings
{
    // 8x16 sprites: the picture is cut into 8x16 cells, each a pair of tiles (even tile on top).
    bool tall = false;
    // The picture position that becomes offset (0, 0).
    int originX = 0;
    int originY = 0;
    std::string name;
    // The sprite pattern table (0 or 1): the tiles 8x8 sprites read, and where new 8x16 pairs go.
    int patternTable = 1;
    // Pixels shown in the colour of this colour number are empty, as pixels of alpha 0 are.
    std::optional<uint8_t> universalBackground;
    // The sprite sub-palettes 4-7 (colours 1-3 of each) the cells must use; found by the program when absent.
    std::optional<std::vector<SubPaletteColors>> subPalettes;
    // When they are found: the document's sub-palettes 4, 5, ... (colours 1-3, nothing for one without colours) and
    // those of them whose colours must stay (the ones other metasprites use). Cells go to the kept sub-palettes where
    // they fit; the colours of the others are found for the places left, lowest first.
    std::vector<std::optional<SubPaletteColors>> currentSubPalettes;
    std::bitset<4> keptSubPalettes;
    // The colours pixels are matched against (exactly); the current display colours when null.
    const DisplayColors *displayColors = nullptr;
    int emphasis = emphasisNone;
    // Colours read as a whole by fitColors rather than matched exactly, as ScreenPictureRequest has it; found
    // sub-palettes then hold the numbers fitColors chooses, preferredNumbers first.
    bool fitColors = false;
    std::vector<uint8_t> preferredNumbers;
    std::string farColorAdvice = "convert the picture with --lossy";
};

// A tile (0-511 of the bank) the conversion draws: its 64 colour indices, row after row.
struct TileChange
{
    int tile = 0;
    std::array<uint8_t, 64> pixels {};

    bool operator==(const TileChange &) const = default;
};

// The metasprite a picture makes, the tiles it draws and the sprite sub-palettes (4 on) its sprites use; or a text
// saying why there is none.
struct SpriteConversion
{
    std::optional<Metasprite> metasprite;
    std::vector<TileChange> tileChanges;
    std::vector<SubPaletteColors> subPalettes;
    std::string error;
    // For a lossy conversion: the tiles it used and how far the sprites are from the picture.
    std::optional<ConversionQuality> quality;

    explicit operator bool() const { return metasprite.has_value(); }
};

// Cuts the picture into cells from its top left; cells without an opaque pixel are skipped, every other becomes one
// sprite in reading order. A cell equal to a tile (8x16: a pair) of the sprite pattern table, or to one flipped
// horizontally, vertically or both, reuses it with those flips; other cells take blank tiles (pairs) of the table that
// tilesInUse does not mark, lowest first, but never the first blank tile of the table (the blank tile the screens of
// the game draw with, even where no screen of the document uses it). Refused, naming the pixel, cell or counts: a pixel
// partly transparent or in none of the display colours, a cell of more than three colours or of colours no one
// sub-palette holds, colours that four sub-palettes cannot hold, an x offset outside -127..127 (a metasprite table ends
// at an x offset of -128) or a y offset outside -128..127, too few free tiles, a picture with nothing opaque.
SpriteConversion convertSpritePicture(const RgbaPicture &picture, const PatternTables &bank,
    const std::bitset<256> &tilesInUse, const SpriteConversionSettings &settings);

// The lowest-numbered tile (0-255) of pattern table `table` (0 or 1) whose pixels are all 0, or -1 when none is.
int firstBlankTile(const PatternTables &bank, int table);

// The tiles (0-255) of pattern table `table` that the screens and the metasprites use: 8x8 sprites read from table,
// 8x16 sprites whose tile byte picks it use the even tile and the next.
std::bitset<256> spriteTableTilesInUse(
    const std::vector<Screen> &screens, const std::vector<Metasprite> &metasprites, bool tall, int table);

// The tiles (0-255) of pattern table `table` that a document's screens or metasprites show: its 8x8 sprites read the
// sprite pattern table spriteTable (so they show none of the other), its 8x16 sprites name their tables.
std::bitset<256> tilesShown(const std::vector<Screen> &screens, const std::vector<Metasprite> &metasprites, bool tall,
    int spriteTable, int table);

} // namespace mosavo
