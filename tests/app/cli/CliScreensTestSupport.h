#pragma once

#include "app/document/EditorViewControllerSettings.h"
#include "core/ConsoleDataFactory.h"
#include "core/Matrix.h"
#include "core/Rle.h"
#include "palette/DisplayColors.h"
#include "palette/PaletteFactory.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>

// Shared by the tests of CliScreensTest.
namespace cli_screens_test {

using mosavo::Bytes;

const QString dataDir = QStringLiteral(KESTOVA_TEST_DATA);

struct ProgramRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// The program as scripts run it: a process of its own, without any display.
inline ProgramRun runProgram(const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QT_LOGGING_RULES" })
        environment.remove(QLatin1String(name));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(KESTOVA_BINARY), arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return { process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError() };
}

class CliScreens : public ::testing::Test
{
protected:
    QString path(const QString &name) const { return dir_.filePath(name); }

    void write(const QString &name, const Bytes &bytes) const
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
    }
    void write(const QString &name, const QByteArray &bytes) const { write(name, Bytes(bytes.begin(), bytes.end())); }

    Bytes read(const QString &name) const
    {
        QFile file(path(name));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QByteArray bytes = file.readAll();
        return Bytes(bytes.begin(), bytes.end());
    }

    // Runs a shell command in the folder, failing the test with its output when it fails.
    void shell(const std::string &command) const
    {
        const std::string line = "cd '" + dir_.path().toStdString() + "' && " + command + " >log.txt 2>&1";
        const int status = std::system(line.c_str());
        const Bytes log = read(QStringLiteral("log.txt"));
        ASSERT_EQ(status, 0) << command << "\n" << std::string(log.begin(), log.end());
    }

    // A document file of blank tiles holding the screens (and metasprites) given.
    void writeDocument(const QString &name, const std::vector<mosavo::Screen> &screens,
        const std::vector<mosavo::Metasprite> &metasprites = {}) const
    {
        auto document = kestova::EditorViewControllerSettings::emptyConsoleObject(mosavo::ConsoleType::nes);
        document->screens() = screens;
        document->metasprites() = metasprites;
        write(name, *document->documentBytes());
    }

    QTemporaryDir dir_;
};

// CHR data of one bank: tile 1 all colour 1, tile 258 all colour 2, tile 259 all colour 3, the rest blank.
inline Bytes knownBank()
{
    Bytes chr(8192, 0);
    const auto fill = [&](int tile, int index) {
        for (int row = 0; row < 8; ++row) {
            chr[size_t(tile * 16 + row)] = (index & 1) ? 0xFF : 0;
            chr[size_t(tile * 16 + 8 + row)] = (index & 2) ? 0xFF : 0;
        }
    };
    fill(1, 1);
    fill(258, 2);
    fill(259, 3);
    return chr;
}

inline QRgb master(int number)
{
    return 0xFF000000u | mosavo::DisplayColors().rgb24(number);
}

} // namespace cli_screens_test
