#pragma once

#include "app/document/EditorViewControllerSettings.h"
#include "app/window/DockIcons.h"
#include "core/GraphicsArchive.h"

#include <QDockWidget>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QToolButton>

#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

namespace kestova {

class MainMosavoWindow;

// Small pieces the document docks (Screens, Sprites) share.

// The part of a window (a direct child) of type Part named name, or nothing.
template<typename Part>
Part *windowPart(const QObject *window, const QString &name)
{
    return window ? window->findChild<Part *>(name, Qt::FindDirectChildrenOnly) : nullptr;
}

// The part of the window of type Part, made when it has none.
template<typename Part>
Part *installWindowPart(MainMosavoWindow *window)
{
    if (Part *existing = Part::of(window))
        return existing;
    return new Part(window);
}

// The window's document content, when it has tiles.
// Windows under this height are short: their docks start in the forms that need less room.
inline constexpr int shortWindowHeight = 800;
// Calls shown once, when the dock is first shown, telling whether its window is short then.
void whenFirstShown(QDockWidget *dock, const QWidget *window, const std::function<void(bool shortWindow)> &shown);

SettingsPtr documentWithTiles(const MainMosavoWindow *window);

// A part of a document window (a dock with its menu, say): a child of the window, named so that windowPart finds it,
// that reaches the document and the status bar through the window.
class DocumentPart : public QObject
{
public:
    DocumentPart(MainMosavoWindow *window, const QString &name);

protected:
    // The document's content, when it has tiles.
    SettingsPtr settings() const;
    // Shows a short message in the window's status bar.
    void status(const QString &message) const;
    // Asks for a picture file in a panel titled title and hands its path to import; nothing without a document or
    // when the user cancels.
    void choosePicture(const QString &title, const std::function<void(const QString &)> &import) const;
    // The whole file, or nothing after an alert naming the file and the reason.
    std::optional<mosavo::Bytes> readFileOrSay(const QString &path) const;

    QPointer<MainMosavoWindow> window_;
};

// Calls changed, in context, after every step of the window's undo stack and every change of its colours, and
// reloaded after the document's content is replaced (opened, reverted).
void followDocument(QObject *context, const MainMosavoWindow *window, const std::function<void()> &changed,
    const std::function<void()> &reloaded);

// The least side of the pixel editor that opening a document dock leaves it (in a window of at least 1024 x 600).
inline constexpr int minimumEditorSide = 256;

// Puts a document dock's content in the window's right dock area, in tabs with the document docks already there. The
// content scrolls when the dock is narrower than it, and the first time a document dock opens the area takes a third
// of a large window's width and less of a small one's, so that the pixel editor keeps its room on a small screen. The
// content wraps to the dock's width and scrolls only up and down. Whenever a document dock is shown or the window is
// resized, the dock area narrows (down to what its controls need) until the pixel editor is minimumEditorSide wide.
// fitsHeight: the content is laid out to fit the height of a 1024 x 600 window, so no room is kept for a scroll bar
// beside it.
void placeDocumentDock(MainMosavoWindow *window, QDockWidget *dock, QWidget *content, bool fitsHeight = false);

// A tool button with its object name, text and tooltip.
inline QToolButton *dockToolButton(QWidget *parent, const QString &name, const QString &text, const QString &tip)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setToolTip(tip);
    button->setAutoRaise(false);
    return button;
}

// An icon button: the glyph drawn, the text kept for the accessibility tools, the tooltip naming what it does and
// its key when it has one.
inline QToolButton *dockIconButton(
    QWidget *parent, const QString &name, DockGlyph glyph, const QString &text, const QString &tip)
{
    QToolButton *button = dockToolButton(parent, name, text, tip);
    button->setIcon(dockIcon(glyph));
    button->setIconSize(QSize(16, 16));
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    return button;
}

// Why the item of the list at index cannot take the name (another item has it, or it is longer than a document
// keeps), or nothing. kind names the items: "screen".
template<typename Item>
std::optional<QString> nameRefusal(const std::vector<Item> &items, int index, const QString &name, const QString &kind)
{
    if (size_t(name.toUtf8().size()) > mosavo::maximumNameBytes)
        return QStringLiteral("A %1 name may be at most %2 bytes long").arg(kind).arg(mosavo::maximumNameBytes);
    for (size_t i = 0; i < items.size(); ++i)
        if (int(i) != index && QString::fromStdString(items[i].name) == name)
            return QStringLiteral("Another %1 is named \"%2\" already").arg(kind, name);
    return std::nullopt;
}

// base, or base_2, base_3, ...: the first name no item of the list (anything with a std::string name) has.
template<typename Item>
QString uniqueItemName(const std::vector<Item> &items, const QString &base)
{
    auto taken = [&](const QString &name) {
        return std::any_of(
            items.begin(), items.end(), [&](const Item &item) { return QString::fromStdString(item.name) == name; });
    };
    // Short enough for a document to keep, with room for the number.
    QString kept = base;
    while (size_t(kept.toUtf8().size()) > mosavo::maximumNameBytes - 12)
        kept.chop(1);
    if (kept.size() == base.size() && !taken(kept))
        return kept;
    for (int n = 2;; ++n)
        if (const QString name = QStringLiteral("%1_%2").arg(kept).arg(n); !taken(name))
            return name;
}

} // namespace kestova
