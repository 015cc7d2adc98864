#pragma once

#include "core/Archive.h"
#include "core/Bytes.h"
#include "palette/PaletteProtocol.h"

#include <optional>

namespace mosavo {

// One archived colour entry of a sub-palette.
class PaletteBox
{
public:
    PaletteBox(int64_t key, Color color)
        : key(key)
        , color(color)
    { }

    int64_t key;
    Color color;

    // {"$class": "PaletteBox", "Color": [r, g, b, a], "Key": key}
    ArchiveRecord encode() const;
    // Never fails: a record without a usable "Color" list of at least three numbers or an integer "Key" restores as
    // key 0, black. The stored alpha is ignored (colours are opaque).
    static PaletteBox decode(const ArchiveRecord &record);
};

// One four-colour NES sub-palette. Until its colours are first read, written or restored, it has none; the first read
// then draws size() random master colours and keeps them.
class NESPalette : public PaletteProtocol
{
public:
    NESPalette() = default;
    // Four master colour numbers (0x00-0x3F); nothing for any other length or value.
    static std::shared_ptr<NESPalette> fromData(const Bytes &data);
    // One palette per 4 bytes; nothing when the length is not a multiple of 4 or any palette fails.
    static std::optional<std::vector<std::shared_ptr<NESPalette>>> generateArrayOfPalettes(const Bytes &input);
    // A uniformly drawn master colour.
    static ColorEntry randomColor();

    int64_t size() const override { return size_; }
    void setSize(int64_t size) { size_ = size; }
    const std::vector<ColorEntry> &palette() override;
    void setPalette(std::vector<ColorEntry> entries) override { palette_ = std::move(entries); }
    bool hasColors() const { return palette_.has_value(); }

    // {"$class": "NESPalette", "Palette": [PaletteBox...]}; a palette without colours writes an empty list and draws
    // none.
    ArchiveRecord encode() const;
    // Never fails; without a readable "Palette" list it logs and stays without colours; an empty list also leaves it
    // without colours (they are drawn at first read).
    static std::shared_ptr<NESPalette> decode(const ArchiveRecord &record);

private:
    int64_t size_ = 4;
    std::optional<std::vector<ColorEntry>> palette_;
};

} // namespace mosavo
