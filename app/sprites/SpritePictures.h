#pragma once

#include "app/document/FileIO.h"
#include "app/document/PictureFiles.h"
#include "core/Bytes.h"
#include "core/FrameRenderer.h"
#include "palette/DisplayColors.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

namespace kestova {

// Pictures in and out of the sprite features, for the command line and the window alike.

// The largest side of a picture read for sprites (a metasprite spans at most 256 pixels from its origin).
inline constexpr int maximumSpritePictureSide = 4096;


// A picture (PNG, BMP, GIF or JPEG, by readPicture) from bytes, or the reason it is not one (not a picture Kestova
// reads, unreadable, a side above maximumSpritePictureSide).
std::variant<QImage, QString> spritePicture(const mosavo::Bytes &bytes);
// The same for a file.
std::variant<QImage, FileError> readSpritePicture(const QString &path);

// A frame picture in the colours of its colour numbers under the display colours (ARGB32); colour numbers
// FramePicture::transparentColor are fully transparent.
QImage framePictureImage(
    const mosavo::FramePicture &picture, const mosavo::DisplayColors &colors, int emphasis = mosavo::emphasisNone);
// That picture written as PNG to path, through a temporary file.
std::optional<FileError> writeFramePicturePng(const QString &path, const mosavo::FramePicture &picture,
    const mosavo::DisplayColors &colors, int emphasis = mosavo::emphasisNone);

} // namespace kestova
