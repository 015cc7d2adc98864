#include "core/FrameRenderer.h"

#include <algorithm>
#include <array>

namespace mosavo {

namespace {
constexpr int maxSpritesOnRow = 8;
constexpr uint8_t colorMask = 0x3F;

bool covers(const PlacedSprite &sprite, int row, int height)
{
    return row >= sprite.y && row < sprite.y + height;
}

// Colour index 0-3 of a sprite's pixel (column, line) counted from its top left as drawn, flips applied.
uint8_t spritePixel(const PatternTables &patterns, const PlacedSprite &sprite, const SpriteSettings &settings,
                    int column, int line)
{
    const int height = settings.height();
    if (sprite.attributes & 0x40)
        column = 7 - column;
    if (sprite.attributes & 0x80)
        line = height - 1 - line;
    int tile;
    if (settings.tall) {
        // The tile byte's bit 0 picks the table; the top half is the even tile, the bottom half the next one.
        tile = (sprite.tile & 1) * PatternTables::tilesPerTable + (sprite.tile & 0xFE) + (line >= 8 ? 1 : 0);
        line &= 7;
    } else {
        tile = (settings.patternTable & 1) * PatternTables::tilesPerTable + sprite.tile;
    }
    return patterns.pixel(tile, column, line);
}
} // namespace

FramePicture FramePicture::filled(int width, int height, uint8_t color)
{
    FramePicture picture;
    picture.width = std::max(width, 0);
    picture.height = std::max(height, 0);
    picture.colors.assign(size_t(picture.width) * size_t(picture.height), color);
    picture.backgroundIndices.assign(picture.colors.size(), 0);
    return picture;
}

void renderBackgroundCell(FramePicture &picture, const PatternTables &patterns, const Screen &screen,
                          const PaletteBytes &palette, int column, int row)
{
    if (column < 0 || row < 0 || column >= Screen::columns || row >= Screen::rows
        || picture.width < FramePicture::frameWidth || picture.height < FramePicture::frameHeight)
        return;
    const uint8_t backdrop = palette[0] & colorMask;
    const int tableBase = (screen.patternTable & 1) * PatternTables::tilesPerTable;
    const int tile = tableBase + screen.tileAt(column, row);
    const int subPalette = screen.subPaletteAt(column, row);
    const uint8_t colors[4] = { backdrop, uint8_t(palette[size_t(subPalette * 4 + 1)] & colorMask),
                                uint8_t(palette[size_t(subPalette * 4 + 2)] & colorMask),
                                uint8_t(palette[size_t(subPalette * 4 + 3)] & colorMask) };
    for (int y = 0; y < 8; ++y) {
        const size_t at = size_t((row * 8 + y) * picture.width + column * 8);
        for (int x = 0; x < 8; ++x) {
            const uint8_t index = patterns.pixel(tile, x, y);
            picture.colors[at + size_t(x)] = colors[index];
            picture.backgroundIndices[at + size_t(x)] = index;
        }
    }
}

FramePicture renderBackground(const PatternTables &patterns, const Screen &screen, const PaletteBytes &palette)
{
    FramePicture picture = FramePicture::filled(FramePicture::frameWidth, FramePicture::frameHeight, 0);
    for (int row = 0; row < Screen::rows; ++row)
        for (int column = 0; column < Screen::columns; ++column)
            renderBackgroundCell(picture, patterns, screen, palette, column, row);
    return picture;
}

void drawSprites(FramePicture &picture, const PatternTables &patterns, std::span<const PlacedSprite> sprites,
                 const SpriteSettings &settings, const PaletteBytes &palette)
{
    const int height = settings.height();
    // The first eight sprites in list order on every row of the picture, found sprite by sprite.
    std::vector<std::array<size_t, maxSpritesOnRow>> onRows(size_t(picture.height));
    std::vector<uint8_t> countOnRow(size_t(picture.height), 0);
    for (size_t i = 0; i < sprites.size(); ++i) {
        const int64_t top = std::max<int64_t>(sprites[i].y, 0);
        const int64_t end = std::min<int64_t>(int64_t(sprites[i].y) + height, picture.height);
        for (int64_t row = top; row < end; ++row)
            if (uint8_t &count = countOnRow[size_t(row)]; count < maxSpritesOnRow)
                onRows[size_t(row)][count++] = i;
    }
    // The row that last took each column's sprite pixel: nothing to clear between rows, and only the eight sprites'
    // columns are visited.
    std::vector<int> filledOnRow(size_t(picture.width), -1);
    for (int row = 0; row < picture.height; ++row) {
        const std::span<const size_t> onRow(onRows[size_t(row)].data(), countOnRow[size_t(row)]);
        const size_t at = size_t(row) * size_t(picture.width);
        // The first opaque pixel in list order is the sprite pixel, whatever its priority.
        for (size_t i : onRow) {
            const PlacedSprite &sprite = sprites[i];
            const int line = row - sprite.y;
            const int subPalette = sprite.attributes & 3;
            const bool behind = (sprite.attributes & 0x20) != 0;
            for (int column = 0; column < 8; ++column) {
                const int x = sprite.x + column;
                if (x < 0 || x >= picture.width || filledOnRow[size_t(x)] == row)
                    continue;
                const uint8_t index = spritePixel(patterns, sprite, settings, column, line);
                if (index == 0)
                    continue;
                filledOnRow[size_t(x)] = row;
                if (behind && picture.backgroundIndices[at + size_t(x)] != 0)
                    continue;
                picture.colors[at + size_t(x)] = palette[size_t(16 + subPalette * 4 + index)] & colorMask;
            }
        }
    }
}

std::vector<PlacedSprite> spritesFromOam(std::span<const uint8_t, 256> oam)
{
    std::vector<PlacedSprite> sprites(64);
    for (size_t i = 0; i < 64; ++i) {
        sprites[i].y = oam[i * 4] + 1;
        sprites[i].tile = oam[i * 4 + 1];
        sprites[i].attributes = oam[i * 4 + 2];
        sprites[i].x = oam[i * 4 + 3];
    }
    return sprites;
}

std::vector<PlacedSprite> placeMetasprite(const Metasprite &metasprite, int originX, int originY)
{
    std::vector<PlacedSprite> sprites;
    sprites.reserve(metasprite.sprites.size());
    for (const MetaspriteSprite &sprite : metasprite.sprites)
        sprites.push_back({ originX + sprite.x, originY + sprite.y, sprite.tile, sprite.attributes() });
    return sprites;
}

FramePicture renderFrame(const PatternTables &patterns, const Screen *screen, const std::array<uint8_t, 256> *oam,
                         const SpriteSettings &settings, const PaletteBytes &palette)
{
    FramePicture picture = screen ? renderBackground(patterns, *screen, palette)
                                  : FramePicture::filled(FramePicture::frameWidth, FramePicture::frameHeight,
                                                         palette[0] & colorMask);
    if (oam) {
        const std::vector<PlacedSprite> sprites = spritesFromOam(*oam);
        drawSprites(picture, patterns, sprites, settings, palette);
    }
    return picture;
}

namespace {
// Where the number of sprites covering a row changes, in row order: +1 at a sprite's top row, -1 past its bottom one.
std::vector<std::pair<int64_t, int>> coverChanges(std::span<const PlacedSprite> sprites, int spriteHeight)
{
    std::vector<std::pair<int64_t, int>> changes;
    changes.reserve(sprites.size() * 2);
    for (const PlacedSprite &sprite : sprites) {
        changes.emplace_back(int64_t(sprite.y), 1);
        changes.emplace_back(int64_t(sprite.y) + spriteHeight, -1);
    }
    std::sort(changes.begin(), changes.end());
    return changes;
}
} // namespace

std::vector<ScanlineOverflow> scanlineOverflows(std::span<const PlacedSprite> sprites, int spriteHeight, int firstRow,
                                                int lastRow)
{
    std::vector<ScanlineOverflow> overflows;
    if (spriteHeight <= 0)
        return overflows;
    // Only the rows where more than eight sprites meet are looked at sprite by sprite.
    const auto changes = coverChanges(sprites, spriteHeight);
    int covering = 0;
    for (size_t c = 0; c < changes.size(); ++c) {
        covering += changes[c].second;
        const int64_t from = std::max<int64_t>(changes[c].first, firstRow);
        const int64_t to = c + 1 < changes.size() ? std::min<int64_t>(changes[c + 1].first - 1, lastRow) : from - 1;
        if (covering <= maxSpritesOnRow)
            continue;
        for (int64_t row = from; row <= to; ++row) {
            ScanlineOverflow line;
            line.row = int(row);
            line.sprites.reserve(size_t(covering));
            for (size_t i = 0; i < sprites.size(); ++i)
                if (covers(sprites[i], int(row), spriteHeight))
                    line.sprites.push_back(int(i));
            line.dropped.assign(line.sprites.begin() + maxSpritesOnRow, line.sprites.end());
            overflows.push_back(std::move(line));
        }
    }
    return overflows;
}

int mostSpritesOnOneRow(std::span<const PlacedSprite> sprites, int spriteHeight)
{
    if (spriteHeight <= 0)
        return 0;
    int most = 0;
    int covering = 0;
    // A sprite ending on a row is counted off before one starting on the same row is counted on.
    for (const auto &change : coverChanges(sprites, spriteHeight))
        most = std::max(most, covering += change.second);
    return most;
}

} // namespace mosavo
