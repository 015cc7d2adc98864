#include "app/sprites/SpriteActions.h"
#include "app/sprites/SpriteImport.h"
#include "palette/DisplayColors.h"
#include "sprite/AnimationPreview.h"
#include "viewer/TileCollection.h"

#include <QComboBox>

#include "app/support/DocumentFixture.h"

#include <QAbstractButton>
#include <QDialog>
#include <QDockWidget>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>

using namespace app_test;

namespace {

class SpriteActionsTest : public ApplicationTest
{
protected:
    void SetUp() override
    {
        ApplicationTest::SetUp();
        QSettings().remove(SpriteActions::zoomKey);
        QSettings().remove(SpriteActions::snapKey);
        document = openNew();
        window = document->window();
        actions = SpriteActions::of(window);
        ASSERT_NE(actions, nullptr);
        settings = controllerOf(document).editorViewControllerSettings();
    }
    QUndoStack &stack() { return controllerOf(document).undoStack(); }
    const Metasprite &shown() { return settings->metasprites()[size_t(actions->currentMetasprite())]; }
    // Selects the block of 2x2 tiles at tile 256 (pattern table 1, where 8x8 sprites read by default).
    void selectBlock()
    {
        window->findChild<QComboBox *>(QStringLiteral("zoomPopUp"))->setCurrentIndex(1);
        settle();
        window->findChild<TileCollection *>(QStringLiteral("tileCollection"))->selectTile(256);
        settle();
    }

    MosavoDocument *document = nullptr;
    MainMosavoWindow *window = nullptr;
    SpriteActions *actions = nullptr;
    SettingsPtr settings;
};

TEST_F(SpriteActionsTest, DockAndMenuAreInstalledHiddenUntilAsked)
{
    EXPECT_EQ(actions->dock()->windowTitle(), QStringLiteral("Sprites"));
    EXPECT_FALSE(actions->dock()->isVisible());
    trigger(document, "actionNewMetasprite");
    EXPECT_TRUE(actions->dock()->isVisible());
    ASSERT_EQ(settings->metasprites().size(), 1u);
    EXPECT_EQ(actions->metaspriteList()->count(), 1);
}

TEST_F(SpriteActionsTest, ZoomAndSnapChosenInTheDockAreKeptForTheNextWindow)
{
    EXPECT_EQ(actions->editor()->zoom(), 2);
    EXPECT_EQ(actions->editor()->snap(), 1);
    auto *zoom = window->findChild<QComboBox *>(QStringLiteral("spriteZoom"));
    auto *snap = window->findChild<QComboBox *>(QStringLiteral("spriteSnap"));
    ASSERT_TRUE(zoom && snap);
    zoom->setCurrentIndex(3);
    emit zoom->activated(3);
    snap->setCurrentIndex(1);
    emit snap->activated(1);
    EXPECT_EQ(actions->editor()->zoom(), 5);
    KestovaDocumentController::closeDocuments();
    settle();

    MosavoDocument *next = openNew();
    ASSERT_NE(next, nullptr);
    SpriteActions *nextActions = SpriteActions::of(next->window());
    EXPECT_EQ(nextActions->editor()->zoom(), 5);
    EXPECT_EQ(nextActions->editor()->snap(), 8);
    EXPECT_EQ(
        next->window()->findChild<QComboBox *>(QStringLiteral("spriteZoom"))->currentText(), QStringLiteral("5x"));
    EXPECT_EQ(next->window()->findChild<QComboBox *>(QStringLiteral("spriteSnap"))->currentIndex(), 1);
}

TEST_F(SpriteActionsTest, BlockAddsItsTilesAsAGridInOneUndoStep)
{
    selectBlock();
    ASSERT_TRUE(actions->addSpritesFromSelection());
    ASSERT_EQ(settings->metasprites().size(), 1u);
    const auto &sprites = shown().sprites;
    ASSERT_EQ(sprites.size(), 4u);
    // Tiles 256, 257 / 272, 273 are bytes 0, 1 / 16, 17 of table 1, laid out as the block.
    EXPECT_EQ(sprites[0], (MetaspriteSprite { 0, 0, 0, 4 }));
    EXPECT_EQ(sprites[1], (MetaspriteSprite { 8, 0, 1, 4 }));
    EXPECT_EQ(sprites[2], (MetaspriteSprite { 0, 8, 16, 4 }));
    EXPECT_EQ(sprites[3], (MetaspriteSprite { 8, 8, 17, 4 }));
    EXPECT_EQ(actions->editor()->selection(), (std::vector<int> { 0, 1, 2, 3 }));
    // A second add goes to the right of the first.
    ASSERT_TRUE(actions->addSpritesFromSelection());
    EXPECT_EQ(shown().sprites[4].x, 16);
    stack().undo();
    EXPECT_EQ(shown().sprites.size(), 4u);
    stack().undo();
    EXPECT_TRUE(settings->metasprites().empty());
    stack().redo();
    EXPECT_EQ(shown().sprites.size(), 4u);

    // Tiles 8x8 sprites cannot show are refused with the reason, and nothing changes.
    auto *viewer = window->findChild<TileCollection *>(QStringLiteral("tileCollection"));
    const int before = stack().index();
    viewer->selectTile(0);
    settle();
    EXPECT_FALSE(actions->addSpritesFromSelection());
    EXPECT_EQ(window->statusBar()->currentMessage(),
        QStringLiteral("Tile 0 is not in sprite pattern table 1 (tiles 256-511)"));
    EXPECT_EQ(stack().index(), before);
    // Tiles past the 8 KiB bank: a document of 1024 tiles.
    const QString big = dir.filePath(QStringLiteral("big.chr"));
    writeBytes(big, Bytes(1024 * 16, 0));
    MosavoDocument *bigDocument = documents().openDocumentAt(big);
    ASSERT_NE(bigDocument, nullptr);
    settle();
    MainMosavoWindow *bigWindow = bigDocument->window();
    SpriteActions *bigActions = SpriteActions::of(bigWindow);
    bigWindow->findChild<TileCollection *>(QStringLiteral("tileCollection"))->selectTile(600);
    settle();
    EXPECT_FALSE(bigActions->addSpritesFromSelection());
    EXPECT_EQ(bigWindow->statusBar()->currentMessage(),
        QStringLiteral("Tile 600 is outside the sprites' CHR bank (tiles 0-511)"));
    EXPECT_EQ(controllerOf(bigDocument).undoStack().count(), 0);
}

TEST_F(SpriteActionsTest, ABlocksBlankTilesAreLeftOutWhenItHasOthers)
{
    // Tiles 256, 257 and 272 drawn, 273 blank: three sprites where the tiles are.
    auto &tiles = settings->tileData()->matrices();
    for (size_t t : { 256, 257, 272 })
        tiles[t]->values[3][3] = 1;
    selectBlock();
    ASSERT_TRUE(actions->addSpritesFromSelection());
    const auto &sprites = shown().sprites;
    ASSERT_EQ(sprites.size(), 3u);
    EXPECT_EQ(sprites[2], (MetaspriteSprite { 0, 8, 16, 4 }));
    EXPECT_EQ(
        window->statusBar()->currentMessage(), QStringLiteral("Added 3 sprites; 1 blank tile of the block left out"));
    // A block of nothing but blank tiles is added whole, to be drawn afterwards.
    for (size_t t : { 256, 257, 272 })
        tiles[t]->values[3][3] = 0;
    ASSERT_TRUE(actions->addSpritesFromSelection());
    EXPECT_EQ(shown().sprites.size(), 7u);
}

TEST_F(SpriteActionsTest, TallDocumentsAddTallSprites)
{
    actions->setTallSprites(true);
    EXPECT_TRUE(settings->tallSprites());
    selectBlock();
    ASSERT_TRUE(actions->addSpritesFromSelection());
    const auto &sprites = shown().sprites;
    ASSERT_EQ(sprites.size(), 4u);
    // Table 1 in bit 0, the even tile on top; rows of the block are 16 pixels apart.
    EXPECT_EQ(sprites[1].tile, 0x01);
    EXPECT_EQ(sprites[2].tile, 0x11);
    EXPECT_EQ(sprites[2].y, 16);
    stack().undo();
    stack().undo();
    EXPECT_FALSE(settings->tallSprites());
}

TEST_F(SpriteActionsTest, EverySpriteEditIsOneUndoStep)
{
    selectBlock();
    ASSERT_TRUE(actions->addSpritesFromSelection());
    const Metasprite added = shown();
    struct Edit
    {
        const char *name;
        std::function<void()> apply;
        std::function<bool(const Metasprite &)> check;
    };
    const std::vector<Edit> edits {
        { "move", [&] { actions->moveSprites(actions->editor(), { 1 }, 3, -2); },
            [](const Metasprite &m) { return m.sprites[1].x == 11 && m.sprites[1].y == -2; } },
        { "flip H",
            [&] {
                actions->editor()->setSelection({ 0, 1 });
                actions->flipSelected(true);
            },
            [](const Metasprite &m) {
                return m.sprites[0].flipHorizontally && m.sprites[0].x == 8 && m.sprites[1].x == 0;
            } },
        { "flip V",
            [&] {
                actions->editor()->setSelection({ 0 });
                actions->flipSelected(false);
            },
            [](const Metasprite &m) { return m.sprites[0].flipVertically && m.sprites[0].y == 0; } },
        { "sub-palette",
            [&] {
                actions->editor()->setSelection({ 2 });
                actions->setSelectedSubPalette(6);
            },
            [](const Metasprite &m) { return m.sprites[2].subPalette == 6 && m.sprites[2].attributes() == 2; } },
        { "behind",
            [&] {
                actions->editor()->setSelection({ 3 });
                actions->toggleSelectedBehindBackground();
            },
            [](const Metasprite &m) { return m.sprites[3].behindBackground; } },
        { "to back",
            [&] {
                actions->editor()->setSelection({ 0 });
                actions->moveSelectedToFront(false);
            },
            [](const Metasprite &m) { return m.sprites[3].tile == 0 && m.sprites[0].tile == 1; } },
        { "to front",
            [&] {
                actions->editor()->setSelection({ 3 });
                actions->moveSelectedToFront(true);
            },
            [](const Metasprite &m) { return m.sprites[0].tile == 17 && m.sprites[1].tile == 0; } },
        { "delete",
            [&] {
                actions->editor()->setSelection({ 1, 2 });
                actions->deleteSelected();
            },
            [](const Metasprite &m) { return m.sprites.size() == 2 && m.sprites[1].tile == 17; } },
        { "rename", [&] { actions->renameMetasprite(0, QStringLiteral("hero")); },
            [](const Metasprite &m) { return m.name == "hero"; } },
    };
    for (const Edit &edit : edits) {
        const int before = stack().index();
        edit.apply();
        EXPECT_EQ(stack().index(), before + 1) << edit.name;
        EXPECT_TRUE(edit.check(shown())) << edit.name;
        stack().undo();
        EXPECT_EQ(shown(), added) << edit.name;
        stack().redo();
        EXPECT_TRUE(edit.check(shown())) << edit.name;
        stack().undo();
    }
    // A move that would leave -128..127 is refused and pushes nothing.
    const int before = stack().index();
    actions->moveSprites(actions->editor(), { 0 }, 200, 0);
    EXPECT_EQ(stack().index(), before);
    // Another metasprite's name is refused too.
    actions->newMetasprite();
    const int named = stack().index();
    ASSERT_EQ(settings->metasprites().size(), 2u);
    EXPECT_FALSE(actions->renameMetasprite(1, QString::fromStdString(settings->metasprites()[0].name)));
    EXPECT_EQ(stack().index(), named);
    EXPECT_NE(settings->metasprites()[1].name, settings->metasprites()[0].name);
}

TEST_F(SpriteActionsTest, MetaspriteListEditsKeepAnimationsPointingAtTheirMetasprites)
{
    actions->addMetasprite({ "a", { { 0, 0, 1, 4 } } });
    actions->addMetasprite({ "b", { { 0, 0, 2, 5 } } });
    actions->setCurrentMetasprite(0);
    actions->addFrame();
    actions->setCurrentMetasprite(1);
    actions->addFrame();
    actions->setFrameDuration(1, 7);
    ASSERT_EQ(settings->animations().size(), 1u);
    EXPECT_EQ(settings->animations()[0].frames, (std::vector<AnimationFrame> { { 0, 8 }, { 1, 7 } }));
    actions->setCurrentMetasprite(0);
    actions->moveMetasprite(1);
    EXPECT_EQ(settings->metasprites()[1].name, "a");
    EXPECT_EQ(settings->animations()[0].frames, (std::vector<AnimationFrame> { { 1, 8 }, { 0, 7 } }));
    actions->duplicateMetasprite();
    EXPECT_EQ(settings->metasprites()[2].name, "a_2");
    actions->setCurrentMetasprite(0);
    actions->deleteMetasprite();
    EXPECT_EQ(settings->animations()[0].frames, (std::vector<AnimationFrame> { { 0, 8 } }));
    stack().undo();
    EXPECT_EQ(settings->animations()[0].frames, (std::vector<AnimationFrame> { { 1, 8 }, { 0, 7 } }));
    actions->moveFrame(0, 1);
    EXPECT_EQ(settings->animations()[0].frames, (std::vector<AnimationFrame> { { 0, 7 }, { 1, 8 } }));
    actions->removeFrame(0);
    EXPECT_EQ(settings->animations()[0].frames.size(), 1u);
    EXPECT_EQ(actions->preview()->frames().size(), 1u);
}

TEST_F(SpriteActionsTest, MetaspriteListAndAnimationEditsAreEachOneUndoStep)
{
    actions->addMetasprite({ "a", { { 0, 0, 1, 4 } } });
    actions->addMetasprite({ "b", { { 0, 0, 2, 5 } } });
    actions->setCurrentMetasprite(0);
    actions->addFrame();
    actions->setCurrentMetasprite(1);
    actions->addFrame();
    actions->setCurrentMetasprite(0);
    const SpriteDocumentState start = SpriteDocumentState::of(*settings);
    using Frames = std::vector<AnimationFrame>;
    struct Edit
    {
        const char *name;
        std::function<void()> apply;
        std::function<bool(const SpriteDocumentState &)> check;
    };
    const std::vector<Edit> edits {
        { "new metasprite", [&] { actions->newMetasprite(); },
            [](const SpriteDocumentState &s) {
                return s.metasprites.size() == 3 && s.metasprites[2].sprites.empty();
            } },
        { "duplicate metasprite", [&] { actions->duplicateMetasprite(); },
            [](const SpriteDocumentState &s) {
                return s.metasprites.size() == 3 && s.metasprites[1].sprites == s.metasprites[0].sprites
                    && s.animations[0].frames == Frames { { 0, 8 }, { 2, 8 } };
            } },
        { "move metasprite", [&] { actions->moveMetasprite(1); },
            [](const SpriteDocumentState &s) {
                return s.metasprites[1].name == "a" && s.animations[0].frames == Frames { { 1, 8 }, { 0, 8 } };
            } },
        { "new animation", [&] { actions->newAnimation(); },
            [](const SpriteDocumentState &s) { return s.animations.size() == 2 && s.animations[1].frames.empty(); } },
        { "delete animation", [&] { actions->deleteAnimation(); },
            [](const SpriteDocumentState &s) { return s.animations.empty(); } },
        { "add frame", [&] { actions->addFrame(); },
            [](const SpriteDocumentState &s) {
                return s.animations[0].frames == Frames { { 0, 8 }, { 1, 8 }, { 0, 8 } };
            } },
        { "remove frame", [&] { actions->removeFrame(0); },
            [](const SpriteDocumentState &s) {
                return s.animations[0].frames == Frames { { 1, 8 } };
            } },
        { "move frame", [&] { actions->moveFrame(0, 1); },
            [](const SpriteDocumentState &s) {
                return s.animations[0].frames == Frames { { 1, 8 }, { 0, 8 } };
            } },
        { "frame duration", [&] { actions->setFrameDuration(1, 9); },
            [](const SpriteDocumentState &s) {
                return s.animations[0].frames == Frames { { 0, 8 }, { 1, 9 } };
            } },
    };
    for (const Edit &edit : edits) {
        const int before = stack().index();
        edit.apply();
        EXPECT_EQ(stack().index(), before + 1) << edit.name;
        EXPECT_TRUE(edit.check(SpriteDocumentState::of(*settings))) << edit.name;
        stack().undo();
        EXPECT_EQ(SpriteDocumentState::of(*settings), start) << edit.name;
        EXPECT_EQ(actions->currentMetasprite(), 0) << edit.name;
        EXPECT_EQ(actions->currentAnimation(), 0) << edit.name;
        stack().redo();
        EXPECT_TRUE(edit.check(SpriteDocumentState::of(*settings))) << edit.name;
        stack().undo();
    }
}

TEST_F(SpriteActionsTest, StepShowsTheFrameInTheListAndTheDurationWaitsForAFrame)
{
    actions->addMetasprite({ "a", { { 0, 0, 1, 4 } } });
    actions->addMetasprite({ "b", { { 0, 0, 2, 4 } } });
    actions->newAnimation();
    actions->setCurrentMetasprite(0);
    actions->addFrame();
    actions->setCurrentMetasprite(1);
    actions->addFrame();
    actions->setFrameDuration(1, 9);
    auto *duration = window->findChild<QSpinBox *>(QStringLiteral("frameDuration"));
    ASSERT_NE(duration, nullptr);
    actions->frameList()->setCurrentRow(-1);
    EXPECT_FALSE(duration->isEnabled()) << "no frame to give a duration";

    auto *step = window->findChild<QAbstractButton *>(QStringLiteral("animationStep"));
    ASSERT_NE(step, nullptr);
    const int shown = actions->preview()->currentFrame();
    step->click();
    EXPECT_EQ(actions->frameList()->currentRow(), (shown + 1) % 2) << "the list follows the preview";
    EXPECT_TRUE(duration->isEnabled());
    EXPECT_EQ(duration->value(), actions->frameList()->currentRow() == 1 ? 9 : 8);
}

TEST_F(SpriteActionsTest, DraggingASpriteInTheDockIsOneUndoStep)
{
    actions->addMetasprite({ "two", { { 0, 0, 1, 4 }, { 8, 0, 1, 4 } } });
    window->show();
    settle();
    MetaspriteEditor *editor = actions->editor();
    ASSERT_TRUE(editor->isVisible());
    const int x = editor->originX(), y = editor->originY();
    const int before = stack().index();
    QTest::mousePress(editor, Qt::LeftButton, {}, editor->widgetPoint(x + 2, y + 2).toPoint());
    QTest::mouseMove(editor, editor->widgetPoint(x + 3, y + 2).toPoint());
    QTest::mouseMove(editor, editor->widgetPoint(x + 5, y + 5).toPoint());
    QTest::mouseRelease(editor, Qt::LeftButton, {}, editor->widgetPoint(x + 5, y + 5).toPoint());
    settle();
    EXPECT_EQ(stack().index(), before + 1);
    EXPECT_EQ(shown().sprites[0], (MetaspriteSprite { 3, 3, 1, 4 }));
    EXPECT_EQ(shown().sprites[1], (MetaspriteSprite { 8, 0, 1, 4 }));
    EXPECT_EQ(editor->metasprite(), shown());
    stack().undo();
    EXPECT_EQ(shown().sprites[0], (MetaspriteSprite { 0, 0, 1, 4 }));
    EXPECT_EQ(editor->metasprite(), shown());
}

TEST_F(SpriteActionsTest, DeleteHAndVActOnTheSelectedSpritesNotOnTheTiles)
{
    actions->addMetasprite({ "two", { { 0, 0, 1, 4 }, { 8, 0, 2, 4 } } });
    settings->tileData()->matrices()[257]->values[0][0] = 3;
    window->show();
    settle();
    MetaspriteEditor *editor = actions->editor();
    const int x = editor->originX(), y = editor->originY();
    QTest::mouseClick(editor, Qt::LeftButton, {}, editor->widgetPoint(x + 2, y + 2).toPoint());
    settle();
    ASSERT_EQ(editor->selection(), (std::vector<int> { 0 }));
    ASSERT_TRUE(editor->hasFocus());
    const auto tiles = settings->tileData()->consoleFormattedPixelData();

    QTest::keyClick(editor, Qt::Key_H);
    EXPECT_TRUE(shown().sprites[0].flipHorizontally);
    QTest::keyClick(editor, Qt::Key_V);
    EXPECT_TRUE(shown().sprites[0].flipVertically);
    QTest::keyClick(editor, Qt::Key_Delete);
    ASSERT_EQ(shown().sprites.size(), 1u);
    EXPECT_EQ(shown().sprites[0].tile, 2);
    EXPECT_EQ(settings->tileData()->consoleFormattedPixelData(), tiles) << "no tile is flipped or cleared";
    EXPECT_EQ(stack().undoText(), QStringLiteral("Delete Sprites"));
}

TEST_F(SpriteActionsTest, ATileDrawnInThePixelEditorShowsAtOnceInTheMetaspriteEditor)
{
    // A sprite of tile 0 of pattern table 1: document tile 256, blank so far.
    actions->addMetasprite({ "one", { { 0, 0, 0, 4 } } });
    selectBlock();
    MetaspriteEditor *editor = actions->editor();
    const int x = editor->originX(), y = editor->originY();
    const QRgb blank = editor->frameImage().pixel(x, y);
    EXPECT_EQ(blank, editor->frameImage().pixel(x - 16, y)) << "the checkerboard shows through the blank tile";
    EditorViewController &controller = controllerOf(document);
    controller.toolSelected(controller.toolPencil);
    controller.choosePaintSlot(3);
    QTest::mouseClick(controller.mosavo, Qt::LeftButton, {}, QPoint(2, 2));
    ASSERT_EQ(settings->tileData()->matrices()[256]->values[0][0], 3);
    const QRgb colour3 = 0xFF000000u | currentDisplayColors().rgb24(actions->paletteBytes()[16 + 3]);
    EXPECT_EQ(editor->frameImage().pixel(x, y), colour3);
    EXPECT_EQ(editor->frameImage().pixel(x + 1, y), blank) << "only the pixel drawn";
}

TEST_F(SpriteActionsTest, AddMetaspriteWithTilesIsOneUndoStepAndTheDocumentKeepsIt)
{
    auto tile = std::make_shared<Matrix>(8, 8);
    tile->values[0][0] = 3;
    const int before = stack().index();
    ASSERT_TRUE(actions->addMetasprite({ "picture", { { -4, -8, 5, 7, true, false, true } } }, { 261 }, { tile }));
    EXPECT_EQ(stack().index(), before + 1);
    EXPECT_EQ(settings->tileData()->matrices()[261]->values[0][0], 3);
    // The new tile shows at once in the editor: sprite tile 5 of table 1 at the origin, flipped horizontally.
    const QImage &image = actions->editor()->frameImage();
    EXPECT_NE(image.pixel(128 - 4 + 7, 120 - 8), image.pixel(128 - 4 + 6, 120 - 8));
    actions->setTallSprites(true);
    actions->setSpritePatternTable(0);

    // The document round trip.
    const auto bytes = settings->documentBytes();
    ASSERT_TRUE(bytes);
    const auto reopened = EditorViewControllerSettings::fromDocumentBytes(*bytes);
    ASSERT_TRUE(reopened);
    EXPECT_EQ(reopened->metasprites(), settings->metasprites());
    EXPECT_TRUE(reopened->tallSprites());

    stack().undo();
    stack().undo();
    stack().undo();
    EXPECT_TRUE(settings->metasprites().empty());
    EXPECT_EQ(settings->tileData()->matrices()[261]->values[0][0], 0);
    EXPECT_NE(image.pixel(0, 0), 0u);
}

TEST_F(SpriteActionsTest, CheckLimitsReportsTheDroppedSpritesOfTheShownMetasprite)
{
    Metasprite wide { "wide", {} };
    for (int i = 0; i < 9; ++i)
        wide.sprites.push_back({ i * 8 - 36, 0, uint8_t(i), 4 });
    actions->addMetasprite(wide);
    EXPECT_EQ(actions->editor()->overflows().size(), 8u);
    QDialog *dialog = actions->checkLimits();
    ASSERT_NE(dialog, nullptr);
    const QString report = dialog->findChild<QPlainTextEdit *>(QStringLiteral("limitsReport"))->toPlainText();
    EXPECT_TRUE(
        report.contains(QStringLiteral("Scanlines 121-128: 9 sprites, 1 not drawn: \"wide\" at 128, 120 sprite 8")))
        << report.toStdString();
    dialog->close();
}

TEST_F(SpriteActionsTest, ImportSpritePictureReusesFlippedTilesInOneUndoStepAndRefusesUnreadableFiles)
{
    // Three colours the universal background colour is not.
    const auto backdrop = documentBackdrop(*settings);
    std::vector<int> colors;
    for (int c : { 0x16, 0x27, 0x2A, 0x12, 0x21, 0x1A })
        if (colors.size() < 3 && (!backdrop || c != *backdrop))
            colors.push_back(c);
    const auto &display = currentDisplayColors();
    // Left cell: a shape of colours 1-3 in its top half, the rest transparent; right cell: the same flipped.
    auto index = [](int x, int y) { return y >= 4 ? 0 : x < 3 ? 1 : x < 6 ? 2 : 3; };
    QImage picture(16, 8, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            if (const int i = index(x, y)) {
                const QRgb rgb = 0xFF000000u | display.rgb24(colors[size_t(i - 1)]);
                picture.setPixel(x, y, rgb);
                picture.setPixel(15 - x, y, rgb);
            }
    const QString path = dir.filePath(QStringLiteral("hero.png"));
    ASSERT_TRUE(picture.save(path));

    const auto palette4 = settings->palettes()->at(4)->palette();
    const int before = stack().index();
    ASSERT_TRUE(actions->importSpritePicture(path)) << alerts->errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(stack().index(), before + 1);
    ASSERT_EQ(settings->metasprites().size(), 1u);
    const Metasprite hero = settings->metasprites()[0];
    EXPECT_EQ(hero.name, "hero");
    ASSERT_EQ(hero.sprites.size(), 2u);
    EXPECT_EQ(hero.sprites[0].tile, hero.sprites[1].tile);
    EXPECT_NE(hero.sprites[0].flipHorizontally, hero.sprites[1].flipHorizontally);
    EXPECT_EQ(hero.sprites[0].subPalette, 4);
    // The tile drawn in pattern table 1 holds the shape, its colour indices giving sub-palette 4's colours.
    const MatrixPtr tile = settings->tileData()->matrices()[size_t(256 + hero.sprites[0].tile)];
    const auto &subPalette = settings->palettes()->at(4)->palette();
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const int shownX = hero.sprites[0].flipHorizontally ? 7 - x : x;
            const int value = int(tile->values[size_t(y)][size_t(shownX)]);
            const int expected = index(x, y);
            if (expected == 0)
                EXPECT_EQ(value, 0) << x << "," << y;
            else
                EXPECT_EQ(subPalette[size_t(value)].colorCode, colors[size_t(expected - 1)]) << x << "," << y;
        }
    EXPECT_TRUE(actions->dock()->isVisible());

    stack().undo();
    EXPECT_TRUE(settings->metasprites().empty());
    EXPECT_EQ(settings->palettes()->at(4)->palette(), palette4);
    const MatrixPtr undone = settings->tileData()->matrices()[size_t(256 + hero.sprites[0].tile)];
    for (size_t y = 0; y < 8; ++y)
        for (size_t x = 0; x < 8; ++x)
            EXPECT_EQ(undone->values[y][x], 0);

    // A file that is not a picture: one message naming it, nothing changed.
    const QString broken = dir.filePath(QStringLiteral("broken.png"));
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
    file.close();
    const int afterUndo = stack().index();
    EXPECT_FALSE(actions->importSpritePicture(broken));
    ASSERT_EQ(alerts->errors.size(), 1);
    EXPECT_TRUE(alerts->errors[0].startsWith(broken + QStringLiteral(": "))) << alerts->errors[0].toStdString();
    EXPECT_EQ(stack().index(), afterUndo);
    EXPECT_TRUE(settings->metasprites().empty());
}

} // namespace
