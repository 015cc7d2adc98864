#include "app/sprites/SpritePictures.h"

#include "app/document/PictureFiles.h"
#include "formats/PictureCodec.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace kestova {

using namespace mosavo;

std::variant<QImage, QString> spritePicture(const mosavo::Bytes &bytes)
{
    return readPicture(bytes, [](QSize size) -> std::optional<QString> {
        if (size.width() > maximumSpritePictureSide || size.height() > maximumSpritePictureSide)
            return QStringLiteral("the picture is %1x%2 pixels; a sprite picture may be at most %3 pixels a side")
                .arg(size.width())
                .arg(size.height())
                .arg(maximumSpritePictureSide);
        return std::nullopt;
    });
}

std::variant<QImage, FileError> readSpritePicture(const QString &path)
{
    const ReadResult read = readWholeFile(path);
    if (read.error)
        return *read.error;
    auto picture = spritePicture(read.bytes);
    if (auto *reason = std::get_if<QString>(&picture))
        return FileError { path, *reason };
    return std::get<QImage>(std::move(picture));
}

QImage framePictureImage(const mosavo::FramePicture &picture, const mosavo::DisplayColors &colors, int emphasis)
{
    QImage image(picture.width, picture.height, QImage::Format_ARGB32);
    for (int y = 0; y < picture.height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < picture.width; ++x) {
            const uint8_t color = picture.at(x, y);
            line[x] = color == mosavo::FramePicture::transparentColor
                ? qRgba(0, 0, 0, 0)
                : QRgb(0xFF000000u | colors.rgb24(color, emphasis));
        }
    }
    return image;
}

std::optional<FileError> writeFramePicturePng(
    const QString &path, const mosavo::FramePicture &picture, const mosavo::DisplayColors &colors, int emphasis)
{
    return writePngFile(path, framePictureImage(picture, colors, emphasis));
}

} // namespace kestova
