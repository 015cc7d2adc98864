#include "app/window/BackgroundWork.h"

#include "app/document/EditorViewControllerSettings.h"
#include "app/document/FileIO.h"
#include "app/window/Alerts.h"

namespace kestova {

std::shared_ptr<EditorViewControllerSettings> documentCopyForImport(
    const EditorViewControllerSettings &document, const QString &path, QWidget *window)
{
    auto copy = EditorViewControllerSettings::decode(document.encode());
    if (copy && copy->tileData())
        return copy;
    alerts().showError(
        FileError { path, QStringLiteral("the document could not be copied for the import") }.describe(), window);
    return nullptr;
}

} // namespace kestova
