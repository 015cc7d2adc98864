#include "app/sprites/SpriteActions.h"

#include "app/document/FileIO.h"
#include "app/document/MosavoDocument.h"
#include "app/sprites/FrameItemDelegate.h"
#include "app/sprites/SpriteImport.h"
#include "app/sprites/SpritePictures.h"
#include "app/tiles/EditorViewController.h"
#include "app/window/Alerts.h"
#include "app/window/DockContent.h"
#include "app/window/DockSupport.h"
#include "app/window/FilePanels.h"
#include "app/window/FlowLayout.h"
#include "app/window/MainMosavoWindow.h"
#include "sprite/AnimationPreview.h"
#include "sprite/SpritePicture.h"
#include "ui_MainMosavo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

namespace kestova {

using namespace mosavo;

void SpriteActions::buildDock()
{
    dock_ = new QDockWidget(QStringLiteral("Sprites"), window_);
    dock_->setObjectName(QStringLiteral("spritesDock"));
    auto *content = new DockContent(dock_);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);

    // Rows of icon buttons wrap to the dock's width, so that a narrow dock shows all of them.
    auto iconButton = [&](FlowLayout *row, const char *name, DockGlyph glyph, const QString &text, const QString &tip,
                          auto handler) {
        QToolButton *button = dockIconButton(content, QString::fromLatin1(name), glyph, text, tip);
        connect(button, &QToolButton::clicked, this, handler);
        row->addWidget(button);
        return button;
    };

    // The document's metasprites.
    auto *listButtons = new FlowLayout;
    iconButton(listButtons, "metaspriteNew", DockGlyph::add, QStringLiteral("New"),
        QStringLiteral("A new, empty metasprite"), [this] { newMetasprite(); });
    iconButton(listButtons, "metaspriteDuplicate", DockGlyph::duplicate, QStringLiteral("Duplicate"),
        QStringLiteral("A copy of the metasprite"), [this] { duplicateMetasprite(); });
    iconButton(listButtons, "metaspriteRename", DockGlyph::rename, QStringLiteral("Rename"),
        QStringLiteral("Rename the metasprite (or double-click its name)"), [this] {
            bool ok = false;
            const SettingsPtr s = settings();
            if (!s || current_ < 0)
                return;
            const QString name
                = QInputDialog::getText(dock_, QStringLiteral("Rename Metasprite"), QStringLiteral("Name:"),
                    QLineEdit::Normal, QString::fromStdString(s->metasprites()[size_t(current_)].name), &ok);
            if (ok)
                renameMetasprite(current_, name);
        });
    iconButton(listButtons, "metaspriteDelete", DockGlyph::remove, QStringLiteral("Delete"),
        QStringLiteral("Delete the metasprite"), [this] { deleteMetasprite(); });
    iconButton(listButtons, "metaspriteUp", DockGlyph::up, QStringLiteral("Up"),
        QStringLiteral("Move the metasprite up the list"), [this] { moveMetasprite(-1); });
    iconButton(listButtons, "metaspriteDown", DockGlyph::down, QStringLiteral("Down"),
        QStringLiteral("Move the metasprite down the list"), [this] { moveMetasprite(1); });
    layout->addLayout(listButtons);
    metaspriteList_ = new QListWidget(content);
    metaspriteList_->setObjectName(QStringLiteral("metaspriteList"));
    metaspriteList_->setTextElideMode(Qt::ElideMiddle);
    metaspriteList_->setMinimumHeight(minimumListHeight);
    layout->addWidget(metaspriteList_, 1);
    connect(metaspriteList_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!refreshing_)
            setCurrentMetasprite(row);
    });
    connect(metaspriteList_, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) {
        if (!refreshing_)
            renameMetasprite(metaspriteList_->row(item), item->text());
    });

    // Sprite tools.
    auto *tools = new FlowLayout;
    auto addTool = [&](const char *name, DockGlyph glyph, const QString &text, const QString &tip, auto handler,
                       bool editsSprites) {
        QToolButton *button = iconButton(tools, name, glyph, text, tip, handler);
        if (editsSprites)
            spriteEditButtons_ << button;
        return button;
    };
    addTool(
        "spriteAdd", DockGlyph::add, QStringLiteral("Add"),
        QStringLiteral("Add the tiles selected in the viewer as sprites (Ctrl+Shift+A)"),
        [this] { addSpritesFromSelection(); }, false);
    addTool(
        "spriteFlipH", DockGlyph::flipHorizontally, QStringLiteral("Flip H"),
        QStringLiteral("Flip the selected sprites horizontally (H)"), [this] { flipSelected(true); }, true);
    addTool(
        "spriteFlipV", DockGlyph::flipVertically, QStringLiteral("Flip V"),
        QStringLiteral("Flip the selected sprites vertically (V)"), [this] { flipSelected(false); }, true);
    behindButton_ = addTool(
        "spriteBehind", DockGlyph::behind, QStringLiteral("Behind"),
        QStringLiteral("Show the selected sprites only where the background is colour 0"),
        [this] { toggleSelectedBehindBackground(); }, true);
    behindButton_->setCheckable(true);
    addTool(
        "spriteFront", DockGlyph::front, QStringLiteral("Front"),
        QStringLiteral("Bring the selected sprites to the front"), [this] { moveSelectedToFront(true); }, true);
    addTool(
        "spriteBack", DockGlyph::back, QStringLiteral("Back"), QStringLiteral("Send the selected sprites to the back"),
        [this] { moveSelectedToFront(false); }, true);
    addTool(
        "spritePosition", DockGlyph::position, QStringLiteral("Position"),
        QStringLiteral("Type the X and Y of the selected sprites (Ctrl+Shift+P)"), [this] { spritePositionDialog(); },
        true);
    addTool(
        "spriteDelete", DockGlyph::remove, QStringLiteral("Delete"),
        QStringLiteral("Delete the selected sprites (Del)"), [this] { deleteSelected(); }, true);
    subPaletteChoice_ = new QComboBox(content);
    subPaletteChoice_->setObjectName(QStringLiteral("spriteSubPalette"));
    subPaletteChoice_->setToolTip(QStringLiteral("The sub-palette of the selected sprites"));
    for (int p = 4; p < 8; ++p)
        subPaletteChoice_->addItem(QStringLiteral("Palette %1").arg(p), p);
    connect(subPaletteChoice_, &QComboBox::activated, this,
        [this](int index) { setSelectedSubPalette(subPaletteChoice_->itemData(index).toInt()); });
    spriteEditButtons_ << subPaletteChoice_;
    tools->addWidget(subPaletteChoice_);
    layout->addLayout(tools);

    // View and document choices.
    auto *options = new FlowLayout(nullptr, 4);
    zoomChoice_ = new QComboBox(content);
    zoomChoice_->setObjectName(QStringLiteral("spriteZoom"));
    zoomChoice_->setToolTip(QStringLiteral("Screen pixels per NES pixel"));
    for (int z = MetaspriteEditor::minimumZoom; z <= MetaspriteEditor::maximumZoom; ++z)
        zoomChoice_->addItem(QStringLiteral("%1x").arg(z), z);
    connect(
        zoomChoice_, &QComboBox::activated, this, [this](int index) { setZoom(zoomChoice_->itemData(index).toInt()); });
    snapChoice_ = new QComboBox(content);
    snapChoice_->setObjectName(QStringLiteral("spriteSnap"));
    snapChoice_->setToolTip(QStringLiteral("Dragged sprites land on multiples of 1 or 8 pixels"));
    snapChoice_->addItem(QStringLiteral("Snap 1 px"), 1);
    snapChoice_->addItem(QStringLiteral("Snap 8 px"), 8);
    connect(
        snapChoice_, &QComboBox::activated, this, [this](int index) { setSnap(snapChoice_->itemData(index).toInt()); });
    backgroundChoice_ = new QComboBox(content);
    backgroundChoice_->setObjectName(QStringLiteral("spriteBackground"));
    backgroundChoice_->setToolTip(QStringLiteral("What the metasprite is drawn over"));
    backgroundChoice_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    backgroundChoice_->setMinimumContentsLength(10);
    connect(backgroundChoice_, &QComboBox::activated, this,
        [this](int index) { setBackgroundScreen(backgroundChoice_->itemData(index).toInt()); });
    tallChoice_ = new QCheckBox(QStringLiteral("8x16"), content);
    tallChoice_->setObjectName(QStringLiteral("spriteTall"));
    tallChoice_->setToolTip(QStringLiteral("8x16 sprites for the whole document"));
    connect(tallChoice_, &QCheckBox::clicked, this, [this](bool on) { setTallSprites(on); });
    patternTableChoice_ = new QComboBox(content);
    patternTableChoice_->setObjectName(QStringLiteral("spritePatternTable"));
    patternTableChoice_->setToolTip(QStringLiteral("The pattern table 8x8 sprites read their tiles from"));
    patternTableChoice_->addItem(QStringLiteral("Table 0"), 0);
    patternTableChoice_->addItem(QStringLiteral("Table 1"), 1);
    connect(patternTableChoice_, &QComboBox::activated, this,
        [this](int index) { setSpritePatternTable(patternTableChoice_->itemData(index).toInt()); });
    for (QWidget *widget : std::initializer_list<QWidget *> {
             zoomChoice_, snapChoice_, backgroundChoice_, tallChoice_, patternTableChoice_ })
        options->addWidget(widget);
    layout->addLayout(options);

    // The editor.
    editor_ = new MetaspriteEditor;
    editor_->setObjectName(QStringLiteral("metaspriteEditor"));
    editor_->setDelegate(this);
    setZoom(QSettings().value(zoomKey, 2).toInt());
    setSnap(QSettings().value(snapKey, 1).toInt());
    auto *scroll = new QScrollArea(content);
    scroll->setObjectName(QStringLiteral("metaspriteScroll"));
    scroll->setWidget(editor_);
    scroll->setAlignment(Qt::AlignCenter);
    // The view's least height inside the frame and the scroll bar below it.
    scroll->setMinimumHeight(
        minimumListHeight + 2 * scroll->frameWidth() + scroll->horizontalScrollBar()->sizeHint().height());
    layout->addWidget(scroll, 3);
    editorScroll_ = scroll;
    // Shown the first time: in a short window the animation's frames fold away, and once the view is laid out the
    // origin goes to its middle.
    whenFirstShown(dock_, window_, [this](bool shortWindow) {
        if (auto *fold = dock_->findChild<QToolButton *>(QStringLiteral("animationFold")))
            fold->setChecked(!shortWindow);
        QTimer::singleShot(0, this, [this] { scrollToOrigin(); });
    });
    connect(editor_, &MetaspriteEditor::selectionChanged, this, &SpriteActions::updateButtons);
    connect(editor_, &MetaspriteEditor::selectionChanged, this, &SpriteActions::showPointerStatus);
    connect(editor_, &MetaspriteEditor::spriteHovered, this, &SpriteActions::showPointerStatus);
    connect(editor_, &MetaspriteEditor::dragMoved, this, &SpriteActions::showDragStatus);

    // Animations.
    auto *animationRow = new QHBoxLayout;
    animationRow->setSpacing(2);
    animationChoice_ = new QComboBox(content);
    animationChoice_->setObjectName(QStringLiteral("animationChoice"));
    animationChoice_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    animationChoice_->setMinimumContentsLength(6);
    connect(animationChoice_, &QComboBox::activated, this, [this](int index) { setCurrentAnimation(index); });
    // The frames and the preview fold away, to leave a short screen's height to the sprites (folded at first there).
    auto *fold = dockToolButton(content, QStringLiteral("animationFold"), QString(),
        QStringLiteral("Show or hide the animation's frames and preview"));
    fold->setCheckable(true);
    fold->setAutoRaise(true);
    animationRow->addWidget(fold);
    animationRow->addWidget(new QLabel(QStringLiteral("Animation"), content));
    animationRow->addWidget(animationChoice_, 1);
    auto *animationButtons = new FlowLayout;
    iconButton(animationButtons, "animationNew", DockGlyph::add, QStringLiteral("New"),
        QStringLiteral("A new, empty animation"), [this] { newAnimation(); });
    iconButton(animationButtons, "animationDelete", DockGlyph::remove, QStringLiteral("Delete"),
        QStringLiteral("Delete the animation"), [this] { deleteAnimation(); });
    animationRow->addLayout(animationButtons);
    layout->addLayout(animationRow);

    auto *framesColumn = new QVBoxLayout;
    framesColumn->setContentsMargins(0, 0, 0, 0);
    framesColumn->setSpacing(4);
    auto *frameButtons = new FlowLayout;
    iconButton(frameButtons, "frameAdd", DockGlyph::frameAdd, QStringLiteral("Add Frame"),
        QStringLiteral("The shown metasprite as the animation's last frame"), [this] { addFrame(); });
    iconButton(frameButtons, "frameRemove", DockGlyph::remove, QStringLiteral("Remove"),
        QStringLiteral("Remove the frame"), [this] { removeFrame(frameList_->currentRow()); });
    iconButton(frameButtons, "frameUp", DockGlyph::up, QStringLiteral("Up"), QStringLiteral("Move the frame earlier"),
        [this] { moveFrame(frameList_->currentRow(), -1); });
    iconButton(frameButtons, "frameDown", DockGlyph::down, QStringLiteral("Down"),
        QStringLiteral("Move the frame later"), [this] { moveFrame(frameList_->currentRow(), 1); });
    durationChoice_ = new QSpinBox(content);
    durationChoice_->setObjectName(QStringLiteral("frameDuration"));
    durationChoice_->setRange(1, 65535);
    durationChoice_->setValue(firstFrameDuration);
    durationChoice_->setSuffix(QStringLiteral(" f"));
    durationChoice_->setToolTip(QStringLiteral("How long the chosen frame shows, in frames of 1/60 s"));
    connect(durationChoice_, &QSpinBox::editingFinished, this,
        [this] { setFrameDuration(frameList_->currentRow(), durationChoice_->value()); });
    frameButtons->addWidget(durationChoice_);
    playButton_ = iconButton(frameButtons, "animationPlay", DockGlyph::play, QStringLiteral("Play"),
        QStringLiteral("Play or pause the animation"), [this] {
            if (preview_->isPlaying()) {
                preview_->pause();
                frameList_->setCurrentRow(preview_->currentFrame());
            } else {
                preview_->play();
            }
            const bool playing = preview_->isPlaying();
            playButton_->setText(playing ? QStringLiteral("Pause") : QStringLiteral("Play"));
            playButton_->setIcon(dockIcon(playing ? DockGlyph::pause : DockGlyph::play));
        });
    // Paused, the list shows the frame the preview shows (not while it plays: the duration box would change frames
    // under the user's hands).
    iconButton(frameButtons, "animationStep", DockGlyph::step, QStringLiteral("Step"),
        QStringLiteral("Show the next frame"), [this] {
            preview_->step();
            if (!preview_->isPlaying())
                frameList_->setCurrentRow(preview_->currentFrame());
        });
    framesColumn->addLayout(frameButtons);
    auto *framesRow = new QHBoxLayout;
    framesRow->setSpacing(4);
    frameList_ = new QListWidget(content);
    frameList_->setObjectName(QStringLiteral("frameList"));
    frameList_->setItemDelegate(new FrameItemDelegate(frameList_));
    frameList_->setMinimumHeight(minimumListHeight);
    framesRow->addWidget(frameList_, 1);
    preview_ = new AnimationPreview(content);
    preview_->setObjectName(QStringLiteral("animationPreview"));
    preview_->setMinimumSize(96, 96);
    framesRow->addWidget(preview_, 0, Qt::AlignTop);
    framesColumn->addLayout(framesRow);
    // The duration box edits the frame chosen in the list, and only while one is.
    durationChoice_->setEnabled(false);
    connect(frameList_, &QListWidget::currentRowChanged, this, [this](int row) {
        const SettingsPtr s = settings();
        const bool chosen = s && currentAnimation_ >= 0 && row >= 0
            && size_t(row) < s->animations()[size_t(currentAnimation_)].frames.size();
        durationChoice_->setEnabled(chosen);
        if (chosen)
            durationChoice_->setValue(s->animations()[size_t(currentAnimation_)].frames[size_t(row)].duration);
    });
    auto *frames = new QWidget(content);
    frames->setObjectName(QStringLiteral("animationFrames"));
    frames->setLayout(framesColumn);
    layout->addWidget(frames, 1);
    connect(fold, &QToolButton::toggled, frames, [fold, frames](bool shown) {
        frames->setVisible(shown);
        fold->setArrowType(shown ? Qt::DownArrow : Qt::RightArrow);
    });
    fold->setChecked(true);

    placeDocumentDock(window_, dock_, content);
    dock_->hide();
}

void SpriteActions::buildMenu()
{
    menu_ = new QMenu(QStringLiteral("&Sprite"), window_);
    menu_->setObjectName(QStringLiteral("menuSprite"));
    QAction *show = dock_->toggleViewAction();
    show->setText(QStringLiteral("Show &Sprites"));
    show->setObjectName(QStringLiteral("actionShowSprites"));
    show->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M));
    menu_->addAction(show);
    menu_->addSeparator();
    auto add = [this](const char *name, const QString &text, auto handler, QKeySequence key = {}) {
        QAction *action = menu_->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        if (!key.isEmpty())
            action->setShortcut(key);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    add("actionNewMetasprite", QStringLiteral("&New Metasprite"), [this] {
        dock_->show();
        newMetasprite();
    });
    add(
        "actionAddSpritesFromSelection", QStringLiteral("&Add Sprites from Selection"),
        [this] {
            dock_->show();
            addSpritesFromSelection();
        },
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    add(
        "actionSelectAllSprites", QStringLiteral("Select A&ll Sprites"),
        [this] {
            if (!dock_->isVisible())
                return;
            editor_->selectAll();
            editor_->setFocus();
        },
        QKeySequence(Qt::CTRL | Qt::Key_A));
    add(
        "actionSpritePosition", QStringLiteral("Sprite &Position..."), [this] { spritePositionDialog(); },
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    add("actionImportSpritePicture", QStringLiteral("&Import Sprite Picture..."), [this] { chooseSpritePicture(); });
    add("actionImportMetaspriteTable", QStringLiteral("Import &Metasprite Table..."),
        [this] { chooseMetaspriteTable(); });
    add("actionExportMetasprites", QStringLiteral("E&xport Metasprites..."), [this] { chooseMetaspriteExport(); });
    add("actionCheckLimits", QStringLiteral("Check &Limits..."), [this] { checkLimits(); });
    QAction *help = window_->ui().menuHelp->menuAction();
    window_->menuBar()->insertMenu(help, menu_);
}

} // namespace kestova
