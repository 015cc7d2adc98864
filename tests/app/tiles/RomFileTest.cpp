#include "app/tiles/ROMMenu.h"
#include "core/INesHeader.h"

#include "app/support/DocumentFixture.h"

#include <QFileInfo>
#include <QMenu>
#include <QStatusBar>

using namespace app_test;

namespace {

class RomFileTest : public ApplicationTest
{
protected:
    MosavoDocument *open(const QString &path)
    {
        MosavoDocument *document = documents().openDocumentAt(path);
        EXPECT_TRUE(document) << path.toStdString();
        if (!document)
            return nullptr;
        settle();
        activate(document);
        return document;
    }
    static Bytes documentBytes(MosavoDocument *document)
    {
        return *document->editorViewControllerSettings.lock()->tileData()->consoleFormattedPixelData();
    }
    static QAction *action(MosavoDocument *document, const char *name)
    {
        return document->window()->findChild<QAction *>(QString::fromLatin1(name));
    }
    // A copy of the example ROM with five bytes after its last tile, in the test folder.
    QString romCopy(const char *name = "game.nes")
    {
        Bytes rom = readBytes(testFile("roms/example.nes"));
        rom.insert(rom.end(), { 1, 2, 3, 4, 5 });
        const QString path = dir.filePath(QString::fromLatin1(name));
        writeBytes(path, rom);
        return path;
    }
};

} // namespace

// Bare CHR data imported into a ROM goes over its tiles from a tile number the user chooses, by default the first
// CHR-ROM tile; the ROM keeps its header and length, and the import is one undo step. Data larger than the room left
// is refused with its sizes.
TEST_F(RomFileTest, ChrDataGoesIntoTheRomAtTheChosenTile)
{
    MosavoDocument *document = open(romCopy());
    ASSERT_TRUE(document);
    EditorViewController &controller = controllerOf(document);
    const Bytes before = documentBytes(document);
    const int64_t chrRom = *controller.chrRomStartTile();
    const int64_t count = controller.editorViewControllerSettings()->tileData()->totalNumberTiles();

    Bytes chr(16 * 3);
    for (size_t i = 0; i < chr.size(); ++i)
        chr[i] = uint8_t(i * 11 + 7);
    const QString chrPath = dir.filePath("three.chr");
    writeBytes(chrPath, chr);
    panels->answers = { chrPath };
    trigger(document, "importData");
    ASSERT_EQ(alerts->tileNumberQuestions.size(), 1);
    EXPECT_EQ(alerts->tileNumberQuestions[0],
        QStringLiteral("Place the 3 tiles of three.chr from tile number: [%1]").arg(chrRom));
    Bytes expected = before;
    std::copy(chr.begin(), chr.end(), expected.begin() + 16 + chrRom * 16);
    EXPECT_EQ(documentBytes(document), expected);
    EXPECT_TRUE(controller.tileDataSummary().startsWith("iNES ROM")) << controller.tileDataSummary().toStdString();
    EXPECT_EQ(controller.undoStack().count(), 1);
    controller.undoStack().undo();
    settle();
    EXPECT_EQ(documentBytes(document), before);
    controller.undoStack().redo();
    settle();
    EXPECT_EQ(documentBytes(document), expected);

    // Cancel in the tile-number question changes nothing.
    alerts->tileNumberAnswers = { std::nullopt };
    panels->answers = { chrPath };
    trigger(document, "importData");
    EXPECT_EQ(documentBytes(document), expected);
    EXPECT_EQ(controller.undoStack().count(), 1);

    // Two tiles too many for the room left after the chosen tile.
    const QString big = dir.filePath("big.chr");
    writeBytes(big, Bytes(16 * 5, 0xFF));
    alerts->tileNumberAnswers = { count - 3 };
    panels->answers = { big };
    trigger(document, "importData");
    ASSERT_EQ(alerts->errors.size(), 1);
    EXPECT_TRUE(alerts->errors[0].contains(big)) << alerts->errors[0].toStdString();
    EXPECT_TRUE(alerts->errors[0].contains("holds 80 bytes (5 tiles)")) << alerts->errors[0].toStdString();
    EXPECT_TRUE(alerts->errors[0].contains("room for 3 tiles (48 bytes)")) << alerts->errors[0].toStdString();
    EXPECT_EQ(documentBytes(document), expected);
    EXPECT_EQ(controller.undoStack().count(), 1);
}

// ROM > Write Back to NAME writes the tiles into the file they came from after one confirmation naming it: the file
// keeps its own header and length, and only the bytes of changed tiles change.
TEST_F(RomFileTest, WriteBackChangesOnlyTheTilesOfTheSourceFile)
{
    const QString path = romCopy();
    MosavoDocument *document = open(path);
    ASSERT_TRUE(document);
    EditorViewController &controller = controllerOf(document);
    QAction *writeBack = action(document, "writeBack");
    ASSERT_TRUE(writeBack);
    document->window()->romMenu()->menuWillOpen();
    EXPECT_EQ(writeBack->text(), "Write Back to game.nes");
    EXPECT_TRUE(writeBack->isEnabled());
    EXPECT_EQ(writeBack->shortcut(), QKeySequence("Ctrl+Shift+W"));
    EXPECT_TRUE(document->window()->windowTitle().contains("game.nes"));

    // Paint in the block shown (the first CHR-ROM tiles).
    drag(controller.mosavo, { { 4, 4 }, { 200, 60 }, { 60, 200 } });
    settle();
    const Bytes original = readBytes(path);
    const Bytes painted = documentBytes(document);
    ASSERT_NE(painted, original);
    // Someone changed a header byte of the file meanwhile: the file's header is kept.
    Bytes onDisk = original;
    onDisk[15] = 0x42;
    writeBytes(path, onDisk);

    alerts->confirmAnswers = { false };
    writeBack->trigger();
    settle();
    EXPECT_EQ(readBytes(path), onDisk) << "Cancel leaves the file";
    ASSERT_EQ(alerts->confirmQuestions.size(), 1);
    EXPECT_TRUE(alerts->confirmQuestions[0].contains("game.nes"));

    alerts->confirmAnswers = { true };
    writeBack->trigger();
    settle();
    const Bytes written = readBytes(path);
    ASSERT_EQ(written.size(), original.size());
    size_t changed = 0;
    for (size_t i = 0; i < written.size(); ++i) {
        if (i < 16 || i >= written.size() - 5) {
            EXPECT_EQ(written[i], onDisk[i]) << "header and trailing byte " << i;
            continue;
        }
        const bool tileChanged = !std::equal(painted.begin() + std::ptrdiff_t(i - (i - 16) % 16),
            painted.begin() + std::ptrdiff_t(i - (i - 16) % 16 + 16),
            original.begin() + std::ptrdiff_t(i - (i - 16) % 16));
        EXPECT_EQ(written[i], tileChanged ? painted[i] : original[i]) << "byte " << i;
        changed += written[i] != original[i];
    }
    EXPECT_GT(changed, 0u);
    EXPECT_TRUE(alerts->errors.isEmpty());

    // A file that no longer holds the tiles is refused and left alone.
    writeBytes(path, Bytes(100, 0));
    alerts->confirmAnswers = { true };
    writeBack->trigger();
    settle();
    ASSERT_EQ(alerts->errors.size(), 1);
    EXPECT_TRUE(alerts->errors[0].contains(path)) << alerts->errors[0].toStdString();
    EXPECT_EQ(readBytes(path), Bytes(100, 0));
}

// Bare CHR data is written back whole over the file it came from, bytes past the last tile kept.
TEST_F(RomFileTest, WriteBackIntoBareChrData)
{
    Bytes chr = readBytes(testFile("chr/sprite.chr"));
    const QString path = dir.filePath("sprites.chr");
    writeBytes(path, chr);
    MosavoDocument *document = open(path);
    ASSERT_TRUE(document);
    EditorViewController &controller = controllerOf(document);
    drag(controller.mosavo, { { 4, 4 }, { 200, 60 }, { 60, 200 } });
    settle();
    const Bytes painted = documentBytes(document);
    ASSERT_NE(painted, chr);
    chr.insert(chr.end(), { 9, 8, 7 });
    writeBytes(path, chr);

    alerts->confirmAnswers = { true, true }; // the file grew since it was read: asked twice
    document->window()->romMenu()->menuWillOpen();
    action(document, "writeBack")->trigger();
    settle();
    EXPECT_TRUE(alerts->errors.isEmpty());
    Bytes expected = painted;
    expected.insert(expected.end(), { 9, 8, 7 });
    EXPECT_EQ(readBytes(path), expected);
}

// A ROM image longer or shorter than its header says opens with the warning in the status bar and beside the tile
// facts; a ROM of the right size has none.
TEST_F(RomFileTest, ARomOfTheWrongSizeOpensWithAWarning)
{
    const Bytes rom = readBytes(testFile("roms/example.nes"));
    const QString shortPath = dir.filePath("short.nes");
    writeBytes(shortPath, Bytes(rom.begin(), rom.end() - 32));
    const struct
    {
        QString path;
        QString warning;
    } cases[] = {
        { romCopy(), QStringLiteral("5 more than its header says") },
        { shortPath, QStringLiteral("32 fewer than its header says") },
        { testFile("roms/example.nes"), QString() },
    };
    for (const auto &c : cases) {
        MosavoDocument *document = open(c.path);
        ASSERT_TRUE(document);
        const QString message = document->window()->statusBar()->currentMessage();
        if (c.warning.isEmpty()) {
            EXPECT_FALSE(message.startsWith("Warning")) << message.toStdString();
            EXPECT_FALSE(controllerOf(document).tileDataWarning());
        } else {
            EXPECT_TRUE(message.startsWith("Warning: the ROM image is")) << message.toStdString();
            EXPECT_TRUE(message.contains(c.warning)) << message.toStdString();
            EXPECT_EQ(controllerOf(document).tileDataWarning(), message.mid(9));
        }
        KestovaDocumentController::closeDocuments();
        settle();
    }
}

// The document remembers the file its tiles came from across save and reopen ("SourceFile"); Export Data suggests
// it; New has none. A "SourceFile" that is not a text refuses the document with the file and the reason.
TEST_F(RomFileTest, TheSourceFileIsRememberedAndSuggested)
{
    const QString path = romCopy("kept.nes");
    MosavoDocument *document = open(path);
    ASSERT_TRUE(document);
    EXPECT_EQ(document->sourceFile(), QFileInfo(path).absoluteFilePath());
    panels->answers = { QString() };
    trigger(document, "exportData");
    ASSERT_FALSE(panels->shownSuggestions.isEmpty());
    EXPECT_EQ(panels->shownSuggestions.back(), QFileInfo(path).absoluteFilePath());

    const QString saved = dir.filePath("work.kestova");
    ASSERT_FALSE(document->writeTo(saved));
    KestovaDocumentController::closeDocuments();
    settle();
    document = open(saved);
    ASSERT_TRUE(document);
    EXPECT_EQ(document->sourceFile(), QFileInfo(path).absoluteFilePath());
    EXPECT_TRUE(document->window()->windowTitle().contains("work.kestova"));
    EXPECT_TRUE(document->window()->windowTitle().contains("tiles from kept.nes"))
        << document->window()->windowTitle().toStdString();
    document->window()->romMenu()->menuWillOpen();
    EXPECT_EQ(action(document, "writeBack")->text(), "Write Back to kept.nes");
    EXPECT_TRUE(action(document, "writeBack")->isEnabled());
    KestovaDocumentController::closeDocuments();
    settle();

    MosavoDocument *fresh = openNew();
    fresh->window()->romMenu()->menuWillOpen();
    EXPECT_FALSE(action(fresh, "writeBack")->isEnabled());
    EXPECT_TRUE(fresh->sourceFile().isEmpty());
    KestovaDocumentController::closeDocuments();
    settle();

    // A document without the key opens as before; one whose key is a number is refused.
    auto record = EditorViewControllerSettings::fromDocumentBytes(readBytes(saved))->encode();
    record.erase("SourceFile");
    Bytes without = { 0xD9, 0xD9, 0xF7 };
    ArchiveRecord::to_cbor(record, without);
    const QString old = dir.filePath("old.kestova");
    writeBytes(old, without);
    document = open(old);
    ASSERT_TRUE(document);
    EXPECT_TRUE(document->sourceFile().isEmpty());
    KestovaDocumentController::closeDocuments();
    settle();

    record["SourceFile"] = 7;
    Bytes wrong = { 0xD9, 0xD9, 0xF7 };
    ArchiveRecord::to_cbor(record, wrong);
    const QString bad = dir.filePath("bad.kestova");
    writeBytes(bad, wrong);
    EXPECT_EQ(documents().openDocumentAt(bad), nullptr);
    ASSERT_EQ(alerts->errors.size(), 1);
    EXPECT_TRUE(alerts->errors[0].contains(bad) && alerts->errors[0].contains("SourceFile"))
        << alerts->errors[0].toStdString();
}

// Write Back puts only the tiles changed in Kestova into the file as it is now: code changed on disk meanwhile stays.
// When the bytes it would write over (or the file's size) changed since the file was read, it says so and asks. After
// Write Back the tile edits no longer count as unsaved; the save question names the file the document was opened from.
TEST_F(RomFileTest, WriteBackKeepsWhatChangedOnDisk)
{
    const QString path = romCopy();
    MosavoDocument *document = open(path);
    ASSERT_TRUE(document);
    EditorViewController &controller = controllerOf(document);
    drag(controller.mosavo, { { 4, 4 }, { 200, 60 }, { 60, 200 } });
    settle();
    ASSERT_TRUE(document->isModified());
    const Bytes original = readBytes(path);
    const Bytes painted = documentBytes(document);
    ASSERT_EQ(painted.size(), original.size()) << "the document holds the whole file, the bytes after the tiles too";
    size_t firstPainted = 0;
    while (firstPainted < painted.size() && painted[firstPainted] == original[firstPainted])
        ++firstPainted;
    ASSERT_LT(firstPainted, painted.size());
    const int64_t chrStart = *controller.chrRomStartTile();
    ASSERT_GE(firstPainted, size_t(16 + chrStart * 16));

    document->window()->romMenu()->menuWillOpen();
    // The program code is reassembled meanwhile: its bytes stay as they are on disk.
    Bytes onDisk = original;
    onDisk[16 + 5] ^= 0xFF;
    onDisk[16 + 300] ^= 0x5A;
    writeBytes(path, onDisk);
    alerts->confirmAnswers = { true };
    action(document, "writeBack")->trigger();
    settle();
    EXPECT_EQ(alerts->confirmQuestions.size(), 1) << "nothing written over changed on disk";
    EXPECT_TRUE(alerts->errors.isEmpty());
    Bytes expected = painted;
    expected[16 + 5] = onDisk[16 + 5];
    expected[16 + 300] = onDisk[16 + 300];
    EXPECT_EQ(readBytes(path), expected);
    EXPECT_FALSE(document->isModified());
    EXPECT_FALSE(document->window()->isWindowModified());

    // A tile edited both here and on disk: Write Back says so and asks; Cancel leaves the file.
    drag(controller.mosavo, { { 100, 100 }, { 120, 20 } });
    settle();
    ASSERT_TRUE(document->isModified());
    const Bytes inDocument = documentBytes(document);
    size_t edited = 16;
    while (edited < inDocument.size() && inDocument[edited] == painted[edited])
        ++edited;
    ASSERT_LT(edited, inDocument.size());
    Bytes changedThere = expected;
    changedThere[edited] ^= 0x81;
    writeBytes(path, changedThere);
    alerts->confirmQuestions.clear();
    alerts->confirmAnswers = { true, false };
    action(document, "writeBack")->trigger();
    settle();
    ASSERT_EQ(alerts->confirmQuestions.size(), 2);
    EXPECT_TRUE(alerts->confirmQuestions[1].startsWith("game.nes changed on disk since Kestova read it."))
        << alerts->confirmQuestions[1].toStdString();
    EXPECT_EQ(readBytes(path), changedThere);
    EXPECT_TRUE(document->isModified());

    // A file that grew is also a file changed on disk; Write Anyway writes the changed tiles into it.
    Bytes grown = expected;
    grown.push_back(0x77);
    writeBytes(path, grown);
    alerts->confirmQuestions.clear();
    alerts->confirmAnswers = { true, true };
    action(document, "writeBack")->trigger();
    settle();
    ASSERT_EQ(alerts->confirmQuestions.size(), 2);
    Bytes written = grown;
    for (size_t i = 0; i < inDocument.size(); ++i)
        if (inDocument[i] != painted[i])
            written[i] = inDocument[i];
    EXPECT_EQ(readBytes(path), written);
    EXPECT_FALSE(document->isModified());

    // A change that is not in the ROM file still counts, and the question names the document by its file.
    drag(controller.mosavo, { { 30, 30 }, { 40, 40 } });
    settle();
    ASSERT_TRUE(document->isModified());
    alerts->saveAnswers = { SaveChoice::cancel };
    EXPECT_FALSE(document->canClose());
    EXPECT_EQ(alerts->saveQuestions, QStringList { "game.nes" });
}

// Export Palette on a document whose sub-palettes make no palette file says why, as the command line does, and shows
// no save panel.
TEST_F(RomFileTest, ExportPaletteSaysWhyThePaletteCannotBeWritten)
{
    auto settings = EditorViewControllerSettings::emptyConsoleObject(ConsoleType::nes);
    auto seven = PaletteFactory::readable();
    seven.pop_back();
    settings->setPalettes(seven);
    const QString path = dir.filePath("seven.kestova");
    writeBytes(path, *settings->documentBytes());
    MosavoDocument *document = open(path);
    ASSERT_TRUE(document);
    ASSERT_EQ(document->editorViewControllerSettings.lock()->palettes()->size(), 7u);

    for (const char *item : { "exportPalette", "exportBackgroundPalette", "exportSpritePalette" }) {
        SCOPED_TRACE(item);
        alerts->errors.clear();
        panels->shownTitles.clear();
        QAction *export_ = action(document, item);
        ASSERT_TRUE(export_);
        export_->trigger();
        settle();
        ASSERT_EQ(alerts->errors.size(), 1);
        EXPECT_EQ(alerts->errors[0],
            "The palettes could not be exported. seven.kestova: its sub-palettes do not make a palette file: it holds "
            "7 sub-palettes with 28 colour numbers in all, a palette file takes eight of four (32); a sub-palette "
            "saved before it was ever shown holds none");
        EXPECT_TRUE(panels->shownTitles.isEmpty());
    }
}
