#include "formats/ScreenToolSessionReader.h"

#include <cctype>
#include <charconv>
#include <map>

namespace mosavo {

namespace {
using Result = FormatResult<ScreenToolSession>;

constexpr std::string_view sessionMark = "NSTssTXT";
constexpr size_t patternTableSize = 4096;
constexpr size_t largestChr = 16 * patternTableSize;
constexpr size_t metaspriteSize = 256;
constexpr size_t largestMetasprites = 256 * metaspriteSize;
constexpr int defaultGrid = 64;

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

std::optional<int> number(std::string_view text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

using Keys = std::map<std::string_view, std::string_view, std::less<>>;

std::string keyError(std::string_view key, const std::string &reason)
{
    return "the key " + std::string(key) + ": " + reason;
}

// A whole number key, or fallback when it is missing; nothing (the reason in whyNot) when it is not a number.
std::optional<int> numberKey(const Keys &keys, std::string_view key, int fallback, std::string *whyNot)
{
    const auto found = keys.find(key);
    if (found == keys.end())
        return fallback;
    auto value = number(found->second);
    if (!value)
        *whyNot = keyError(key, "\"" + std::string(found->second) + "\" is not a whole number");
    return value;
}
} // namespace

std::optional<Bytes> ScreenToolSessionReader::decodeBytes(std::string_view value, size_t limit, std::string *whyNot)
{
    auto refuse = [whyNot](std::string reason) -> std::optional<Bytes> {
        if (whyNot)
            *whyNot = std::move(reason);
        return std::nullopt;
    };
    const std::string tooMany = "it holds more than " + std::to_string(limit) + " bytes";
    Bytes out;
    size_t at = 0;
    while (at < value.size()) {
        if (value[at] == '[') {
            if (out.empty())
                return refuse("the count at character " + std::to_string(at) + " follows no byte");
            const size_t close = value.find(']', at);
            if (close == std::string_view::npos)
                return refuse("the count at character " + std::to_string(at) + " is not closed with ]");
            const std::string_view digits = value.substr(at + 1, close - at - 1);
            if (digits.empty() || digits.size() > 8)
                return refuse("the count at character " + std::to_string(at) + " is not a hex number");
            size_t count = 0;
            for (char c : digits) {
                const int digit = hexDigit(c);
                if (digit < 0)
                    return refuse("the count at character " + std::to_string(at) + " is not a hex number");
                count = count * 16 + size_t(digit);
            }
            if (count == 0)
                return refuse(
                    "the count at character " + std::to_string(at) + " is 0; the byte before it counts as one");
            // The byte before the count is one of its count copies.
            if (count - 1 > limit - out.size())
                return refuse(tooMany);
            out.insert(out.end(), count - 1, out.back());
            at = close + 1;
            continue;
        }
        const int high = hexDigit(value[at]);
        const int low = at + 1 < value.size() ? hexDigit(value[at + 1]) : -1;
        if (high < 0 || low < 0)
            return refuse("character " + std::to_string(high < 0 ? at : at + 1) + " is not a hex digit of a byte");
        if (out.size() >= limit)
            return refuse(tooMany);
        out.push_back(uint8_t(high * 16 + low));
        at += 2;
    }
    return out;
}

FormatResult<ScreenToolSession> ScreenToolSessionReader::read(const Bytes &bytes)
{
    const std::string_view text(reinterpret_cast<const char *>(bytes.data()), bytes.size());
    if (text.substr(0, sessionMark.size()) != sessionMark)
        return Result::failure("it is not a text session of the screen tool: it does not start with NSTssTXT");

    Keys keys;
    for (size_t lineStart = 0; lineStart < text.size();) {
        size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string_view::npos)
            lineEnd = text.size();
        const std::string_view line = trimmed(text.substr(lineStart, lineEnd - lineStart));
        lineStart = lineEnd + 1;
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        keys.emplace(trimmed(line.substr(0, equals)), trimmed(line.substr(equals + 1)));
    }

    std::string why;
    auto bytesOf = [&](std::string_view key, size_t limit, bool required) -> std::optional<Bytes> {
        const auto found = keys.find(key);
        if (found == keys.end()) {
            if (required)
                why = "the session has no key " + std::string(key);
            return std::nullopt;
        }
        auto decoded = decodeBytes(found->second, limit, &why);
        if (!decoded)
            why = keyError(key, why);
        return decoded;
    };

    ScreenToolSession session;
    auto chr = bytesOf("CHRMain", largestChr, true);
    if (!chr)
        return Result::failure(why);
    if (chr->empty() || chr->size() % patternTableSize != 0)
        return Result::failure(keyError("CHRMain",
            "it holds " + std::to_string(chr->size()) + " bytes, not whole 4 KiB pattern tables (4096 bytes each)"));
    session.tiles = std::move(*chr);

    auto palette = bytesOf("Palette", 64, true);
    if (!palette)
        return Result::failure(why);
    if (palette->size() != 16 && palette->size() != 64)
        return Result::failure(keyError("Palette",
            "it holds " + std::to_string(palette->size()) + " bytes, not 16 (four sub-palettes) or 64 (four sets)"));
    const auto bank = numberKey(keys, "VarPalBank", 0, &why);
    if (!bank)
        return Result::failure(why);
    if (*bank < 0 || size_t(*bank) * 16 >= palette->size())
        return Result::failure(keyError("VarPalBank",
            "the palette set " + std::to_string(*bank) + " is not one of the " + std::to_string(palette->size() / 16)
                + " the Palette holds"));
    for (size_t i = 0; i < 16; ++i) {
        const uint8_t colour = (*palette)[size_t(*bank) * 16 + i];
        if (colour > 0x3F)
            return Result::failure(keyError("Palette",
                "byte " + std::to_string(size_t(*bank) * 16 + i) + " ($"
                    + std::string(1, "0123456789abcdef"[colour >> 4]) + std::string(1, "0123456789abcdef"[colour & 15])
                    + ") is not an NES colour number ($00-$3F)"));
        session.palette[i] = colour;
        session.palette[i + 16] = colour;
    }

    const auto width = numberKey(keys, "VarNameW", Screen::columns, &why);
    const auto height = numberKey(keys, "VarNameH", Screen::rows, &why);
    if (!width || !height)
        return Result::failure(why);
    if (*width != Screen::columns || *height != Screen::rows)
        return Result::failure(keyError("NameTable",
            "the map is " + std::to_string(*width) + " x " + std::to_string(*height)
                + " tiles (VarNameW x VarNameH); only a screen of 32 x 30 is read"));
    auto names = bytesOf("NameTable", size_t(Screen::tileCount), true);
    if (!names)
        return Result::failure(why);
    if (names->size() != size_t(Screen::tileCount))
        return Result::failure(
            keyError("NameTable", "it holds " + std::to_string(names->size()) + " tile numbers, not 960 (32 x 30)"));
    std::copy(names->begin(), names->end(), session.screen.tiles.begin());
    if (keys.count("AttrTable")) {
        auto attributes = bytesOf("AttrTable", size_t(Screen::attributeCount), false);
        if (!attributes)
            return Result::failure(why);
        if (attributes->size() != size_t(Screen::attributeCount))
            return Result::failure(
                keyError("AttrTable", "it holds " + std::to_string(attributes->size()) + " bytes, not 64"));
        std::copy(attributes->begin(), attributes->end(), session.screen.attributes.begin());
    }

    const auto tall = numberKey(keys, "BtnSprite8x16", 0, &why);
    const auto secondTable = numberKey(keys, "BtnChrBank2", 0, &why);
    if (!tall || !secondTable)
        return Result::failure(why);
    const int table = *secondTable == 1 ? 1 : 0;
    if (session.tiles.size() < size_t(table + 1) * patternTableSize)
        return Result::failure(
            keyError("BtnChrBank2", "the screen reads pattern table 1, but CHRMain holds one table"));
    session.screen.patternTable = table;
    session.sprites.tall = *tall == 1;
    session.sprites.patternTable = table;

    if (keys.count("MetaSprites")) {
        auto sprites = bytesOf("MetaSprites", largestMetasprites, false);
        if (!sprites)
            return Result::failure(why);
        if (sprites->size() % metaspriteSize != 0)
            return Result::failure(keyError("MetaSprites",
                "it holds " + std::to_string(sprites->size()) + " bytes, not whole metasprites of 256 bytes"));
        const auto gridX = numberKey(keys, "VarSpriteGridX", defaultGrid, &why);
        const auto gridY = numberKey(keys, "VarSpriteGridY", defaultGrid, &why);
        if (!gridX || !gridY)
            return Result::failure(why);
        for (size_t m = 0; m < sprites->size() / metaspriteSize; ++m) {
            const std::string nameKey = "MetaSprite" + std::to_string(m);
            const auto named = keys.find(nameKey);
            Metasprite metasprite { named != keys.end() && !named->second.empty() ? std::string(named->second)
                                                                                  : "metasprite_" + std::to_string(m),
                {} };
            for (size_t s = 0; s < 64; ++s) {
                const uint8_t *entry = sprites->data() + m * metaspriteSize + s * 4;
                if (entry[0] == 0xFF)
                    continue;
                MetaspriteSprite sprite;
                sprite.x = int(entry[3]) - *gridX;
                sprite.y = int(entry[0]) - *gridY;
                if (sprite.x < -128 || sprite.x > 127 || sprite.y < -128 || sprite.y > 127)
                    return Result::failure(keyError("MetaSprites",
                        "sprite " + std::to_string(s) + " of metasprite " + std::to_string(m) + " lies at ("
                            + std::to_string(sprite.x) + ", " + std::to_string(sprite.y)
                            + ") from its origin; an offset is -128..127"));
                sprite.tile = entry[1];
                sprite.setAttributes(entry[2]);
                metasprite.sprites.push_back(sprite);
            }
            if (!metasprite.sprites.empty())
                session.metasprites.push_back(std::move(metasprite));
        }
    }
    return Result::success(std::move(session));
}

} // namespace mosavo
