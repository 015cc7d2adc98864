#pragma once

#include <QString>
#include <QStringList>

namespace kestova {

// The files opened or saved most recently, newest first, kept in the application's settings (QSettings).
inline constexpr int maximumRecentFiles = 10;

QStringList recentFiles();
// Puts the file (as an absolute path) at the top of the list; the list keeps at most maximumRecentFiles.
void addRecentFile(const QString &path);
void removeRecentFile(const QString &path);
void clearRecentFiles();

} // namespace kestova
