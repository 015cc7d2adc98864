#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "app/cli/CommandLineTestSupport.h"

using namespace command_line_test;

// Counts in messages agree with their nouns: "1 tile", "2 tiles".
TEST(CommandLine, MessagesCountOneTileAndManyTiles)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    QImage picture(8, 16, QImage::Format_RGB32);
    picture.fill(Qt::black);
    picture.setPixel(3, 12, qRgb(0xFF, 0xFF, 0xFF));
    const QString sheet = temp.filePath(QStringLiteral("sheet.png"));
    ASSERT_TRUE(picture.save(sheet));
    const QString one = temp.filePath(QStringLiteral("one.chr"));
    writeFile(one, QByteArray(16, '\0'));
    const QString output = temp.filePath(QStringLiteral("out.chr"));

    ProcessResult run = runKestova({ QStringLiteral("--import-png"), sheet, QStringLiteral("--at"), QStringLiteral("3"),
        QStringLiteral("--output"), output, one });
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("holds 1 tile (0-0), so there is no tile 3")) << run.err.toStdString();

    run = runKestova({ QStringLiteral("--import-png"), sheet, QStringLiteral("--output"), output, one });
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("holds 2 tiles; placed from tile 0 they run past the last tile of"))
        << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(output));
}
