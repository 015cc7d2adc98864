#include "app/FileIO.h"

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
    // Read at most one byte past the limit, in case the file grew after it was measured.
    const QByteArray data = file.read(maximumInputSize + 1);
    if (file.error() != QFileDevice::NoError) {
        result.error = FileError { path, QStringLiteral("cannot be read (%1)").arg(file.errorString()) };
        return result;
    }
    if (data.size() > maximumInputSize) {
        result.error = FileError { path, QStringLiteral("too large (more than %1 bytes)").arg(maximumInputSize) };
        return result;
    }
    result.bytes.assign(data.begin(), data.end());
    return result;
}

std::optional<FileError> writeFileAtomically(const QString &path, const mosavo::Bytes &bytes)
{
    return writeFileAtomically(path, [&bytes](QIODevice &device) -> std::optional<QString> {
        const auto written = device.write(reinterpret_cast<const char *>(bytes.data()), qint64(bytes.size()));
        if (written != qint64(bytes.size()))
            return QStringLiteral("cannot be written (%1)").arg(device.errorString());
        return std::nullopt;
    });
}

std::optional<FileError> writeFileAtomically(const QString &path, const DeviceWriter &write)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
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
