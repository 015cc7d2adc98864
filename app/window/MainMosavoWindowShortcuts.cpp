#include "app/window/MainMosavoWindow.h"

#include "app/document/KestovaDocumentController.h"
#include "app/document/MosavoDocument.h"
#include "app/screens/ScreenActions.h"
#include "app/sprites/SpriteActions.h"
#include "app/tiles/EditorViewController.h"
#include "app/tiles/ROMMenu.h"
#include "app/tiles/TileSheetActions.h"
#include "app/window/DisplayColorsMenu.h"
#include "app/window/RecentFiles.h"
#include "ui_MainMosavo.h"

#include "editor/MosavoArea.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>

#ifndef KESTOVA_VERSION
#define KESTOVA_VERSION "unknown"
#endif

namespace kestova {

QList<std::pair<QString, QString>> MainMosavoWindow::keyboardShortcuts() const
{
    QList<std::pair<QString, QString>> keys;
    auto describe = [&keys](const QAction *action) {
        if (action->shortcuts().isEmpty() || action->text().isEmpty())
            return;
        QStringList sequences;
        for (const QKeySequence &sequence : action->shortcuts())
            sequences << sequence.toString(QKeySequence::NativeText);
        const QString text = QString(action->text()).remove(QLatin1Char('&')).remove(QStringLiteral("..."));
        keys.append({ sequences.join(QStringLiteral(", ")), text });
    };
    // The menus first, in their order, then the keys without a menu item.
    QList<const QAction *> listed;
    std::function<void(const QMenu *)> walk = [&](const QMenu *menu) {
        for (const QAction *action : menu->actions()) {
            if (action->menu()) {
                walk(action->menu());
                continue;
            }
            listed << action;
            describe(action);
        }
    };
    for (const QAction *action : menuBar()->actions())
        if (action->menu())
            walk(action->menu());
    for (const QAction *action : findChildren<QAction *>())
        if (!listed.contains(action))
            describe(action);
    keys.append({ QStringLiteral("Right button"), QStringLiteral("Paint with colour 0 (in the editor)") });
    keys.append({ QStringLiteral("Alt+click, middle button"),
        QStringLiteral("Pick the colour under the pointer (in the editor)") });
    // Keys the screen and sprite editors take from the window's shortcuts while they have the focus and a selection.
    const auto native
        = [](QKeySequence::StandardKey key) { return QKeySequence(key).toString(QKeySequence::NativeText); };
    keys.append({ QStringLiteral("Del, %1, %2, %3")
                      .arg(native(QKeySequence::Copy), native(QKeySequence::Cut), native(QKeySequence::Paste)),
        QStringLiteral("Clear, copy, cut or paste the selected screen region (in the screen editor)") });
    keys.append({ QStringLiteral("Del, H, V, arrows (Shift: 8 pixels)"),
        QStringLiteral("Delete, flip or move the selected sprites (in the sprite editor)") });
    return keys;
}

QDialog *MainMosavoWindow::showKeyboardShortcuts()
{
    auto *dialog = new QDialog(this);
    dialog->setObjectName(QStringLiteral("keyboardShortcutsDialog"));
    dialog->setWindowTitle(QStringLiteral("Keyboard Shortcuts"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    const auto keys = keyboardShortcuts();
    auto *table = new QTableWidget(int(keys.size()), 2, dialog);
    table->setHorizontalHeaderLabels({ QStringLiteral("Key"), QStringLiteral("Action") });
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    for (int row = 0; row < int(keys.size()); ++row) {
        table->setItem(row, 0, new QTableWidgetItem(keys[row].first));
        table->setItem(row, 1, new QTableWidgetItem(keys[row].second));
    }
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    auto *layout = new QVBoxLayout(dialog);
    layout->addWidget(table);
    layout->addWidget(buttons);
    dialog->resize(560, std::min(640, height()));
    dialog->open();
    return dialog;
}

void MainMosavoWindow::showAbout()
{
    auto *box = new QMessageBox(QMessageBox::Information, QStringLiteral("About Kestova"),
        QStringLiteral("<h3>Kestova %1</h3>").arg(QStringLiteral(KESTOVA_VERSION)), QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("aboutDialog"));
    box->setInformativeText(
        QStringLiteral("An editor for the tile graphics (CHR data) of NES cartridges: iNES ROM images, CHR files and "
                       "palettes.<br><br>Kestova and its library Mosavo are free software under the MIT licence."));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

} // namespace kestova
