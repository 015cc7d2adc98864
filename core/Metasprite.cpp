#include "core/Metasprite.h"

namespace mosavo {

uint8_t MetaspriteSprite::attributes() const
{
    return uint8_t(((subPalette - 4) & 3) | (behindBackground ? 0x20 : 0) | (flipHorizontally ? 0x40 : 0)
                   | (flipVertically ? 0x80 : 0));
}

void MetaspriteSprite::setAttributes(uint8_t attributes)
{
    subPalette = 4 + (attributes & 3);
    behindBackground = attributes & 0x20;
    flipHorizontally = attributes & 0x40;
    flipVertically = attributes & 0x80;
}

Bytes metaspriteTableBytes(const Metasprite &metasprite)
{
    Bytes bytes;
    bytes.reserve(metasprite.sprites.size() * 4 + 1);
    for (const MetaspriteSprite &sprite : metasprite.sprites) {
        bytes.push_back(uint8_t(int8_t(sprite.x)));
        bytes.push_back(uint8_t(int8_t(sprite.y)));
        bytes.push_back(sprite.tile);
        bytes.push_back(sprite.attributes());
    }
    bytes.push_back(metaspriteTableEnd);
    return bytes;
}

std::array<uint8_t, 256> hiddenOam()
{
    std::array<uint8_t, 256> oam {};
    for (size_t entry = 0; entry < oamEntries; ++entry)
        oam[entry * 4] = oamHiddenY;
    return oam;
}

size_t writeOamSprites(
    std::array<uint8_t, 256> &oam, size_t entry, const Metasprite &metasprite, int x, int y, OamLeftOut &left)
{
    for (const MetaspriteSprite &sprite : metasprite.sprites) {
        const int spriteX = x + sprite.x;
        const int spriteY = y + sprite.y;
        // Y 239 and on would be drawn from line 240 down, below the picture.
        if (spriteX < 0 || spriteX > 255 || spriteY < 0 || spriteY > lastVisibleOamY) {
            ++left.offScreen;
            continue;
        }
        if (entry == oamEntries) {
            ++left.beyondOam;
            continue;
        }
        oam[entry * 4 + 0] = uint8_t(spriteY);
        oam[entry * 4 + 1] = sprite.tile;
        oam[entry * 4 + 2] = sprite.attributes();
        oam[entry * 4 + 3] = uint8_t(spriteX);
        ++entry;
    }
    return entry;
}

std::array<uint8_t, 256> oamBytes(const Metasprite &metasprite, int x, int y, OamLeftOut *leftOut)
{
    std::array<uint8_t, 256> oam = hiddenOam();
    OamLeftOut left;
    writeOamSprites(oam, 0, metasprite, x, y, left);
    if (leftOut)
        *leftOut = left;
    return oam;
}

} // namespace mosavo
