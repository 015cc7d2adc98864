#include "app/screens/ScreenListCommand.h"

#include "app/screens/ScreenActions.h"

#include "app/document/FileIO.h"
#include "app/document/MosavoDocument.h"
#include "app/screens/ScreenImport.h"
#include "app/tiles/EditorViewController.h"
#include "app/window/Alerts.h"
#include "app/window/DockSupport.h"
#include "app/window/FilePanels.h"
#include "app/window/MainMosavoWindow.h"
#include "convert/SpriteConversion.h"
#include "convert/TileDedup.h"
#include "palette/DisplayColors.h"
#include "palette/NESPalette.h"
#include "ui_MainMosavo.h"
#include "viewer/TileCollection.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QFileInfo>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSettings>
#include <QToolButton>
#include <QUndoStack>
#include <QVBoxLayout>

#include <algorithm>

namespace kestova {

using namespace mosavo;

ScreenListCommand::ScreenListCommand(ScreenActions *actions, SettingsPtr settings, std::vector<Screen> before,
    int shownBefore, std::vector<Screen> after, int shownAfter, const QString &text)
    : QUndoCommand(text)
    , actions_(actions)
    , settings_(settings)
    , before_(std::move(before))
    , after_(std::move(after))
    , shownBefore_(shownBefore)
    , shownAfter_(shownAfter)
{ }

void ScreenListCommand::apply(const std::vector<Screen> &screens, int shown)
{
    if (const SettingsPtr settings = settings_.lock())
        settings->screens() = screens;
    if (actions_)
        actions_->stateApplied(shown);
}

void ScreenListCommand::undo()
{
    apply(before_, shownBefore_);
}

void ScreenListCommand::redo()
{
    apply(after_, shownAfter_);
}

} // namespace kestova
