#include "app/window/DockSupport.h"

#include "app/document/MosavoDocument.h"
#include "app/tiles/EditorViewController.h"
#include "app/window/FilePanels.h"
#include "app/window/MainMosavoWindow.h"

#include <QScrollArea>
#include <QUndoStack>

namespace kestova {

void placeDocumentDock(MainMosavoWindow *window, QDockWidget *dock, QWidget *content)
{
    auto *scroll = new QScrollArea(dock);
    scroll->setObjectName(dock->objectName() + QStringLiteral("Scroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(content);
    scroll->setMinimumWidth(160);
    dock->setWidget(scroll);
    QDockWidget *beside = nullptr;
    for (QDockWidget *other : window->findChildren<QDockWidget *>(Qt::FindDirectChildrenOnly))
        if (other != dock && window->dockWidgetArea(other) == Qt::RightDockWidgetArea) {
            beside = other;
            break;
        }
    window->addDockWidget(Qt::RightDockWidgetArea, dock);
    if (beside)
        window->tabifyDockWidget(beside, dock);
    static const char *const sizedProperty = "documentDocksSized";
    QObject::connect(dock, &QDockWidget::visibilityChanged, window, [window, dock](bool visible) {
        if (!visible || window->property(sizedProperty).toBool())
            return;
        window->setProperty(sizedProperty, true);
        // A third of a large window; on a small one what leaves the tiles, the pixel editor and the colours about
        // 800 pixels.
        const int width = std::max(200, std::min(window->width() / 3, window->width() - 800));
        window->resizeDocks({ dock }, { std::max(dock->minimumSizeHint().width(), width) }, Qt::Horizontal);
    });
}

void whenFirstShown(QDockWidget *dock, const QWidget *window, const std::function<void(bool shortWindow)> &shown)
{
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(dock, &QDockWidget::visibilityChanged, dock, [=](bool visible) {
        if (!visible)
            return;
        QObject::disconnect(*connection);
        shown(window->height() < shortWindowHeight);
    });
}

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
