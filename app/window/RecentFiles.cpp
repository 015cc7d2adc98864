#include "app/window/RecentFiles.h"

#include <QFileInfo>
#include <QSettings>

namespace kestova {

namespace {
const QString recentFilesKey = QStringLiteral("recentFiles");

void store(const QStringList &files)
{
    QSettings().setValue(recentFilesKey, files);
}
} // namespace

QStringList recentFiles()
{
    QStringList files = QSettings().value(recentFilesKey).toStringList();
    files.removeAll(QString());
    return files.mid(0, maximumRecentFiles);
}

void addRecentFile(const QString &path)
{
    if (path.isEmpty())
        return;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList files = recentFiles();
    files.removeAll(absolute);
    files.prepend(absolute);
    store(files.mid(0, maximumRecentFiles));
}

void removeRecentFile(const QString &path)
{
    QStringList files = recentFiles();
    files.removeAll(path);
    files.removeAll(QFileInfo(path).absoluteFilePath());
    store(files);
}

void clearRecentFiles()
{
    store({});
}

} // namespace kestova
