#pragma once

#include "app/window/FilePanels.h"
#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace kestova {

// Modal QFileDialogs over the active window.
class DialogFilePanels : public FilePanels
{
public:
    void chooseFileToOpen(const PanelOptions &options, std::function<void(const QString &)> chosen) override;
    void chooseFileToSave(const PanelOptions &options, std::function<void(const QString &)> chosen) override;
};

} // namespace kestova
