#include "app/document/FileIO.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace kestova {

ReadResult readWholeFile(const QString &path)
{
    ReadResult result;
    const QFileInfo info(path);
    if (!info.exists()) {
        result.error = FileError { path, QStringLiteral("no such file") };
        return result;
    }
    if (info.isDir()) {
        result.error = FileError { path, QStringLiteral("is a folder, not a file") };
        return result;
    }
    if (!info.isFile()) {
        // A device or a pipe: its size says nothing and reading it may never end.
        result.error = FileError { path, QStringLiteral("not a regular file") };
        return result;
    }
    if (info.size() > maximumInputSize) {
        result.error = FileError { path,
            QStringLiteral("too large (%1 bytes; at most %2 are accepted)").arg(info.size()).arg(maximumInputSize) };
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = FileError { path, QStringLiteral("cannot be read (%1)").arg(file.errorString()) };
        return result;
    }
    // Read straight into the bytes (no second copy of a large file): the measured size and one byte more, and only
    // when the file grew after it was measured the rest up to one byte past the limit.
    auto &bytes = result.bytes;
    bytes.resize(size_t(info.size()) + 1);
    qint64 got = 0;
    for (qint64 read = 1; read > 0 && got < qint64(bytes.size());) {
        read = file.read(reinterpret_cast<char *>(bytes.data()) + got, qint64(bytes.size()) - got);
        if (read > 0)
            got += read;
        if (read > 0 && got == qint64(bytes.size()) && got <= maximumInputSize)
            bytes.resize(size_t(maximumInputSize) + 1);
    }
    if (file.error() != QFileDevice::NoError) {
        result.error = FileError { path, QStringLiteral("cannot be read (%1)").arg(file.errorString()) };
        result.bytes.clear();
        return result;
    }
    if (got > maximumInputSize) {
        result.error = FileError { path, QStringLiteral("too large (more than %1 bytes)").arg(maximumInputSize) };
        result.bytes.clear();
        return result;
    }
    bytes.resize(size_t(got));
    return result;
}

std::optional<QString> documentSizeRefusal(size_t size)
{
    if (size <= size_t(maximumInputSize))
        return std::nullopt;
    return QStringLiteral("the document would be %1 bytes, more than the %2 a document may be to be opened again "
                          "(export its tiles as CHR data instead)")
        .arg(size)
        .arg(maximumInputSize);
}

std::optional<FileError> writeFileAtomically(const QString &path, const mosavo::Bytes &bytes)
{
    return writeFileAtomically(path, [&bytes](QIODevice &device) -> std::optional<QString> {
        // A write may stop short (a full disk); the next one then fails and says why.
        const char *next = reinterpret_cast<const char *>(bytes.data());
        qint64 left = qint64(bytes.size());
        while (left > 0) {
            const qint64 written = device.write(next, left);
            if (written <= 0)
                return QStringLiteral("cannot be written (%1)").arg(device.errorString());
            next += written;
            left -= written;
        }
        return std::nullopt;
    });
}

std::optional<FileError> writeFileAtomically(const QString &path, const DeviceWriter &write)
{
    // A folder or a device is never replaced by a file: the atomic rename would put a regular file in its place.
    const QFileInfo target(path);
    if (target.isDir())
        return FileError { path, QStringLiteral("is a folder, not a file") };
    if (target.exists() && !target.isFile())
        return FileError { path, QStringLiteral("is not a regular file (a device or a pipe)") };
    QSaveFile file(path);
    // Unbuffered, so that a write that stops short is seen by the writer: through the device's write buffer the
    // shortfall goes unreported and commit() would put a shortened file in place of the old one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return FileError { path, QStringLiteral("cannot be written (%1)").arg(file.errorString()) };
    if (auto reason = write(file)) {
        file.cancelWriting();
        return FileError { path, *reason };
    }
    if (!file.commit())
        return FileError { path, QStringLiteral("cannot be written (%1)").arg(file.errorString()) };
    return std::nullopt;
}

} // namespace kestova
