#include "app/FilePanels.h"

#include <QApplication>
#include <QFileDialog>

namespace kestova {

namespace {
std::shared_ptr<FilePanels> &currentPanels()
{
    static std::shared_ptr<FilePanels> panels = std::make_shared<DialogFilePanels>();
    return panels;
}

void showDialog(QFileDialog::AcceptMode mode, const PanelOptions &options, std::function<void(const QString &)> chosen)
{
    QFileDialog dialog(QApplication::activeWindow(), options.title);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!options.nameFilter.isEmpty())
        dialog.setNameFilter(options.nameFilter);
    if (!options.suggestedName.isEmpty())
        dialog.selectFile(options.suggestedName);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        chosen(dialog.selectedFiles().constFirst());
    else
        chosen(QString());
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

FilePanels &filePanels()
{
    return *currentPanels();
}

void setFilePanels(std::shared_ptr<FilePanels> panels)
{
    currentPanels() = panels ? std::move(panels) : std::make_shared<DialogFilePanels>();
}

} // namespace kestova
