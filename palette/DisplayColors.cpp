#include "palette/DisplayColors.h"

#include "palette/NESColors.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace mosavo {

namespace {
std::vector<Rgb8> masterTable()
{
    std::vector<Rgb8> table(DisplayColors::colorCount);
    for (size_t i = 0; i < table.size(); ++i) {
        const uint32_t rgb = nesRgb(int64_t(i));
        table[i] = { uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb) };
    }
    return table;
}

uint8_t attenuated(uint8_t channel, int times)
{
    return uint8_t(std::lround(channel * std::pow(DisplayColors::emphasisAttenuation, times)));
}

// The colour under emphasis bits, approximated: each set bit darkens the two channels it does not name; column
// $xE/$xF (blacks the PPU outputs without emphasis) is left alone.
Rgb8 emphasized(Rgb8 color, size_t number, int bits)
{
    if (bits == emphasisNone || (number & 0x0F) >= 0x0E)
        return color;
    const auto timesDarkened = [bits](int channelBit) {
        int times = 0;
        for (int bit : { int(emphasisRed), int(emphasisGreen), int(emphasisBlue) })
            if ((bits & bit) && bit != channelBit)
                ++times;
        return times;
    };
    return { attenuated(color.red, timesDarkened(emphasisRed)), attenuated(color.green, timesDarkened(emphasisGreen)),
        attenuated(color.blue, timesDarkened(emphasisBlue)) };
}
} // namespace

DisplayColors::DisplayColors()
    : DisplayColors(masterTable(), true)
{ }

DisplayColors::DisplayColors(std::vector<Rgb8> table, bool masterTable)
    : table_(std::move(table))
    , masterTable_(masterTable)
    , storedSets_(table_.size() == colorCount * 8)
{
    if (storedSets_)
        return;
    table_.resize(colorCount * 8);
    for (int bits = 1; bits < 8; ++bits)
        for (size_t number = 0; number < colorCount; ++number)
            table_[size_t(bits) * colorCount + number] = emphasized(table_[number], number, bits);
}

DisplayColorsFile DisplayColors::fromFile(const Bytes &bytes)
{
    if (bytes.size() != plainFileSize && bytes.size() != emphasisFileSize)
        return { std::nullopt,
            "a display palette file is 192 bytes (64 RGB colours) or 1536 bytes (8 emphasis sets of 64), not "
                + std::to_string(bytes.size()) + " bytes" };
    std::vector<Rgb8> table(bytes.size() / 3);
    for (size_t i = 0; i < table.size(); ++i)
        table[i] = { bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2] };
    return { DisplayColors(std::move(table), false), {} };
}

Rgb8 DisplayColors::rgb(int colorNumber, int emphasis) const
{
    return table_[size_t(emphasis & emphasisAll) * colorCount + size_t(colorNumber & 0x3F)];
}

uint32_t DisplayColors::rgb24(int colorNumber, int emphasis) const
{
    const Rgb8 c = rgb(colorNumber, emphasis);
    return uint32_t(c.red) << 16 | uint32_t(c.green) << 8 | c.blue;
}

Color DisplayColors::color(int colorNumber, int emphasis) const
{
    const Rgb8 c = rgb(colorNumber, emphasis);
    return Color::fromRgb255(c.red, c.green, c.blue);
}

std::optional<uint8_t> DisplayColors::colorNumberOf(Rgb8 wanted, int emphasis) const
{
    if (rgb(0x0F, emphasis) == wanted)
        return uint8_t(0x0F);
    for (int number = 0; number < int(colorCount); ++number)
        if (number != 0x0D && rgb(number, emphasis) == wanted)
            return uint8_t(number);
    if (rgb(0x0D, emphasis) == wanted)
        return uint8_t(0x0D);
    return std::nullopt;
}

namespace {
struct CurrentDisplay
{
    DisplayColors colors;
    int emphasis = emphasisNone;
    std::vector<std::pair<int, DisplayColorsObserver>> observers;
    int nextId = 1;
};

CurrentDisplay &current()
{
    static CurrentDisplay display;
    return display;
}

void notifyObservers()
{
    // A copy, so an observer may add or remove observers while it is called; one removed meanwhile is not called.
    const auto observers = current().observers;
    for (const auto &[id, observer] : observers) {
        const auto &now = current().observers;
        if (std::any_of(now.begin(), now.end(), [id = id](const auto &entry) { return entry.first == id; }))
            observer();
    }
}
} // namespace

const DisplayColors &currentDisplayColors()
{
    return current().colors;
}

int currentDisplayEmphasis()
{
    return current().emphasis;
}

void setCurrentDisplayColors(DisplayColors colors)
{
    if (colors == current().colors)
        return;
    current().colors = std::move(colors);
    notifyObservers();
}

void setCurrentDisplayEmphasis(int emphasis)
{
    emphasis &= emphasisAll;
    if (emphasis == current().emphasis)
        return;
    current().emphasis = emphasis;
    notifyObservers();
}

void resetCurrentDisplayColors()
{
    if (current().colors.isMasterTable() && current().emphasis == emphasisNone)
        return;
    current().colors = DisplayColors();
    current().emphasis = emphasisNone;
    notifyObservers();
}

Color shownColor(const ColorEntry &entry)
{
    const CurrentDisplay &now = current();
    if ((now.colors.isMasterTable() && now.emphasis == emphasisNone) || entry.colorCode < 0
        || entry.colorCode >= int64_t(DisplayColors::colorCount))
        return entry.color;
    return now.colors.color(int(entry.colorCode), now.emphasis);
}

uint32_t shownRgb(int64_t colorNumber)
{
    return current().colors.rgb24(int(colorNumber & 0x3F), current().emphasis);
}

int addDisplayColorsObserver(DisplayColorsObserver observer)
{
    const int id = current().nextId++;
    current().observers.emplace_back(id, std::move(observer));
    return id;
}

void removeDisplayColorsObserver(int id)
{
    auto &observers = current().observers;
    observers.erase(
        std::remove_if(observers.begin(), observers.end(), [id](const auto &entry) { return entry.first == id; }),
        observers.end());
}

} // namespace mosavo
