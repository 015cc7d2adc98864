#include "app/window/Application.h"

#include "app/document/KestovaDocumentController.h"
#include "app/window/AppDelegate.h"
#include "editor/MosavoLogging.h"

#include <QApplication>
#include <QStringList>

namespace kestova {

int runApplication(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestova"));
    QApplication::setApplicationDisplayName(QStringLiteral("Kestova"));
    QApplication::setOrganizationName(QStringLiteral("Kestova"));
    QApplication::setQuitOnLastWindowClosed(false);
    mosavo::routeSystemLogToQt();

    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    const QStringList files = application.arguments().mid(1);
    if (!files.isEmpty())
        delegate.openFile(files.constFirst());
    KestovaDocumentController::shared().setShowsEmptyWindow(true);
    return application.exec();
}

} // namespace kestova
