#pragma once

#include "app/FileHandler.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

#include <optional>

namespace kestova {

class EditorViewController;

// The import/export menu: Import Data..., Export Data..., Import Palette... (32 or 16 bytes), Export Palette...,
// Export Background Palette... (16 bytes) on the current document. Results go to the log and the status bar; failures
// are also shown to the user.
class ROMMenu : public QMenu
{
    Q_OBJECT

public:
    explicit ROMMenu(QWidget *parent = nullptr);

    QPointer<QAction> importData;
    QPointer<QAction> exportData;
    QPointer<QAction> importPalette;
    QPointer<QAction> exportPalette;
    QPointer<QAction> exportBackgroundPalette;
    QPointer<EditorViewController> editorViewController;
    std::optional<QString> pathOfFile;
    DataProcessor dataProcessor;
    PaletteProccessor paletteProcessor;

    // Connects the items (after they are set) to their actions.
    void connectItems();

    void importDataAction();
    void exportDataAction();
    void importPaletteAction();
    void exportPaletteAction();
    // The 16-byte background half of the palette file (sub-palettes 0-3).
    void exportBackgroundPaletteAction();

    // Before the menu opens: the items are enabled only while a controller is linked.
    void menuWillOpen();
    // All items enabled or disabled.
    void setItemsEnabled(bool enabled);

private:
    void exportPaletteFile(bool backgroundHalf);
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
