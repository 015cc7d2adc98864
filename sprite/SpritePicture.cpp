#include "sprite/SpritePicture.h"

#include "palette/DisplayColors.h"

#include <algorithm>
#include <climits>

namespace mosavo {

QImage framePictureImage(const FramePicture &picture, int checkerSize)
{
    QImage image(picture.width, picture.height, QImage::Format_RGB32);
    const DisplayColors &colors = currentDisplayColors();
    const int emphasis = currentDisplayEmphasis();
    uint32_t table[64];
    for (int i = 0; i < 64; ++i)
        table[i] = 0xFF000000u | colors.rgb24(i, emphasis);
    const int checker = std::max(checkerSize, 1);
    for (int y = 0; y < picture.height; ++y) {
        auto *line = reinterpret_cast<uint32_t *>(image.scanLine(y));
        const uint8_t *row = picture.colors.data() + size_t(y) * size_t(picture.width);
        for (int x = 0; x < picture.width; ++x) {
            const uint8_t color = row[x];
            if (color == FramePicture::transparentColor)
                line[x] = ((x / checker + y / checker) & 1) ? 0xFF9A9A9Au : 0xFFC8C8C8u;
            else
                line[x] = table[color & 0x3F];
        }
    }
    return image;
}

SpriteBox spriteBox(std::span<const PlacedSprite> sprites, int spriteHeight)
{
    if (sprites.empty())
        return {};
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    for (const PlacedSprite &sprite : sprites) {
        left = std::min(left, sprite.x);
        top = std::min(top, sprite.y);
        right = std::max(right, sprite.x + 8);
        bottom = std::max(bottom, sprite.y + spriteHeight);
    }
    return { left, top, right - left, bottom - top };
}

} // namespace mosavo
