#include "app/window/AppDelegate.h"

#include "app/document/KestovaDocumentController.h"

#include <QApplication>
#include <QGuiApplication>
#include <QUrl>

namespace kestova {

namespace {
AppDelegate *current = nullptr;
}

AppDelegate::AppDelegate(QObject *parent)
    : QObject(parent)
    , documentController_(&KestovaDocumentController::shared())
{
    current = this;
    if (auto *application = qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        connect(application, &QGuiApplication::applicationStateChanged, this, &AppDelegate::applicationStateChanged);
}

AppDelegate::~AppDelegate()
{
    if (current == this)
        current = nullptr;
}

AppDelegate *AppDelegate::instance()
{
    return current;
}

bool AppDelegate::openFile(const QString &path)
{
    if (documentController_->documents().empty())
        return documentController_->openDocumentAt(path) != nullptr;
    if (!QApplication::activeWindow() || path.isEmpty() || !QUrl::fromLocalFile(path).isValid())
        return true;
    documentController_->openFileAsking(path, QApplication::activeWindow());
    return true;
}

void AppDelegate::applicationStateChanged(Qt::ApplicationState state)
{
    const bool active = state == Qt::ApplicationActive;
    if (active && !active_) {
        applicationWillBecomeActive();
        active_ = true;
        applicationDidBecomeActive();
    } else if (!active) {
        active_ = false;
    }
}

} // namespace kestova
