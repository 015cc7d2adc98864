#include "palette/NESPalette.h"

#include "core/SystemLog.h"
#include "palette/NESColors.h"
#include "palette/Random.h"

namespace mosavo {

ArchiveRecord PaletteBox::encode() const
{
    ArchiveRecord record = makeArchiveRecord("PaletteBox");
    record["Color"] = ArchiveRecord::array({ color.red, color.green, color.blue, color.alpha });
    record["Key"] = key;
    return record;
}

PaletteBox PaletteBox::decode(const ArchiveRecord &record)
{
    const PaletteBox fallback(0, Color {});
    if (!record.is_object())
        return fallback;
    const auto colorField = record.find("Color");
    const auto keyField = record.find("Key");
    if (colorField == record.end() || keyField == record.end() || !keyField->is_number_integer()
        || !colorField->is_array() || colorField->size() < 3)
        return fallback;
    double components[3];
    for (size_t i = 0; i < 3; ++i) {
        const auto &value = (*colorField)[i];
        if (!value.is_number())
            return fallback;
        components[i] = value.get<double>();
    }
    return PaletteBox(keyField->get<int64_t>(), Color { components[0], components[1], components[2], 1.0 });
}

std::shared_ptr<NESPalette> NESPalette::fromData(const Bytes &data)
{
    if (data.size() != 4)
        return nullptr;
    std::vector<ColorEntry> entries;
    for (uint8_t byte : data) {
        const auto color = nesColor(byte);
        if (!color)
            return nullptr;
        entries.push_back({ byte, *color });
    }
    auto palette = std::make_shared<NESPalette>();
    palette->palette_ = std::move(entries);
    return palette;
}

std::optional<std::vector<std::shared_ptr<NESPalette>>> NESPalette::generateArrayOfPalettes(const Bytes &input)
{
    if (input.size() % 4 != 0)
        return std::nullopt;
    std::vector<std::shared_ptr<NESPalette>> palettes;
    for (size_t offset = 0; offset < input.size(); offset += 4) {
        auto palette = fromData(Bytes(input.begin() + offset, input.begin() + offset + 4));
        if (!palette)
            return std::nullopt;
        palettes.push_back(std::move(palette));
    }
    return palettes;
}

ColorEntry NESPalette::randomColor()
{
    const int64_t number = randomUniform(64);
    return { number, *nesColor(number) };
}

const std::vector<ColorEntry> &NESPalette::palette()
{
    if (!palette_) {
        std::vector<ColorEntry> entries;
        for (int64_t i = 0; i < size_; ++i)
            entries.push_back(randomColor());
        palette_ = std::move(entries);
    }
    return *palette_;
}

ArchiveRecord NESPalette::encode() const
{
    ArchiveRecord boxes = ArchiveRecord::array();
    if (palette_)
        for (const ColorEntry &entry : *palette_)
            boxes.push_back(PaletteBox(entry.colorCode, entry.color).encode());
    ArchiveRecord record = makeArchiveRecord("NESPalette");
    record["Palette"] = std::move(boxes);
    return record;
}

std::shared_ptr<NESPalette> NESPalette::decode(const ArchiveRecord &record)
{
    auto palette = std::make_shared<NESPalette>();
    const auto field = record.is_object() ? record.find("Palette") : record.end();
    bool readable = field != record.end() && field->is_array();
    if (readable)
        for (const auto &box : *field)
            readable = readable && box.is_object();
    if (!readable) {
        systemLog("Failed to decode the array of palettes for the NES");
        return palette;
    }
    // A sub-palette saved before its colours were ever drawn stays without colours: it draws them at first display,
    // as a new one does.
    if (field->empty())
        return palette;
    std::vector<ColorEntry> entries;
    for (const auto &boxRecord : *field) {
        // The colour number is what the console reads; a stored display colour that disagrees with it is not kept.
        const PaletteBox box = PaletteBox::decode(boxRecord);
        entries.push_back({ box.key, nesColor(box.key).value_or(box.color) });
    }
    palette->palette_ = std::move(entries);
    return palette;
}

} // namespace mosavo
