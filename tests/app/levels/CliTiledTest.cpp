#include "app/document/EditorViewControllerSettings.h"

#include "app/levels/LevelTestSupport.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

using cli_screens_test::CliScreens;
using cli_screens_test::runProgram;
using mosavo::Bytes;
using namespace level_test;

class CliTiled : public CliScreens
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(levelPicture(2, 1, 9).save(path(QStringLiteral("level.png"))));
        run({ QStringLiteral("--import-level-png"), path(QStringLiteral("level.png")), QStringLiteral("--output"),
            path(QStringLiteral("level.kestova")) });
        run({ QStringLiteral("--export-tiled"), path(QStringLiteral("out/level.tmx")),
            path(QStringLiteral("level.kestova")) });
    }
    void run(const QStringList &arguments) const
    {
        QDir(dir_.path()).mkpath(QStringLiteral("out"));
        const auto result = runProgram(arguments);
        ASSERT_EQ(result.exitCode, 0) << arguments.join(u' ').toStdString() << "\n" << result.err.toStdString();
    }
    kestova::SettingsPtr document(const QString &name) const
    {
        return kestova::EditorViewControllerSettings::fromDocumentBytes(read(name));
    }
    QString tmx() const
    {
        const Bytes bytes = read(QStringLiteral("out/level.tmx"));
        return QString::fromUtf8(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
    }
    // The map's first layer data element replaced.
    void writeTmx(const QString &name, const QString &data) const
    {
        QString text = tmx();
        text.replace(QRegularExpression(QStringLiteral("<data[^>]*>[^<]*</data>")), data);
        write(name, text.toUtf8());
    }
    // Runs --import-tiled of out/NAME into back.kestova; its exit status and error line.
    std::pair<int, std::string> importTiled(const QString &name) const
    {
        const auto result = runProgram({ QStringLiteral("--import-tiled"), path(QStringLiteral("out/") + name),
            QStringLiteral("--output"), path(QStringLiteral("back.kestova")), path(QStringLiteral("level.kestova")) });
        return { result.exitCode, result.err.toStdString() };
    }
};

// What Kestova writes for Tiled: a map of 16 x 16 tiles with one CSV layer of metatile numbers + 1, an external
// tileset of the set's size with a behaviour property per tile, and the set's picture of the size the tileset says.
TEST_F(CliTiled, ExportWritesMapTilesetAndPicture)
{
    const auto level = document(QStringLiteral("level.kestova"));
    ASSERT_TRUE(level);
    const mosavo::LevelMap &map = level->levelMaps()[0];
    const QString text = tmx();
    EXPECT_TRUE(text.contains(QStringLiteral("orientation=\"orthogonal\"")));
    EXPECT_TRUE(text.contains(QStringLiteral("width=\"32\" height=\"15\" tilewidth=\"16\" tileheight=\"16\"")));
    EXPECT_TRUE(text.contains(QStringLiteral("<tileset firstgid=\"1\" source=\"level.tsx\"/>")));
    const auto csv = QRegularExpression(QStringLiteral("<data encoding=\"csv\">([^<]*)</data>")).match(text);
    ASSERT_TRUE(csv.hasMatch());
    const QStringList cells = csv.captured(1).simplified().remove(u' ').split(u',');
    ASSERT_EQ(cells.size(), 480);
    for (int i = 0; i < 480; ++i)
        EXPECT_EQ(cells[i].toInt(), map.cells[size_t(i)] + 1) << i;

    const Bytes tsxBytes = read(QStringLiteral("out/level.tsx"));
    const QString tsx = QString::fromUtf8(reinterpret_cast<const char *>(tsxBytes.data()), qsizetype(tsxBytes.size()));
    EXPECT_TRUE(tsx.contains(QStringLiteral("tilecount=\"9\" columns=\"16\"")));
    EXPECT_EQ(tsx.count(QStringLiteral("<property name=\"behaviour\" type=\"int\" value=\"0\"/>")), 9);
    EXPECT_TRUE(tsx.contains(QStringLiteral("<image source=\"level.png\" width=\"256\" height=\"16\"/>")));
    const QImage set(path(QStringLiteral("out/level.png")));
    ASSERT_EQ(set.size(), QSize(256, 16));
    // Metatile 1 drawn in the set's picture is the block of the level that first shows it.
    const QImage picture = levelPicture(2, 1, 9);
    int firstUse = 0;
    while (map.cells[size_t(firstUse)] != 1)
        ++firstUse;
    const int column = firstUse % 32, row = firstUse / 32;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(set.pixel(16 + x, y), picture.pixel(column * 16 + x, row * 16 + y)) << x << "," << y;
}

// A map edited in Tiled (saved as CSV, base64 or base64 of zlib data) comes back as the document's map.
TEST_F(CliTiled, EditedMapComesBackInEveryLayerEncoding)
{
    const auto level = document(QStringLiteral("level.kestova"));
    ASSERT_TRUE(level);
    std::vector<uint8_t> edited = level->levelMaps()[0].cells;
    edited[0] = 5;
    edited[479] = 8;
    edited[200] = 3;
    QString csv = QStringLiteral("\n");
    QByteArray raw;
    for (size_t i = 0; i < edited.size(); ++i) {
        csv += QString::number(edited[i] + 1) + (i + 1 < edited.size() ? QStringLiteral(",") : QString());
        const uint32_t gid = edited[i] + 1u;
        for (int shift = 0; shift < 32; shift += 8)
            raw.append(char((gid >> shift) & 0xFF));
    }
    writeTmx(
        QStringLiteral("out/csv.tmx"), QStringLiteral("<data encoding=\"csv\">") + csv + QStringLiteral("</data>"));
    writeTmx(QStringLiteral("out/base64.tmx"),
        QStringLiteral("<data encoding=\"base64\">") + QString::fromLatin1(raw.toBase64()) + QStringLiteral("</data>"));
    const QByteArray zlib = qCompress(raw).mid(4); // qCompress puts the length in front of the zlib stream
    writeTmx(QStringLiteral("out/zlib.tmx"),
        QStringLiteral("<data encoding=\"base64\" compression=\"zlib\">\n   ") + QString::fromLatin1(zlib.toBase64())
            + QStringLiteral("\n  </data>"));
    for (const char *name : { "csv.tmx", "base64.tmx", "zlib.tmx" }) {
        const auto [status, err] = importTiled(QLatin1String(name));
        ASSERT_EQ(status, 0) << name << ": " << err;
        const auto back = document(QStringLiteral("back.kestova"));
        ASSERT_TRUE(back);
        // The map of that name over that set is replaced, not added.
        ASSERT_EQ(back->levelMaps().size(), 1u) << name;
        EXPECT_EQ(back->levelMaps()[0].cells, edited) << name;
        EXPECT_EQ(back->levelMaps()[0].name, level->levelMaps()[0].name);
        EXPECT_EQ(back->metatileSets(), level->metatileSets());
    }
}

TEST_F(CliTiled, OtherMapsAreRefusedSayingWhy)
{
    struct Case
    {
        const char *name;
        QString from, to;
        const char *reason;
    };
    const Case cases[] = {
        { "iso.tmx", QStringLiteral("orthogonal"), QStringLiteral("isometric"), "its orientation is \"isometric\"" },
        { "small.tmx", QStringLiteral("tilewidth=\"16\""), QStringLiteral("tilewidth=\"8\""), "not 16 x 16 pixels" },
        { "gzip.tmx", QStringLiteral("encoding=\"csv\""), QStringLiteral("encoding=\"base64\" compression=\"gzip\""),
            "compressed with gzip" },
        { "long.tmx", QStringLiteral("<data encoding=\"csv\">\n"),
            QStringLiteral("<data encoding=\"csv\">\n2147483649,"), "more than 480 cells" },
        { "other.tmx", QStringLiteral("source=\"level.tsx\""), QStringLiteral("source=\"other.tsx\""), "other.tsx" },
        { "cut.tmx", QStringLiteral("</map>"), QString(), "not well-formed XML" },
    };
    for (const Case &c : cases) {
        QString text = tmx();
        ASSERT_TRUE(text.contains(c.from)) << c.name;
        text.replace(c.from, c.to);
        write(QStringLiteral("out/") + QLatin1String(c.name), text.toUtf8());
        const auto [status, err] = importTiled(QLatin1String(c.name));
        EXPECT_EQ(status, 1) << c.name;
        EXPECT_NE(err.find(c.reason), std::string::npos) << c.name << ": " << err;
        EXPECT_FALSE(QFile::exists(path(QStringLiteral("back.kestova")))) << c.name;
    }
    // A cell flipped in Tiled, and a tileset of another name.
    QString flipped = tmx();
    flipped.replace(
        QRegularExpression(QStringLiteral("(<data encoding=\"csv\">\\s*)\\d+")), QStringLiteral("\\12147483650"));
    write(QStringLiteral("out/flip.tmx"), flipped.toUtf8());
    EXPECT_NE(importTiled(QStringLiteral("flip.tmx")).second.find("cell (0, 0) is flipped"), std::string::npos);
    Bytes tsx = read(QStringLiteral("out/level.tsx"));
    QString renamed = QString::fromUtf8(reinterpret_cast<const char *>(tsx.data()), qsizetype(tsx.size()));
    renamed.replace(QStringLiteral("name=\"level\""), QStringLiteral("name=\"castle\""));
    write(QStringLiteral("out/level.tsx"), renamed.toUtf8());
    EXPECT_NE(importTiled(QStringLiteral("level.tmx")).second.find("its tileset \"castle\" is none of the document's"),
        std::string::npos);
}

// Where Tiled itself is installed, the map it writes back from Kestova's files reads as the same map.
TEST_F(CliTiled, TiledsOwnExportReadsBack)
{
    const QString tiled = QStandardPaths::findExecutable(QStringLiteral("tiled"));
    if (tiled.isEmpty())
        GTEST_SKIP() << "Tiled is not installed";
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.start(tiled,
        { QStringLiteral("--export-map"), QStringLiteral("tmx"), path(QStringLiteral("out/level.tmx")),
            path(QStringLiteral("out/tiled.tmx")) });
    ASSERT_TRUE(process.waitForFinished(60000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    const auto [status, err] = importTiled(QStringLiteral("tiled.tmx"));
    ASSERT_EQ(status, 0) << err;
    EXPECT_EQ(
        document(QStringLiteral("back.kestova"))->levelMaps(), document(QStringLiteral("level.kestova"))->levelMaps());
}

} // namespace
