#include "core/GraphicsArchive.h"

#include <algorithm>

namespace mosavo {

namespace {
bool fail(std::string *whyNot, std::string reason)
{
    if (whyNot)
        *whyNot = std::move(reason);
    return false;
}

bool readName(const ArchiveRecord &record, std::string &name, std::string *whyNot)
{
    const auto field = record.find("Name");
    if (field == record.end() || !field->is_string() || field->get_ref<const std::string &>().size() > maximumNameBytes)
        return fail(whyNot, "its name is missing or not a short text");
    name = field->get<std::string>();
    return true;
}

bool readInteger(const ArchiveRecord &record, const char *key, int64_t low, int64_t high, int64_t &value,
                 std::string *whyNot)
{
    const auto field = record.find(key);
    if (field == record.end() || !field->is_number_integer())
        return fail(whyNot, std::string("its \"") + key + "\" is missing or not a whole number");
    value = field->get<int64_t>();
    if (value < low || value > high)
        return fail(whyNot, std::string("its \"") + key + "\" is outside " + std::to_string(low) + "-"
                                + std::to_string(high));
    return true;
}

template <size_t N>
bool readBytes(const ArchiveRecord &record, const char *key, std::array<uint8_t, N> &out, std::string *whyNot)
{
    const auto field = record.find(key);
    if (field == record.end() || !field->is_binary() || field->get_binary().size() != N)
        return fail(whyNot, std::string("its \"") + key + "\" is not " + std::to_string(N) + " bytes");
    std::copy_n(field->get_binary().begin(), N, out.begin());
    return true;
}

template <typename T, typename Decode>
std::optional<std::vector<T>> decodeList(const ArchiveRecord &list, const char *what, std::string *whyNot,
                                         Decode decode)
{
    if (!list.is_array()) {
        fail(whyNot, std::string("its ") + what + " are not a list");
        return std::nullopt;
    }
    std::vector<T> result;
    result.reserve(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        std::string reason;
        auto item = decode(list[i], &reason);
        if (!item) {
            fail(whyNot, std::string(what) + " " + std::to_string(i) + ": " + reason);
            return std::nullopt;
        }
        result.push_back(std::move(*item));
    }
    return result;
}
} // namespace

ArchiveRecord encodeScreen(const Screen &screen)
{
    ArchiveRecord record = makeArchiveRecord("Screen");
    record["Name"] = screen.name;
    record["PatternTable"] = screen.patternTable;
    record["Tiles"] = ArchiveRecord::binary(Bytes(screen.tiles.begin(), screen.tiles.end()));
    record["Attributes"] = ArchiveRecord::binary(Bytes(screen.attributes.begin(), screen.attributes.end()));
    return record;
}

std::optional<Screen> decodeScreen(const ArchiveRecord &record, std::string *whyNot)
{
    if (!record.is_object()) {
        fail(whyNot, "it is not a record");
        return std::nullopt;
    }
    Screen screen;
    int64_t table = 0;
    if (!readName(record, screen.name, whyNot) || !readInteger(record, "PatternTable", 0, 1, table, whyNot)
        || !readBytes(record, "Tiles", screen.tiles, whyNot) || !readBytes(record, "Attributes", screen.attributes, whyNot))
        return std::nullopt;
    screen.patternTable = int(table);
    return screen;
}

ArchiveRecord encodeMetasprite(const Metasprite &metasprite)
{
    ArchiveRecord record = makeArchiveRecord("Metasprite");
    record["Name"] = metasprite.name;
    ArchiveRecord sprites = ArchiveRecord::array();
    for (const MetaspriteSprite &sprite : metasprite.sprites) {
        ArchiveRecord entry = makeArchiveRecord("MetaspriteSprite");
        entry["X"] = sprite.x;
        entry["Y"] = sprite.y;
        entry["Tile"] = sprite.tile;
        entry["Attributes"] = sprite.attributes();
        sprites.push_back(std::move(entry));
    }
    record["Sprites"] = std::move(sprites);
    return record;
}

std::optional<Metasprite> decodeMetasprite(const ArchiveRecord &record, std::string *whyNot)
{
    if (!record.is_object()) {
        fail(whyNot, "it is not a record");
        return std::nullopt;
    }
    Metasprite metasprite;
    if (!readName(record, metasprite.name, whyNot))
        return std::nullopt;
    const auto sprites = record.find("Sprites");
    if (sprites == record.end() || !sprites->is_array()) {
        fail(whyNot, "its sprites are not a list");
        return std::nullopt;
    }
    for (size_t i = 0; i < sprites->size(); ++i) {
        const ArchiveRecord &entry = (*sprites)[i];
        std::string reason;
        int64_t x = 0, y = 0, tile = 0, attributes = 0;
        if (!entry.is_object() || !readInteger(entry, "X", -128, 127, x, &reason)
            || !readInteger(entry, "Y", -128, 127, y, &reason) || !readInteger(entry, "Tile", 0, 255, tile, &reason)
            || !readInteger(entry, "Attributes", 0, 255, attributes, &reason)) {
            fail(whyNot, "sprite " + std::to_string(i) + ": " + (reason.empty() ? "it is not a record" : reason));
            return std::nullopt;
        }
        MetaspriteSprite sprite;
        sprite.x = int(x);
        sprite.y = int(y);
        sprite.tile = uint8_t(tile);
        sprite.setAttributes(uint8_t(attributes));
        metasprite.sprites.push_back(sprite);
    }
    return metasprite;
}

ArchiveRecord encodeAnimation(const Animation &animation)
{
    ArchiveRecord record = makeArchiveRecord("Animation");
    record["Name"] = animation.name;
    ArchiveRecord frames = ArchiveRecord::array();
    for (const AnimationFrame &frame : animation.frames) {
        ArchiveRecord entry = makeArchiveRecord("AnimationFrame");
        entry["Metasprite"] = frame.metasprite;
        entry["Duration"] = frame.duration;
        frames.push_back(std::move(entry));
    }
    record["Frames"] = std::move(frames);
    return record;
}

std::optional<Animation> decodeAnimation(const ArchiveRecord &record, size_t metaspriteCount, std::string *whyNot)
{
    if (!record.is_object()) {
        fail(whyNot, "it is not a record");
        return std::nullopt;
    }
    Animation animation;
    if (!readName(record, animation.name, whyNot))
        return std::nullopt;
    const auto frames = record.find("Frames");
    if (frames == record.end() || !frames->is_array()) {
        fail(whyNot, "its frames are not a list");
        return std::nullopt;
    }
    for (size_t i = 0; i < frames->size(); ++i) {
        const ArchiveRecord &entry = (*frames)[i];
        std::string reason;
        int64_t metasprite = 0, duration = 0;
        if (metaspriteCount == 0) {
            fail(whyNot, "frame " + std::to_string(i) + ": the document has no metasprites");
            return std::nullopt;
        }
        if (!entry.is_object() || !readInteger(entry, "Metasprite", 0, int64_t(metaspriteCount) - 1, metasprite, &reason)
            || !readInteger(entry, "Duration", 1, 65535, duration, &reason)) {
            fail(whyNot, "frame " + std::to_string(i) + ": " + (reason.empty() ? "it is not a record" : reason));
            return std::nullopt;
        }
        animation.frames.push_back({ int(metasprite), int(duration) });
    }
    return animation;
}

ArchiveRecord encodeScreens(const std::vector<Screen> &screens)
{
    ArchiveRecord list = ArchiveRecord::array();
    for (const Screen &screen : screens)
        list.push_back(encodeScreen(screen));
    return list;
}

std::optional<std::vector<Screen>> decodeScreens(const ArchiveRecord &list, std::string *whyNot)
{
    return decodeList<Screen>(list, "screen", whyNot,
                              [](const ArchiveRecord &r, std::string *why) { return decodeScreen(r, why); });
}

ArchiveRecord encodeMetasprites(const std::vector<Metasprite> &metasprites)
{
    ArchiveRecord list = ArchiveRecord::array();
    for (const Metasprite &metasprite : metasprites)
        list.push_back(encodeMetasprite(metasprite));
    return list;
}

std::optional<std::vector<Metasprite>> decodeMetasprites(const ArchiveRecord &list, std::string *whyNot)
{
    return decodeList<Metasprite>(list, "metasprite", whyNot,
                                  [](const ArchiveRecord &r, std::string *why) { return decodeMetasprite(r, why); });
}

ArchiveRecord encodeAnimations(const std::vector<Animation> &animations)
{
    ArchiveRecord list = ArchiveRecord::array();
    for (const Animation &animation : animations)
        list.push_back(encodeAnimation(animation));
    return list;
}

std::optional<std::vector<Animation>> decodeAnimations(const ArchiveRecord &list, size_t metaspriteCount,
                                                       std::string *whyNot)
{
    return decodeList<Animation>(list, "animation", whyNot, [metaspriteCount](const ArchiveRecord &r, std::string *why) {
        return decodeAnimation(r, metaspriteCount, why);
    });
}

} // namespace mosavo
