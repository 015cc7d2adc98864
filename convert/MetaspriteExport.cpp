#include "convert/MetaspriteExport.h"

#include <algorithm>
#include <climits>

namespace mosavo {

std::optional<std::string> metaspriteTablesError(const std::vector<Metasprite> &metasprites)
{
    if (metasprites.empty())
        return "there are no metasprites";
    for (size_t m = 0; m < metasprites.size(); ++m)
        for (size_t s = 0; s < metasprites[m].sprites.size(); ++s)
            if (metasprites[m].sprites[s].x == -128)
                return "sprite " + std::to_string(s) + " of metasprite " + std::to_string(m) + " (\""
                    + metasprites[m].name + "\") has the x offset -128, which its table would read as the end byte 128";
    return std::nullopt;
}

std::optional<Bytes> metaspriteTablesBinary(const std::vector<Metasprite> &metasprites, std::string *whyNot)
{
    if (auto error = metaspriteTablesError(metasprites)) {
        if (whyNot)
            *whyNot = *error;
        return std::nullopt;
    }
    Bytes bytes;
    for (const Metasprite &metasprite : metasprites) {
        const Bytes table = metaspriteTableBytes(metasprite);
        bytes.insert(bytes.end(), table.begin(), table.end());
    }
    return bytes;
}

std::vector<std::string> metaspriteTableLabels(const std::vector<Metasprite> &metasprites)
{
    std::vector<std::string> names;
    names.reserve(metasprites.size());
    for (const Metasprite &metasprite : metasprites)
        names.push_back(metasprite.name);
    return sourceIdentifiers(names);
}

std::string metaspriteSpriteComment(size_t index, const MetaspriteSprite &sprite)
{
    std::string text = "sprite " + std::to_string(index) + " at (" + std::to_string(sprite.x) + ", "
        + std::to_string(sprite.y) + "): sub-palette " + std::to_string(sprite.subPalette);
    if (sprite.flipHorizontally && sprite.flipVertically)
        text += ", flipped both ways";
    else if (sprite.flipHorizontally)
        text += ", flipped horizontally";
    else if (sprite.flipVertically)
        text += ", flipped vertically";
    text += sprite.behindBackground ? ", behind the background" : ", in front of the background";
    return text;
}

namespace {
const char hexDigits[] = "0123456789ABCDEF";

std::string hexByte(uint8_t value, std::string_view prefix)
{
    std::string out(prefix);
    out += hexDigits[value >> 4];
    out += hexDigits[value & 0x0F];
    return out;
}

// Rows of labels, eight a row, each row starting with lineStart. In C the list runs on across rows; in ca65 each
// row is a directive of its own, so no row ends with a comma.
void appendLabels(std::string &out, const std::vector<std::string> &labels, std::string_view lineStart, bool cStyle)
{
    constexpr size_t perRow = 8;
    for (size_t row = 0; row < labels.size(); row += perRow) {
        out += lineStart;
        const size_t end = std::min(labels.size(), row + perRow);
        for (size_t i = row; i < end; ++i) {
            if (i > row)
                out += ' ';
            out += labels[i];
            if (cStyle ? i + 1 < labels.size() : i + 1 < end)
                out += ',';
        }
        out += '\n';
    }
}
} // namespace

SourceResult metaspriteTablesSource(
    std::string_view name, const std::vector<Metasprite> &metasprites, SourceLanguage language)
{
    if (auto error = sourceNameError(name, language))
        return { std::nullopt, *error };
    if (auto error = metaspriteTablesError(metasprites))
        return { std::nullopt, *error };
    const std::vector<std::string> labels = metaspriteTableLabels(metasprites);
    for (size_t i = 0; i < labels.size(); ++i)
        if (labels[i] == name)
            return { std::nullopt,
                "metasprite " + std::to_string(i) + " (\"" + metasprites[i].name + "\") would be named " + labels[i]
                    + ", as the address table is: give the table another name" };

    const bool ca65 = language == SourceLanguage::ca65;
    std::string out;
    if (ca65) {
        out += "; Metasprite tables: for each sprite its x offset, y offset, tile and attributes, then the byte $80.\n";
        std::vector<std::string> exported = { std::string(name) };
        exported.insert(exported.end(), labels.begin(), labels.end());
        appendLabels(out, exported, ".export ", false);
    } else {
        out += "// Metasprite tables: for each sprite its x offset, y offset, tile and attributes, then the byte "
               "128.\n";
    }
    for (size_t m = 0; m < metasprites.size(); ++m) {
        out += ca65 ? labels[m] + ":\n" : "const unsigned char " + labels[m] + "[] = {\n";
        const auto &sprites = metasprites[m].sprites;
        for (size_t s = 0; s < sprites.size(); ++s) {
            const uint8_t values[4]
                = { uint8_t(sprites[s].x), uint8_t(sprites[s].y), sprites[s].tile, sprites[s].attributes() };
            out += ca65 ? "    .byte " : "    ";
            for (size_t v = 0; v < 4; ++v) {
                if (v > 0)
                    out += ca65 ? "," : ", ";
                out += hexByte(values[v], ca65 ? "$" : "0x");
            }
            out += ca65 ? " ; " : ", // ";
            out += metaspriteSpriteComment(s, sprites[s]);
            out += '\n';
        }
        out += ca65 ? "    .byte $80\n" : "    0x80\n};\n";
    }
    if (ca65) {
        out += std::string(name) + ":\n";
        appendLabels(out, labels, "    .word ", false);
    } else {
        out += "const unsigned char* const " + std::string(name) + "[] = {\n";
        appendLabels(out, labels, "    ", true);
        out += "};\n";
    }
    return { std::move(out), {} };
}

SpriteBounds metaspriteBounds(const Metasprite &metasprite, int spriteHeight)
{
    if (metasprite.sprites.empty())
        return {};
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    for (const MetaspriteSprite &sprite : metasprite.sprites) {
        left = std::min(left, sprite.x);
        top = std::min(top, sprite.y);
        right = std::max(right, sprite.x + 8);
        bottom = std::max(bottom, sprite.y + spriteHeight);
    }
    return { left, top, right - left, bottom - top };
}

FramePicture metaspritePicture(const PatternTables &patterns, const Metasprite &metasprite,
    const SpriteSettings &settings, const PaletteBytes &palette, int width, int height, int originX, int originY)
{
    FramePicture picture = FramePicture::filled(width, height, FramePicture::transparentColor);
    const std::vector<PlacedSprite> sprites = placeMetasprite(metasprite, originX, originY);
    drawSprites(picture, patterns, sprites, settings, palette);
    return picture;
}

} // namespace mosavo
