#pragma once

#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace kestova {

// What an open or save panel shows.
struct PanelOptions
{
    QString title;
    QString nameFilter; // e.g. "NES tiles (*.nes *.chr);;All files (*)"
    QString suggestedName;
};

// The open and save panels. `chosen` receives the chosen path, or an empty text when the user cancels; it is called
// on the main thread before the call that showed the panel returns (the panels are modal).
class FilePanels
{
public:
    virtual ~FilePanels() = default;
    virtual void chooseFileToOpen(const PanelOptions &options, std::function<void(const QString &)> chosen) = 0;
    virtual void chooseFileToSave(const PanelOptions &options, std::function<void(const QString &)> chosen) = 0;
};

// The panels every file handler uses (DialogFilePanels unless replaced, e.g. by tests).
FilePanels &filePanels();
void setFilePanels(std::shared_ptr<FilePanels> panels);

} // namespace kestova
