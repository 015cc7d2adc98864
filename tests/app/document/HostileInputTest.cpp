// Files that are damaged or made to hurt: the document reader and the file reader refuse them with a reason, do not
// crash, keep their memory to a small multiple of the file's size, and leave the open document as it was.
#include "app/document/EditorViewControllerSettings.h"
#include "app/document/FileIO.h"
#include "app/document/KestovaDocumentController.h"
#include "app/document/MosavoDocument.h"
#include "app/window/MainMosavoWindow.h"
#include "core/ConsoleDataFactory.h"
#include "palette/NESPalette.h"
#include "palette/PaletteFactory.h"

#include "app/support/AppTestSupport.h"
#include "app/support/FakePanels.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <fstream>
#include <functional>
#include <malloc.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

using namespace kestova;
using namespace mosavo;
using app_test::ScriptedAlerts;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool measuresMemory = false; // the sanitizer's shadow memory and quarantine swamp the figures
#else
constexpr bool measuresMemory = true;
#endif

Bytes documentWith(const ArchiveRecord &record)
{
    Bytes bytes { 0xD9, 0xD9, 0xF7 };
    ArchiveRecord::to_cbor(record, bytes);
    return bytes;
}

// A small valid document: 64 tiles of a real CHR file and eight four-colour palettes.
ArchiveRecord validRecord()
{
    std::ifstream in(KESTOVA_TEST_DATA "/chr/sprite.chr", std::ios::binary);
    Bytes chr((std::istreambuf_iterator<char>(in)), {});
    chr.resize(64 * 16);
    EditorViewControllerSettings settings;
    settings.setTileData(ConsoleDataFactory::generate(chr));
    settings.setPalettes(PaletteFactory::generate(Bytes(32, 0x21)));
    return settings.encode();
}

SettingsPtr readDocument(const Bytes &bytes, std::string *why = nullptr)
{
    return EditorViewControllerSettings::fromDocumentBytes(bytes, why);
}

// How far the memory of a child process rises above what it started with while it runs work, in bytes: the memory in
// use (resident), or the memory reserved (address space), which also counts reservations never touched.
enum class Memory { resident, reserved };
size_t peakGrowth(const std::function<void()> &work, Memory kind = Memory::resident)
{
    auto statusField = [](const char *field) -> size_t {
        std::ifstream status("/proc/self/status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind(field, 0) == 0)
                return std::stoul(line.substr(std::strlen(field))) * 1024;
        return 0;
    };
    int channel[2];
    if (pipe(channel) != 0)
        return SIZE_MAX;
    const pid_t child = fork();
    if (child == 0) {
        malloc_trim(0); // memory the test freed before must not serve the work unseen
        const bool resident = kind == Memory::resident;
        const size_t start = statusField(resident ? "VmRSS:" : "VmSize:");
        work();
        const size_t growth = statusField(resident ? "VmHWM:" : "VmPeak:") - start;
        (void)!write(channel[1], &growth, sizeof growth);
        _exit(0);
    }
    close(channel[1]);
    size_t growth = SIZE_MAX;
    if (read(channel[0], &growth, sizeof growth) != sizeof growth)
        growth = SIZE_MAX;
    close(channel[0]);
    waitpid(child, nullptr, 0);
    return growth;
}

class HostileInputTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        app_test::testApplication();
        alerts = std::make_shared<ScriptedAlerts>();
        setAlerts(alerts);
        panels = std::make_shared<FakePanels>();
        setFilePanels(panels);
        ASSERT_TRUE(dir.isValid());
    }
    void TearDown() override
    {
        KestovaDocumentController::closeDocuments();
        settle();
        setAlerts(nullptr);
        setFilePanels(nullptr);
    }
    static void settle()
    {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
    QString file(const char *name, const Bytes &bytes)
    {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(reinterpret_cast<const char *>(bytes.data()), qint64(bytes.size()));
        return path;
    }
    // Opening the file is refused with one message naming it, and the open, changed document is untouched.
    void expectRefusedWithoutLoss(const QString &path, MosavoDocument *open)
    {
        const Bytes before = *open->editorViewControllerSettings.lock()->tileData()->consoleFormattedPixelData();
        alerts->errors.clear();
        EXPECT_EQ(KestovaDocumentController::shared().openDocumentAt(path), nullptr);
        settle();
        ASSERT_EQ(alerts->errors.size(), 1);
        EXPECT_TRUE(alerts->errors[0].contains(path + QStringLiteral(": "))) << alerts->errors[0].toStdString();
        ASSERT_EQ(KestovaDocumentController::shared().documents().size(), 1u);
        EXPECT_EQ(KestovaDocumentController::shared().documents()[0], open);
        EXPECT_TRUE(open->isModified());
        EXPECT_EQ(*open->editorViewControllerSettings.lock()->tileData()->consoleFormattedPixelData(), before);
    }

    std::shared_ptr<ScriptedAlerts> alerts;
    std::shared_ptr<FakePanels> panels;
    QTemporaryDir dir;
};

} // namespace

TEST(HostileDocument, EmptyFilesAndEveryTruncationAreRefused)
{
    std::string why;
    EXPECT_FALSE(readDocument({}, &why));
    EXPECT_EQ(why, "it is not a Kestova document");
    EXPECT_FALSE(ConsoleDataFactory::generate(Bytes {}));
    EXPECT_FALSE(PaletteFactory::generate(Bytes {}));

    const Bytes whole = documentWith(validRecord());
    ASSERT_TRUE(readDocument(whole));
    for (size_t length = 0; length < whole.size(); ++length) {
        why.clear();
        EXPECT_FALSE(readDocument(Bytes(whole.begin(), whole.begin() + std::ptrdiff_t(length)), &why)) << length;
        EXPECT_FALSE(why.empty()) << length;
    }
}

TEST(HostileDocument, RandomBytesBehindTheTagAreRefused)
{
    std::mt19937 random(20261208);
    int refused = 0;
    for (int round = 0; round < 2000; ++round) {
        Bytes bytes { 0xD9, 0xD9, 0xF7 };
        const size_t length = random() % 4096;
        for (size_t i = 0; i < length; ++i)
            bytes.push_back(uint8_t(random()));
        refused += readDocument(bytes) == nullptr;
    }
    EXPECT_EQ(refused, 2000);
}

TEST(HostileDocument, WrongKindsUnderEveryKey)
{
    const std::vector<ArchiveRecord> kinds = { nullptr, true, -5, uint64_t(1) << 63, 2.5, "text",
        ArchiveRecord::binary({ 1, 2, 3 }), ArchiveRecord::array({ 1 }), ArchiveRecord::object({ { "a", 1 } }) };
    // Keys whose value must be of one kind for the document to be usable at all.
    for (const char *key : { "$class", "TileData", "Palettes", "ZoomSize" }) {
        for (const ArchiveRecord &kind : kinds) {
            ArchiveRecord record = validRecord();
            record[key] = kind;
            std::string why;
            EXPECT_FALSE(readDocument(documentWith(record), &why)) << key << " = " << kind.dump();
            EXPECT_FALSE(why.empty());
        }
    }
    // "Version" reads as 0 unless it is an integer; "SelectedPalette" is never read.
    for (const ArchiveRecord &kind : kinds) {
        ArchiveRecord record = validRecord();
        record["Version"] = kind;
        record["SelectedPalette"] = kind;
        const auto settings = readDocument(documentWith(record));
        ASSERT_TRUE(settings) << kind.dump();
        EXPECT_EQ(settings->version(), kind.is_number_integer() ? kind.get<int64_t>() : 0);
    }
    // Inside a palette: a wrong "Palette" list leaves that palette to draw new colours and a wrong "Color" reads the
    // box as colour 0x00; a "Key" that is no integer reads as 0x00 and an integer outside 0x00-0x3F refuses the
    // document, and so does an entry of the palette list that is no record.
    for (const ArchiveRecord &kind : kinds) {
        ArchiveRecord record = validRecord();
        record["Palettes"][0]["Palette"] = kind;
        record["Palettes"][1]["Palette"][0]["Color"] = kind;
        const auto settings = readDocument(documentWith(record));
        ASSERT_TRUE(settings) << kind.dump();
        const auto &palettes = *settings->palettes();
        ASSERT_EQ(palettes.size(), 8u);
        EXPECT_EQ(palettes[0]->palette().size(), 4u);
        EXPECT_EQ(palettes[1]->palette()[0].colorCode, 0);
        EXPECT_EQ(palettes[1]->palette()[1].colorCode, 0x21);

        ArchiveRecord badKey = validRecord();
        badKey["Palettes"][2]["Palette"][1]["Key"] = kind;
        const auto keyed = readDocument(documentWith(badKey));
        EXPECT_EQ(keyed == nullptr, kind.is_number_integer()) << kind.dump();
        if (keyed) {
            EXPECT_EQ((*keyed->palettes())[2]->palette()[1].colorCode, 0);
        }

        ArchiveRecord badEntry = validRecord();
        badEntry["Palettes"][4] = kind;
        EXPECT_EQ(readDocument(documentWith(badEntry)) == nullptr, !kind.is_object()) << kind.dump();
    }
    // Colour numbers outside the master palette.
    for (int number : { 0x40, 0xFF, -1, 1 << 20 }) {
        ArchiveRecord record = validRecord();
        record["Palettes"][6]["Palette"][3]["Key"] = number;
        std::string why;
        EXPECT_FALSE(readDocument(documentWith(record), &why)) << number;
        EXPECT_EQ(why, "its palettes hold a colour number outside 0x00-0x3F");
    }
}

TEST(HostileDocument, DeclaredLengthsBeyondTheFileAndDeepNestingAreRefusedBeforeAnythingIsBuilt)
{
    const Bytes head { 0xD9, 0xD9, 0xF7, 0xA2, 0x66, '$', 'c', 'l', 'a', 's', 's', 0x78, 0x1C };
    const std::string className = "EditorViewControllerSettings";
    auto withTileHead = [&](std::initializer_list<uint8_t> tileHead) {
        Bytes bytes = head;
        bytes.insert(bytes.end(), className.begin(), className.end());
        const std::string key = "\x68TileData";
        bytes.insert(bytes.end(), key.begin(), key.end());
        bytes.insert(bytes.end(), tileHead);
        bytes.insert(bytes.end(), 4096, 0x00);
        return bytes;
    };
    const Bytes terabyteString = withTileHead({ 0x5B, 0, 0, 0x01, 0, 0, 0, 0, 0 }); // 2^40 bytes declared
    const Bytes hugeArray = withTileHead({ 0x9B, 0, 0, 0x01, 0, 0, 0, 0, 0 });
    const Bytes hugeMap = withTileHead({ 0xBB, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF });
    const Bytes hugeText = withTileHead({ 0x7B, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF });
    Bytes deep { 0xD9, 0xD9, 0xF7 };
    deep.insert(deep.end(), 100000, 0x81);
    deep.push_back(0x00);

    for (const Bytes *bytes :
        std::initializer_list<const Bytes *> { &terabyteString, &hugeArray, &hugeMap, &hugeText, &deep }) {
        std::string why;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(readDocument(*bytes, &why));
        EXPECT_EQ(why, "the document is damaged (it is not valid CBOR)");
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        if (measuresMemory) {
            EXPECT_LT(peakGrowth([bytes] { readDocument(*bytes); }), 4u << 20);
        }
    }
}

TEST(HostileDocument, AHundredThousandPalettesStayWithinASmallMultipleOfTheFile)
{
    ArchiveRecord record = validRecord();
    const ArchiveRecord palette = record["Palettes"][0];
    record["Palettes"] = ArchiveRecord::array();
    for (int i = 0; i < 100000; ++i)
        record["Palettes"].push_back(palette);
    const Bytes bytes = documentWith(record);
    record = nullptr;

    const auto settings = readDocument(bytes);
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->palettes()->size(), 100000u);
    if (measuresMemory) {
        const size_t growth = peakGrowth([&bytes] { readDocument(bytes); });
        std::cout << "100,000 palettes: " << bytes.size() << " bytes of file, " << growth
                  << " bytes of peak memory growth while read (x" << double(growth) / double(bytes.size()) << ")\n";
        EXPECT_LT(growth, 16 * bytes.size());
    }
}

TEST_F(HostileInputTest, BadFilesAreRefusedAndTheOpenDocumentKeepsItsChanges)
{
    MosavoDocument *open = KestovaDocumentController::shared().openUntitledDocument();
    settle();
    open->editorViewControllerSettings.lock()->tileData()->matrices()[5]->values[1][1] = 2;
    open->setModified(true);

    expectRefusedWithoutLoss(file("empty.kestova", {}), open);
    EXPECT_TRUE(alerts->errors[0].contains(QStringLiteral("it is not a Kestova document")));
    expectRefusedWithoutLoss(file("empty.chr", {}), open);

    const Bytes whole = documentWith(validRecord());
    expectRefusedWithoutLoss(file("cut.kestova", Bytes(whole.begin(), whole.end() - 1)), open);
    ArchiveRecord forty = validRecord();
    forty["Palettes"][0]["Palette"][0]["Key"] = 0x40;
    expectRefusedWithoutLoss(file("forty.kestova", documentWith(forty)), open);
    Bytes terabyte { 0xD9, 0xD9, 0xF7, 0x5B, 0, 0, 0x01, 0, 0, 0, 0, 0 };
    expectRefusedWithoutLoss(file("terabyte.kestova", terabyte), open);

    // A ROM of 65 MiB (a sparse file) is refused by its size before a byte of it is read, also as imported data.
    const QString big = dir.filePath("big.nes");
    {
        QFile out(big);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("NES\x1a", 4);
        ASSERT_TRUE(out.resize(65 * 1024 * 1024));
    }
    expectRefusedWithoutLoss(big, open);
    EXPECT_TRUE(alerts->errors[0].contains(QStringLiteral("too large"))) << alerts->errors[0].toStdString();
    alerts->errors.clear();
    panels->answers = { big };
    const Bytes before = *open->editorViewControllerSettings.lock()->tileData()->consoleFormattedPixelData();
    open->window()->findChild<QAction *>(QStringLiteral("importData"))->trigger();
    settle();
    ASSERT_EQ(alerts->errors.size(), 1);
    EXPECT_TRUE(alerts->errors[0].contains(big + QStringLiteral(": too large"))) << alerts->errors[0].toStdString();
    EXPECT_EQ(*open->editorViewControllerSettings.lock()->tileData()->consoleFormattedPixelData(), before);
    // A small file reserves no more than its size either (reading used to reserve room for the largest file).
    const QString palette = QStringLiteral(KESTOVA_SOURCE_DIR "/data/sample.pal");
    EXPECT_EQ(readWholeFile(palette).bytes.size(), 32u);
    if (measuresMemory) {
        EXPECT_LT(peakGrowth([&palette] { readWholeFile(palette); }, Memory::reserved), 8u << 20);
    }
}
