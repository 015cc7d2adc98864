// Saving and exporting when the write cannot succeed: onto a folder, into a "folder" that is a regular file, onto a
// device (/dev/full), and a write cut off halfway (the process's file-size limit, which holds for root too, unlike a
// read-only folder). Every time the user gets one message naming the file and the reason, the previous file is left
// byte for byte as it was, no temporary file stays behind, and the document stays open and modified.
#include "app/document/FileIO.h"
#include "app/document/KestovaDocumentController.h"
#include "app/document/MosavoDocument.h"
#include "app/window/MainMosavoWindow.h"
#include "palette/PaletteFactory.h"

#include "app/support/AppTestSupport.h"
#include "app/support/FakePanels.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using namespace kestova;
using namespace mosavo;
using app_test::ScriptedAlerts;

namespace {

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeContent(const QString &path, const QByteArray &content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(content), content.size());
}

// Writes beyond `bytes` bytes fail with "File too large" while it exists, as on a disk that fills up mid-write.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        active_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    bool active() const { return active_; }

private:
    rlimit previous_ {};
    void (*previousHandler_)(int) = nullptr;
    bool active_ = false;
};

class FailedWriteTest : public ::testing::Test
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

        // A saved document, then changed: the state in which losing the file or the changes would hurt.
        savedPath = dir.filePath("work.kestova");
        auto settings = EditorViewControllerSettings::emptyConsoleObject(ConsoleType::nes);
        settings->setPalettes(PaletteFactory::generate(Bytes(32, 0x16)));
        const auto bytes = settings->documentBytes();
        writeContent(savedPath, QByteArray(reinterpret_cast<const char *>(bytes->data()), qsizetype(bytes->size())));
        savedContent = contentOf(savedPath);
        document = KestovaDocumentController::shared().openDocumentAt(savedPath);
        ASSERT_NE(document, nullptr);
        settle();
        document->editorViewControllerSettings.lock()->tileData()->matrices()[0]->values[0][0] = 3;
        document->setModified(true);
        ASSERT_TRUE(alerts->errors.isEmpty());
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
    void trigger(const char *actionName)
    {
        auto *action = document->window()->findChild<QAction *>(QString::fromLatin1(actionName));
        ASSERT_NE(action, nullptr) << actionName;
        action->trigger();
        settle();
    }

    // One message that names the file and gives the given reason; the document is still open, still modified and
    // still has its changes; the saved file is unchanged and no temporary file is left in the folder.
    void expectNothingLost(const QString &target, const QString &reason)
    {
        ASSERT_EQ(alerts->errors.size(), 1) << alerts->errors.join('\n').toStdString();
        EXPECT_TRUE(alerts->errors[0].contains(target + QStringLiteral(": "))) << alerts->errors[0].toStdString();
        EXPECT_TRUE(alerts->errors[0].contains(reason)) << alerts->errors[0].toStdString();
        alerts->errors.clear();
        const auto &open = KestovaDocumentController::shared().documents();
        EXPECT_NE(std::find(open.begin(), open.end(), document), open.end());
        EXPECT_TRUE(document->isModified());
        EXPECT_TRUE(document->window()->isWindowModified());
        EXPECT_EQ(document->filePath(), savedPath);
        EXPECT_EQ(document->editorViewControllerSettings.lock()->tileData()->matrices()[0]->values[0][0], 3);
        EXPECT_EQ(contentOf(savedPath), savedContent);
        const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
        for (const QString &name : left)
            EXPECT_TRUE(name == QStringLiteral("work.kestova") || name == QStringLiteral("out.chr"))
                << "temporary file left behind: " << name.toStdString();
    }

    std::shared_ptr<ScriptedAlerts> alerts;
    std::shared_ptr<FakePanels> panels;
    QTemporaryDir dir;
    QString savedPath;
    QByteArray savedContent;
    MosavoDocument *document = nullptr;
};

} // namespace

TEST_F(FailedWriteTest, SavingOntoAFolderOrBelowARegularFileKeepsEverything)
{
    const QString folder = dir.filePath("folder.kestova");
    ASSERT_TRUE(QDir().mkdir(folder));
    panels->answers = { folder };
    EXPECT_FALSE(document->saveAs());
    expectNothingLost(folder, QStringLiteral("is a folder, not a file"));
    EXPECT_TRUE(QFileInfo(folder).isDir());

    const QString belowFile = savedPath + QStringLiteral("/inside.kestova");
    panels->answers = { belowFile };
    EXPECT_FALSE(document->saveAs());
    expectNothingLost(belowFile, QStringLiteral("cannot be written"));

    // The same through the menu's Save As.
    panels->answers = { folder };
    trigger("actionSaveAs");
    expectNothingLost(folder, QStringLiteral("is a folder, not a file"));
}

TEST_F(FailedWriteTest, SavingOntoADeviceNeverReplacesIt)
{
    if (!QFileInfo::exists(QStringLiteral("/dev/full")))
        GTEST_SKIP() << "no /dev/full";
    document->setFilePath(QStringLiteral("/dev/full"));
    EXPECT_FALSE(document->save());
    ASSERT_EQ(alerts->errors.size(), 1);
    EXPECT_TRUE(alerts->errors[0].contains(QStringLiteral("/dev/full: is not a regular file")))
        << alerts->errors[0].toStdString();
    alerts->errors.clear();
    EXPECT_TRUE(document->isModified());
    // Still the device: an atomic save would have renamed a regular file over it.
    EXPECT_FALSE(QFileInfo(QStringLiteral("/dev/full")).isFile());
    EXPECT_EQ(writeFileAtomically(QStringLiteral("/dev/null"), Bytes(4, 1))->reason,
        QStringLiteral("is not a regular file (a device or a pipe)"));
    EXPECT_FALSE(QFileInfo(QStringLiteral("/dev/null")).isFile());

    document->setFilePath(savedPath);
    EXPECT_TRUE(document->save()) << alerts->errors.join('\n').toStdString();
    EXPECT_FALSE(document->isModified());
    EXPECT_NE(contentOf(savedPath), savedContent);
}

TEST_F(FailedWriteTest, AWriteCutOffHalfwayLeavesTheSavedFileAsItWas)
{
    ASSERT_GT(savedContent.size(), 4096);
    {
        FileSizeLimit limit(1000);
        ASSERT_TRUE(limit.active());
        EXPECT_FALSE(document->save());
    }
    expectNothingLost(savedPath, QStringLiteral("cannot be written"));

    // A writer that fails after putting half its content on the device replaces nothing either.
    const QString other = dir.filePath("out.chr");
    writeContent(other, "previous");
    const auto error = writeFileAtomically(other, [](QIODevice &device) -> std::optional<QString> {
        device.write(QByteArray(5000, 'x'));
        return QStringLiteral("the picture could not be encoded");
    });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->describe(), other + QStringLiteral(": the picture could not be encoded"));
    EXPECT_EQ(contentOf(other), "previous");

    // With the limit gone the same save succeeds.
    EXPECT_TRUE(document->save());
    EXPECT_FALSE(document->isModified());
    EXPECT_TRUE(alerts->errors.isEmpty());
}

TEST_F(FailedWriteTest, FailedExportsOfTilesAndPalettesKeepThePreviousFiles)
{
    const QString out = dir.filePath("out.chr");
    writeContent(out, "previous tiles");
    const QString folder = dir.filePath("out.pal");
    ASSERT_TRUE(QDir().mkdir(folder));

    {
        FileSizeLimit limit(1000); // the 8192 tile bytes stop after 1000
        ASSERT_TRUE(limit.active());
        panels->answers = { out };
        trigger("exportData");
    }
    expectNothingLost(out, QStringLiteral("cannot be written"));
    EXPECT_EQ(contentOf(out), "previous tiles");

    panels->answers = { folder };
    trigger("exportPalette");
    expectNothingLost(folder, QStringLiteral("is a folder, not a file"));

    if (QFileInfo::exists(QStringLiteral("/dev/full"))) {
        panels->answers = { QStringLiteral("/dev/full") };
        trigger("exportData");
        expectNothingLost(QStringLiteral("/dev/full"), QStringLiteral("is not a regular file"));
        EXPECT_FALSE(QFileInfo(QStringLiteral("/dev/full")).isFile());
    }

    // A read-only folder stops every user but root.
    if (geteuid() != 0) {
        const QString locked = dir.filePath("locked");
        ASSERT_TRUE(QDir().mkdir(locked));
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        panels->answers = { locked + QStringLiteral("/out.chr") };
        trigger("exportData");
        expectNothingLost(locked + QStringLiteral("/out.chr"), QStringLiteral("cannot be written"));
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    panels->answers = { out };
    trigger("exportData");
    EXPECT_TRUE(alerts->errors.isEmpty()) << alerts->errors.join('\n').toStdString();
    EXPECT_EQ(contentOf(out).size(), 8192);
}

// A failed save says "Could not save NAME: reason" in words: never an error domain or code.
TEST_F(FailedWriteTest, AFailedSaveSaysCouldNotSaveAndWhy)
{
    MosavoDocument empty;
    const QString target = dir.filePath("empty.kestova");
    empty.setFilePath(target);
    EXPECT_FALSE(empty.save());
    ASSERT_EQ(alerts->errors.size(), 1);
    EXPECT_EQ(
        alerts->errors[0], QStringLiteral("Could not save %1: the document holds no content to write").arg(target));
    EXPECT_FALSE(alerts->errors[0].contains(QStringLiteral("Domain")));
    EXPECT_FALSE(QFileInfo::exists(target));
    alerts->errors.clear();

    const QString folder = dir.filePath("folder.kestova");
    ASSERT_TRUE(QDir().mkdir(folder));
    panels->answers = { folder };
    trigger("actionSaveAs");
    ASSERT_EQ(alerts->errors.size(), 1);
    EXPECT_TRUE(alerts->errors[0].startsWith(QStringLiteral("Could not save %1: is a folder").arg(folder)))
        << alerts->errors[0].toStdString();
}
