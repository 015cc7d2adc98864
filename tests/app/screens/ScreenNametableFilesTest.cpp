#include "app/screens/ScreenActions.h"
#include "app/sprites/SpriteActions.h"

#include "app/support/DocumentFixture.h"

#include <QFile>
#include <QUndoStack>

using namespace app_test;

namespace {

class NametableAndTableFiles : public ApplicationTest
{
protected:
    void SetUp() override
    {
        ApplicationTest::SetUp();
        document = openNew();
        settings = controllerOf(document).editorViewControllerSettings();
    }
    QString write(const QString &name, const Bytes &bytes)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
        return path;
    }
    Bytes read(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QByteArray bytes = file.readAll();
        return Bytes(bytes.begin(), bytes.end());
    }

    MosavoDocument *document = nullptr;
    SettingsPtr settings;
};

} // namespace

TEST_F(NametableAndTableFiles, ScreenMenuImportsAndExportsNametables)
{
    Bytes nametable(1024);
    for (size_t i = 0; i < nametable.size(); ++i)
        nametable[i] = uint8_t((i * 13) % 200); // byte values 200-255 left free for an RLE tag
    const QString path = write(QStringLiteral("title.nam"), nametable);
    panels->answers.push_back(path);
    trigger(document, "actionImportNametable");
    ASSERT_EQ(settings->screens().size(), 1u) << alerts->errors.join(u'\n').toStdString();
    EXPECT_EQ(settings->screens()[0].name, "title");
    EXPECT_EQ(settings->screens()[0].nametableBytes(), nametable);
    controllerOf(document).undoStack().undo();
    EXPECT_TRUE(settings->screens().empty()) << "one undo step";
    controllerOf(document).undoStack().redo();

    ScreenActions *actions = ScreenActions::of(document->window());
    actions->setCurrentScreen(0);
    for (const char *name : { "out.nam", "out.rle" }) {
        const QString out = dir.filePath(QString::fromLatin1(name));
        panels->answers.push_back(out);
        trigger(document, "actionExportNametable");
        ASSERT_TRUE(QFile::exists(out)) << name << alerts->errors.join(u'\n').toStdString();
        // What was written reads back as the same screen.
        ASSERT_TRUE(actions->importNametable(out)) << name;
        EXPECT_EQ(settings->screens().back().nametableBytes(), nametable) << name;
    }
    EXPECT_EQ(read(dir.filePath(QStringLiteral("out.nam"))), nametable);

    const QString wrong = write(QStringLiteral("short.nam"), Bytes(100));
    const size_t screens = settings->screens().size();
    EXPECT_FALSE(actions->importNametable(wrong));
    ASSERT_FALSE(alerts->errors.isEmpty());
    EXPECT_TRUE(alerts->errors.back().startsWith(wrong)) << alerts->errors.back().toStdString();
    EXPECT_TRUE(alerts->errors.back().contains(QStringLiteral("not 100"))) << alerts->errors.back().toStdString();
    EXPECT_EQ(settings->screens().size(), screens);
}

TEST_F(NametableAndTableFiles, SpriteMenuImportsAndExportsMetaspriteTables)
{
    const std::string_view source = "const unsigned char hero_stand[]={-8,-16,0x10,0, 0,-16,0x10,OAM_FLIP_H, 128};\n"
                                    "const unsigned char hero_duck[]={-8,-8,0x12,1, 128};\n";
    const QString path = write(QStringLiteral("hero.c"), Bytes(source.begin(), source.end()));
    panels->answers.push_back(path);
    trigger(document, "actionImportMetaspriteTable");
    ASSERT_EQ(settings->metasprites().size(), 2u) << alerts->errors.join(u'\n').toStdString();
    EXPECT_EQ(settings->metasprites()[1].name, "hero_duck");
    EXPECT_TRUE(settings->metasprites()[0].sprites[1].flipHorizontally);

    const QString out = dir.filePath(QStringLiteral("hero_tables.s"));
    panels->answers.push_back(out);
    trigger(document, "actionExportMetasprites");
    const Bytes written = read(out);
    const std::string text(written.begin(), written.end());
    EXPECT_NE(text.find(".export hero_tables, hero_stand, hero_duck"), std::string::npos) << text;
    SpriteActions *actions = SpriteActions::of(document->window());
    ASSERT_TRUE(actions->importMetaspriteTable(out));
    ASSERT_EQ(settings->metasprites().size(), 4u);
    EXPECT_EQ(settings->metasprites()[2], settings->metasprites()[0]);

    const QString broken = write(QStringLiteral("broken.bin"), { 0x00, 0x00, 0x01 });
    EXPECT_FALSE(actions->importMetaspriteTable(broken));
    EXPECT_TRUE(alerts->errors.back().startsWith(broken)) << alerts->errors.back().toStdString();
    EXPECT_EQ(settings->metasprites().size(), 4u);
}
