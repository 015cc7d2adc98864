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

namespace {

bool startsWith(const Bytes &bytes, std::initializer_list<uint8_t> start)
{
    return bytes.size() >= start.size() && std::equal(start.begin(), start.end(), bytes.begin());
}

// The Qt format name of a picture Kestova reads, and its name in messages.
struct PictureKind
{
    const char *format;
    const char *name;
};

std::optional<PictureKind> readableKind(const Bytes &bytes)
{
    if (startsWith(bytes, { 'B', 'M' }) && bytes.size() >= 26)
        return PictureKind { "bmp", "BMP" };
    if (startsWith(bytes, { 'G', 'I', 'F', '8', '7', 'a' }) || startsWith(bytes, { 'G', 'I', 'F', '8', '9', 'a' }))
        return PictureKind { "gif", "GIF" };
    if (startsWith(bytes, { 0xFF, 0xD8, 0xFF }))
        return PictureKind { "jpeg", "JPEG" };
    return std::nullopt;
}

// What a file that is no picture Kestova reads is, where its first bytes tell.
QString otherKind(const Bytes &bytes)
{
    if (startsWith(bytes, { 'I', 'I', '*', 0 }) || startsWith(bytes, { 'M', 'M', 0, '*' }))
        return QStringLiteral("a TIFF picture");
    if (startsWith(bytes, { 'R', 'I', 'F', 'F' }) && bytes.size() >= 12 && bytes[8] == 'W' && bytes[9] == 'E'
        && bytes[10] == 'B' && bytes[11] == 'P')
        return QStringLiteral("a WebP picture");
    if (startsWith(bytes, { 0, 0, 1, 0 }))
        return QStringLiteral("an icon file (ICO)");
    if (startsWith(bytes, { 'q', 'o', 'i', 'f' }))
        return QStringLiteral("a QOI picture");
    if (startsWith(bytes, { '8', 'B', 'P', 'S' }))
        return QStringLiteral("a Photoshop document");
    if (startsWith(bytes, { '%', 'P', 'D', 'F' }))
        return QStringLiteral("a PDF document");
    if (startsWith(bytes, { 0xD9, 0xD9, 0xF7 }))
        return QStringLiteral("a Kestova document");
    if (startsWith(bytes, { 'N', 'E', 'S', 0x1A }))
        return QStringLiteral("an iNES ROM image");
    if (bytes.size() >= 12 && bytes[4] == 'f' && bytes[5] == 't' && bytes[6] == 'y' && bytes[7] == 'p')
        return QStringLiteral("an HEIF or AVIF picture");
    if (startsWith(bytes, { '<' }) || startsWith(bytes, { 0xEF, 0xBB, 0xBF, '<' }))
        return QStringLiteral("a text file (an SVG drawing or another XML file)");
    return {};
}

} // namespace

std::variant<QImage, QString> readPicture(
    const Bytes &bytes, const std::function<std::optional<QString>(QSize)> &sizeRefusal)
{
    const auto kind = readableKind(bytes);
    if (!kind) {
        auto png = readPng(bytes, sizeRefusal);
        if (const auto *reason = std::get_if<QString>(&png);
            reason && reason->startsWith(QStringLiteral("not a PNG"))) {
            const QString other = otherKind(bytes);
            return other.isEmpty()
                ? *reason + QStringLiteral(" nor a BMP, GIF or JPEG picture")
                : *reason + QStringLiteral(": it is %1; PNG, BMP, GIF and JPEG pictures are read").arg(other);
        }
        return png;
    }
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    const QuietPictureCodec quiet;
    QImageReader reader(&buffer, kind->format);
    const QString cannot = QStringLiteral("cannot be read as %1 (%2)").arg(QLatin1String(kind->name));
    if (!reader.canRead())
        return cannot.arg(reader.error() == QImageReader::UnsupportedFormatError
                ? QStringLiteral("this build of Qt has no %1 reader").arg(QLatin1String(kind->name))
                : pictureReadError(reader));
    const QSize size = reader.size();
    if (size.isValid() && size.isEmpty())
        return cannot.arg(QStringLiteral("it declares no pixels"));
    if (sizeRefusal && size.isValid())
        if (auto reason = sizeRefusal(size))
            return *reason;
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return cannot.arg(pictureReadError(reader));
    if (sizeRefusal && !size.isValid())
        if (auto reason = sizeRefusal(image.size()))
            return *reason;
    if (size.isValid() && image.size() != size)
        return cannot.arg(QStringLiteral("its size changed while it was read"));
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
