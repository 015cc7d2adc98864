#pragma once

#include "core/FrameRenderer.h"

#include <QImage>

namespace mosavo {

// A frame picture as an RGB image in the current display colours; pixels where nothing was drawn become a grey
// checkerboard of checkerSize-pixel squares.
QImage framePictureImage(const FramePicture &picture, int checkerSize = 8);

// The bounding box of placed sprites (x, y, width, height), empty without sprites.
struct SpriteBox
{
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    bool isEmpty() const { return width <= 0 || height <= 0; }
};
SpriteBox spriteBox(std::span<const PlacedSprite> sprites, int spriteHeight);

} // namespace mosavo
