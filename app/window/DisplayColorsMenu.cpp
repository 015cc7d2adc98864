#include "app/window/DisplayColorsMenu.h"

#include "app/document/MosavoDocument.h"
#include "app/tiles/EditorViewController.h"
#include "app/window/Alerts.h"
#include "app/window/DockSupport.h"
#include "app/window/FilePanels.h"
#include "app/window/MainMosavoWindow.h"
#include "selectors/GeneralColorSelector.h"
#include "viewer/TileCollection.h"

#include "ui_MainMosavo.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>
#include <QSignalBlocker>

#include <utility>

namespace kestova {

using namespace mosavo;

namespace {
// The emulator palette file last chosen with File > Display Colours, for the next session; absent after Default
// Colours.
const QString displayColorsFileKey = QStringLiteral("DisplayColorsFile");

// The first window of a session shows the display colours the last one chose, when their file can still be read.
void restoreKeptDisplayColors()
{
    static bool restored = false;
    if (std::exchange(restored, true))
        return;
    const QString path = QSettings().value(displayColorsFileKey).toString();
    if (path.isEmpty() || !currentDisplayColors().isMasterTable())
        return;
    auto read = readDisplayColorsFile(path);
    if (const auto *colors = std::get_if<DisplayColors>(&read))
        setCurrentDisplayColors(*colors);
    else
        QSettings().remove(displayColorsFileKey);
}
} // namespace

std::variant<DisplayColors, FileError> readDisplayColorsFile(const QString &path)
{
    const ReadResult read = readWholeFile(path);
    if (read.error)
        return *read.error;
    auto file = DisplayColors::fromFile(read.bytes);
    if (!file)
        return FileError { path, QStringLiteral("not a display palette: %1").arg(QString::fromStdString(file.error)) };
    return *file.colors;
}

DisplayColorsMenu::DisplayColorsMenu(MainMosavoWindow *window)
    : QObject(window)
    , window_(window)
{
    setObjectName(QStringLiteral("displayColorsMenu"));
    Ui::MainMosavo &ui = window->ui();

    displayColors_ = new QAction(QStringLiteral("&Display Colours…"), window);
    displayColors_->setObjectName(QStringLiteral("actionDisplayColors"));
    displayColors_->setToolTip(QStringLiteral("Show every view and written picture in an emulator palette file's "
                                              "colours (192 or 1536 bytes)"));
    connect(displayColors_, &QAction::triggered, this, [this] { chooseDisplayColors(); });
    defaultColors_ = new QAction(QStringLiteral("Default &Colours"), window);
    defaultColors_->setObjectName(QStringLiteral("actionDefaultColors"));
    defaultColors_->setToolTip(QStringLiteral("Back to the program's own NES colours, without emphasis"));
    connect(defaultColors_, &QAction::triggered, this, [] {
        resetCurrentDisplayColors();
        QSettings().remove(displayColorsFileKey);
    });
    // After Export PNG, before Close.
    ui.menuFile->insertAction(ui.actionClose, displayColors_);
    ui.menuFile->insertAction(ui.actionClose, defaultColors_);
    ui.menuFile->insertSeparator(ui.actionClose);

    QMenu *emphasis = new QMenu(QStringLiteral("&Emphasis"), window);
    emphasis->setObjectName(QStringLiteral("menuEmphasis"));
    emphasis->setToolTipsVisible(true);
    const std::array<std::pair<QString, QString>, 3> channels {
        { { QStringLiteral("&Red"), QStringLiteral("actionEmphasisRed") },
            { QStringLiteral("&Green"), QStringLiteral("actionEmphasisGreen") },
            { QStringLiteral("&Blue"), QStringLiteral("actionEmphasisBlue") } }
    };
    for (size_t i = 0; i < channels.size(); ++i) {
        QAction *action = emphasis->addAction(channels[i].first);
        action->setObjectName(channels[i].second);
        action->setCheckable(true);
        action->setToolTip(QStringLiteral("Preview bit %1 of $2001 (PPUMASK)").arg(5 + i));
        connect(action, &QAction::toggled, this, [this] {
            int bits = emphasisNone;
            for (size_t k = 0; k < emphasis_.size(); ++k)
                if (emphasis_[k]->isChecked())
                    bits |= 1 << k;
            setCurrentDisplayEmphasis(bits);
        });
        emphasis_[i] = action;
    }
    ui.menuView->addSeparator();
    ui.menuView->addMenu(emphasis);

    restoreKeptDisplayColors();
    observer_ = addDisplayColorsObserver([this] { follow(); });
    follow();
}

DisplayColorsMenu::~DisplayColorsMenu()
{
    removeDisplayColorsObserver(observer_);
}

DisplayColorsMenu *DisplayColorsMenu::install(MainMosavoWindow *window)
{
    return installWindowPart<DisplayColorsMenu>(window);
}

DisplayColorsMenu *DisplayColorsMenu::of(const MainMosavoWindow *window)
{
    return windowPart<DisplayColorsMenu>(window, QStringLiteral("displayColorsMenu"));
}

void DisplayColorsMenu::chooseDisplayColors()
{
    filePanels().chooseFileToOpen(
        { QStringLiteral("Display Colours"), QStringLiteral("Emulator palettes (*.pal);;All files (*)"), QString() },
        [this](const QString &path) {
            if (!path.isEmpty())
                loadDisplayColors(path);
        });
}

bool DisplayColorsMenu::loadDisplayColors(const QString &path)
{
    auto read = readDisplayColorsFile(path);
    if (const auto *error = std::get_if<FileError>(&read)) {
        alerts().showError(error->describe(), window_);
        return false;
    }
    const DisplayColors &colors = std::get<DisplayColors>(read);
    const bool sets = colors.hasEmphasisSets();
    setCurrentDisplayColors(colors);
    QSettings().setValue(displayColorsFileKey, QFileInfo(path).absoluteFilePath());
    if (window_)
        window_->showStatus(
            QStringLiteral("Display colours from %1 (%2)")
                .arg(QFileInfo(path).fileName(),
                    sets ? QStringLiteral("64 colours in 8 emphasis sets") : QStringLiteral("64 colours")));
    return true;
}

void DisplayColorsMenu::follow()
{
    const int bits = currentDisplayEmphasis();
    for (size_t k = 0; k < emphasis_.size(); ++k) {
        const QSignalBlocker blocker(emphasis_[k]);
        emphasis_[k]->setChecked((bits & (1 << k)) != 0);
    }
    defaultColors_->setEnabled(!currentDisplayColors().isMasterTable() || bits != emphasisNone);
    if (!window_)
        return;
    EditorViewController *controller = window_->editorViewController;
    if (!controller || !window_->document())
        return;
    if (controller->tileCollection)
        controller->tileCollection->refreshColors();
    if (controller->generalSelectableColorsOutlet)
        controller->generalSelectableColorsOutlet->update();
    // The selectors, the editor and, through colorsChanged, the screen and sprite views.
    controller->palettesChanged();
}

} // namespace kestova
