#pragma once

#include "convert/LossyScreenConversion.h"

#include "app/document/EditorViewControllerSettings.h"
#include "app/sprites/SpriteCommands.h"
#include "app/window/DockSupport.h"
#include "core/FrameRenderer.h"
#include "core/SpriteLimits.h"
#include "sprite/MetaspriteEditor.h"

#include <QObject>
#include <QPoint>
#include <QPointer>

#include <optional>

#include <vector>

class QCheckBox;
class QComboBox;
class QDialog;
class QDockWidget;
class QListWidget;
class QMenu;
class QScrollArea;
class QSpinBox;
class QToolButton;

namespace mosavo {
class AnimationPreview;
}

namespace kestova {

class MainMosavoWindow;
class PictureConvertDialog;

// The "Sprites" dock of a document window and the Sprite menu: the metasprite editor, the list of the document's
// metasprites, the sprite settings (8x16 sprites, sprite pattern table), the animations with their preview, and
// Sprite > Check Limits. Every change is one step on the document's undo stack; the dock follows every change of the
// tiles, the palettes or the sprites (also undo and redo).
//
// Sprites read their tiles from the 8 KiB CHR bank at the document's first CHR tile (the start of CHR-ROM of a ROM).
class SpriteActions : public DocumentPart, public mosavo::MetaspriteEditorDelegate
{
    Q_OBJECT

public:
    explicit SpriteActions(MainMosavoWindow *window);

    // The least height of the dock's lists and of the sprite view.
    static constexpr int minimumListHeight = 200;
    // The duration of an animation's first frame (later frames take the duration of the frame before them).
    static constexpr int firstFrameDuration = 8;

    // Adds the dock and the Sprite menu to a document window (once).
    static SpriteActions *install(MainMosavoWindow *window);
    static SpriteActions *of(const MainMosavoWindow *window);

    QDockWidget *dock() const { return dock_; }
    QMenu *spriteMenu() const { return menu_; }
    mosavo::MetaspriteEditor *editor() const { return editor_; }
    mosavo::AnimationPreview *preview() const { return preview_; }
    QListWidget *metaspriteList() const { return metaspriteList_; }
    QListWidget *frameList() const { return frameList_; }

    // The metasprite and animation shown (positions in the document's lists, -1 for none).
    int currentMetasprite() const { return current_; }
    void setCurrentMetasprite(int index);
    int currentAnimation() const { return currentAnimation_; }
    void setCurrentAnimation(int index);

    // A metasprite made elsewhere (a converted picture) added to the document with the tiles it needs, as one undo
    // step: tiles[i] replaces document tile numbers[i], then the metasprite joins the list and is shown. False (and
    // nothing changed) without a document.
    bool addMetasprite(const mosavo::Metasprite &metasprite, const std::vector<int64_t> &tileNumbers = {},
        const std::vector<mosavo::MatrixPtr> &tiles = {}, const QString &text = QStringLiteral("Add Metasprite"));

    // Sprite > Import Sprite Picture: asks for a picture, then in a small dialog ("spriteImportDialog") whether to
    // read its colours exactly (importSpritePicture) or convert it (convertSpritePictureDialog's preview first).
    void chooseSpritePicture();
    // A picture file made into a new metasprite of the document (8x8 or 8x16 sprites as the document's are, the
    // sub-palettes found and given to sub-palettes 4-7, named after the file) as one undo step; false, with one
    // message naming the file and the reason and the document unchanged, when it cannot be used. With lossy settings
    // the picture is converted into what sprites can show.
    bool importSpritePicture(const QString &path, const std::optional<mosavo::LossySettings> &lossy = std::nullopt);
    // Convert's preview of a picture file for a metasprite (a PictureConvertDialog), importing it when accepted;
    // nothing (an alert shown) when the picture cannot be read.
    PictureConvertDialog *convertSpritePictureDialog(const QString &path);

    // Metasprite list edits.
    // Sprite > Import Metasprite Table: asks for a table file and imports it (importMetaspriteTable).
    void chooseMetaspriteTable();
    // The metasprites of a neslib table file (C, ca65 or binary by its name, as --import-metasprites reads it) added
    // to the document as one undo step, the first shown; false, with one message naming the file and the reason and
    // the document unchanged, when it cannot be used.
    bool importMetaspriteTable(const QString &path);
    // Sprite > Export Metasprites: asks where and writes the tables there (exportMetasprites).
    void chooseMetaspriteExport();
    // The document's metasprite tables written to path in the form its name asks for (as --export-metasprites writes
    // them; source's address table named after the file); false, with a message, when they cannot be.
    bool exportMetasprites(const QString &path);

    void newMetasprite();
    void duplicateMetasprite();
    bool renameMetasprite(int index, const QString &name);
    void deleteMetasprite();
    void moveMetasprite(int delta);

    // Edits of the shown metasprite; the sprite edits work on the editor's selection.
    // The tiles of the viewer's selected block as new sprites, laid out as the block (8x16 documents: tall sprites).
    bool addSpritesFromSelection();
    void flipSelected(bool horizontally);
    void setSelectedSubPalette(int subPalette);
    void toggleSelectedBehindBackground();
    void moveSelectedToFront(bool front);
    void deleteSelected();

    // Document sprite settings.
    void setTallSprites(bool tall);
    void setSpritePatternTable(int table);

    // Animations.
    void newAnimation();
    void deleteAnimation();
    // The shown metasprite as the last frame of the shown animation (a new animation when there is none).
    void addFrame();
    void setFrameDuration(int frame, int duration);
    void removeFrame(int frame);
    void moveFrame(int frame, int delta);

    // Sprite > Check Limits: the dialog with the placements (metasprite, x, y) and the report.
    QDialog *checkLimits();
    // The OAM X and Y the shown metasprite is checked at: its first placement in Check Limits, else the view's
    // origin.
    QPoint checkedPlacement() const;

    // Sprite > Sprite Position: the dialog ("spritePositionDialog") asking for the X and Y offset of the selected
    // sprites (of their top left when several), applied by setSelectedPosition.
    QDialog *spritePositionDialog();
    // Moves the selected sprites, as one undo step, so that their top left is at the offset x, y from the origin;
    // false (with a message) when a sprite would leave -128..127 or nothing is selected.
    bool setSelectedPosition(int x, int y);
    // Status-bar texts: the sprite (its number, offset, OAM X and Y at the checked placement, tile, sub-palette,
    // flips and priority) and the selection.
    QString describeSprite(int index) const;
    QString describeSelection() const;

    // The view's choices: zoom 2-8, snap 1 or 8 (both kept for the next window), background screen (-1:
    // checkerboard).
    void setZoom(int zoom);
    // Scrolls the editor so that the metasprite's origin is in the middle of the view.
    void scrollToOrigin();
    void setSnap(int snap);
    // The settings keys of the zoom and the snap.
    static const QString zoomKey;
    static const QString snapKey;
    void setBackgroundScreen(int screen);

    // The first document tile of the sprites' CHR bank, and the bank's tiles as they are now.
    int64_t spriteBankFirstTile() const;
    mosavo::PatternTables spritePatterns() const;
    // The 32 palette bytes of the document's eight sub-palettes.
    mosavo::PaletteBytes paletteBytes() const;

    // MetaspriteEditorDelegate.
    void moveSprites(mosavo::MetaspriteEditor *editor, const std::vector<int> &sprites, int dx, int dy) override;
    void deleteSprites(mosavo::MetaspriteEditor *editor, const std::vector<int> &sprites) override;
    void flipSprites(mosavo::MetaspriteEditor *editor, const std::vector<int> &sprites, bool horizontally) override;

    // Called by SpriteStateCommand once it has changed the document.
    void stateApplied(int metasprite, int animation, const std::vector<int> &selection);

    // Re-reads tiles, palettes and sprites from the document into the views.
    void refresh();

private:
    void buildDock();
    void buildMenu();
    SpriteStateCommand::Shown shown() const;
    // Pushes the edit if it changed the state.
    void push(const SpriteDocumentState &after, SpriteStateCommand::Shown shownAfter, const QString &text);
    void refreshLists();
    void refreshPreview();
    void updateButtons();
    // The status bar names the sprite under the pointer and the selection, or the offset of a drag.
    void showPointerStatus();
    void showDragStatus(int dx, int dy);

    QDockWidget *dock_ = nullptr;
    QMenu *menu_ = nullptr;
    mosavo::MetaspriteEditor *editor_ = nullptr;
    QScrollArea *editorScroll_ = nullptr;
    // The metasprite whose origin the editor was last scrolled to.
    int scrolledTo_ = -2;
    mosavo::AnimationPreview *preview_ = nullptr;
    QListWidget *metaspriteList_ = nullptr;
    QListWidget *frameList_ = nullptr;
    QComboBox *animationChoice_ = nullptr;
    QComboBox *subPaletteChoice_ = nullptr;
    QComboBox *zoomChoice_ = nullptr;
    QComboBox *snapChoice_ = nullptr;
    QComboBox *backgroundChoice_ = nullptr;
    QComboBox *patternTableChoice_ = nullptr;
    QCheckBox *tallChoice_ = nullptr;
    QSpinBox *durationChoice_ = nullptr;
    QToolButton *behindButton_ = nullptr;
    QToolButton *playButton_ = nullptr;
    QList<QWidget *> spriteEditButtons_;
    int current_ = -1;
    int currentAnimation_ = -1;
    // -2 until first shown: then the document's first screen, if it has one.
    int backgroundScreen_ = -2;
    bool refreshing_ = false;
    // The first placement of the shown metasprite in the Check Limits dialog, while it is open.
    std::optional<QPoint> checkedPlacement_;
};

} // namespace kestova
