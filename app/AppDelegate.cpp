#include "app/AppDelegate.h"

#include "app/Alerts.h"
#include "app/KestovaDocumentController.h"

#include <QApplication>
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
    if (!QApplication::activeWindow())
        return true;
    if (alerts().runAlert(errorObject(MosavoDocumentErrors::openFile), QApplication::activeWindow())
        != alertFirstButtonReturn)
        return true;
    const QUrl url = QUrl::fromLocalFile(path);
    if (!url.isValid() || path.isEmpty())
        return true;
    KestovaDocumentController::closeDocuments();
    documentController_->openDocumentAt(url.toLocalFile());
    return true;
}

} // namespace kestova
