#pragma once

#include "core/Bytes.h"

#include <QString>

#include <optional>

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
// Writes through a temporary file renamed into place: on failure the old file (if any) is left as it was.
std::optional<FileError> writeFileAtomically(const QString &path, const mosavo::Bytes &bytes);

} // namespace kestova
