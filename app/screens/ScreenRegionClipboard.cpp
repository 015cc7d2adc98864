#include "app/screens/ScreenActions.h"

#include "app/document/FileIO.h"
#include "app/document/MosavoDocument.h"
#include "app/screens/ScreenImport.h"
#include "app/tiles/EditorViewController.h"
#include "app/window/Alerts.h"
#include "app/window/DockSupport.h"
#include "app/window/FilePanels.h"
#include "app/window/MainMosavoWindow.h"
#include "convert/SpriteConversion.h"
#include "convert/TileDedup.h"
#include "palette/DisplayColors.h"
#include "palette/NESPalette.h"
#include "ui_MainMosavo.h"
#include "viewer/TileCollection.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QFileInfo>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSettings>
#include <QToolButton>
#include <QUndoStack>
#include <QVBoxLayout>

#include <algorithm>

namespace kestova {

using namespace mosavo;

void ScreenActions::copyRegion()
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0 || editor_->selection().isEmpty())
        return;
    copied_ = mosavo::copyRegion(s->screens()[size_t(current_)], editor_->selection());
    // Also on the system clipboard, so that another Kestova (another document) can paste it.
    if (QClipboard *clipboard = QGuiApplication::clipboard()) {
        const Bytes bytes = encodeRegion(*copied_);
        auto *data = new QMimeData;
        data->setData(
            regionMimeType, QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size())));
        clipboard->setMimeData(data);
    }
    status(QStringLiteral("Copied %1 x %2 cells").arg(copied_->columns).arg(copied_->rows));
}

void ScreenActions::cutRegion()
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0 || editor_->selection().isEmpty())
        return;
    copyRegion();
    clearRegion(QStringLiteral("Cut Region"));
}

void ScreenActions::clearRegion(const QString &text)
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0 || editor_->selection().isEmpty())
        return;
    std::vector<Screen> after = s->screens();
    fillTiles(after[size_t(current_)], editor_->selection(), 0);
    push(std::move(after), current_, text);
}

bool ScreenActions::pasteRegion()
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0)
        return false;
    // A region on the system clipboard (copied here or in another Kestova) first, else the one copied last here.
    std::optional<ScreenRegion> region = copied_;
    const QClipboard *clipboard = QGuiApplication::clipboard();
    if (const QMimeData *data = clipboard ? clipboard->mimeData() : nullptr; data && data->hasFormat(regionMimeType)) {
        const QByteArray raw = data->data(regionMimeType);
        region = decodeRegion(Bytes(raw.begin(), raw.end()));
        if (!region) {
            status(QStringLiteral("The screen region on the clipboard cannot be read"));
            return false;
        }
    }
    if (!region || region->isEmpty())
        return false;
    const CellRect &at = editor_->selection();
    std::vector<Screen> after = s->screens();
    mosavo::pasteRegion(after[size_t(current_)], *region, at.isEmpty() ? 0 : at.column, at.isEmpty() ? 0 : at.row);
    push(std::move(after), current_, QStringLiteral("Paste Region"));
    return true;
}

} // namespace kestova
