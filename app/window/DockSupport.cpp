#include "app/window/DockSupport.h"

#include "app/document/FileIO.h"
#include "app/document/MosavoDocument.h"
#include "app/tiles/EditorViewController.h"
#include "app/window/Alerts.h"
#include "app/window/FilePanels.h"
#include "app/window/MainMosavoWindow.h"

#include <QEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTimer>
#include <QUndoStack>

namespace kestova {

namespace {

// The width the editor's area lacks for a pixel editor of minimumEditorSide, or 0.
int editorShortfall(const MainMosavoWindow *window)
{
    const auto *area = window->findChild<QWidget *>(QStringLiteral("editorArea"));
    if (!area || !area->isVisible())
        return 0;
    return std::max(0, minimumEditorSide - area->width());
}

// Gives the editor's panel the width the tile viewer's panel can spare (down to its least width, the viewer's cells
// then shown smaller).
void narrowViewerPanel(MainMosavoWindow *window)
{
    const int shortfall = editorShortfall(window);
    auto *splitter = window->findChild<QSplitter *>(QStringLiteral("panelSplitter"));
    auto *viewerPanel = window->findChild<QWidget *>(QStringLiteral("viewerPanel"));
    if (shortfall == 0 || !splitter || !viewerPanel || splitter->count() != 3)
        return;
    QList<int> sizes = splitter->sizes();
    const int spare = std::min(shortfall, sizes[0] - viewerPanel->minimumSizeHint().width());
    if (spare <= 0)
        return;
    sizes[0] -= spare;
    sizes[1] += spare;
    splitter->setSizes(sizes);
}

// Narrows the right dock area (not below its docks' least width), then the tile viewer's panel, until the pixel
// editor has its least side.
void keepEditorRoom(MainMosavoWindow *window)
{
    const int shortfall = editorShortfall(window);
    if (shortfall == 0)
        return;
    QDockWidget *shown = nullptr;
    for (QDockWidget *dock : window->findChildren<QDockWidget *>(Qt::FindDirectChildrenOnly))
        // The dock shown (of docks in tabs, the others are moved out of the window).
        if (dock->isVisible() && !dock->isFloating() && window->dockWidgetArea(dock) == Qt::RightDockWidgetArea
            && window->rect().intersects(dock->geometry()))
            shown = dock;
    // Without a document dock the window's panels are as the window lays them out.
    if (!shown)
        return;
    const int width = std::max(shown->minimumSizeHint().width(), shown->width() - shortfall);
    if (width < shown->width())
        window->resizeDocks({ shown }, { width }, Qt::Horizontal);
    // Once the window has laid the narrower docks out.
    QTimer::singleShot(0, window, [window = QPointer<MainMosavoWindow>(window)] {
        if (window)
            narrowViewerPanel(window);
    });
}

// Keeps the editor's room whenever its area is made narrower (the window resized, a dock widened).
class EditorRoomKeeper : public QObject
{
public:
    explicit EditorRoomKeeper(MainMosavoWindow *window)
        : QObject(window)
        , window_(window)
    {
        setObjectName(QStringLiteral("editorRoomKeeper"));
        if (auto *area = window->findChild<QWidget *>(QStringLiteral("editorArea")))
            area->installEventFilter(this);
    }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Resize && editorShortfall(window_) > 0)
            QTimer::singleShot(0, this, [this] {
                if (window_)
                    keepEditorRoom(window_);
            });
        return false;
    }

private:
    QPointer<MainMosavoWindow> window_;
};

} // namespace

void placeDocumentDock(MainMosavoWindow *window, QDockWidget *dock, QWidget *content, bool fitsHeight)
{
    auto *scroll = new QScrollArea(dock);
    scroll->setObjectName(dock->objectName() + QStringLiteral("Scroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    // The controls wrap to the dock's width: it scrolls only up and down, never sideways.
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(content);
    // Content taller than the dock needs the room of the scroll bar beside it.
    scroll->setMinimumWidth(std::max(160, content->minimumSizeHint().width())
        + (fitsHeight ? 0 : scroll->verticalScrollBar()->sizeHint().width()) + 2 * scroll->frameWidth());
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
    if (!window->findChild<EditorRoomKeeper *>(QStringLiteral("editorRoomKeeper"), Qt::FindDirectChildrenOnly))
        new EditorRoomKeeper(window);
    static const char *const sizedProperty = "documentDocksSized";
    QObject::connect(dock, &QDockWidget::visibilityChanged, window, [window, dock](bool visible) {
        if (!visible)
            return;
        if (!window->property(sizedProperty).toBool()) {
            window->setProperty(sizedProperty, true);
            // A third of a large window; on a small one what leaves the tiles, the pixel editor and the colours
            // about 800 pixels, but never less than the dock's controls need.
            const int width = std::min(window->width() / 3, window->width() - 800);
            window->resizeDocks({ dock }, { std::max(dock->minimumSizeHint().width(), width) }, Qt::Horizontal);
        }
        // Once laid out, the pixel editor keeps its least size.
        QTimer::singleShot(0, window, [window] { keepEditorRoom(window); });
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

std::optional<mosavo::Bytes> DocumentPart::readFileOrSay(const QString &path) const
{
    ReadResult file = readWholeFile(path);
    if (file.error) {
        alerts().showError(file.error->describe(), window_);
        return std::nullopt;
    }
    return std::move(file.bytes);
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
