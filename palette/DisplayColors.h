#pragma once

#include "core/Bytes.h"
#include "palette/Color.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace mosavo {

// An 8-bit RGB colour as the views and the pictures the program writes show it.
struct Rgb8
{
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    bool operator==(const Rgb8 &) const = default;
};

// Emphasis as $2001 (PPUMASK) sets it: bit 5 red, bit 6 green, bit 7 blue, shifted down to 0-7.
enum EmphasisBits : int {
    emphasisNone = 0,
    emphasisRed = 1,
    emphasisGreen = 2,
    emphasisBlue = 4,
    emphasisAll = 7,
};

struct DisplayColorsFile;

// The 64 RGB colours the NES colour numbers are shown in: the program's master table, or an emulator palette file of
// 64 RGB triplets (192 bytes) or of 8 such sets, one for each emphasis value 0-7 (1536 bytes).
class DisplayColors
{
public:
    static constexpr size_t colorCount = 64;
    static constexpr size_t plainFileSize = colorCount * 3;
    static constexpr size_t emphasisFileSize = plainFileSize * 8;
    // How much an emphasis bit darkens the two other channels where no emphasis set is stored.
    static constexpr double emphasisAttenuation = 0.816328;

    // The master table.
    DisplayColors();

    // The colours of an emulator palette file; any size but 192 or 1536 bytes is refused, naming the size.
    static DisplayColorsFile fromFile(const Bytes &bytes);

    // The colour of an NES colour number (only its low 6 bits count, as in palette RAM) under emphasis 0-7 (only the
    // low 3 bits count). From a 1536-byte file, the stored set. Otherwise each emphasis bit multiplies the two other
    // channels by emphasisAttenuation, except in colours $xE and $xF, which emphasis does not change.
    Rgb8 rgb(int colorNumber, int emphasis = emphasisNone) const;
    // The same colour as 0xRRGGBB, and as a colour of four doubles.
    uint32_t rgb24(int colorNumber, int emphasis = emphasisNone) const;
    Color color(int colorNumber, int emphasis = emphasisNone) const;

    // The colour number shown as rgb under emphasis, or nothing. Where several are (the blacks, say), $0F comes first,
    // then the lowest number, and $0D (which upsets some televisions) last.
    std::optional<uint8_t> colorNumberOf(Rgb8 rgb, int emphasis = emphasisNone) const;

    bool isMasterTable() const { return masterTable_; }
    // Whether the eight emphasis sets were read from a file rather than approximated.
    bool hasEmphasisSets() const { return storedSets_; }

    bool operator==(const DisplayColors &) const = default;

private:
    // From 64 colours (the emphasis sets approximated) or 512 (the eight sets as given).
    explicit DisplayColors(std::vector<Rgb8> table, bool masterTable);

    // All eight emphasis sets, set e at 64 * e.
    std::vector<Rgb8> table_;
    bool masterTable_ = true;
    bool storedSets_ = false;
};

// The colours read from a display palette file, or a text saying why there are none.
struct DisplayColorsFile
{
    std::optional<DisplayColors> colors;
    std::string error;

    explicit operator bool() const { return colors.has_value(); }
};

// The display colours and emphasis every view and every written picture of the process uses. They start as the
// master table with no emphasis. Every change calls each observer (on the calling thread, in the order they were
// added); an observer may remove itself or others while being called.
const DisplayColors &currentDisplayColors();
int currentDisplayEmphasis();
void setCurrentDisplayColors(DisplayColors colors);
void setCurrentDisplayEmphasis(int emphasis);
// Back to the master table and no emphasis.
void resetCurrentDisplayColors();

// The colour a palette entry is shown in: an entry holding an NES colour number (0-63) in the current display colours
// and emphasis, any other entry in its own colour.
Color shownColor(const ColorEntry &entry);

// The colour an NES colour number (0-63) is shown in now, as 0xRRGGBB.
uint32_t shownRgb(int64_t colorNumber);

using DisplayColorsObserver = std::function<void()>;
// Returns an id for removeDisplayColorsObserver.
int addDisplayColorsObserver(DisplayColorsObserver observer);
void removeDisplayColorsObserver(int id);

} // namespace mosavo
