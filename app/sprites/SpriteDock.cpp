#include "app/sprites/SpriteActions.h"

#include "app/document/FileIO.h"
#include "app/document/MosavoDocument.h"
#include "app/sprites/SpriteImport.h"
#include "app/sprites/SpritePictures.h"
#include "app/tiles/EditorViewController.h"
#include "app/window/Alerts.h"
#include "app/window/DockSupport.h"
#include "app/window/FilePanels.h"
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
    auto *content = new QWidget(dock_);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(4, 4, 4, 4);

    // The document's metasprites.
    auto *listRow = new QHBoxLayout;
    metaspriteList_ = new QListWidget(content);
    metaspriteList_->setObjectName(QStringLiteral("metaspriteList"));
    metaspriteList_->setMaximumHeight(96);
    listRow->addWidget(metaspriteList_, 1);
    auto *listButtons = new QVBoxLayout;
    listButtons->setSpacing(2);
    const std::tuple<const char *, const char *, const char *, std::function<void()>> listActions[] = {
        { "metaspriteNew", "New", "A new, empty metasprite", [this] { newMetasprite(); } },
        { "metaspriteDuplicate", "Duplicate", "A copy of the metasprite", [this] { duplicateMetasprite(); } },
        { "metaspriteRename", "Rename", "Rename the metasprite",
            [this] {
                bool ok = false;
                const SettingsPtr s = settings();
                if (!s || current_ < 0)
                    return;
                const QString name
                    = QInputDialog::getText(dock_, QStringLiteral("Rename Metasprite"), QStringLiteral("Name:"),
                        QLineEdit::Normal, QString::fromStdString(s->metasprites()[size_t(current_)].name), &ok);
                if (ok)
                    renameMetasprite(current_, name);
            } },
        { "metaspriteDelete", "Delete", "Delete the metasprite", [this] { deleteMetasprite(); } },
        { "metaspriteUp", "Up", "Move the metasprite up the list", [this] { moveMetasprite(-1); } },
        { "metaspriteDown", "Down", "Move the metasprite down the list", [this] { moveMetasprite(1); } },
    };
    auto *buttonGrid = new QGridLayout;
    buttonGrid->setSpacing(2);
    int slot = 0;
    for (const auto &[name, text, tip, handler] : listActions) {
        QToolButton *button
            = dockToolButton(content, QString::fromLatin1(name), QString::fromLatin1(text), QString::fromLatin1(tip));
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        connect(button, &QToolButton::clicked, this, handler);
        buttonGrid->addWidget(button, slot / 2, slot % 2);
        ++slot;
    }
    listButtons->addLayout(buttonGrid);
    listButtons->addStretch();
    listRow->addLayout(listButtons);
    layout->addLayout(listRow);
    connect(metaspriteList_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!refreshing_)
            setCurrentMetasprite(row);
    });
    connect(metaspriteList_, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) {
        if (!refreshing_)
            renameMetasprite(metaspriteList_->row(item), item->text());
    });

    // Sprite tools, in two rows so that the dock fits beside the pixel editor on a small screen.
    auto *tools = new QHBoxLayout;
    tools->setSpacing(2);
    auto *moreTools = new QHBoxLayout;
    moreTools->setSpacing(2);
    QHBoxLayout *toolRow = tools;
    auto addTool = [&](const char *name, const QString &text, const QString &tip, auto handler, bool editsSprites) {
        QToolButton *button = dockToolButton(content, QString::fromLatin1(name), text, tip);
        connect(button, &QToolButton::clicked, this, handler);
        toolRow->addWidget(button);
        if (editsSprites)
            spriteEditButtons_ << button;
        return button;
    };
    addTool(
        "spriteAdd", QStringLiteral("Add"), QStringLiteral("Add the tiles selected in the viewer as sprites"),
        [this] { addSpritesFromSelection(); }, false);
    addTool(
        "spriteFlipH", QStringLiteral("Flip H"), QStringLiteral("Flip the selected sprites horizontally"),
        [this] { flipSelected(true); }, true);
    addTool(
        "spriteFlipV", QStringLiteral("Flip V"), QStringLiteral("Flip the selected sprites vertically"),
        [this] { flipSelected(false); }, true);
    behindButton_ = addTool(
        "spriteBehind", QStringLiteral("Behind"),
        QStringLiteral("Show the selected sprites only where the background is colour 0"),
        [this] { toggleSelectedBehindBackground(); }, true);
    behindButton_->setCheckable(true);
    toolRow = moreTools;
    addTool(
        "spriteFront", QStringLiteral("Front"), QStringLiteral("Bring the selected sprites to the front"),
        [this] { moveSelectedToFront(true); }, true);
    addTool(
        "spriteBack", QStringLiteral("Back"), QStringLiteral("Send the selected sprites to the back"),
        [this] { moveSelectedToFront(false); }, true);
    addTool(
        "spriteDelete", QStringLiteral("Delete"), QStringLiteral("Delete the selected sprites (Delete)"),
        [this] { deleteSelected(); }, true);
    subPaletteChoice_ = new QComboBox(content);
    subPaletteChoice_->setObjectName(QStringLiteral("spriteSubPalette"));
    subPaletteChoice_->setToolTip(QStringLiteral("The sub-palette of the selected sprites"));
    for (int p = 4; p < 8; ++p)
        subPaletteChoice_->addItem(QStringLiteral("Palette %1").arg(p), p);
    connect(subPaletteChoice_, &QComboBox::activated, this,
        [this](int index) { setSelectedSubPalette(subPaletteChoice_->itemData(index).toInt()); });
    spriteEditButtons_ << subPaletteChoice_;
    moreTools->addWidget(subPaletteChoice_);
    tools->addStretch();
    moreTools->addStretch();
    layout->addLayout(tools);
    layout->addLayout(moreTools);

    // View and document choices.
    auto *options = new QHBoxLayout;
    options->setSpacing(4);
    zoomChoice_ = new QComboBox(content);
    zoomChoice_->setObjectName(QStringLiteral("spriteZoom"));
    for (int z = MetaspriteEditor::minimumZoom; z <= MetaspriteEditor::maximumZoom; ++z)
        zoomChoice_->addItem(QStringLiteral("%1x").arg(z), z);
    connect(
        zoomChoice_, &QComboBox::activated, this, [this](int index) { setZoom(zoomChoice_->itemData(index).toInt()); });
    snapChoice_ = new QComboBox(content);
    snapChoice_->setObjectName(QStringLiteral("spriteSnap"));
    snapChoice_->addItem(QStringLiteral("Snap 1 px"), 1);
    snapChoice_->addItem(QStringLiteral("Snap 8 px"), 8);
    connect(
        snapChoice_, &QComboBox::activated, this, [this](int index) { setSnap(snapChoice_->itemData(index).toInt()); });
    backgroundChoice_ = new QComboBox(content);
    backgroundChoice_->setObjectName(QStringLiteral("spriteBackground"));
    backgroundChoice_->setToolTip(QStringLiteral("What the metasprite is drawn over"));
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
    options->addStretch();
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
    layout->addWidget(scroll, 1);
    editorScroll_ = scroll;
    // Shown the first time: in a short window the animation's frames fold away, and once the view is laid out the
    // origin goes to its middle.
    whenFirstShown(dock_, window_, [this](bool shortWindow) {
        if (auto *fold = dock_->findChild<QToolButton *>(QStringLiteral("animationFold")))
            fold->setChecked(!shortWindow);
        QTimer::singleShot(0, this, [this] { scrollToOrigin(); });
    });
    connect(editor_, &MetaspriteEditor::selectionChanged, this, &SpriteActions::updateButtons);

    // Animations.
    auto *animationRow = new QHBoxLayout;
    animationRow->setSpacing(2);
    animationChoice_ = new QComboBox(content);
    animationChoice_->setObjectName(QStringLiteral("animationChoice"));
    connect(animationChoice_, &QComboBox::activated, this, [this](int index) { setCurrentAnimation(index); });
    // The frames and the preview fold away, to leave a short screen's height to the sprites (folded at first there).
    auto *fold = dockToolButton(content, QStringLiteral("animationFold"), QString(),
        QStringLiteral("Show or hide the animation's frames and preview"));
    fold->setCheckable(true);
    fold->setAutoRaise(true);
    animationRow->addWidget(fold);
    animationRow->addWidget(new QLabel(QStringLiteral("Animation"), content));
    animationRow->addWidget(animationChoice_, 1);
    auto addAnimationTool
        = [&](QBoxLayout *row, const char *name, const QString &text, const QString &tip, auto handler) {
              QToolButton *button = dockToolButton(content, QString::fromLatin1(name), text, tip);
              connect(button, &QToolButton::clicked, this, handler);
              row->addWidget(button);
              return button;
          };
    addAnimationTool(animationRow, "animationNew", QStringLiteral("New"), QStringLiteral("A new, empty animation"),
        [this] { newAnimation(); });
    addAnimationTool(animationRow, "animationDelete", QStringLiteral("Delete"), QStringLiteral("Delete the animation"),
        [this] { deleteAnimation(); });
    layout->addLayout(animationRow);

    auto *framesRow = new QHBoxLayout;
    frameList_ = new QListWidget(content);
    frameList_->setObjectName(QStringLiteral("frameList"));
    frameList_->setMaximumHeight(96);
    framesRow->addWidget(frameList_, 1);
    auto *frameButtons = new QVBoxLayout;
    frameButtons->setSpacing(2);
    addAnimationTool(frameButtons, "frameAdd", QStringLiteral("Add Frame"),
        QStringLiteral("The shown metasprite as the animation's last frame"), [this] { addFrame(); });
    durationChoice_ = new QSpinBox(content);
    durationChoice_->setObjectName(QStringLiteral("frameDuration"));
    durationChoice_->setRange(1, 65535);
    durationChoice_->setSuffix(QStringLiteral(" / 60 s"));
    durationChoice_->setToolTip(QStringLiteral("How long the frame shows, in frames of 1/60 s"));
    connect(durationChoice_, &QSpinBox::editingFinished, this,
        [this] { setFrameDuration(frameList_->currentRow(), durationChoice_->value()); });
    frameButtons->addWidget(durationChoice_);
    auto *frameMoves = new QHBoxLayout;
    addAnimationTool(frameMoves, "frameRemove", QStringLiteral("Remove"), QStringLiteral("Remove the frame"),
        [this] { removeFrame(frameList_->currentRow()); });
    addAnimationTool(frameMoves, "frameUp", QStringLiteral("Up"), QStringLiteral("Move the frame earlier"),
        [this] { moveFrame(frameList_->currentRow(), -1); });
    addAnimationTool(frameMoves, "frameDown", QStringLiteral("Down"), QStringLiteral("Move the frame later"),
        [this] { moveFrame(frameList_->currentRow(), 1); });
    frameButtons->addLayout(frameMoves);
    frameButtons->addStretch();
    framesRow->addLayout(frameButtons);
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

    preview_ = new AnimationPreview(content);
    preview_->setObjectName(QStringLiteral("animationPreview"));
    preview_->setMinimumSize(96, 96);
    framesRow->addWidget(preview_);
    auto *playButtons = new QVBoxLayout;
    playButton_ = addAnimationTool(
        playButtons, "animationPlay", QStringLiteral("Play"), QStringLiteral("Play or pause the animation"), [this] {
            if (preview_->isPlaying()) {
                preview_->pause();
                frameList_->setCurrentRow(preview_->currentFrame());
            } else {
                preview_->play();
            }
            playButton_->setText(preview_->isPlaying() ? QStringLiteral("Pause") : QStringLiteral("Play"));
        });
    // Paused, the list shows the frame the preview shows (not while it plays: the duration box would change frames
    // under the user's hands).
    addAnimationTool(
        playButtons, "animationStep", QStringLiteral("Step"), QStringLiteral("Show the next frame"), [this] {
            preview_->step();
            if (!preview_->isPlaying())
                frameList_->setCurrentRow(preview_->currentFrame());
        });
    playButtons->addStretch();
    framesRow->addLayout(playButtons);
    auto *frames = new QWidget(content);
    frames->setObjectName(QStringLiteral("animationFrames"));
    framesRow->setContentsMargins(0, 0, 0, 0);
    frames->setLayout(framesRow);
    layout->addWidget(frames);
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
    add("actionImportSpritePicture", QStringLiteral("&Import Sprite Picture..."), [this] { chooseSpritePicture(); });
    add("actionImportMetaspriteTable", QStringLiteral("Import &Metasprite Table..."), [this] { chooseMetaspriteTable(); });
    add("actionExportMetasprites", QStringLiteral("E&xport Metasprites..."), [this] { chooseMetaspriteExport(); });
    add("actionCheckLimits", QStringLiteral("Check &Limits..."), [this] { checkLimits(); });
    QAction *help = window_->ui().menuHelp->menuAction();
    window_->menuBar()->insertMenu(help, menu_);
}

QDialog *SpriteActions::checkLimits()
{
    const SettingsPtr s = settings();
    if (!s)
        return nullptr;
    if (s->metasprites().empty()) {
        status(QStringLiteral("The document has no metasprites to check"));
        return nullptr;
    }
    auto *dialog = new QDialog(window_);
    dialog->setObjectName(QStringLiteral("checkLimitsDialog"));
    dialog->setWindowTitle(QStringLiteral("Check Limits"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(dialog);
    layout->addWidget(new QLabel(
        QStringLiteral("Metasprites placed together on a screen, in OAM order (the first row's sprites first), at the "
                       "X and Y a program puts in OAM (a sprite is drawn from the line below its Y):"),
        dialog));
    auto *table = new QTableWidget(0, 3, dialog);
    table->setObjectName(QStringLiteral("placements"));
    table->setHorizontalHeaderLabels(
        { QStringLiteral("Metasprite"), QStringLiteral("OAM X"), QStringLiteral("OAM Y") });
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table);
    auto *report = new QPlainTextEdit(dialog);
    report->setObjectName(QStringLiteral("limitsReport"));
    report->setReadOnly(true);
    report->setMinimumHeight(140);

    const std::vector<Metasprite> metasprites = s->metasprites();
    const int spriteHeight = s->tallSprites() ? 16 : 8;
    auto update = [table, report, metasprites, spriteHeight] {
        std::vector<MetaspritePlacement> placements;
        for (int row = 0; row < table->rowCount(); ++row) {
            auto *choice = qobject_cast<QComboBox *>(table->cellWidget(row, 0));
            auto *x = qobject_cast<QSpinBox *>(table->cellWidget(row, 1));
            auto *y = qobject_cast<QSpinBox *>(table->cellWidget(row, 2));
            if (choice && x && y)
                placements.push_back({ choice->currentIndex(), x->value(), y->value() });
        }
        report->setPlainText(QString::fromStdString(spriteLimitsReport(metasprites, placements, spriteHeight)));
    };
    auto addRow = [table, metasprites, update](int metasprite, int x, int y) {
        const int row = table->rowCount();
        table->insertRow(row);
        auto *choice = new QComboBox(table);
        for (const Metasprite &m : metasprites)
            choice->addItem(QString::fromStdString(m.name));
        choice->setCurrentIndex(metasprite);
        auto *xs = new QSpinBox(table);
        xs->setRange(-128, 383);
        xs->setValue(x);
        auto *ys = new QSpinBox(table);
        ys->setRange(-128, 367);
        ys->setValue(y);
        table->setCellWidget(row, 0, choice);
        table->setCellWidget(row, 1, xs);
        table->setCellWidget(row, 2, ys);
        QObject::connect(choice, &QComboBox::currentIndexChanged, table, update);
        QObject::connect(xs, &QSpinBox::valueChanged, table, update);
        QObject::connect(ys, &QSpinBox::valueChanged, table, update);
        update();
    };
    auto *buttons = new QHBoxLayout;
    auto *add = new QPushButton(QStringLiteral("Add Placement"), dialog);
    add->setObjectName(QStringLiteral("addPlacement"));
    auto *remove = new QPushButton(QStringLiteral("Remove Placement"), dialog);
    remove->setObjectName(QStringLiteral("removePlacement"));
    connect(add, &QPushButton::clicked, dialog,
        [this, addRow] { addRow(std::max(current_, 0), editor_->originX(), editor_->originY()); });
    connect(remove, &QPushButton::clicked, dialog, [table, update] {
        if (table->rowCount() > 0) {
            table->removeRow(table->currentRow() >= 0 ? table->currentRow() : table->rowCount() - 1);
            update();
        }
    });
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch();
    layout->addLayout(buttons);
    layout->addWidget(report);
    auto *close = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    connect(close, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(close);
    addRow(std::max(current_, 0), editor_->originX(), editor_->originY());
    dialog->resize(560, 420);
    dialog->open();
    return dialog;
}

} // namespace kestova
