#include "core/SpriteLimits.h"

#include <cstdio>

namespace mosavo {

std::vector<PlacedMetaspriteSprite> placeMetasprites(const std::vector<Metasprite> &metasprites,
                                                     const std::vector<MetaspritePlacement> &placements)
{
    std::vector<PlacedMetaspriteSprite> placed;
    for (size_t p = 0; p < placements.size(); ++p) {
        const MetaspritePlacement &placement = placements[p];
        if (placement.metasprite < 0 || size_t(placement.metasprite) >= metasprites.size())
            continue;
        const std::vector<PlacedSprite> sprites
            = placeMetasprite(metasprites[size_t(placement.metasprite)], placement.x, placement.y);
        for (size_t i = 0; i < sprites.size() && placed.size() < oamEntries; ++i) {
            PlacedSprite sprite = sprites[i];
            // Left out as an OAM dump of the placement leaves it out (oamBytes): off the screen.
            if (sprite.x < 0 || sprite.x > 255 || sprite.y < 0 || sprite.y > lastVisibleOamY)
                continue;
            ++sprite.y; // the PPU draws a sprite one line below its OAM Y
            placed.push_back({ sprite, int(p), int(i) });
        }
    }
    return placed;
}

std::string spriteLimitsReport(const std::vector<Metasprite> &metasprites,
                               const std::vector<MetaspritePlacement> &placements, int spriteHeight)
{
    const std::vector<PlacedMetaspriteSprite> placed = placeMetasprites(metasprites, placements);
    std::vector<PlacedSprite> sprites;
    sprites.reserve(placed.size());
    for (const PlacedMetaspriteSprite &entry : placed)
        sprites.push_back(entry.sprite);

    size_t given = 0;
    for (const MetaspritePlacement &placement : placements)
        if (placement.metasprite >= 0 && size_t(placement.metasprite) < metasprites.size())
            given += metasprites[size_t(placement.metasprite)].sprites.size();
    std::string report = std::to_string(placements.size()) + (placements.size() == 1 ? " placement, " : " placements, ")
        + std::to_string(given) + (given == 1 ? " sprite" : " sprites") + ", 8x" + std::to_string(spriteHeight) + ".\n";
    if (given > sprites.size())
        report += std::to_string(given - sprites.size())
            + (given - sprites.size() == 1 ? " sprite is" : " sprites are")
            + " not in OAM (off the screen, X outside 0-255 or Y outside 0-238, or past the 64th) and not counted.\n";
    const std::vector<ScanlineOverflow> overflows
        = scanlineOverflows(sprites, spriteHeight, 0, FramePicture::frameHeight - 1);
    if (overflows.empty())
        return report + "No scanline has more than eight sprites.\n";

    auto describe = [&](int position) {
        const PlacedMetaspriteSprite &entry = placed[size_t(position)];
        const MetaspritePlacement &placement = placements[size_t(entry.placement)];
        char tile[8];
        std::snprintf(tile, sizeof tile, "$%02X", unsigned(entry.sprite.tile));
        return "\"" + metasprites[size_t(placement.metasprite)].name + "\" at " + std::to_string(placement.x) + ", "
            + std::to_string(placement.y) + " sprite " + std::to_string(entry.index) + " (tile " + tile + ")";
    };
    for (size_t i = 0; i < overflows.size();) {
        size_t end = i + 1;
        while (end < overflows.size() && overflows[end].row == overflows[end - 1].row + 1
               && overflows[end].sprites == overflows[i].sprites)
            ++end;
        const ScanlineOverflow &line = overflows[i];
        report += end - i == 1 ? "Scanline " + std::to_string(line.row)
                               : "Scanlines " + std::to_string(line.row) + "-" + std::to_string(overflows[end - 1].row);
        report += ": " + std::to_string(line.sprites.size()) + " sprites, " + std::to_string(line.dropped.size())
            + " not drawn: ";
        for (size_t d = 0; d < line.dropped.size(); ++d)
            report += (d ? "; " : "") + describe(line.dropped[d]);
        report += "\n";
        i = end;
    }
    return report;
}

std::array<uint8_t, 256> oamBytes(
    const std::vector<Metasprite> &metasprites, const std::vector<MetaspritePlacement> &placements, OamLeftOut *leftOut)
{
    std::array<uint8_t, 256> oam = hiddenOam();
    OamLeftOut left;
    size_t entry = 0;
    for (const MetaspritePlacement &placement : placements)
        if (placement.metasprite >= 0 && size_t(placement.metasprite) < metasprites.size())
            entry = writeOamSprites(
                oam, entry, metasprites[size_t(placement.metasprite)], placement.x, placement.y, left);
    if (leftOut)
        *leftOut = left;
    return oam;
}

} // namespace mosavo
