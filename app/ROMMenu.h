#pragma once

#include "app/FileHandler.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

#include <optional>

namespace kestova {

class EditorViewController;

// The import/export menu: Import Data..., Export Data..., Import Palette..., Export Palette... on the current
// document. Results go to the log and the status bar; failures are also shown to the user.
class ROMMenu : public QMenu
{
    Q_OBJECT

public:
    explicit ROMMenu(QWidget *parent = nullptr);

    QPointer<QAction> importData;
    QPointer<QAction> exportData;
    QPointer<QAction> importPalette;
    QPointer<QAction> exportPalette;
    QPointer<EditorViewController> editorViewController;
    std::optional<QString> pathOfFile;
    DataProcessor dataProcessor;
    PaletteProccessor paletteProcessor;

    // Connects the four items (after they are set) to their actions.
    void connectItems();

    void importDataAction();
    void exportDataAction();
    void importPaletteAction();
    void exportPaletteAction();

    // Before the menu opens: the items are enabled only while a controller is linked.
    void menuWillOpen();
    // All four items enabled or disabled.
    void setItemsEnabled(bool enabled);
};

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
