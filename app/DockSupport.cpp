#include "app/DockSupport.h"

#include "app/EditorViewController.h"
#include "app/FilePanels.h"
#include "app/MainMosavoWindow.h"
#include "app/MosavoDocument.h"

#include <QUndoStack>

namespace kestova {

SettingsPtr documentWithTiles(const MainMosavoWindow *window)
{
    if (!window || !window->editorViewController)
        return nullptr;
    const SettingsPtr settings = window->editorViewController->editorViewControllerSettings();
    return settings && settings->tileData() ? settings : nullptr;
}

DocumentPart::DocumentPart(MainMosavoWindow *window, const QString &name)
    : QObject(window)
    , window_(window)
{
    setObjectName(name);
}

SettingsPtr DocumentPart::settings() const
{
    return documentWithTiles(window_);
}

void DocumentPart::status(const QString &message) const
{
    if (window_)
        window_->showStatus(message);
}

void DocumentPart::choosePicture(const QString &title, const std::function<void(const QString &)> &import) const
{
    if (!settings())
        return;
    filePanels().chooseFileToOpen({ title, QStringLiteral("Pictures (*.png *.bmp *.gif);;All files (*)"), QString() },
        [&import](const QString &path) {
            if (!path.isEmpty())
                import(path);
        });
}

void followDocument(QObject *context, const MainMosavoWindow *window, const std::function<void()> &changed,
    const std::function<void()> &reloaded)
{
    EditorViewController *controller = window->editorViewController;
    QObject::connect(&controller->undoStack(), &QUndoStack::indexChanged, context, changed);
    QObject::connect(controller, &EditorViewController::colorsChanged, context, changed);
    QObject::connect(controller, &EditorViewController::contentReloaded, context, reloaded);
}

} // namespace kestova
