#include "app/levels/LevelActions.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace kestova {

using namespace mosavo;

bool LevelActions::copyRegion()
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0 || selection_.isEmpty()) {
        status(QStringLiteral("Select cells of the map with Ctrl + drag to copy them"));
        return false;
    }
    const LevelMap &map = s->levelMaps()[size_t(current_)];
    const QRect cells = selection_.intersected(QRect(0, 0, map.columns(), map.rows()));
    QByteArray bytes;
    for (int value : { cells.width(), cells.height() }) {
        bytes.append(char(value & 0xFF));
        bytes.append(char(value >> 8 & 0xFF));
    }
    for (int row = cells.top(); row <= cells.bottom(); ++row)
        for (int column = cells.left(); column <= cells.right(); ++column)
            bytes.append(char(map.at(column, row)));
    auto *data = new QMimeData;
    data->setData(regionMimeType, bytes);
    QGuiApplication::clipboard()->setMimeData(data);
    status(QStringLiteral("Copied %1 x %2 cells").arg(cells.width()).arg(cells.height()));
    return true;
}

bool LevelActions::pasteRegion()
{
    const SettingsPtr s = settings();
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    if (!s || current_ < 0 || !data || !data->hasFormat(regionMimeType))
        return false;
    const QByteArray bytes = data->data(regionMimeType);
    if (bytes.size() < 4)
        return false;
    const int width = uint8_t(bytes[0]) | uint8_t(bytes[1]) << 8;
    const int height = uint8_t(bytes[2]) | uint8_t(bytes[3]) << 8;
    if (width <= 0 || height <= 0 || bytes.size() != 4 + qsizetype(width) * height)
        return false;
    LevelState after = state();
    LevelMap &map = after.maps[size_t(current_)];
    const size_t metatiles = after.sets[size_t(map.metatileSet)].metatiles.size();
    const QPoint origin = selection_.isEmpty() ? QPoint(0, 0) : selection_.topLeft();
    for (int y = 0; y < height && origin.y() + y < map.rows(); ++y)
        for (int x = 0; x < width && origin.x() + x < map.columns(); ++x) {
            const uint8_t cell = uint8_t(bytes[4 + y * width + x]);
            if (cell >= metatiles) {
                status(QStringLiteral("The copied region names metatile %1, and the set holds %2")
                           .arg(cell)
                           .arg(metatiles));
                return false;
            }
            map.setAt(origin.x() + x, origin.y() + y, cell);
        }
    push(std::move(after), QStringLiteral("Paste Region"));
    return true;
}

} // namespace kestova
