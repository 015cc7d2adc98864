#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <vector>

namespace kestova {

class MosavoDocument;
class MainMosavoWindow;

// The application's one document controller. It keeps at most one document open through New, Open, Open Recent
// and files handed in from outside: the new file is chosen (and read) first; then, when the open document has unsaved
// changes, the user is asked Save / Discard / Cancel as closing the window asks, otherwise "Would you like to close
// current project?"; only on Save (saved), Discard or "Close" is the open document closed and the new one opened,
// read again after the question (Save may have written that very file).
// Cancel anywhere leaves the open document as it was.
class KestovaDocumentController : public QObject
{
    Q_OBJECT

public:
    static KestovaDocumentController &shared();

    const std::vector<MosavoDocument *> &documents() const { return documents_; }
    // The document of the active window, else the newest document, else null.
    MosavoDocument *currentDocument() const;

    // File > Open... and File > New with the one-document rule: Open shows the open panel first.
    void openDocument();
    void newDocument();
    // A file chosen without the open panel (Open Recent, a file dropped on a window) under the rules of Open: the
    // file is read first (a file that cannot be opened is refused with the reason, and nothing closes), then the open
    // document closes as the user agrees (over parent). Returns the new document, or null when nothing opened.
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

    // Makes room for another document: true when none is open or the open ones were closed as the user agreed
    // (Save / Discard / Cancel with unsaved changes, else the close-current-project alert); false, changing nothing,
    // on Cancel.
    bool closeCurrentProjectAsking(QWidget *parent = nullptr);

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
    // The open panel of File > Open; empty when cancelled.
    static QString chooseFileToOpen();
    // A document read from a file, without a window; null (the user told why) when the file cannot be opened.
    MosavoDocument *readDocument(const QString &path);
    // Adds a read document, shows its window and remembers its file.
    void presentDocument(MosavoDocument *document, const QString &path);

    std::vector<MosavoDocument *> documents_;
    QPointer<MainMosavoWindow> emptyWindow_;
    bool showsEmptyWindow_ = false;
};

} // namespace kestova
