#pragma once

#include "app/document/FileHandler.h"
#include "core/TileData.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

#include <optional>
#include <variant>

namespace kestova {

class ROMMenu;

// The menu-bar entry of the import/export menu.
class ROMMenuItem : public QObject
{
    Q_OBJECT

public:
    explicit ROMMenuItem(QObject *parent = nullptr);
    QPointer<ROMMenu> romMenu;
    // Enables the four items while a document is open (disables them otherwise); false without a menu.
    bool hasSubmenu() const;
};

} // namespace kestova
