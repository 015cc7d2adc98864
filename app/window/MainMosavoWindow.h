#pragma once

#include "app/document/EditorViewControllerSettings.h"
#include "app/window/TileReadout.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>
#include <optional>
#include <utility>

class QActionGroup;
class QDialog;
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
//
// The three panels (viewer, editor, tools and colours) sit side by side in a splitter. The editor takes the room the
// others leave, as the largest square of whole screen pixels per tile pixel that fits (MosavoArea); the viewer's cells
// grow only in whole steps, chosen with View > Viewer Scale. The splitter's positions, the viewer scale and whether
// the grid is shown are kept for the next window; the document keeps how it was shown (DocumentViewState).
class MainMosavoWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainMosavoWindow(MosavoDocument *document = nullptr, QWidget *parent = nullptr);
    ~MainMosavoWindow() override;

    QPointer<EditorViewController> editorViewController;
    MosavoDocument *document() const;
    ROMMenu *romMenu() const;
    ROMMenuItem *romMenuItem() const { return romMenuItem_; }
    Ui::MainMosavo &ui() const { return *ui_; }

    // Shows a short message in the status bar.
    void showStatus(const QString &message);
    // Fills File > Open Recent from the recent files (done each time the menu opens).
    void updateRecentFilesMenu();

    // The view of the document as it is now (nothing before the viewer has shown the tiles).
    std::optional<DocumentViewState> currentViewState() const;
    // Writes the current view into the document's content, to be saved with it.
    void storeViewState();
    // The Help > Keyboard Shortcuts dialog: every key of the window and what it does.
    QDialog *showKeyboardShortcuts();
    // Every key of the window, as pairs of key and what it does, in menu order.
    QList<std::pair<QString, QString>> keyboardShortcuts() const;

    // The settings keys of the document windows' geometry, the splitter's positions, the viewer scale (1-4) and
    // whether the editor's grid is shown.
    static const QString geometryKey;
    static const QString splitterKey;
    static const QString viewerScaleKey;
    static const QString showGridKey;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void fitIntoScreen();
    void hideEvent(QHideEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void connectActions();
    void connectEditing();
    void connectView();
    // Steps the editor's block size through 1x1, 2x2, 4x4 (delta +1: larger); at either end only says so.
    void stepBlockSize(int delta);
    void updateTileDataFacts();
    // The numbers of the tile under the pointer in the status bar, the chosen slot's colour outlined in the master
    // grid, and View > Go to Tile (MainMosavoWindowNumbers.cpp).
    void installReadout();
    void goToTile();
    // View > Byte Offset: Next Byte (Shift+Right), Previous Byte (Shift+Left), Tile Boundary.
    void installByteOffsetMenu();
    // The readout of the tile or pixel under the pointer again, after a change under a pointer that did not move.
    void refreshReadout();
    // The readout of tile (and pixel) under the pointer.
    void showReadout(int64_t tile, std::optional<PixelReadout> pixel);
    // Sets the viewer's cell scale and checks its menu item; remember also keeps it for the next window.
    void setViewerScale(int scale, bool remember);
    // Gives the viewer panel the width its cells need at their scale, taking it from the editor panel.
    void fitViewerPanel();
    // Shows the document as it was saved (the parts the document holds); the viewer parts once it has the tiles.
    void restoreViewState(const DocumentViewState &state);
    void restoreViewerState(const DocumentViewState &state, int attempts);
    void showAbout();

    std::unique_ptr<Ui::MainMosavo> ui_;
    QPointer<MosavoDocument> document_;
    ROMMenuItem *romMenuItem_ = nullptr;
    QLabel *tileFacts_ = nullptr;
    QLabel *pointerReadout_ = nullptr;
    // Where the pointer was last seen over the viewer (a tile) or the editor (a position), for refreshReadout.
    enum class HoverSource { none, viewer, editor };
    HoverSource hoverSource_ = HoverSource::none;
    int64_t hoveredTile_ = -1;
    QPointF editorHoverAt_;
    bool refreshingReadout_ = false;
    QActionGroup *viewerScales_ = nullptr;
    // Set once the document's own view has been shown; before that the stored view is kept at a save.
    bool viewStateRestored_ = false;
    bool contentShown_ = false;
    // A first window, or one restored from a geometry saved on a screen of another size: fitted into the screen it
    // opens on at first show.
    bool fitToScreenWhenShown_ = false;
};

} // namespace kestova
