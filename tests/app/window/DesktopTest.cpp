#include "app/document/PictureFiles.h"
#include "app/tiles/ROMMenu.h"
#include "app/window/RecentFiles.h"
#include "core/ConsoleDataFactory.h"
#include "palette/NESColors.h"

#include "app/support/DocumentFixture.h"

#include <QDataStream>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QUrl>

using namespace app_test;

namespace {

// Answers the tile-number question from a script (nothing = Cancel) and records it.
class NumberAlerts : public ScriptedAlerts
{
public:
    std::deque<std::optional<int64_t>> numbers;
    QStringList questions;
    std::optional<int64_t> askTileNumber(const QString &question, int64_t suggested, int64_t, QWidget *) override
    {
        questions << question + QStringLiteral(" [%1]").arg(suggested);
        if (numbers.empty())
            return suggested;
        const auto answer = numbers.front();
        numbers.pop_front();
        return answer;
    }
};

Bytes tileBytes(const SettingsPtr &settings)
{
    return settings->tileData()->consoleFormattedPixelData().value_or(Bytes {});
}

QList<QRgb> opaque(const TileColors &colors)
{
    QList<QRgb> table;
    for (uint32_t rgb : colors)
        table << (0xFF000000u | rgb);
    return table;
}

} // namespace

class DesktopTest : public ApplicationTest
{
protected:
    void SetUp() override
    {
        ApplicationTest::SetUp();
        numbered = std::make_shared<NumberAlerts>();
        setAlerts(numbered);
        alerts = numbered;
        clearRecentFiles();
    }
    MosavoDocument *open(const QString &path)
    {
        MosavoDocument *document = documents().openDocumentAt(path);
        settle();
        if (document)
            activate(document);
        return document;
    }
    static QMenu *recentMenu(MosavoDocument *document)
    {
        return document->window()->findChild<QMenu *>(QStringLiteral("menuOpenRecent"));
    }
    std::shared_ptr<NumberAlerts> numbered;
};

// Export writes the tiles as the viewer shows them; import gives them back as one undoable step, either from a tile
// number or, for a picture no larger than the block, into the block.
TEST_F(DesktopTest, TilesGoOutAsPngAndComeBackAsOneUndoableStep)
{
    MosavoDocument *document = open(testFile("roms/hello.nes"));
    ASSERT_TRUE(document);
    EditorViewController &controller = controllerOf(document);
    controller.tileCollection->selectTile(0); // the ROM opens at its CHR-ROM
    settle();
    const SettingsPtr settings = document->editorViewControllerSettings.lock();
    const Bytes original = tileBytes(settings);
    const int64_t count = settings->tileData()->totalNumberTiles();

    const QString picture = dir.filePath("tiles.png");
    panels->answers = { picture };
    trigger(document, "actionExportPng");
    QImage image(picture);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.format(), QImage::Format_Indexed8);
    EXPECT_EQ(image.colorTable(), opaque(viewerGreyColors()));
    EXPECT_EQ(image.size(), QSize(128, int((count + 15) / 16 * 8)));

    // In the sub-palette and the 8x16 order the viewer shows.
    trigger(document, "actionShowSubPalette");
    trigger(document, "actionSprites8x16");
    const QString tall = dir.filePath("tall.png");
    panels->answers = { tall };
    trigger(document, "actionExportPng");
    TileColors shown;
    for (size_t i = 0; i < 4; ++i)
        shown[i] = nesRgb(controller.mosavo->colorPalette()->palette()[i].colorCode);
    EXPECT_EQ(QImage(tall).colorTable(), opaque(shown));
    const auto sprites = readTilesFromPng(tall, TileSheetOrder::sprites8x16);
    ASSERT_TRUE(std::holds_alternative<SheetTiles>(sprites));
    EXPECT_EQ(*std::get<SheetTiles>(sprites).tiles[1], *settings->tileData()->matrices()[1]);
    trigger(document, "actionSprites8x16");

    // Clear the first block, then import the whole sheet at the offered tile, the block's first (0).
    controller.clearBlock();
    const Bytes cleared = tileBytes(settings);
    ASSERT_NE(cleared, original);
    const int steps = controller.undoStack().count();
    panels->answers = { picture };
    trigger(document, "actionImportPng");
    EXPECT_EQ(tileBytes(settings), original);
    EXPECT_EQ(controller.undoStack().count(), steps + 1);
    ASSERT_EQ(numbered->questions.size(), 1);
    EXPECT_TRUE(numbered->questions[0].endsWith("tiles of tiles.png from tile number: [0]"))
        << numbered->questions[0].toStdString();
    controller.undoStack().undo();
    EXPECT_EQ(tileBytes(settings), cleared);
    controller.undoStack().redo();
    EXPECT_EQ(tileBytes(settings), original);

    // At a tile number the user gives; Cancel changes nothing.
    QImage two(16, 8, QImage::Format_Indexed8);
    two.setColorTable(opaque(plainGreyColors));
    two.fill(2);
    const QString small = dir.filePath("two.png");
    ASSERT_TRUE(two.save(small, "PNG"));
    QImage wide(256, 8, QImage::Format_Indexed8); // wider than any block: placed by number
    wide.setColorTable(opaque(plainGreyColors));
    wide.fill(3);
    const QString row = dir.filePath("row.png");
    ASSERT_TRUE(wide.save(row, "PNG"));
    numbered->numbers = { std::nullopt, 100 };
    panels->answers = { row, row };
    trigger(document, "actionImportPng");
    EXPECT_EQ(tileBytes(settings), original);
    trigger(document, "actionImportPng");
    const Bytes placed = tileBytes(settings);
    for (int64_t tile = 99; tile <= 132; ++tile) {
        const bool inside = tile >= 100 && tile < 132;
        const auto begin = placed.begin() + 16 + tile * 16;
        EXPECT_EQ(std::all_of(begin, begin + 16, [](uint8_t b) { return b == 0xFF; }), inside) << tile;
    }
    EXPECT_EQ(controller.undoStack().count(), steps + 2);

    // A picture of 2x1 tiles goes into the block shown in the editor (4x4 tiles from tile 34: 34, 35).
    controller.tileCollection->selectTile(34);
    settle();
    const auto block = controller.blockTileNumbers();
    ASSERT_EQ(block.size(), 16u);
    panels->answers = { small };
    trigger(document, "actionImportPng");
    EXPECT_EQ(numbered->questions.size(), 3) << "no question for a picture that fits the block";
    const auto &tiles = settings->tileData()->matrices();
    for (int64_t k : { 0, 1 })
        EXPECT_TRUE(std::all_of(tiles[size_t(block[size_t(k)])]->cells().begin(),
            tiles[size_t(block[size_t(k)])]->cells().end(), [](int64_t v) { return v == 2; }));
    EXPECT_EQ(*tiles[size_t(block[2])], *ConsoleDataFactory::generate(placed)->matrices()[size_t(block[2])]);
    EXPECT_EQ(controller.undoStack().count(), steps + 3);
}

TEST_F(DesktopTest, UnusablePicturesAreRefusedWithTheReasonAndChangeNothing)
{
    MosavoDocument *document = open(testFile("chr/sprite.chr"));
    ASSERT_TRUE(document);
    const SettingsPtr settings = document->editorViewControllerSettings.lock();
    const Bytes before = tileBytes(settings);
    QImage five(8, 8, QImage::Format_RGB32);
    five.fill(Qt::black);
    five.setPixel(5, 6, qRgb(0x12, 0x34, 0x56));
    // Five colours in all, so that no nearest-colour mapping onto the sub-palette can take it either.
    five.setPixel(6, 6, qRgb(0xFF, 0, 0));
    five.setPixel(7, 6, qRgb(0, 0xFF, 0));
    five.setPixel(0, 7, qRgb(0, 0, 0xFF));
    const QString fifth = dir.filePath("five.png");
    ASSERT_TRUE(five.save(fifth, "PNG"));
    const QString notPng = testFile("chr/Alpha.chr");
    numbered->numbers = { 200 };
    panels->answers = { fifth, notPng, testFile("png/vaus-test_bggfx.png") };
    trigger(document, "actionImportPng");
    trigger(document, "actionImportPng");
    trigger(document, "actionImportPng"); // 256 tiles from tile 200 of 256
    EXPECT_EQ(tileBytes(settings), before);
    EXPECT_FALSE(document->isModified());
    ASSERT_EQ(alerts->errors.size(), 3);
    EXPECT_TRUE(alerts->errors[0].startsWith("The tiles could not be imported. " + fifth + ": pixel (5, 6) is #123456"))
        << alerts->errors[0].toStdString();
    EXPECT_TRUE(alerts->errors[0].contains("it has more than four colours (pixel (0, 7) is #0000FF, a fifth)"))
        << alerts->errors[0].toStdString();
    EXPECT_TRUE(alerts->errors[1].contains(notPng + ": not a PNG picture")) << alerts->errors[1].toStdString();
    EXPECT_TRUE(alerts->errors[2].contains("placed from tile 200 they run past the last tile (255)"))
        << alerts->errors[2].toStdString();
}

// ROM > Export Background Palette writes sub-palettes 0-3 as 16 bytes; Import Palette with those 16 bytes replaces
// sub-palettes 0-3 and keeps 4-7, as one undoable step.
TEST_F(DesktopTest, SixteenBytePaletteFilesRoundTrip)
{
    MosavoDocument *document = openNew();
    const SettingsPtr settings = document->editorViewControllerSettings.lock();
    const auto before = colorNumbers(settings);
    const QString half = dir.filePath("half.pal");
    panels->answers = { half };
    trigger(document, "exportBackgroundPalette");
    const Bytes written = readBytes(half);
    ASSERT_EQ(written.size(), 16u);
    EXPECT_TRUE(std::equal(written.begin(), written.end(), before.begin()));

    Bytes other(32);
    for (size_t i = 0; i < other.size(); ++i)
        other[i] = uint8_t((i * 7 + 3) % 0x40);
    const QString whole = dir.filePath("other.pal");
    writeBytes(whole, other);
    panels->answers = { whole, half };
    trigger(document, "importPalette");
    trigger(document, "importPalette");
    const auto after = colorNumbers(settings);
    EXPECT_TRUE(std::equal(after.begin(), after.begin() + 16, before.begin()));
    EXPECT_TRUE(std::equal(after.begin() + 16, after.end(), other.begin() + 16));
    EXPECT_EQ(controllerOf(document).selectablePalettesOutlet->palettes(), *settings->palettes());
    controllerOf(document).undoStack().undo();
    EXPECT_EQ(colorNumbers(settings), std::vector<int64_t>(other.begin(), other.end()));

    const QString odd = dir.filePath("odd.pal");
    writeBytes(odd, Bytes(24, 0x0F));
    panels->answers = { odd };
    trigger(document, "importPalette");
    ASSERT_EQ(alerts->errors.size(), 1);
    EXPECT_TRUE(alerts->errors[0].contains("it holds 24 bytes, but a palette file holds 32 bytes (eight palettes of "
                                           "four colours) or 16 bytes (the four background palettes)"))
        << alerts->errors[0].toStdString();
}

// Open Recent keeps the ten newest files and opens them under the rules of Open, as does a file dropped on a window;
// a document window keeps its size for the next one.
TEST_F(DesktopTest, RecentFilesDroppedFilesAndWindowSize)
{
    QStringList files;
    for (const char *name : { "Alpha.chr", "Alpha2.chr", "Gears.chr", "apples.chr", "background.chr", "balls.chr",
             "boing_bg.chr", "boing_fg1.chr", "empty.chr", "flower.chr", "full_game.chr" }) {
        files << testFile("chr/") + QLatin1String(name);
        ASSERT_TRUE(open(files.back()));
        KestovaDocumentController::closeDocuments();
        settle();
    }
    QStringList newestFirst;
    for (qsizetype i = files.size() - 1; i >= 1; --i)
        newestFirst << QFileInfo(files[i]).absoluteFilePath();
    EXPECT_EQ(recentFiles(), newestFirst);

    MosavoDocument *document = open(files[0]);
    ASSERT_TRUE(document);
    EXPECT_EQ(recentFiles().front(), QFileInfo(files[0]).absoluteFilePath());
    EXPECT_EQ(recentFiles().size(), 10);
    QMenu *menu = recentMenu(document);
    ASSERT_TRUE(menu);
    document->window()->updateRecentFilesMenu();
    QList<QAction *> entries;
    for (QAction *action : menu->actions())
        if (action->data().isValid())
            entries << action;
    ASSERT_EQ(entries.size(), 10);
    EXPECT_EQ(entries[0]->text(), "&1  Alpha.chr");
    EXPECT_EQ(entries[9]->text(), "1&0  Gears.chr");

    // Cancel keeps the document; Close opens the recent file in its place.
    alerts->alertAnswers = { alertFirstButtonReturn + 1, alertFirstButtonReturn };
    entries[2]->trigger();
    settle();
    EXPECT_EQ(documents().documents(), std::vector<MosavoDocument *> { document });
    entries[2]->trigger();
    settle();
    EXPECT_EQ(alerts->alertTexts,
        QStringList({ "Would you like to close current project?", "Would you like to close current project?" }));
    ASSERT_EQ(documents().documents().size(), 1u);
    document = documents().documents().front();
    EXPECT_EQ(document->displayName(), "Untitled (flower.chr)");
    activate(document);

    // A file dropped on the window: the same question, then the file.
    auto drop = [](QWidget *window, const QString &path) {
        QMimeData data;
        data.setUrls({ QUrl::fromLocalFile(path) });
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &enter);
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &event);
        return enter.isAccepted();
    };
    alerts->alertAnswers = { alertFirstButtonReturn };
    EXPECT_TRUE(drop(document->window(), testFile("roms/hello.nes")));
    settle();
    EXPECT_EQ(alerts->alertTexts.size(), 3);
    ASSERT_EQ(documents().documents().size(), 1u);
    document = documents().documents().front();
    EXPECT_EQ(document->displayName(), "Untitled (hello.nes)");
    activate(document);

    // A recent file that is gone is refused with the reason and leaves the list.
    const QString gone = dir.filePath("gone.chr");
    writeBytes(gone, Bytes(16, 0));
    addRecentFile(gone);
    ASSERT_TRUE(QFile::remove(gone));
    document->window()->updateRecentFilesMenu();
    alerts->alertAnswers = { alertFirstButtonReturn };
    recentMenu(document)->actions().front()->trigger();
    settle();
    EXPECT_FALSE(recentFiles().contains(gone));
    ASSERT_FALSE(alerts->errors.isEmpty());
    EXPECT_TRUE(alerts->errors.back().contains(gone)) << alerts->errors.back().toStdString();

    // Clear Menu empties the list.
    if (documents().documents().empty())
        document = open(testFile("chr/sprite.chr"));
    ASSERT_TRUE(document);
    document->window()->updateRecentFilesMenu();
    auto *clear = document->window()->findChild<QAction *>("actionClearRecentFiles");
    ASSERT_TRUE(clear);
    clear->trigger();
    EXPECT_TRUE(recentFiles().isEmpty());

    // The window's size is kept for the next document window.
    document->window()->setGeometry(40, 30, 1300, 780);
    settle();
    const QRect kept = document->window()->geometry();
    KestovaDocumentController::closeDocuments();
    settle();
    EXPECT_TRUE(QSettings().contains(MainMosavoWindow::geometryKey));
    MosavoDocument *next = openNew();
    EXPECT_EQ(next->window()->geometry(), kept);
    EXPECT_EQ(kept.size(), QSize(1300, 780));
}

namespace {
// The window's frame within the screen's free area, and its status bar with it.
void expectInScreen(const QMainWindow *window, const QRect &available)
{
    const QRect placed = window->frameGeometry();
    EXPECT_TRUE(available.contains(placed))
        << placed.x() << "," << placed.y() << " " << placed.width() << "x" << placed.height() << " on "
        << available.width() << "x" << available.height();
    const QStatusBar *status = window->statusBar();
    EXPECT_TRUE(available.contains(QRect(status->mapToGlobal(QPoint(0, 0)), status->size())))
        << "the status bar is on the screen";
}
} // namespace

// A first window takes most of the screen, at least 1024 x 600 where the screen has that room, and its frame fits the
// screen's free area with the status bar in view (on this 800 x 800 test screen: narrower than 1024).
TEST_F(DesktopTest, AFirstWindowFitsTheScreenWithItsStatusBar)
{
    QSettings().remove(MainMosavoWindow::geometryKey);
    MosavoDocument *document = openNew();
    ASSERT_TRUE(document);
    settle();
    const QRect available = document->window()->screen()->availableGeometry();
    expectInScreen(document->window(), available);
    EXPECT_GE(document->window()->width(), available.width() * 9 / 10 - 8) << "most of the screen";
}

// A window saved on a wider screen (here one 1.2 times as wide, as a laptop's beside a monitor's) and larger than
// this screen is fitted into this one, frame and status bar included.
TEST_F(DesktopTest, AWindowSavedOnAnotherScreenFitsThisOne)
{
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    // The saved geometry as the window writes it, with the other screen's width and a window larger than this one.
    QByteArray saved;
    {
        MosavoDocument *document = openNew();
        ASSERT_TRUE(document);
        settle();
        QDataStream in(document->window()->saveGeometry());
        quint32 magic = 0;
        quint16 major = 0, minor = 0;
        QRect frame, normal, client;
        qint32 screenNumber = 0, screenWidth = 0;
        quint8 maximized = 0, fullScreen = 0;
        in >> magic >> major >> minor >> frame >> normal >> screenNumber >> maximized >> fullScreen >> screenWidth;
        ASSERT_GE(major, 3);
        in >> client;
        ASSERT_EQ(in.status(), QDataStream::Ok);
        KestovaDocumentController::closeDocuments();
        settle();
        const QRect large(available.left() + 60, available.top() + 40, available.width() + 100, available.height() + 60);
        QDataStream out(&saved, QIODevice::WriteOnly);
        out.setVersion(in.version());
        out << magic << major << minor << large << large << screenNumber << maximized << fullScreen
            << qint32(available.width() * 6 / 5) << large;
    }
    QSettings().setValue(MainMosavoWindow::geometryKey, saved);
    MosavoDocument *document = openNew();
    ASSERT_TRUE(document);
    settle();
    expectInScreen(document->window(), available);
}
