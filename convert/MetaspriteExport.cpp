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

SourceResult metaspriteTablesSource(
    std::string_view name, const std::vector<Metasprite> &metasprites, SourceLanguage language)
{
    if (auto error = sourceNameError(name, language))
        return { std::nullopt, *error };
    if (auto error = metaspriteTablesError(metasprites))
        return { std::nullopt, *error };
    std::vector<Bytes> entries;
    for (const Metasprite &metasprite : metasprites)
        entries.push_back(metaspriteTableBytes(metasprite));
    return tableSource(name, entries, language);
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
