#pragma once

#include <QMainWindow>
#include <QPointer>

#include <memory>

class QLabel;

namespace Ui {
class MainMosavo;
}

namespace kestova {

class EditorViewController;
class MosavoDocument;
class ROMMenu;
class ROMMenuItem;

// The main window of one document, built from the Designer form MainMosavo.ui: tile viewer, pixel editor, tools,
// colour selectors, the File menu and the ROM import/export menu. Without a document it shows only its menus. A file
// dropped on it opens under the rules of File > Open; a document window keeps its size and position for the next one.
class MainMosavoWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainMosavoWindow(MosavoDocument *document = nullptr, QWidget *parent = nullptr);
    ~MainMosavoWindow() override;

    QPointer<EditorViewController> editorViewController;
    MosavoDocument *document() const { return document_; }
    ROMMenu *romMenu() const;
    ROMMenuItem *romMenuItem() const { return romMenuItem_; }
    Ui::MainMosavo &ui() const { return *ui_; }

    // Shows a short message in the status bar.
    void showStatus(const QString &message);
    // Fills File > Open Recent from the recent files (done each time the menu opens).
    void updateRecentFilesMenu();

    // The settings key of the document windows' geometry.
    static const QString geometryKey;

protected:
    void closeEvent(QCloseEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void connectActions();
    void connectEditing();
    // Steps the editor's block size through x1, x2, x4.
    void stepZoom(int delta);
    void updateTileDataFacts();
    // The numbers of the tile under the pointer in the status bar, the chosen slot's colour outlined in the master
    // grid, and View > Go to Tile (MainMosavoWindowNumbers.cpp).
    void installReadout();
    void goToTile();

    std::unique_ptr<Ui::MainMosavo> ui_;
    QPointer<MosavoDocument> document_;
    ROMMenuItem *romMenuItem_ = nullptr;
    QLabel *tileFacts_ = nullptr;
    QLabel *pointerReadout_ = nullptr;
};

} // namespace kestova
