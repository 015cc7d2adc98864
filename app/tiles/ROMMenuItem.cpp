#include "app/tiles/ROMMenuItem.h"

#include "app/tiles/ROMMenu.h"

#include "app/document/FileIO.h"
#include "app/document/KestovaDocumentController.h"
#include "app/document/MosavoDocument.h"
#include "app/tiles/EditorViewController.h"
#include "app/window/Alerts.h"
#include "app/window/MainMosavoWindow.h"
#include "core/ConsoleDataFactory.h"
#include "log/Log.h"
#include "palette/PaletteFactory.h"

#include <QDir>
#include <QFileInfo>

namespace kestova {

using namespace mosavo;

ROMMenuItem::ROMMenuItem(QObject *parent)
    : QObject(parent)
{ }

bool ROMMenuItem::hasSubmenu() const
{
    if (!romMenu)
        return false;
    romMenu->setItemsEnabled(!KestovaDocumentController::shared().documents().empty());
    return true;
}

} // namespace kestova
