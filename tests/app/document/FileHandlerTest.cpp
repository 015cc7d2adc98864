#include "app/document/FileHandler.h"
#include "app/document/DataProcessor.h"
#include "app/document/PaletteProccessor.h"
#include "palette/PaletteFactory.h"

#include "app/support/FakePanels.h"
#include "app/support/LogCapture.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace kestova;
using namespace mosavo;

namespace {
class FileHandlerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        panels = std::make_shared<FakePanels>();
        setFilePanels(panels);
        ASSERT_TRUE(dir.isValid());
    }
    void TearDown() override { setFilePanels(nullptr); }

    QString write(const QString &name, const Bytes &bytes)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char *>(bytes.data()), qint64(bytes.size()));
        return path;
    }
    static Bytes read(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QByteArray data = file.readAll();
        return Bytes(data.begin(), data.end());
    }
    static Bytes paletteFile()
    {
        Bytes bytes;
        for (int p = 0; p < 8; ++p)
            bytes.insert(bytes.end(), { 0x0F, uint8_t(p), 0x10, 0x30 });
        return bytes;
    }

    std::shared_ptr<FakePanels> panels;
    QTemporaryDir dir;
};
} // namespace

TEST_F(FileHandlerTest, TileDataImportDeliversBytesOrTheReason)
{
    DataProcessor processor;
    const QString chr = write("with space.chr", Bytes(4096, 0x5A));
    panels->answers = { chr, QString(), dir.filePath("missing.chr") };

    std::optional<Bytes> got;
    std::optional<FileError> error;
    auto keep = [&](std::optional<Bytes> bytes, std::optional<FileError> e) {
        got = std::move(bytes);
        error = std::move(e);
    };
    processor.importObject(keep);
    EXPECT_EQ(got, Bytes(4096, 0x5A));
    EXPECT_FALSE(error);
    EXPECT_EQ(processor.path, chr);

    LogCapture log;
    processor.importObject(keep); // cancelled
    EXPECT_FALSE(got);
    EXPECT_FALSE(error);
    EXPECT_TRUE(log.contains("Cannot open file"));

    processor.importObject(keep); // unreadable
    EXPECT_FALSE(got);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->path, dir.filePath("missing.chr"));
    EXPECT_EQ(processor.path, chr) << "a failed import keeps the last path";
}

TEST_F(FileHandlerTest, ExportWritesAtomicallyAndReportsFailures)
{
    DataProcessor processor;
    const QString target = write("out.chr", Bytes(16, 1));
    int calls = 0;
    std::optional<FileError> error;
    auto keep = [&](std::optional<FileError> e) {
        ++calls;
        error = std::move(e);
    };

    panels->answers = { QString() };
    processor.exportObject(Bytes(32, 7), keep);
    EXPECT_EQ(calls, 0) << "a cancelled save panel calls nothing";

    panels->answers = { target };
    processor.exportObject(Bytes(32, 7), keep);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(error);
    EXPECT_EQ(read(target), Bytes(32, 7));

    panels->answers = { dir.filePath("no/such/folder/out.chr") };
    processor.exportObject(Bytes(32, 9), keep);
    EXPECT_EQ(calls, 2);
    ASSERT_TRUE(error);
    EXPECT_FALSE(QFile::exists(dir.filePath("no/such/folder/out.chr")));
    EXPECT_EQ(read(target), Bytes(32, 7));
}

TEST_F(FileHandlerTest, PaletteImportAcceptsOnlyPaletteFiles)
{
    PaletteProccessor processor;
    int calls = 0;
    std::optional<std::vector<PalettePtr>> palettes;
    std::optional<FileError> error;
    auto keep = [&](std::optional<std::vector<PalettePtr>> p, std::optional<FileError> e) {
        ++calls;
        palettes = std::move(p);
        error = std::move(e);
    };

    {
        LogCapture log;
        processor.importObject(keep);
        EXPECT_TRUE(log.contains("Palette Type is nil"));
        EXPECT_EQ(calls, 1);
        EXPECT_TRUE(error);
    }
    processor.paletteType = PaletteType::nes;

    panels->answers = { write("good.pal", paletteFile()) };
    processor.importObject(keep);
    ASSERT_TRUE(palettes);
    ASSERT_EQ(palettes->size(), 8u);
    EXPECT_EQ((*palettes)[5]->palette()[1].colorCode, 5);

    Bytes withBadByte = paletteFile();
    withBadByte[9] = 0x40;
    panels->answers = { write("short.pal", Bytes(31, 0)), write("bad.pal", withBadByte) };
    processor.importObject(keep);
    EXPECT_FALSE(palettes);
    ASSERT_TRUE(error);
    EXPECT_TRUE(error->path.endsWith("short.pal"));
    EXPECT_TRUE(error->reason.contains("31")) << error->reason.toStdString();
    processor.importObject(keep);
    ASSERT_TRUE(error);
    EXPECT_TRUE(error->reason.contains("0x40")) << error->reason.toStdString();

    const int before = calls;
    LogCapture log;
    panels->answers = { QString() };
    processor.importObject(keep);
    EXPECT_EQ(calls, before) << "a cancelled palette import calls nothing";
    EXPECT_TRUE(log.contains("Cannot open file"));
}

TEST_F(FileHandlerTest, PaletteExportWritesThirtyTwoBytes)
{
    PaletteProccessor processor;
    processor.paletteType = PaletteType::nes;
    auto palettes = *PaletteFactory::generate(paletteFile());
    const QString target = dir.filePath("out.pal");
    panels->answers = { target };
    std::optional<FileError> error;
    processor.exportObject(palettes, [&](std::optional<FileError> e) { error = e; });
    EXPECT_FALSE(error);
    EXPECT_EQ(read(target), paletteFile());

    LogCapture log;
    palettes.pop_back();
    panels->shownTitles.clear();
    processor.exportObject(palettes, [&](std::optional<FileError>) { ADD_FAILURE() << "no completion expected"; });
    EXPECT_TRUE(log.contains("Could not convert Palette to Data"));
    EXPECT_TRUE(panels->shownTitles.isEmpty()) << "no panel for seven palettes";
}

namespace {
// Brings an object in through any handler's ImportObject side and sends it out again through its ExportObject side.
template<class Handler>
std::optional<typename Handler::T> roundTrip(Handler &handler)
{
    ImportObject<typename Handler::T> &importer = handler;
    ExportObject<typename Handler::T> &exporter = handler;
    std::optional<typename Handler::T> imported;
    importer.importObject(
        [&](std::optional<typename Handler::T> object, std::optional<FileError>) { imported = std::move(object); });
    if (imported)
        exporter.exportObject(*imported, [](std::optional<FileError>) {});
    return imported;
}
} // namespace

// DataProcessor and PaletteProccessor both serve as ImportObject and ExportObject of their object type: bytes, and
// eight sub-palettes.
TEST_F(FileHandlerTest, HandlersWorkThroughTheirImportAndExportProtocols)
{
    DataProcessor data;
    const QString chr = write("in.chr", Bytes(64, 0x3C));
    panels->answers = { chr, dir.filePath("out.chr") };
    const auto bytes = roundTrip(data);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes, Bytes(64, 0x3C));
    EXPECT_EQ(read(dir.filePath("out.chr")), Bytes(64, 0x3C));

    PaletteProccessor palettes;
    palettes.paletteType = PaletteType::nes;
    const QString pal = write("in.pal", paletteFile());
    panels->answers = { pal, dir.filePath("out.pal") };
    const auto list = roundTrip(palettes);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->size(), 8u);
    EXPECT_EQ(read(dir.filePath("out.pal")), paletteFile());
}
