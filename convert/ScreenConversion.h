#pragma once

#include "convert/PerceptualError.h"
#include "core/PatternTables.h"
#include "core/Screen.h"
#include "palette/DisplayColors.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace mosavo {

// Four colour numbers of a background sub-palette; colour 0 shows the universal background colour.
using BackgroundSubPalette = std::array<uint8_t, 4>;
using BackgroundSubPalettes = std::array<BackgroundSubPalette, 4>;

// A picture to convert into a screen: RGBA8 (row 0 first, 4 bytes a pixel, red first, alpha last).
struct ScreenPictureRequest
{
    std::span<const uint8_t> rgba;
    int width = 0;
    int height = 0;
    // The colours the picture's pixels must match exactly, under emphasis 0-7.
    const DisplayColors *displayColors = nullptr;
    int emphasis = emphasisNone;
    // The four background sub-palettes to use (colour 0 of the first is the universal background colour); without
    // them the conversion finds four.
    std::optional<BackgroundSubPalettes> subPalettes;
    // The pattern table the screen reads (0 or 1), the 512 tiles of its bank, how many of the table's 256 tiles
    // exist (a collection shorter than the bank has fewer) and the table's tiles that screens already use.
    int patternTable = 0;
    const PatternTables *patterns = nullptr;
    int tilesInTable = PatternTables::tilesPerTable;
    std::bitset<256> tilesInUse;
    std::string name;
    // Colours read as a whole by fitColors (a screenshot drawn by an emulator with display colours of its own comes
    // back as the console's colour numbers) rather than matched exactly; a colour further than colorTooFarDistance
    // from its display colour is refused, naming a pixel, its colour and the nearest display colour, followed by
    // farColorAdvice. Found sub-palettes then hold the numbers fitColors chooses, preferredNumbers first.
    bool fitColors = false;
    std::vector<uint8_t> preferredNumbers;
    std::string farColorAdvice = "convert the picture with --lossy";
};

// A tile of the pattern table (0-255) the conversion writes, as 64 colour indices.
struct ScreenTileChange
{
    int tile = 0;
    std::array<uint8_t, 64> pixels {};

    bool operator==(const ScreenTileChange &) const = default;
};

struct ScreenConversion
{
    Screen screen;
    // Tiles to write before the screen shows right, in tile order.
    std::vector<ScreenTileChange> tileChanges;
    BackgroundSubPalettes subPalettes {};
    // How many distinct tiles the picture holds, and how many of them were found already in the pattern table.
    int distinctTiles = 0;
    int reusedTiles = 0;
    // For a lossy conversion: the tiles it used and how far the screen is from the picture.
    std::optional<ConversionQuality> quality;
};

// The screen, or a text saying why there is none.
struct ScreenConversionResult
{
    std::optional<ScreenConversion> conversion;
    std::string error;

    explicit operator bool() const { return conversion.has_value(); }
};

// The picture size a screen is made from.
inline constexpr int screenPictureWidth = 256;
inline constexpr int screenPictureHeight = 240;

// Converts a 256 x 240 picture into a screen of the pattern table:
// - every pixel's colour must be one of the display colours exactly, or with fitColors near one (a fully transparent
//   pixel is the universal background colour); else the first other pixel is named with its colour;
// - every 16 x 16 area may use the universal background colour and at most three colours of one sub-palette; with
//   sub-palettes given they are the ones, else four are found, the universal background colour being the colour
//   that every area can share (the most used such colour that lets the rest be packed); else the areas that
//   cannot be covered are named;
// - each 8 x 8 cell becomes a tile; identical cells share one tile number; a cell identical to a tile of the pattern
//   table uses that tile, the others take blank tiles that tilesInUse does not mark, in tile order; more new tiles
//   than those is refused with both counts.
ScreenConversionResult convertScreenPicture(const ScreenPictureRequest &request);
// Why a picture of this size cannot become a screen (it is not 256 x 240), or nothing: asked before its pixels are
// read.
std::optional<std::string> screenPictureSizeRefusal(int width, int height);

// The colour numbers of a picture's pixels, row by row (transparentPixel where a pixel is fully transparent), and
// for each colour number the one to write for it: among the numbers showing one display colour, the one the colour
// fit chose (written[n] is n where nothing was fitted).
constexpr uint8_t transparentPixel = 0x40;
struct PictureColorNumbers
{
    std::vector<uint8_t> numbers;
    std::array<uint8_t, 64> written {};
};

// The request's picture (of width x height) read as colour numbers: by exact display colour, or with fitColors by the
// fit of all its colours (a pixel too far from every display colour refused with farColorText); or why a pixel cannot
// be read.
std::variant<PictureColorNumbers, std::string> pictureColorNumbers(const ScreenPictureRequest &request);

// "$0F"
std::string colorNumberText(uint8_t number);
// "#1E2F3A"
std::string rgbText(Rgb8 rgb);
// Why a pixel cannot be read exactly: "pixel (x, y) is #RRGGBB, too far from every display colour to be read as one
// (the nearest is $NN, #RRGGBB, at OKLab distance D; at most 0.05 is read)", then "; " and the advice when given.
std::string farColorText(
    int x, int y, Rgb8 rgb, uint8_t nearest, Rgb8 nearestRgb, double distance, const std::string &advice);

} // namespace mosavo
