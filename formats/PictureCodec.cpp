#include "formats/PictureCodec.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>
#include <QImageWriter>

#include <algorithm>
#include <array>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace mosavo {

namespace {

constexpr std::array<uint8_t, 8> pngSignature = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };

} // namespace

QuietPictureCodec::QuietPictureCodec()
{
#ifdef Q_OS_UNIX
    if (QCoreApplication::instance())
        return;
    std::fflush(stderr);
    const int nothing = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (nothing < 0)
        return;
    savedError_ = ::dup(STDERR_FILENO);
    if (savedError_ >= 0)
        ::dup2(nothing, STDERR_FILENO);
    ::close(nothing);
#endif
}

QuietPictureCodec::~QuietPictureCodec()
{
#ifdef Q_OS_UNIX
    if (savedError_ < 0)
        return;
    std::fflush(stderr);
    ::dup2(savedError_, STDERR_FILENO);
    ::close(savedError_);
#endif
}

QString pictureReadError(const QImageReader &reader)
{
    return reader.error() == QImageReader::UnknownError || reader.errorString().isEmpty()
            || reader.errorString() == QStringLiteral("Unknown error")
        ? QStringLiteral("damaged or cut short")
        : reader.errorString();
}

std::variant<QImage, QString> readPng(const Bytes &png, const std::function<std::optional<QString>(QSize)> &sizeRefusal)
{
    if (png.size() < pngSignature.size() || !std::equal(pngSignature.begin(), pngSignature.end(), png.begin()))
        return QStringLiteral("not a PNG picture (%1 bytes without the PNG signature)").arg(png.size());
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char *>(png.data()), qsizetype(png.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    const QuietPictureCodec quiet;
    QImageReader reader(&buffer, "png");
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty())
        return QStringLiteral("cannot be read as PNG (%1)").arg(pictureReadError(reader));
    if (sizeRefusal)
        if (auto reason = sizeRefusal(size))
            return *reason;
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return QStringLiteral("cannot be read as PNG (%1)").arg(pictureReadError(reader));
    if (image.size() != size)
        return QStringLiteral("cannot be read as PNG (its size changed while it was read)");
    return image;
}

std::variant<Bytes, QString> encodePng(const QImage &image)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    // PNG is built into Qt. Without an application (on the command line), the image format plugins, which Qt would
    // otherwise load one by one to ask whether they write PNG, are left out of the search.
    const bool batch = !QCoreApplication::instance();
    const QStringList paths = batch ? QCoreApplication::libraryPaths() : QStringList();
    if (batch)
        QCoreApplication::setLibraryPaths({});
    QImageWriter writer(&buffer, "png");
    // zlib level 2: a quarter quicker than the default level for a slightly larger file.
    writer.setQuality(70);
    bool written = false;
    {
        const QuietPictureCodec quiet;
        written = writer.write(image);
    }
    if (batch)
        QCoreApplication::setLibraryPaths(paths);
    if (!written)
        return QStringLiteral("cannot be made as PNG (%1)").arg(writer.errorString());
    const auto *first = reinterpret_cast<const uint8_t *>(png.constData());
    return Bytes(first, first + png.size());
}

} // namespace mosavo
