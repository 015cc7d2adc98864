#pragma once

#include "app/cli/CommandLine.h"
#include "app/document/EditorViewControllerSettings.h"
#include "core/ConsoleDataFactory.h"
#include "palette/NESColors.h"
#include "palette/NESPalette.h"
#include "palette/PaletteFactory.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>

// Shared by the tests of CommandLineTest.
namespace command_line_test {

const QString dataDir = QStringLiteral(KESTOVA_TEST_DATA);

inline QString testFile(const char *relative)
{
    return dataDir + u'/' + QLatin1String(relative);
}

struct ProcessResult
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs the program as scripts do: a separate process without any display, and without logging rules unless
// logRules gives them.
inline ProcessResult runKestova(const QStringList &arguments, const std::optional<QString> &logRules = std::nullopt)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("QT_LOGGING_RULES"));
    if (logRules)
        environment.insert(QStringLiteral("QT_LOGGING_RULES"), *logRules);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(KESTOVA_BINARY), arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return { process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError() };
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

inline QStringList filesIn(const QString &folder, const QString &pattern)
{
    QStringList paths;
    for (const QString &name : QDir(dataDir + u'/' + folder).entryList({ pattern }, QDir::Files, QDir::Name))
        paths.append(dataDir + u'/' + folder + u'/' + name);
    return paths;
}

// Colour index of pixel (x, y) of a tile as the hardware reads it: bit of the first plane + 2 x bit of the second.
inline int referencePixel(const QByteArray &tileData, int64_t tile, int x, int y)
{
    const auto first = uint8_t(tileData[qsizetype(tile * 16 + y)]);
    const auto second = uint8_t(tileData[qsizetype(tile * 16 + 8 + y)]);
    return ((first >> (7 - x)) & 1) | (((second >> (7 - x)) & 1) << 1);
}

// Checks every pixel of a tile sheet against the tile bytes, columns tiles a row, with colour index 0 past the end.
inline void expectTileSheet(
    const QImage &image, const QByteArray &tileData, int columns, const std::array<int64_t, 4> &colorNumbers)
{
    const int64_t tiles = tileData.size() / 16;
    const int64_t rows = (tiles + columns - 1) / columns;
    ASSERT_EQ(image.width(), columns * 8);
    ASSERT_EQ(image.height(), rows * 8);
    int mismatches = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int64_t tile = (y / 8) * columns + x / 8;
            const int index = tile < tiles ? referencePixel(tileData, tile, x % 8, y % 8) : 0;
            const QRgb expected = 0xFF000000u | mosavo::nesRgb(colorNumbers[size_t(index)]);
            if (image.pixel(x, y) != expected && ++mismatches <= 5)
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex << image.pixel(x, y)
                              << ", expected " << expected;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

inline mosavo::Bytes toBytes(const QByteArray &bytes)
{
    return mosavo::Bytes(bytes.begin(), bytes.end());
}

// A document as the window saves it: the tiles of tileBytes (a ROM image or CHR data) and the given sub-palettes.
inline QByteArray documentFile(const QByteArray &tileBytes, std::vector<mosavo::PalettePtr> palettes)
{
    kestova::EditorViewControllerSettings settings;
    settings.setTileData(mosavo::ConsoleDataFactory::generate(toBytes(tileBytes)));
    settings.setPalettes(std::move(palettes));
    const auto bytes = settings.documentBytes();
    EXPECT_TRUE(settings.tileData() && bytes);
    return bytes ? QByteArray(reinterpret_cast<const char *>(bytes->data()), qsizetype(bytes->size())) : QByteArray();
}

// The eight sub-palettes of a 32-byte palette file.
inline std::vector<mosavo::PalettePtr> palettesOf(const QByteArray &paletteFile)
{
    auto palettes = mosavo::PaletteFactory::generate(toBytes(paletteFile));
    EXPECT_TRUE(palettes.has_value());
    return palettes.value_or(std::vector<mosavo::PalettePtr> {});
}

// 32 colour numbers, different in every sub-palette and none of the grey palette's at colour index 0.
inline QByteArray distinctPaletteFile()
{
    QByteArray bytes(32, '\0');
    for (int k = 0; k < bytes.size(); ++k)
        bytes[k] = char((k * 9 + 0x11) % 0x40);
    return bytes;
}

inline std::array<int64_t, 4> subPaletteNumbers(const QByteArray &paletteFile, int index)
{
    std::array<int64_t, 4> numbers;
    for (size_t i = 0; i < numbers.size(); ++i)
        numbers[i] = uint8_t(paletteFile[qsizetype(index * 4 + int(i))]);
    return numbers;
}

// Checks a run that failed on an input: exit 1, nothing on standard output, one line naming the file and the reason.
inline void expectOneLineFailure(const ProcessResult &run, const QString &path, const QString &reason)
{
    const QString err = QString::fromUtf8(run.err);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(err.count(u'\n'), 1) << err.toStdString();
    EXPECT_TRUE(err.startsWith(QStringLiteral("kestova: ") + path + QStringLiteral(": "))) << err.toStdString();
    EXPECT_TRUE(err.contains(reason)) << err.toStdString();
}

} // namespace command_line_test
