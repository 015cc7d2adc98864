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
    // Called, in this order, each time the application becomes the active one (its state changes to active).
    virtual void applicationWillBecomeActive() { }
    virtual void applicationDidBecomeActive() { }
    bool applicationShouldOpenUntitledFile() const { return false; }
    bool applicationShouldHandleReopen(bool) const { return false; }
    bool applicationOpenUntitledFile() const { return false; }
    // A file handed in from outside: opened at once when no document is open; otherwise under the rules of Open
    // (read first, then the open document closes as the user agrees). Returns whether the request was taken.
    bool openFile(const QString &path);

    // The application's state changed: becoming active runs the two callbacks above.
    void applicationStateChanged(Qt::ApplicationState state);

private:
    KestovaDocumentController *documentController_;
    bool active_ = false;
};

} // namespace kestova
