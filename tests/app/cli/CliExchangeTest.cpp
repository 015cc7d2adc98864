#include "app/document/EditorViewControllerSettings.h"
#include "core/ConsoleDataFactory.h"
#include "core/Rle.h"

#include "app/cli/CliScreensTestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using mosavo::Bytes;

using cli_screens_test::ProgramRun;
using cli_screens_test::runProgram;

class CliExchange : public ::testing::Test
{
protected:
    QString path(const QString &name) const { return dir_.filePath(name); }

    void write(const QString &name, const Bytes &bytes) const
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
    }
    void write(const QString &name, std::string_view text) const { write(name, Bytes(text.begin(), text.end())); }

    Bytes read(const QString &name) const
    {
        QFile file(path(name));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QByteArray bytes = file.readAll();
        return Bytes(bytes.begin(), bytes.end());
    }

    kestova::SettingsPtr document(const QString &name) const
    {
        return kestova::EditorViewControllerSettings::fromDocumentBytes(read(name));
    }

    // Runs the program, expecting success.
    void succeed(const QStringList &arguments) const
    {
        const ProgramRun run = runProgram(arguments);
        ASSERT_EQ(run.exitCode, 0) << arguments.join(u' ').toStdString() << "\n" << run.err.toStdString();
    }

    // Runs the program, expecting the input refused with one line naming file and reason, and no output left.
    void refuse(const QStringList &arguments, const QString &file, const QString &reason, const QString &output) const
    {
        const ProgramRun run = runProgram(arguments);
        EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
        const QString err = QString::fromUtf8(run.err);
        EXPECT_TRUE(err.startsWith(QStringLiteral("kestova: ") + file + QStringLiteral(": "))) << err.toStdString();
        EXPECT_TRUE(err.contains(reason)) << err.toStdString();
        EXPECT_EQ(err.count(u'\n'), 1) << err.toStdString();
        EXPECT_FALSE(QFile::exists(output)) << output.toStdString();
    }

    QTemporaryDir dir_;
};

} // namespace

TEST_F(CliExchange, NametablesComeInAsScreensAndGoOutAsTheSameBytes)
{
    Bytes nametable(1024);
    for (size_t i = 0; i < 960; ++i)
        nametable[i] = uint8_t(i < 300 ? 0x20 : (i * 3) % 200);
    for (size_t i = 960; i < 1024; ++i)
        nametable[i] = 0x55;
    write(QStringLiteral("title.nam"), nametable);
    const QString doc = path(QStringLiteral("game.kestova"));
    succeed({ QStringLiteral("--import-nametable"), path(QStringLiteral("title.nam")), QStringLiteral("--output"), doc,
        QStringLiteral("--bg-table"), QStringLiteral("1") });
    auto imported = document(QStringLiteral("game.kestova"));
    ASSERT_TRUE(imported);
    ASSERT_EQ(imported->screens().size(), 1u);
    EXPECT_EQ(imported->screens()[0].name, "title");
    EXPECT_EQ(imported->screens()[0].patternTable, 1);
    succeed({ QStringLiteral("--export-nametable"), path(QStringLiteral("out.nam")), doc });
    EXPECT_EQ(read(QStringLiteral("out.nam")), nametable);

    // Packed: the RLE the export writes comes back in, into the document given, under the name given.
    succeed({ QStringLiteral("--export-nametable"), path(QStringLiteral("title.rle")), QStringLiteral("--rle"), doc });
    succeed({ QStringLiteral("--import-nametable"), path(QStringLiteral("title.rle")), QStringLiteral("--rle"),
        QStringLiteral("--output"), path(QStringLiteral("two.kestova")), QStringLiteral("--name"),
        QStringLiteral("again"), doc });
    auto two = document(QStringLiteral("two.kestova"));
    ASSERT_TRUE(two);
    ASSERT_EQ(two->screens().size(), 2u);
    EXPECT_EQ(two->screens()[1].name, "again");
    EXPECT_EQ(two->screens()[1].tiles, imported->screens()[0].tiles);
    succeed({ QStringLiteral("--export-nametable"), path(QStringLiteral("again.rle")), QStringLiteral("--rle"),
        QStringLiteral("--screen"), QStringLiteral("1"), path(QStringLiteral("two.kestova")) });
    EXPECT_EQ(read(QStringLiteral("again.rle")), read(QStringLiteral("title.rle")));

    write(QStringLiteral("short.nam"), Bytes(1000));
    refuse({ QStringLiteral("--import-nametable"), path(QStringLiteral("short.nam")), QStringLiteral("--output"),
               path(QStringLiteral("no.kestova")) },
        path(QStringLiteral("short.nam")), QStringLiteral("not 1000"), path(QStringLiteral("no.kestova")));
    refuse({ QStringLiteral("--import-nametable"), path(QStringLiteral("title.nam")), QStringLiteral("--rle"),
               QStringLiteral("--output"), path(QStringLiteral("no.kestova")) },
        path(QStringLiteral("title.nam")), QStringLiteral("RLE data"), path(QStringLiteral("no.kestova")));
}

TEST_F(CliExchange, MetaspriteTablesComeInWithTheirNamesAndGoOutAsTheSameSource)
{
    const std::string_view tables
        = "// hero\n"
          "const unsigned char hero_stand[]={ -8,-16,0x10,0, 0,-16,0x10,0|OAM_FLIP_H, 128 };\n"
          "const unsigned char hero_duck[]={ -8,-8,0x12,1+OAM_BEHIND, 128 };\n"
          "const unsigned char* const hero[]={ hero_stand, hero_duck };\n";
    write(QStringLiteral("hero.c"), tables);
    const QString doc = path(QStringLiteral("hero.kestova"));
    succeed({ QStringLiteral("--import-metasprites"), path(QStringLiteral("hero.c")), QStringLiteral("--output"), doc,
        QStringLiteral("--tall") });
    auto imported = document(QStringLiteral("hero.kestova"));
    ASSERT_TRUE(imported);
    ASSERT_EQ(imported->metasprites().size(), 2u);
    EXPECT_EQ(imported->metasprites()[1].name, "hero_duck");
    EXPECT_TRUE(imported->tallSprites());
    EXPECT_EQ(imported->metasprites()[0].sprites[1].x, 0);
    EXPECT_TRUE(imported->metasprites()[0].sprites[1].flipHorizontally);

    // Out as C and back in as it went: the same bytes and names.
    succeed({ QStringLiteral("--export-metasprites"), path(QStringLiteral("out.c")), QStringLiteral("--c"),
        QStringLiteral("hero"), doc });
    succeed({ QStringLiteral("--import-metasprites"), path(QStringLiteral("out.c")), QStringLiteral("--output"),
        path(QStringLiteral("again.kestova")), QStringLiteral("--tall") });
    succeed({ QStringLiteral("--export-metasprites"), path(QStringLiteral("again.c")), QStringLiteral("--c"),
        QStringLiteral("hero"), path(QStringLiteral("again.kestova")) });
    EXPECT_EQ(read(QStringLiteral("again.c")), read(QStringLiteral("out.c")));
    // And as binary, named after the file.
    succeed({ QStringLiteral("--export-metasprites"), path(QStringLiteral("hero.bin")), doc });
    succeed({ QStringLiteral("--import-metasprites"), path(QStringLiteral("hero.bin")), QStringLiteral("--output"),
        path(QStringLiteral("binary.kestova")), QStringLiteral("--tall") });
    auto binary = document(QStringLiteral("binary.kestova"));
    ASSERT_TRUE(binary);
    EXPECT_EQ(binary->metasprites()[1].name, "hero_1");
    EXPECT_EQ(binary->metasprites()[1].sprites, imported->metasprites()[1].sprites);

    // 8x8 tables into a document of 8x16 metasprites are refused, naming the document.
    refuse({ QStringLiteral("--import-metasprites"), path(QStringLiteral("hero.c")), QStringLiteral("--output"),
               path(QStringLiteral("no.kestova")), doc },
        doc, QStringLiteral("8x16"), path(QStringLiteral("no.kestova")));
    write(QStringLiteral("broken.s"), std::string_view("hero:\n  .byte 0,0,1\n"));
    refuse({ QStringLiteral("--import-metasprites"), path(QStringLiteral("broken.s")), QStringLiteral("--output"),
               path(QStringLiteral("no.kestova")) },
        path(QStringLiteral("broken.s")), QStringLiteral("line 1: the label hero"), path(QStringLiteral("no.kestova")));
}

TEST_F(CliExchange, SessionsBecomeDocumentsAndDamagedOnesAreRefused)
{
    write(QStringLiteral("title.nss"),
        std::string_view("NSTssTXT\r\nBtnSprite8x16=1\r\nPalette=0f1626300f0919290f0111210f061626\r\n"
                         "CHRMain=00[10]ff[8]00[1fe8]\r\nNameTable=00[20]01[3a0]\r\nAttrTable=55[40]\r\n"
                         "MetaSprites=38030040[2]034048ff[f8]\r\nMetaSprite0=Hero\r\n"));
    const QString doc = path(QStringLiteral("title.kestova"));
    succeed({ QStringLiteral("--import-session"), path(QStringLiteral("title.nss")), QStringLiteral("--output"), doc });
    auto imported = document(QStringLiteral("title.kestova"));
    ASSERT_TRUE(imported);
    ASSERT_EQ(imported->screens().size(), 1u);
    EXPECT_EQ(imported->screens()[0].name, "title");
    EXPECT_EQ(imported->screens()[0].tileAt(0, 1), 1);
    ASSERT_EQ(imported->metasprites().size(), 1u);
    EXPECT_EQ(imported->metasprites()[0].name, "Hero");
    EXPECT_TRUE(imported->tallSprites());
    succeed({ QStringLiteral("--export-palette"), path(QStringLiteral("title.pal")), doc });
    const Bytes palette = read(QStringLiteral("title.pal"));
    ASSERT_EQ(palette.size(), 32u);
    EXPECT_EQ(palette[5], 0x09);
    EXPECT_EQ(palette[21], 0x09) << "the sprites drawn in the same colours";

    write(QStringLiteral("broken.nss"),
        std::string_view("NSTssTXT\nPalette=0f[10]\nCHRMain=00[2000]\nNameTable=00[3bf]\n"));
    refuse({ QStringLiteral("--import-session"), path(QStringLiteral("broken.nss")), QStringLiteral("--output"),
               path(QStringLiteral("no.kestova")) },
        path(QStringLiteral("broken.nss")), QStringLiteral("the key NameTable: it holds 959 tile numbers"),
        path(QStringLiteral("no.kestova")));
}

TEST_F(CliExchange, AnimationsAndOamsOfSeveralMetaspritesGoOut)
{
    auto source = kestova::EditorViewControllerSettings::emptyConsoleObject(mosavo::ConsoleType::nes);
    source->metasprites() = { { "stand", { { 0, 0, 1, 4 }, { 8, 0, 2, 4 } } }, { "walk 1", { { 0, 0, 3, 5, true } } } };
    source->animations() = { { "walk", { { 0, 8 }, { 1, 12 } } } };
    write(QStringLiteral("hero.kestova"), *source->documentBytes());
    const QString doc = path(QStringLiteral("hero.kestova"));

    const ProgramRun info = runProgram({ QStringLiteral("--info"), doc });
    ASSERT_EQ(info.exitCode, 0) << info.err.toStdString();
    EXPECT_TRUE(info.out.contains("\"animations\"")) << info.out.toStdString();
    EXPECT_TRUE(info.out.contains("\"walk\"")) << info.out.toStdString();
    EXPECT_TRUE(info.out.contains("\"duration\": 20") || info.out.contains("\"duration\":20"))
        << info.out.toStdString();

    succeed({ QStringLiteral("--export-animations"), path(QStringLiteral("anims.s")), QStringLiteral("--asm"),
        QStringLiteral("hero_anims"), doc });
    const Bytes anims = read(QStringLiteral("anims.s"));
    const std::string text(anims.begin(), anims.end());
    EXPECT_NE(text.find("walk:\n    .word stand\n    .byte 8\n    .word walk_1\n    .byte 12\n    .word 0\n"),
        std::string::npos)
        << text;
    const ProgramRun usage = runProgram({ QStringLiteral("--export-animations"), path(QStringLiteral("a.s")), doc });
    EXPECT_EQ(usage.exitCode, 2);

    // One OAM of both, by name and by number, in the order given; the second's sprites after the first's.
    succeed({ QStringLiteral("--export-oam"), path(QStringLiteral("two.oam")), QStringLiteral("--place"),
        QStringLiteral("walk 1@10,20"), QStringLiteral("--place"), QStringLiteral("0@100,50"), doc });
    const Bytes oam = read(QStringLiteral("two.oam"));
    ASSERT_EQ(oam.size(), 256u);
    const Bytes first = { 20, 3, 0x41, 10, 50, 1, 0x00, 100, 50, 2, 0x00, 108 };
    EXPECT_TRUE(std::equal(first.begin(), first.end(), oam.begin()));
    EXPECT_EQ(oam[12], 0xFF);
    refuse({ QStringLiteral("--export-oam"), path(QStringLiteral("no.oam")), QStringLiteral("--place"),
               QStringLiteral("run@1,2"), doc },
        doc, QStringLiteral("holds no metasprite named 'run'"), path(QStringLiteral("no.oam")));
    const ProgramRun bad = runProgram({ QStringLiteral("--export-oam"), path(QStringLiteral("no.oam")),
        QStringLiteral("--place"), QStringLiteral("stand@300,2"), doc });
    EXPECT_EQ(bad.exitCode, 2) << bad.err.toStdString();
}
