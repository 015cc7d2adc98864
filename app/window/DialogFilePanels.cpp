#include "app/window/DialogFilePanels.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>

namespace kestova {

namespace {

// The folder a panel opens in when it is not given one: the folder of the file last chosen in any panel.
const QString lastFolderKey = QStringLiteral("panels/lastFolder");

void showDialog(QFileDialog::AcceptMode mode, const PanelOptions &options, std::function<void(const QString &)> chosen)
{
    QFileDialog dialog(QApplication::activeWindow(), options.title);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!options.nameFilter.isEmpty())
        dialog.setNameFilter(options.nameFilter);
    // A suggestion ending in a separator is only the folder to start in.
    const bool folderOnly = options.suggestedName.endsWith(u'/');
    if (folderOnly)
        dialog.setDirectory(options.suggestedName);
    else if (QFileInfo(options.suggestedName).isRelative())
        dialog.setDirectory(QSettings().value(lastFolderKey, QDir::homePath()).toString());
    if (!options.suggestedName.isEmpty() && !folderOnly)
        dialog.selectFile(options.suggestedName);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        const QString path = dialog.selectedFiles().constFirst();
        QSettings().setValue(lastFolderKey, QFileInfo(path).absolutePath());
        chosen(path);
    } else {
        chosen(QString());
    }
}

} // namespace

void DialogFilePanels::chooseFileToOpen(const PanelOptions &options, std::function<void(const QString &)> chosen)
{
    showDialog(QFileDialog::AcceptOpen, options, std::move(chosen));
}

void DialogFilePanels::chooseFileToSave(const PanelOptions &options, std::function<void(const QString &)> chosen)
{
    showDialog(QFileDialog::AcceptSave, options, std::move(chosen));
}

} // namespace kestova
