#pragma once

#include "core/Bytes.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>
#include <variant>

class QImageReader;

namespace mosavo {

// Pictures as bytes: the program's one reading and writing of picture files through Qt's image codecs.

// While one lives, on the command line (no QCoreApplication), the PNG library's own error lines ("libpng error: ...")
// do not reach standard error: a picture that cannot be read or written gets the program's one line instead.
class QuietPictureCodec
{
public:
    QuietPictureCodec();
    ~QuietPictureCodec();
    QuietPictureCodec(const QuietPictureCodec &) = delete;
    QuietPictureCodec &operator=(const QuietPictureCodec &) = delete;

private:
    int savedError_ = -1;
};

// Why a reader could not read its picture, in words ("damaged or cut short" where the reader has none).
QString pictureReadError(const QImageReader &reader);

// The picture PNG bytes hold, or why they cannot be read. sizeRefusal (when given) sees the size the header declares
// before the pixels are read, and may refuse it with a reason.
std::variant<QImage, QString> readPng(
    const Bytes &png, const std::function<std::optional<QString>(QSize)> &sizeRefusal = {});

// The picture bytes hold: PNG (through readPng), BMP, GIF (its first frame) or JPEG, told apart by their first bytes;
// or why it cannot be read, naming what the bytes are where that can be told ("not a PNG picture (...): it is a TIFF
// picture; PNG, BMP, GIF and JPEG pictures are read"). sizeRefusal as for readPng.
std::variant<QImage, QString> readPicture(
    const Bytes &bytes, const std::function<std::optional<QString>(QSize)> &sizeRefusal = {});

// The picture as PNG bytes, or why it cannot be made.
std::variant<Bytes, QString> encodePng(const QImage &image);

} // namespace mosavo
