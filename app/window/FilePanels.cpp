#include "app/window/FilePanels.h"
#include "app/window/DialogFilePanels.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>

namespace kestova {

namespace {
std::shared_ptr<FilePanels> &currentPanels()
{
    static std::shared_ptr<FilePanels> panels = std::make_shared<DialogFilePanels>();
    return panels;
}

} // namespace

FilePanels &filePanels()
{
    return *currentPanels();
}

void setFilePanels(std::shared_ptr<FilePanels> panels)
{
    currentPanels() = panels ? std::move(panels) : std::make_shared<DialogFilePanels>();
}

} // namespace kestova
