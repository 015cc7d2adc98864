#include "app/sprites/SpriteActions.h"

#include "app/document/FileIO.h"
#include "app/sprites/SpriteCommands.h"
#include "app/window/Alerts.h"
#include "app/window/DockSupport.h"
#include "app/window/FilePanels.h"
#include "app/window/MainMosavoWindow.h"
#include "convert/SourceWriters.h"
#include "formats/FormatRegistry.h"

#include <QDockWidget>
#include <QFileInfo>

namespace kestova {

using namespace mosavo;

namespace {
const QString tableFilter = QStringLiteral("Metasprite tables (*.c *.h *.s *.asm *.inc *.bin);;C source (*.c "
                                           "*.h);;ca65 source (*.s *.asm *.inc);;All files (*)");
const QString exportFilter
    = QStringLiteral("Binary tables (*.bin);;C source (*.c *.h);;ca65 source (*.s *.asm *.inc);;All files (*)");
} // namespace

void SpriteActions::chooseMetaspriteTable()
{
    filePanels().chooseFileToOpen(
        { QStringLiteral("Import Metasprite Table"), tableFilter, {} }, [this](const QString &path) {
            if (!path.isEmpty())
                importMetaspriteTable(path);
        });
}

bool SpriteActions::importMetaspriteTable(const QString &path)
{
    const SettingsPtr s = settings();
    if (!s)
        return false;
    const std::optional<Bytes> bytes = readFileOrSay(path);
    if (!bytes)
        return false;
    auto tables = FormatRegistry::metaspriteTableFormatFor(path.toStdString())->read(*bytes);
    if (!tables) {
        alerts().showError(FileError { path, QString::fromStdString(tables.error) }.describe(), window_);
        return false;
    }
    SpriteDocumentState after = SpriteDocumentState::of(*s);
    const int first = int(after.metasprites.size());
    for (Metasprite &metasprite : tables.value->metasprites)
        after.metasprites.push_back(std::move(metasprite));
    push(after, { first, currentAnimation_, {} }, QStringLiteral("Import Metasprite Table"));
    dock_->show();
    status(QStringLiteral("Imported %1 metasprites from %2")
               .arg(after.metasprites.size() - size_t(first))
               .arg(QFileInfo(path).fileName()));
    return true;
}

void SpriteActions::chooseMetaspriteExport()
{
    const SettingsPtr s = settings();
    if (!s || s->metasprites().empty()) {
        alerts().showError(QStringLiteral("There are no metasprites to export."), window_);
        return;
    }
    filePanels().chooseFileToSave(
        { QStringLiteral("Export Metasprites"), exportFilter, QStringLiteral("metasprites.c") },
        [this](const QString &path) {
            if (!path.isEmpty())
                exportMetasprites(path);
        });
}

bool SpriteActions::exportMetasprites(const QString &path)
{
    const SettingsPtr s = settings();
    if (!s)
        return false;
    // The format by the file's name, as the import reads it; the address table of source named after the file.
    const std::string name = sourceIdentifier(QFileInfo(path).completeBaseName().toStdString());
    const auto bytes = FormatRegistry::metaspriteTableFormatFor(path.toStdString())->write(s->metasprites(), name);
    if (!bytes) {
        alerts().showError(FileError { path, QString::fromStdString(bytes.error) }.describe(), window_);
        return false;
    }
    if (auto failed = writeFileAtomically(path, *bytes.value)) {
        alerts().showError(failed->describe(), window_);
        return false;
    }
    status(QStringLiteral("Exported %1 metasprites to %2").arg(s->metasprites().size()).arg(path));
    return true;
}

} // namespace kestova
