#pragma once

#include "app/EditorViewControllerSettings.h"
#include "editor/Mosavo.h"
#include "editor/MosavoDataSource.h"
#include "editor/ToolType.h"
#include "selectors/BoxSelectorDelegate.h"
#include "selectors/ColorSelector.h"
#include "selectors/GeneralColorSelector.h"
#include "selectors/PaletteSelector.h"
#include "viewer/TileCollection.h"
#include "viewer/TileCollectionDelegate.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QPointer>
#include <QWidget>

#include <optional>
#include <vector>

namespace kestova {

// The content of the main window: connects the tile viewer, the pixel editor and the three colour selectors to the
// document content. It is the viewer's TileCollectionDelegate, the editor's MosavoDataSource and every selector's
// BoxSelectorDelegate; finished edits land in the settings' tile data here and nowhere else.
class EditorViewController : public QWidget,
                             public mosavo::TileCollectionDelegate,
                             public mosavo::MosavoDataSource,
                             public mosavo::BoxSelectorDelegate
{
    Q_OBJECT

public:
    explicit EditorViewController(QWidget *parent = nullptr);

    // The document content; reading it while absent first creates settings with defaults.
    SettingsPtr editorViewControllerSettings();
    void setEditorViewControllerSettings(SettingsPtr settings) { settings_ = std::move(settings); }

    // Outlets (weak).
    QPointer<mosavo::Mosavo> mosavo;
    QPointer<QAbstractScrollArea> tileViewerScrollView;
    QPointer<mosavo::ColorSelector> selectableColorsOutlet;
    QPointer<mosavo::PaletteSelector> selectablePalettesOutlet;
    QPointer<mosavo::GeneralColorSelector> generalSelectableColorsOutlet;
    QPointer<mosavo::TileCollection> tileCollection;
    QPointer<QAbstractButton> toolPencil;
    QPointer<QAbstractButton> toolStraightLine;
    QPointer<QAbstractButton> toolFill;
    QPointer<QAbstractButton> toolBoxEmpty;
    QPointer<QAbstractButton> toolBoxFilled;
    QPointer<QAbstractButton> toolCircleEmpty;
    QPointer<QAbstractButton> toolCircleFilled;

    int64_t pixelsPerTile = 0;
    std::vector<int64_t> tileNumbers;
    int64_t previouslySetSelectablePalette = 0;
    mosavo::ConsoleType tileDataType = mosavo::ConsoleType::nes;
    std::optional<std::vector<mosavo::PalettePtr>> selectablePalettes;

    // The sub-palette chosen at start-up: selectablePalettes[settings.selectedPalette], absent without palettes.
    mosavo::PalettePtr selectedPalette();

    // Makes the delegates of the outlets point here (once the outlets are connected).
    void viewDidLoad();
    // Rebuilds the window's content from the settings; the viewer is configured in the next turn of the event loop.
    void setup();
    void setupMosavo(mosavo::PalettePtr colorSelector);
    void setupEditorViewControllerSettings();
    bool setupPaletteSelectorsForControllersOutlets(mosavo::PalettePtr colorSelector,
                                                    std::vector<mosavo::PalettePtr> paletteSelector,
                                                    mosavo::PalettePtr generalColorSelector);
    void deselectAllTools();

    // User actions.
    void changeZoomSize(QComboBox *sender);
    void toolSelected(QAbstractButton *sender);
    void updateLineColor(QAbstractButton *sender);

    // Delegate roles.
    void selected(mosavo::TileCollection *tileCollection,
                  const std::vector<std::vector<int64_t>> &tileNumbers) override;
    void updated(mosavo::Mosavo *mosavo, mosavo::TileDataPtr tileData,
                 const std::vector<int64_t> &tileNumbers) override;
    void selected(mosavo::BoxSelector *boxSelector, mosavo::PalettePick palette,
                  mosavo::BoxPosition boxSelected) override;

signals:
    // The document content changed: pixels were painted or a palette colour was replaced.
    void contentChanged();
    // The pixel editor's tool changed (buttons follow it).
    void toolChanged(mosavo::ToolType tool);

private:
    void colorSelectorPicked(mosavo::PalettePick palette);
    void paletteSelectorPicked(mosavo::PalettePick palette);
    void generalColorSelectorPicked(mosavo::BoxSelectorProtocol &protocol, mosavo::BoxPosition boxSelected);
    std::vector<std::pair<QPointer<QAbstractButton>, mosavo::ToolType>> toolButtons() const;

    SettingsPtr settings_;
};

} // namespace kestova
