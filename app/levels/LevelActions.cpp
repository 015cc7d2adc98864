#include "app/levels/LevelActions.h"

#include "app/document/FileIO.h"
#include "app/levels/LevelImport.h"
#include "app/screens/ScreenActions.h"
#include "app/screens/ScreenImport.h"
#include "app/tiles/EditorViewController.h"
#include "app/window/Alerts.h"
#include "app/window/BackgroundWork.h"
#include "app/window/MainMosavoWindow.h"
#include "ui_MainMosavo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QSpinBox>
#include <QUndoStack>
#include <QVBoxLayout>

namespace kestova {

using namespace mosavo;

LevelActions::LevelActions(MainMosavoWindow *window)
    : DocumentPart(window, QStringLiteral("levelActions"))
{
    buildDock();
    buildMenu();
    followDocument(
        this, window, [this] { refresh(); },
        [this] {
            current_ = -1;
            refresh();
        });
    refresh();
}

LevelActions *LevelActions::install(MainMosavoWindow *window)
{
    return installWindowPart<LevelActions>(window);
}

LevelActions *LevelActions::of(const MainMosavoWindow *window)
{
    return windowPart<LevelActions>(window, QStringLiteral("levelActions"));
}

void LevelActions::buildDock()
{
    dock_ = new QDockWidget(QStringLiteral("Levels"), window_);
    dock_->setObjectName(QStringLiteral("levelsDock"));
    auto *content = new QWidget;
    auto *layout = new QVBoxLayout(content);
    auto *controls = new QHBoxLayout;
    mapChoice_ = new QComboBox(content);
    mapChoice_->setObjectName(QStringLiteral("levelMapChoice"));
    zoom_ = new QComboBox(content);
    zoom_->setObjectName(QStringLiteral("levelZoom"));
    for (int scale = 1; scale <= 4; ++scale)
        zoom_->addItem(QStringLiteral("%1x").arg(scale));
    zoom_->setCurrentIndex(1);
    grid_ = new QCheckBox(QStringLiteral("Grid"), content);
    grid_->setObjectName(QStringLiteral("levelGrid"));
    grid_->setChecked(true);
    behaviourOverlay_ = new QCheckBox(QStringLiteral("Behaviour"), content);
    behaviourOverlay_->setObjectName(QStringLiteral("levelBehaviourOverlay"));
    controls->addWidget(mapChoice_, 1);
    controls->addWidget(zoom_);
    controls->addWidget(grid_);
    controls->addWidget(behaviourOverlay_);
    layout->addLayout(controls);

    setView_ = new MetatileSetView(content);
    layout->addWidget(setView_);
    auto *metatileRow = new QHBoxLayout;
    metatileInfo_ = new QLabel(content);
    metatileInfo_->setObjectName(QStringLiteral("metatileInfo"));
    behaviour_ = new QSpinBox(content);
    behaviour_->setObjectName(QStringLiteral("metatileBehaviour"));
    behaviour_->setRange(0, 255);
    behaviour_->setDisplayIntegerBase(16);
    behaviour_->setPrefix(QStringLiteral("$"));
    behaviour_->setToolTip(QStringLiteral("The chosen metatile's behaviour byte"));
    subPalette_ = new QSpinBox(content);
    subPalette_->setObjectName(QStringLiteral("metatileSubPalette"));
    subPalette_->setRange(0, 3);
    subPalette_->setToolTip(QStringLiteral("The chosen metatile's background sub-palette"));
    metatileRow->addWidget(metatileInfo_, 1);
    metatileRow->addWidget(new QLabel(QStringLiteral("Sub-palette"), content));
    metatileRow->addWidget(subPalette_);
    metatileRow->addWidget(new QLabel(QStringLiteral("Behaviour"), content));
    metatileRow->addWidget(behaviour_);
    layout->addLayout(metatileRow);

    mapView_ = new LevelMapView;
    auto *scroll = new QScrollArea(content);
    scroll->setObjectName(QStringLiteral("levelMapScroll"));
    scroll->setWidget(mapView_);
    scroll->setMinimumHeight(240);
    layout->addWidget(scroll, 1);
    dock_->setWidget(content);
    window_->addDockWidget(Qt::RightDockWidgetArea, dock_);
    dock_->hide();

    connect(mapChoice_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!refreshing_)
            setCurrentMap(index);
    });
    connect(zoom_, &QComboBox::currentIndexChanged, this, [this](int index) { mapView_->setScale(index + 1); });
    connect(grid_, &QCheckBox::toggled, mapView_, &LevelMapView::setShowsGrid);
    connect(behaviourOverlay_, &QCheckBox::toggled, mapView_, &LevelMapView::setShowsBehaviour);
    connect(setView_, &MetatileSetView::metatileChosen, this, &LevelActions::chooseMetatile);
    connect(behaviour_, &QSpinBox::valueChanged, this, [this](int value) {
        if (!refreshing_)
            setBehaviour(value);
    });
    connect(subPalette_, &QSpinBox::valueChanged, this, [this](int value) {
        if (!refreshing_)
            setMetatileSubPalette(value);
    });
    connect(mapView_, &LevelMapView::cellPressed, this, &LevelActions::pressed);
    connect(mapView_, &LevelMapView::cellDragged, this, &LevelActions::dragged);
    connect(mapView_, &LevelMapView::cellReleased, this, &LevelActions::released);
    connect(mapView_, &LevelMapView::cellHovered, this, &LevelActions::hovered);
}

void LevelActions::buildMenu()
{
    menu_ = new QMenu(QStringLiteral("&Level"), window_);
    menu_->setObjectName(QStringLiteral("menuLevel"));
    QAction *show = dock_->toggleViewAction();
    show->setText(QStringLiteral("Show &Levels"));
    show->setObjectName(QStringLiteral("actionShowLevels"));
    menu_->addAction(show);
    menu_->addSeparator();
    QAction *import = menu_->addAction(QStringLiteral("&Import Level Picture..."));
    import->setObjectName(QStringLiteral("actionImportLevelPicture"));
    connect(import, &QAction::triggered, this, [this] { chooseLevelPicture(); });
    QAction *fromScreen = menu_->addAction(QStringLiteral("Make &Metatiles from Screen"));
    fromScreen->setObjectName(QStringLiteral("actionMakeMetatilesFromScreen"));
    connect(fromScreen, &QAction::triggered, this, [this] { makeMetatilesFromScreen(); });
    menu_->addSeparator();
    QAction *addBlock = menu_->addAction(QStringLiteral("&Add Block as Metatile"));
    addBlock->setObjectName(QStringLiteral("actionAddBlockAsMetatile"));
    connect(addBlock, &QAction::triggered, this, [this] { addBlockAsMetatile(); });
    QAction *setTiles = menu_->addAction(QStringLiteral("Set Metatile &Tiles from Block"));
    setTiles->setObjectName(QStringLiteral("actionSetMetatileTilesFromBlock"));
    connect(setTiles, &QAction::triggered, this, [this] { setMetatileTilesFromBlock(); });
    QAction *deleteUnused = menu_->addAction(QStringLiteral("&Delete Unused Metatiles"));
    deleteUnused->setObjectName(QStringLiteral("actionDeleteUnusedMetatiles"));
    connect(deleteUnused, &QAction::triggered, this, [this] { deleteUnusedMetatiles(); });
    QAction *earlier = menu_->addAction(QStringLiteral("Move Metatile &Earlier"));
    earlier->setObjectName(QStringLiteral("actionMoveMetatileEarlier"));
    connect(earlier, &QAction::triggered, this, [this] { moveMetatile(-1); });
    QAction *later = menu_->addAction(QStringLiteral("Move Metatile &Later"));
    later->setObjectName(QStringLiteral("actionMoveMetatileLater"));
    connect(later, &QAction::triggered, this, [this] { moveMetatile(1); });
    menu_->addSeparator();
    QAction *copy = menu_->addAction(QStringLiteral("&Copy Region"));
    copy->setObjectName(QStringLiteral("actionCopyLevelRegion"));
    connect(copy, &QAction::triggered, this, [this] { copyRegion(); });
    QAction *paste = menu_->addAction(QStringLiteral("&Paste Region"));
    paste->setObjectName(QStringLiteral("actionPasteLevelRegion"));
    connect(paste, &QAction::triggered, this, [this] { pasteRegion(); });
    window_->menuBar()->insertMenu(window_->ui().menuHelp->menuAction(), menu_);
}

PatternTables LevelActions::patterns() const
{
    const SettingsPtr s = settings();
    if (!s)
        return {};
    auto tables = levelPatternTables(*s);
    return std::holds_alternative<PatternTables>(tables) ? std::get<PatternTables>(tables) : PatternTables {};
}

void LevelActions::refresh()
{
    const SettingsPtr s = settings();
    refreshing_ = true;
    const int maps = s ? int(s->levelMaps().size()) : 0;
    if (current_ >= maps)
        current_ = maps - 1;
    if (current_ < 0 && maps > 0)
        current_ = 0;
    mapChoice_->clear();
    for (int i = 0; i < maps; ++i)
        mapChoice_->addItem(QString::fromStdString(s->levelMaps()[size_t(i)].name));
    mapChoice_->setCurrentIndex(current_);
    if (current_ >= 0) {
        const LevelMap &map = s->levelMaps()[size_t(current_)];
        const MetatileSet &set = s->metatileSets()[size_t(map.metatileSet)];
        const PatternTables tables = patterns();
        const PaletteBytes palette = documentPaletteBytes(*s);
        setView_->setSet(tables, set, palette);
        std::vector<bool> used(set.metatiles.size(), false);
        for (const LevelMap &other : s->levelMaps())
            if (other.metatileSet == map.metatileSet)
                for (uint8_t cell : other.cells)
                    if (cell < used.size())
                        used[cell] = true;
        setView_->setUsed(std::move(used));
        if (setView_->chosen() < 0 && !set.metatiles.empty())
            setView_->setChosen(0);
        mapView_->setLevel(tables, map, set, palette);
        const int chosen = setView_->chosen();
        if (chosen >= 0) {
            const Metatile &metatile = set.metatiles[size_t(chosen)];
            behaviour_->setValue(metatile.behaviour);
            subPalette_->setValue(metatile.subPalette);
            metatileInfo_->setText(QStringLiteral("Metatile %1: tiles $%2 $%3 $%4 $%5, sub-palette %6")
                                       .arg(chosen)
                                       .arg(metatile.tiles[0], 2, 16, QLatin1Char('0'))
                                       .arg(metatile.tiles[1], 2, 16, QLatin1Char('0'))
                                       .arg(metatile.tiles[2], 2, 16, QLatin1Char('0'))
                                       .arg(metatile.tiles[3], 2, 16, QLatin1Char('0'))
                                       .arg(metatile.subPalette));
        }
    } else {
        metatileInfo_->setText(QStringLiteral("No map: Level > Import Level Picture or Make Metatiles from Screen"));
    }
    mapView_->setEnabled(current_ >= 0);
    behaviour_->setEnabled(current_ >= 0 && setView_->chosen() >= 0);
    subPalette_->setEnabled(behaviour_->isEnabled());
    refreshing_ = false;
}

void LevelActions::setCurrentMap(int index)
{
    current_ = index;
    selection_ = QRect();
    mapView_->setDraggedRectangle({});
    setView_->setChosen(-1);
    refresh();
}

void LevelActions::chooseMetatile(int metatile)
{
    setView_->setChosen(metatile);
    refresh();
}

LevelState LevelActions::state() const
{
    const SettingsPtr s = settings();
    return s ? LevelState { s->metatileSets(), s->levelMaps(), current_ } : LevelState {};
}

void LevelActions::push(LevelState after, const QString &text)
{
    const SettingsPtr s = settings();
    if (!s)
        return;
    LevelState before = gestureBefore_ ? *gestureBefore_ : state();
    window_->editorViewController->undoStack().push(
        new LevelEditCommand(this, s, std::move(before), std::move(after), text));
}

void LevelActions::stateApplied(int shownMap)
{
    current_ = shownMap;
    refresh();
}

bool LevelActions::setBehaviour(int value)
{
    const SettingsPtr s = settings();
    const int chosen = setView_->chosen();
    if (!s || current_ < 0 || chosen < 0)
        return false;
    LevelState after = state();
    Metatile &metatile = after.sets[size_t(after.maps[size_t(current_)].metatileSet)].metatiles[size_t(chosen)];
    if (metatile.behaviour == value)
        return false;
    metatile.behaviour = uint8_t(value);
    push(std::move(after), QStringLiteral("Set Behaviour"));
    return true;
}

void LevelActions::stampAt(int column, int row)
{
    const SettingsPtr s = settings();
    LevelMap &map = s->levelMaps()[size_t(current_)];
    map.setAt(column, row, uint8_t(setView_->chosen()));
}

void LevelActions::pressed(int column, int row, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0)
        return;
    const LevelMap &map = s->levelMaps()[size_t(current_)];
    if (button == Qt::RightButton) {
        chooseMetatile(map.at(column, row));
        return;
    }
    if (button == Qt::LeftButton && (modifiers & Qt::ControlModifier)) {
        selectionStart_ = QPoint(column, row);
        selection_ = QRect(*selectionStart_, *selectionStart_);
        mapView_->setDraggedRectangle(selection_);
        return;
    }
    if (button != Qt::LeftButton || setView_->chosen() < 0)
        return;
    gestureBefore_ = state();
    if (modifiers & Qt::ShiftModifier) {
        rectangleStart_ = QPoint(column, row);
        mapView_->setDraggedRectangle(QRect(*rectangleStart_, *rectangleStart_));
        return;
    }
    stampAt(column, row);
    refresh();
}

void LevelActions::dragged(int column, int row)
{
    if (selectionStart_) {
        selection_ = QRect(*selectionStart_, QPoint(column, row)).normalized();
        mapView_->setDraggedRectangle(selection_);
        return;
    }
    if (!gestureBefore_)
        return;
    if (rectangleStart_) {
        mapView_->setDraggedRectangle(QRect(*rectangleStart_, QPoint(column, row)).normalized());
        return;
    }
    stampAt(column, row);
    refresh();
}

void LevelActions::released(int column, int row)
{
    if (selectionStart_) {
        selection_ = QRect(*selectionStart_, QPoint(column, row)).normalized();
        selectionStart_.reset();
        status(QStringLiteral("Selected %1 x %2 cells").arg(selection_.width()).arg(selection_.height()));
        return;
    }
    if (!gestureBefore_)
        return;
    QString text = QStringLiteral("Stamp Metatile");
    if (rectangleStart_) {
        const QRect cells = QRect(*rectangleStart_, QPoint(column, row)).normalized();
        for (int y = cells.top(); y <= cells.bottom(); ++y)
            for (int x = cells.left(); x <= cells.right(); ++x)
                stampAt(x, y);
        mapView_->setDraggedRectangle({});
        rectangleStart_.reset();
        text = QStringLiteral("Fill Rectangle");
    }
    LevelState after = state();
    if (after.maps != gestureBefore_->maps)
        push(std::move(after), text);
    gestureBefore_.reset();
}

void LevelActions::hovered(int column, int row)
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0)
        return;
    const LevelMap &map = s->levelMaps()[size_t(current_)];
    const MetatileSet &set = s->metatileSets()[size_t(map.metatileSet)];
    const int roomX = column / LevelMap::roomColumns, roomY = row / LevelMap::roomRows;
    const uint8_t number = map.at(column, row);
    QString tiles;
    if (number < set.metatiles.size())
        for (uint8_t tile : set.metatiles[number].tiles)
            tiles += QStringLiteral(" $%1").arg(tile, 2, 16, QLatin1Char('0'));
    status(QStringLiteral("Room %1 (%2, %3), cell (%4, %5): metatile %6, tiles%7")
               .arg(roomY * map.roomsWide + roomX)
               .arg(roomX)
               .arg(roomY)
               .arg(column % LevelMap::roomColumns)
               .arg(row % LevelMap::roomRows)
               .arg(number)
               .arg(tiles));
}

void LevelActions::chooseLevelPicture()
{
    choosePicture(QStringLiteral("Import Level Picture"), [this](const QString &path) { importLevelPicture(path); });
}

bool LevelActions::importLevelPicture(const QString &path)
{
    const SettingsPtr s = settings();
    if (!s)
        return false;
    // The conversion may take a while: it runs on a copy of the document, the window live and the user able to
    // cancel, which leaves the document as it was.
    const SettingsPtr source = documentCopyForImport(*s, path, window_);
    if (!source)
        return false;
    const auto colors = std::make_shared<DisplayColors>(currentDisplayColors());
    const int emphasis = currentDisplayEmphasis();
    const std::string name = uniqueItemName(s->levelMaps(), QFileInfo(path).completeBaseName()).toStdString();
    // The conversion, and the copy of the document as the import leaves it (its sub-palettes taken from there).
    using Imported = std::pair<LevelConversion, SettingsPtr>;
    auto run = runWithProgress<std::variant<Imported, QString>>(window_,
        QStringLiteral("Importing %1\u2026").arg(QFileInfo(path).fileName()),
        [path, source, colors, emphasis, name]() -> std::variant<Imported, QString> {
            const ReadResult read = readWholeFile(path);
            if (read.error)
                return read.error->reason;
            auto image = readLevelPicture(read.bytes);
            if (auto *reason = std::get_if<QString>(&image))
                return std::move(*reason);
            auto converted
                = convertLevelImage(std::get<QImage>(image), *source, *colors, emphasis, std::nullopt, 0, name);
            if (auto *reason = std::get_if<QString>(&converted))
                return std::move(*reason);
            LevelConversion conversion = std::get<LevelConversion>(std::move(converted));
            applyLevelConversion(*source, conversion);
            return Imported { std::move(conversion), source };
        });
    if (!run) {
        status(QStringLiteral("Import of %1 cancelled").arg(QFileInfo(path).fileName()));
        return false;
    }
    if (const auto *reason = std::get_if<QString>(&*run)) {
        alerts().showError(FileError { path, *reason }.describe(), window_);
        return false;
    }
    auto &[conversion, copy] = std::get<Imported>(*run);
    const int64_t first = std::get<int64_t>(screenBankFirstTile(*s->tileData()))
        + int64_t(conversion.set.patternTable) * PatternTables::tilesPerTable;
    std::vector<int64_t> numbers;
    std::vector<MatrixPtr> tiles;
    for (const ScreenTileChange &change : conversion.tileChanges) {
        MatrixPtr tile = Matrix::make(8, 8);
        std::copy(change.pixels.begin(), change.pixels.end(), tile->cells().begin());
        numbers.push_back(first + change.tile);
        tiles.push_back(std::move(tile));
    }
    const QString text = QStringLiteral("Import Level Picture");
    QUndoStack &stack = window_->editorViewController->undoStack();
    stack.beginMacro(text);
    if (!numbers.empty())
        window_->editorViewController->importTiles(numbers, tiles, text);
    if (copy->palettes())
        window_->editorViewController->replacePalettes(*copy->palettes());
    push(LevelState { copy->metatileSets(), copy->levelMaps(), int(copy->levelMaps().size()) - 1 }, text);
    stack.endMacro();
    dock_->show();
    status(QStringLiteral("Imported %1: %2 rooms, %3 metatiles, %4 new tiles")
               .arg(QFileInfo(path).fileName())
               .arg(conversion.map.roomCount())
               .arg(conversion.set.metatiles.size())
               .arg(conversion.tileChanges.size()));
    return true;
}

bool LevelActions::makeMetatilesFromScreen()
{
    const SettingsPtr s = settings();
    if (!s || s->screens().empty()) {
        status(QStringLiteral("The document has no screen to make metatiles from"));
        return false;
    }
    const ScreenActions *screens = ScreenActions::of(window_);
    const int screen = screens && screens->currentScreen() >= 0 ? screens->currentScreen() : 0;
    const SettingsPtr copy = EditorViewControllerSettings::decode(s->encode());
    if (kestova::makeMetatilesFromScreen(*copy, size_t(screen)))
        return false;
    push(LevelState { copy->metatileSets(), copy->levelMaps(), int(copy->levelMaps().size()) - 1 },
        QStringLiteral("Make Metatiles from Screen"));
    dock_->show();
    return true;
}

} // namespace kestova
