#include "formats/MetaspriteTableReader.h"

namespace mosavo {

namespace {
int signedByte(uint8_t value)
{
    return value < 128 ? int(value) : int(value) - 256;
}
} // namespace

MetaspriteSprite MetaspriteTableReader::sprite(uint8_t x, uint8_t y, uint8_t tile, uint8_t attributes)
{
    MetaspriteSprite sprite;
    sprite.x = signedByte(x);
    sprite.y = signedByte(y);
    sprite.tile = tile;
    sprite.setAttributes(attributes);
    return sprite;
}

std::optional<Metasprite> MetaspriteTableReader::read(
    const std::vector<int> &values, const std::string &name, const std::string &what, std::string *whyNot)
{
    auto refuse = [whyNot](std::string reason) -> std::optional<Metasprite> {
        if (whyNot)
            *whyNot = std::move(reason);
        return std::nullopt;
    };
    for (size_t i = 0; i < values.size(); ++i)
        if (values[i] < -128 || values[i] > 255)
            return refuse(what + ": value " + std::to_string(i) + " (" + std::to_string(values[i])
                + ") is not a byte: a table holds -128..255");

    Metasprite metasprite { name, {} };
    size_t at = 0;
    while (true) {
        if (at >= values.size())
            return refuse(what + " ends without the byte 128 that ends a metasprite");
        const auto x = uint8_t(values[at]);
        if (x == metaspriteTableEnd)
            break;
        if (values.size() - at < 4)
            return refuse(what + " ends inside sprite " + std::to_string(metasprite.sprites.size())
                + ": a sprite is four values (x, y, tile, attributes)");
        metasprite.sprites.push_back(
            sprite(x, uint8_t(values[at + 1]), uint8_t(values[at + 2]), uint8_t(values[at + 3])));
        at += 4;
    }
    if (at + 1 != values.size())
        return refuse(what + " has " + std::to_string(values.size() - at - 1)
            + " values after the byte 128 that ends its metasprite");
    return metasprite;
}

} // namespace mosavo
