#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

namespace kestova {

class KestovaDocumentController;
class ROMMenuItem;

// The application's delegate: its answers at start-up and to files handed in from outside.
class AppDelegate : public QObject
{
    Q_OBJECT

public:
    explicit AppDelegate(QObject *parent = nullptr);
    ~AppDelegate() override;

    // The delegate of the running application (null before one exists).
    static AppDelegate *instance();

    QPointer<ROMMenuItem> romMenuItem;
    KestovaDocumentController &documentController() const { return *documentController_; }

    void applicationDidFinishLaunching() { }
    bool applicationShouldOpenUntitledFile() const { return false; }
    bool applicationShouldHandleReopen(bool) const { return false; }
    bool applicationOpenUntitledFile() const { return false; }
    // A file handed in from outside: opened at once when no document is open; otherwise after the
    // close-current-project alert answered "Close". Returns whether the request was taken.
    bool openFile(const QString &path);

private:
    KestovaDocumentController *documentController_;
};

} // namespace kestova
