#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "app/cli/CommandLineTestSupport.h"

using namespace command_line_test;

namespace {

QJsonObject infoOf(const QString &path)
{
    const ProcessResult run = runKestova({ QStringLiteral("--info"), path });
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    return QJsonDocument::fromJson(run.out).object();
}

} // namespace

// CHR data whose first tile begins with "NES" is CHR data: without 4E 45 53 1A first a file is no ROM image, and a
// file named *.chr is CHR data whatever its first bytes, also when --import-png wrote it.
TEST(CommandLine, ChrDataBeginningWithNesStaysChrData)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    QByteArray tiles(32, '\0');
    tiles.replace(0, 4, QByteArray("NES\0", 4));
    const QString bare = temp.filePath(QStringLiteral("tiles.bin"));
    writeFile(bare, tiles);
    QJsonObject info = infoOf(bare);
    EXPECT_EQ(info[QStringLiteral("kind")].toString(), QStringLiteral("chr"));
    EXPECT_EQ(info[QStringLiteral("tiles")].toInt(), 2);

    tiles[3] = 0x1A;
    const QString named = temp.filePath(QStringLiteral("tiles.chr"));
    writeFile(named, tiles);
    info = infoOf(named);
    EXPECT_EQ(info[QStringLiteral("kind")].toString(), QStringLiteral("chr"));
    EXPECT_EQ(info[QStringLiteral("tiles")].toInt(), 2);

    // Through a picture and back into a CHR file: the same bytes, still CHR data.
    const QString sheet = temp.filePath(QStringLiteral("sheet.png"));
    ProcessResult run = runKestova({ QStringLiteral("--export-png"), sheet, named });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString back = temp.filePath(QStringLiteral("back.chr"));
    run = runKestova({ QStringLiteral("--import-png"), sheet, QStringLiteral("--output"), back });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(readFile(back).left(32), tiles);
    info = infoOf(back);
    EXPECT_EQ(info[QStringLiteral("kind")].toString(), QStringLiteral("chr"));
}
