#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <vector>

namespace kestova {

class MosavoDocument;
class MainMosavoWindow;

// The application's one document controller. It keeps at most one document open through New, Open and files handed
// in from outside: while a document is open each of them first asks "Would you like to close current project?" and
// goes on only on "Close", after closing every document without saving.
class KestovaDocumentController : public QObject
{
    Q_OBJECT

public:
    static KestovaDocumentController &shared();

    const std::vector<MosavoDocument *> &documents() const { return documents_; }
    // The document of the active window, else the newest document, else null.
    MosavoDocument *currentDocument() const;

    // File > Open... and File > New with the one-document rule.
    void openDocument();
    void newDocument();
    // A file chosen without the open panel (Open Recent, a file dropped on a window) under the rules of Open: while a
    // document is open, only after the close-current-project alert (over parent) answered "Close". Returns the new
    // document, or null when nothing opened.
    MosavoDocument *openFileAsking(const QString &path, QWidget *parent = nullptr);
    // Closes every document, in list order, without asking to save.
    static void closeDocuments();

    // The base behaviour: an open panel, then the chosen file opened.
    void openWithPanel();
    // Opens a file as a new document and shows its window, and remembers it among the recent files; on failure the
    // user is told which file and why, nothing opens and the file leaves the recent files. Not guarded by the
    // one-document rule.
    MosavoDocument *openDocumentAt(const QString &path);
    // A new untitled document with blank content, shown in its window.
    MosavoDocument *openUntitledDocument();

    // Closes every document, asking to save each one with unsaved changes; false when the user cancelled.
    bool closeAllAsking();

    // The window shown while no document is open (File menu only).
    MainMosavoWindow *emptyWindow() const;
    // Shows the empty window when no document is open; hides it otherwise.
    void updateEmptyWindow();
    void setShowsEmptyWindow(bool shows);

signals:
    void documentsChanged();

private:
    KestovaDocumentController() = default;
    void addDocument(MosavoDocument *document);
    void removeDocument(MosavoDocument *document);
    // Runs the close-current-project alert; true when the user chose "Close".
    bool confirmClosingCurrentProject(QWidget *parent = nullptr);
    // The one-document rule for New and Open: true when no document is open, or when the user agreed to close it
    // (it is then closed without saving); false, doing nothing, when no window is active.
    bool makeRoomForAnotherDocument();

    std::vector<MosavoDocument *> documents_;
    QPointer<MainMosavoWindow> emptyWindow_;
    bool showsEmptyWindow_ = false;
};

} // namespace kestova
