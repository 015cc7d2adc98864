#pragma once

#include <QString>

#include <cstdint>

namespace kestova {

// A count with its noun for messages: "1 tile", "2 tiles", "0 tiles".
inline QString counted(int64_t count, const QString &one, const QString &many)
{
    return QStringLiteral("%1 %2").arg(count).arg(count == 1 || count == -1 ? one : many);
}

inline QString tilesText(int64_t count)
{
    return counted(count, QStringLiteral("tile"), QStringLiteral("tiles"));
}

} // namespace kestova
