#include "app/document/EditorViewControllerSettings.h"
#include "core/FrameRenderer.h"
#include "core/PatternTables.h"
#include "core/Rle.h"

#include "app/levels/LevelTestSupport.h"

#include <gtest/gtest.h>

namespace {

using cli_screens_test::CliScreens;
using cli_screens_test::master;
using cli_screens_test::runProgram;
using mosavo::Bytes;
using namespace level_test;

class CliLevels : public CliScreens
{
protected:
    void succeed(const QStringList &arguments, QByteArray *out = nullptr) const
    {
        const auto run = runProgram(arguments);
        ASSERT_EQ(run.exitCode, 0) << arguments.join(u' ').toStdString() << "\n" << run.err.toStdString();
        if (out)
            *out = run.out;
    }
    // The input refused with one line naming the file and the reason, and no output file left.
    void refuse(const QStringList &arguments, const QString &file, const std::string &reason, const QString &output)
    {
        const auto run = runProgram(arguments);
        EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
        const std::string err = run.err.toStdString();
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(err.find(file.toStdString() + ": "), std::string::npos) << err;
        EXPECT_NE(err.find(reason), std::string::npos) << err;
        EXPECT_FALSE(QFile::exists(output)) << output.toStdString();
    }
    kestova::SettingsPtr document(const QString &name) const
    {
        return kestova::EditorViewControllerSettings::fromDocumentBytes(read(name));
    }
    // A level of 2 x 1 rooms and 12 kinds of block imported into level.kestova.
    void importLevel(QByteArray *out = nullptr)
    {
        ASSERT_TRUE(levelPicture(2, 1, 12).save(path(QStringLiteral("level.png"))));
        succeed({ QStringLiteral("--import-level-png"), path(QStringLiteral("level.png")), QStringLiteral("--output"),
                    path(QStringLiteral("level.kestova")) },
            out);
    }
};

// The picture imported, then the build's files read back on their own terms: the map (rooms) names metatiles, the
// interleaved table gives their tiles and sub-palettes, the CHR gives the tiles' pixels and the palette file their
// colours: every pixel of the picture comes back. Each room's .nam drawn by the frame renderer is the picture too.
TEST_F(CliLevels, PictureComesBackThroughMetatilesMapAndNametables)
{
    QByteArray out;
    importLevel(&out);
    EXPECT_NE(out.indexOf("2 rooms, 12 metatiles"), -1) << out.toStdString();
    const QString doc = path(QStringLiteral("level.kestova"));
    for (const auto &[command, file] :
        std::vector<std::pair<const char *, const char *>> { { "--export-metatiles", "metatiles.bin" },
            { "--export-chr", "tiles.chr" }, { "--export-palette", "level.pal" } })
        succeed({ QLatin1String(command), path(QLatin1String(file)), doc });
    succeed({ QStringLiteral("--export-map"), path(QStringLiteral("rooms.bin")), QStringLiteral("--rooms"), doc });
    const Bytes metatiles = read(QStringLiteral("metatiles.bin"));
    const Bytes chr = read(QStringLiteral("tiles.chr"));
    const Bytes palette = read(QStringLiteral("level.pal"));
    const Bytes rooms = read(QStringLiteral("rooms.bin"));
    ASSERT_EQ(metatiles.size(), 12u * 5);
    ASSERT_EQ(rooms.size(), 2u * 240);
    ASSERT_EQ(palette.size(), 32u);
    const QImage picture = levelPicture(2, 1, 12);
    int wrong = 0;
    for (int room = 0; room < 2; ++room)
        for (int cell = 0; cell < 240; ++cell) {
            const uint8_t metatile = rooms[size_t(room * 240 + cell)];
            ASSERT_LT(metatile, 12);
            const int subPalette = metatiles[size_t(metatile * 5 + 4)];
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x) {
                    const int tile = metatiles[size_t(metatile * 5 + (y / 8) * 2 + x / 8)];
                    const int index = chrPixel(chr, tile, x % 8, y % 8);
                    const int number = palette[size_t(index == 0 ? 0 : subPalette * 4 + index)];
                    const int px = room * 256 + (cell % 16) * 16 + x, py = (cell / 16) * 16 + y;
                    wrong += master(number) != picture.pixel(px, py);
                }
        }
    EXPECT_EQ(wrong, 0);

    mosavo::PaletteBytes paletteBytes {};
    std::copy(palette.begin(), palette.end(), paletteBytes.begin());
    const auto patterns = mosavo::PatternTables::fromChr(chr);
    for (int room = 0; room < 2; ++room) {
        const QString nam = path(QStringLiteral("room%1.nam").arg(room));
        succeed({ QStringLiteral("--export-nametable"), nam, QStringLiteral("--map"), QStringLiteral("0"),
            QStringLiteral("--room"), QString::number(room), doc });
        const auto screen = mosavo::screenFromNametable(read(QStringLiteral("room%1.nam").arg(room)));
        ASSERT_TRUE(screen);
        const mosavo::FramePicture frame = mosavo::renderBackground(patterns, *screen, paletteBytes);
        int differ = 0;
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 256; ++x)
                differ += master(frame.at(x, y)) != picture.pixel(room * 256 + x, y);
        EXPECT_EQ(differ, 0) << "room " << room;
    }
    succeed({ QStringLiteral("--export-level-png"), path(QStringLiteral("back.png")), doc });
    EXPECT_EQ(QImage(path(QStringLiteral("back.png"))).convertToFormat(QImage::Format_RGB32), picture);
}

// A picture in colours of its own is refused as it is and converted with --lossy, within the tiles asked for.
TEST_F(CliLevels, LossyImportOfAnyPicture)
{
    QImage photo(512, 240, QImage::Format_RGB32);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 512; ++x)
            photo.setPixel(x, y, qRgb(x / 2, y, 100 + (x * y) % 50));
    ASSERT_TRUE(photo.save(path(QStringLiteral("photo.png"))));
    const QString out = path(QStringLiteral("photo.kestova"));
    QByteArray summary;
    refuse({ QStringLiteral("--import-level-png"), path(QStringLiteral("photo.png")), QStringLiteral("--output"), out },
        path(QStringLiteral("photo.png")), "--lossy", out);
    succeed({ QStringLiteral("--import-level-png"), path(QStringLiteral("photo.png")), QStringLiteral("--output"), out,
                QStringLiteral("--lossy"), QStringLiteral("--dither"), QStringLiteral("ordered"),
                QStringLiteral("--max-tiles"), QStringLiteral("90") },
        &summary);
    const auto level = document(QStringLiteral("photo.kestova"));
    ASSERT_TRUE(level);
    ASSERT_EQ(level->levelMaps().size(), 1u);
    EXPECT_EQ(level->levelMaps()[0].roomCount(), 2);
    EXPECT_LE(mosavo::tilesUsedByMetatiles(level->metatileSets(), 0).count(), 91u) << summary.toStdString();
}

TEST_F(CliLevels, InfoListsSetsAndMaps)
{
    importLevel();
    const auto run = runProgram({ QStringLiteral("--info"), path(QStringLiteral("level.kestova")) });
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject info = QJsonDocument::fromJson(run.out).object();
    const QJsonObject set = info[QStringLiteral("metatileSets")].toArray().at(0).toObject();
    EXPECT_EQ(set[QStringLiteral("name")].toString(), QStringLiteral("level"));
    EXPECT_EQ(set[QStringLiteral("metatiles")].toInt(), 12);
    const QJsonObject map = info[QStringLiteral("levelMaps")].toArray().at(0).toObject();
    EXPECT_EQ(map[QStringLiteral("rooms")].toInt(), 2);
    EXPECT_EQ(map[QStringLiteral("width")].toInt(), 2);
    EXPECT_EQ(map[QStringLiteral("set")].toInt(), 0);
}

// The same level in both layouts, as rows or packed rooms, with behaviour bytes set in the document.
TEST_F(CliLevels, TablesLayoutRowsRoomsRleAndBehaviours)
{
    importLevel();
    auto level = document(QStringLiteral("level.kestova"));
    ASSERT_TRUE(level);
    for (size_t i = 0; i < level->metatileSets()[0].metatiles.size(); ++i)
        level->metatileSets()[0].metatiles[i].behaviour = uint8_t(0x80 + i);
    write(QStringLiteral("behaviours.kestova"), *level->documentBytes());
    const QString doc = path(QStringLiteral("behaviours.kestova"));
    succeed({ QStringLiteral("--export-metatiles"), path(QStringLiteral("i.bin")), doc });
    succeed({ QStringLiteral("--export-metatiles"), path(QStringLiteral("t.bin")), QStringLiteral("--layout"),
        QStringLiteral("tables"), doc });
    const Bytes interleaved = read(QStringLiteral("i.bin"));
    const Bytes tables = read(QStringLiteral("t.bin"));
    const size_t n = 12;
    ASSERT_EQ(tables.size(), n * 6);
    for (size_t m = 0; m < n; ++m) {
        for (size_t field = 0; field < 5; ++field)
            EXPECT_EQ(tables[field * n + m], interleaved[m * 5 + field]) << m << "," << field;
        EXPECT_EQ(tables[5 * n + m], 0x80 + m);
    }

    succeed({ QStringLiteral("--export-map"), path(QStringLiteral("rows.bin")), doc });
    succeed({ QStringLiteral("--export-map"), path(QStringLiteral("rooms.bin")), QStringLiteral("--rooms"), doc });
    succeed({ QStringLiteral("--export-map"), path(QStringLiteral("packed.bin")), QStringLiteral("--rooms"),
        QStringLiteral("--rle"), doc });
    succeed({ QStringLiteral("--export-behaviour"), path(QStringLiteral("b.bin")), QStringLiteral("--rooms"), doc });
    const Bytes rows = read(QStringLiteral("rows.bin"));
    const Bytes rooms = read(QStringLiteral("rooms.bin"));
    ASSERT_EQ(rows.size(), 480u);
    for (int row = 0; row < 15; ++row)
        for (int column = 0; column < 32; ++column) {
            const int room = column / 16;
            EXPECT_EQ(rows[size_t(row * 32 + column)], rooms[size_t(room * 240 + row * 16 + column % 16)]);
        }
    // Each packed room unpacks on its own to its 240 bytes.
    const Bytes packed = read(QStringLiteral("packed.bin"));
    size_t at = 0;
    for (int room = 0; room < 2; ++room) {
        size_t used = 0;
        const auto unpacked = mosavo::rleUnpack(Bytes(packed.begin() + long(at), packed.end()), 240, &used);
        ASSERT_TRUE(unpacked) << unpacked.error;
        EXPECT_EQ(*unpacked.bytes, Bytes(rooms.begin() + room * 240, rooms.begin() + room * 240 + 240));
        at += used;
    }
    EXPECT_EQ(at, packed.size());
    const Bytes behaviours = read(QStringLiteral("b.bin"));
    ASSERT_EQ(behaviours.size(), 480u);
    for (size_t i = 0; i < behaviours.size(); ++i)
        EXPECT_EQ(behaviours[i], 0x80 + rooms[i]);
}

// A screen imported into a document with a level takes no tile the metatiles show, not even the blank one.
TEST_F(CliLevels, LaterScreenImportsLeaveTheLevelsTiles)
{
    importLevel();
    // A screen without one blank 8 x 8 cell: every cell has a pixel of colour $16 somewhere of its own.
    QImage screen(256, 240, QImage::Format_RGB32);
    screen.fill(master(0x0F));
    for (int cell = 0; cell < 960; ++cell)
        screen.setPixel((cell % 32) * 8 + cell % 8, (cell / 32) * 8 + (cell / 8) % 8, master(0x16));
    ASSERT_TRUE(screen.save(path(QStringLiteral("screen.png"))));
    // In the level's own sub-palettes, so that only the tiles could change what the level shows.
    succeed({ QStringLiteral("--export-palette"), path(QStringLiteral("level.pal")),
        path(QStringLiteral("level.kestova")) });
    succeed({ QStringLiteral("--import-screen-png"), path(QStringLiteral("screen.png")), QStringLiteral("--palette"),
        path(QStringLiteral("level.pal")), QStringLiteral("--output"), path(QStringLiteral("both.kestova")),
        path(QStringLiteral("level.kestova")) });
    succeed({ QStringLiteral("--export-level-png"), path(QStringLiteral("back.png")),
        path(QStringLiteral("both.kestova")) });
    EXPECT_EQ(QImage(path(QStringLiteral("back.png"))).convertToFormat(QImage::Format_RGB32), levelPicture(2, 1, 12));
}

TEST_F(CliLevels, UnusableInputIsRefusedNamingFileAndReason)
{
    const QString out = path(QStringLiteral("out.kestova"));
    ASSERT_TRUE(QImage(300, 240, QImage::Format_RGB32).save(path(QStringLiteral("odd.png"))));
    refuse({ QStringLiteral("--import-level-png"), path(QStringLiteral("odd.png")), QStringLiteral("--output"), out },
        path(QStringLiteral("odd.png")), "a level is made from whole rooms of 256 x 240", out);

    QImage picture = levelPicture(2, 2, 5);
    picture.setPixel(3 * 16 + 16 * 16, 2 * 16 + 15 * 16, master(0x30)); // a fifth colour in room 3, block (3, 2)
    ASSERT_TRUE(picture.save(path(QStringLiteral("five.png"))));
    refuse({ QStringLiteral("--import-level-png"), path(QStringLiteral("five.png")), QStringLiteral("--output"), out },
        path(QStringLiteral("five.png")), "room 3 (1, 1), block (3, 2) uses", out);

    importLevel();
    const QString doc = path(QStringLiteral("level.kestova"));
    const QString nam = path(QStringLiteral("x.nam"));
    refuse({ QStringLiteral("--export-nametable"), nam, QStringLiteral("--map"), QStringLiteral("0"),
               QStringLiteral("--room"), QStringLiteral("2"), doc },
        doc, "map 0 has 2 rooms (0-1), so there is no room 2", nam);
    refuse({ QStringLiteral("--export-map"), nam, QStringLiteral("--map"), QStringLiteral("1"), doc }, doc,
        "the document holds 1 map (0-0), so there is no map 1", nam);
    refuse({ QStringLiteral("--export-metatiles"), nam, QStringLiteral("--set"), QStringLiteral("3"), doc }, doc,
        "the document holds 1 metatile set (0-0), so there is no metatile set 3", nam);

    // A document whose level records are damaged is refused as a whole, saying which.
    auto level = document(QStringLiteral("level.kestova"));
    ASSERT_TRUE(level);
    auto record = level->encode();
    record["LevelMaps"][0]["Cells"] = mosavo::ArchiveRecord::binary(Bytes(480, 200));
    Bytes damaged { 0xD9, 0xD9, 0xF7 }; // the self-describe tag, then the record
    mosavo::ArchiveRecord::to_cbor(record, damaged);
    write(QStringLiteral("damaged.kestova"), damaged);
    refuse({ QStringLiteral("--export-map"), nam, path(QStringLiteral("damaged.kestova")) },
        path(QStringLiteral("damaged.kestova")), "its maps are damaged (map 0: its cell (0, 0) is metatile 200", nam);

    const auto usage = runProgram({ QStringLiteral("--export-nametable"), nam, QStringLiteral("--screen"),
        QStringLiteral("0"), QStringLiteral("--room"), QStringLiteral("1"), doc });
    EXPECT_EQ(usage.exitCode, 2);
}

} // namespace
