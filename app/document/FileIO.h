#pragma once

#include "core/Bytes.h"

#include <QString>

#include <functional>
#include <optional>

class QIODevice;

namespace kestova {

// Largest input file any reader accepts; larger files are refused before they are read.
constexpr qint64 maximumInputSize = 64 * 1024 * 1024;

// The outcome of a file operation: on failure, the file's path and a short reason.
struct FileError
{
    QString path;
    QString reason;
    // "PATH: reason"
    QString describe() const { return path + QStringLiteral(": ") + reason; }
};

struct ReadResult
{
    mosavo::Bytes bytes;
    std::optional<FileError> error;
};

// Reads a whole regular file of at most maximumInputSize bytes.
ReadResult readWholeFile(const QString &path);
// Why a document of this many bytes is not written (a file larger than maximumInputSize could not be opened again),
// or nothing.
std::optional<QString> documentSizeRefusal(size_t size);
// Writes through a temporary file renamed into place: on failure the old file (if any) is left as it was.
std::optional<FileError> writeFileAtomically(const QString &path, const mosavo::Bytes &bytes);
// The same for content that is produced while it is written (such as an encoded picture): write puts it on the
// device and returns a reason when it fails, in which case nothing is replaced.
using DeviceWriter = std::function<std::optional<QString>(QIODevice &device)>;
std::optional<FileError> writeFileAtomically(const QString &path, const DeviceWriter &write);

} // namespace kestova
