#pragma once

#include "app/document/FileIO.h"
#include "palette/DisplayColors.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <array>
#include <variant>

class QAction;
class QMenu;

namespace kestova {

class MainMosavoWindow;

// The display colours in an emulator palette file: 64 RGB triplets (192 bytes) or eight such sets, one for each
// emphasis value (1536 bytes); anything else is refused with the file and the reason.
std::variant<mosavo::DisplayColors, FileError> readDisplayColorsFile(const QString &path);

// File > Display Colours (an emulator palette file for every view and every picture the program writes), File >
// Default Colours (back to the program's master table and no emphasis) and View > Emphasis > Red / Green / Blue
// (a preview of $2001's emphasis bits). The display colours belong to the whole program: every window's items and
// views follow each change, whichever window made it.
class DisplayColorsMenu : public QObject
{
    Q_OBJECT

public:
    explicit DisplayColorsMenu(MainMosavoWindow *window);
    ~DisplayColorsMenu() override;

    static DisplayColorsMenu *install(MainMosavoWindow *window);
    static DisplayColorsMenu *of(const MainMosavoWindow *window);

    // Shows every view in the colours of the file at path; on failure one message naming the file and the reason,
    // and the colours stay as they were.
    bool loadDisplayColors(const QString &path);
    void chooseDisplayColors();

    QAction *displayColorsAction() const { return displayColors_; }
    QAction *defaultColorsAction() const { return defaultColors_; }
    // Red, green, blue.
    const std::array<QAction *, 3> &emphasisActions() const { return emphasis_; }

private:
    // Brings the items' checks and the window's views up to the current display colours.
    void follow();

    QPointer<MainMosavoWindow> window_;
    QAction *displayColors_ = nullptr;
    QAction *defaultColors_ = nullptr;
    std::array<QAction *, 3> emphasis_ {};
    int observer_ = 0;
};

} // namespace kestova
