#include "app/screens/ScreenActions.h"

#include "app/document/FileIO.h"
#include "app/window/Alerts.h"
#include "app/window/DockSupport.h"
#include "app/window/FilePanels.h"
#include "app/window/MainMosavoWindow.h"
#include "convert/SourceWriters.h"
#include "formats/FormatRegistry.h"

#include <QFileInfo>

namespace kestova {

using namespace mosavo;

namespace {
const QString nametableFilter = QStringLiteral("Nametables (*.nam *.bin);;RLE nametables (*.rle);;All files (*)");
const QString exportFilter = QStringLiteral(
    "Nametables (*.nam);;RLE nametables (*.rle);;ca65 source (*.s *.asm);;C source (*.c *.h);;All files (*)");

bool isRleName(const QString &path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("rle"), Qt::CaseInsensitive) == 0;
}
} // namespace

void ScreenActions::chooseNametable()
{
    filePanels().chooseFileToOpen(
        { QStringLiteral("Import Nametable"), nametableFilter, {} }, [this](const QString &path) {
            if (!path.isEmpty())
                importNametable(path);
        });
}

bool ScreenActions::importNametable(const QString &path)
{
    const SettingsPtr s = settings();
    if (!s)
        return false;
    const std::optional<Bytes> bytes = readFileOrSay(path);
    if (!bytes)
        return false;
    auto screen = FormatRegistry::nametableFormat(isRleName(path)).read(*bytes);
    if (!screen) {
        alerts().showError(FileError { path, QString::fromStdString(screen.error) }.describe(), window_);
        return false;
    }
    screen.value->name = uniqueItemName(s->screens(), QFileInfo(path).completeBaseName()).toStdString();
    if (current_ >= 0 && size_t(current_) < s->screens().size())
        screen.value->patternTable = s->screens()[size_t(current_)].patternTable;
    addScreen(*screen.value, {}, {}, std::nullopt, QStringLiteral("Import Nametable"));
    status(QStringLiteral("Imported %1 as screen \"%2\"")
               .arg(QFileInfo(path).fileName(), QString::fromStdString(screen.value->name)));
    return true;
}

void ScreenActions::chooseNametableExport()
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0 || size_t(current_) >= s->screens().size()) {
        alerts().showError(QStringLiteral("There is no screen to export."), window_);
        return;
    }
    filePanels().chooseFileToSave(
        { QStringLiteral("Export Nametable"), exportFilter,
            QString::fromStdString(sourceIdentifier(s->screens()[size_t(current_)].name)) + QStringLiteral(".nam") },
        [this](const QString &path) {
            if (!path.isEmpty())
                exportNametable(path);
        });
}

bool ScreenActions::exportNametable(const QString &path)
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0 || size_t(current_) >= s->screens().size())
        return false;
    const Screen &screen = s->screens()[size_t(current_)];
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool ca65 = suffix == u"s" || suffix == u"asm";
    const bool c = suffix == u"c" || suffix == u"h";
    auto bytes = FormatRegistry::nametableFormat(isRleName(path)).write(screen);
    std::string error = bytes.error;
    if (bytes && (ca65 || c)) {
        // As source: the 1024 bytes under a name made from the file's.
        const auto source = byteSource(sourceIdentifier(QFileInfo(path).completeBaseName().toStdString()), *bytes.value,
            ca65 ? SourceLanguage::ca65 : SourceLanguage::c);
        bytes.value = source ? std::optional<Bytes>(Bytes(source.text->begin(), source.text->end())) : std::nullopt;
        error = source.error;
    }
    if (!bytes.value) {
        alerts().showError(FileError { path, QString::fromStdString(error) }.describe(), window_);
        return false;
    }
    if (auto failed = writeFileAtomically(path, *bytes.value)) {
        alerts().showError(failed->describe(), window_);
        return false;
    }
    status(QStringLiteral("Exported screen \"%1\" to %2").arg(QString::fromStdString(screen.name), path));
    return true;
}

} // namespace kestova
