#include "app/tiles/ROMMenu.h"
#include "app/document/Counted.h"
#include "app/document/PaletteProccessor.h"

#include "app/document/FileIO.h"
#include "app/document/KestovaDocumentController.h"
#include "app/document/MosavoDocument.h"
#include "app/tiles/EditorViewController.h"
#include "app/tiles/RomPaletteDialog.h"
#include "app/window/Alerts.h"
#include "app/window/MainMosavoWindow.h"
#include "core/ConsoleDataFactory.h"
#include "log/Log.h"
#include "palette/PaletteFactory.h"

#include <QDir>
#include <QFileInfo>

namespace kestova {

using namespace mosavo;

namespace {
QString errorText(const std::optional<FileError> &error)
{
    return error ? error->describe() : QStringLiteral("nil");
}

QString paletteListText(const std::vector<PalettePtr> &palettes)
{
    QStringList lists;
    for (const PalettePtr &palette : palettes) {
        QStringList numbers;
        if (palette)
            for (const ColorEntry &entry : palette->palette())
                numbers << QStringLiteral("0x%1")
                               .arg(entry.colorCode, 2, 16, QLatin1Char('0'))
                               .toUpper()
                               .replace(QLatin1String("0X"), QLatin1String("0x"));
        lists << QLatin1Char('[') + numbers.join(QLatin1String(", ")) + QLatin1Char(']');
    }
    return QLatin1Char('[') + lists.join(QLatin1String(", ")) + QLatin1Char(']');
}

MosavoDocument *currentDocument()
{
    return KestovaDocumentController::shared().currentDocument();
}

void report(MosavoDocument *document, const QString &message)
{
    if (document && document->window())
        document->window()->showStatus(message);
}

void showFailure(MosavoDocument *document, const QString &message)
{
    alerts().showError(message, document ? document->window() : nullptr);
}

QString suggestedName(MosavoDocument *document, const QString &extension)
{
    if (!document)
        return {};
    const QString name
        = document->filePath().isEmpty() ? QStringLiteral("tiles") : QFileInfo(document->filePath()).completeBaseName();
    return name + extension;
}

// The file the document's tiles came from; empty without one.
QString sourceFileOf(const SettingsPtr &settings)
{
    return settings && settings->sourceFile() ? QString::fromStdString(*settings->sourceFile()) : QString();
}

// The folder of the ROM the tiles came from, where palette panels open; empty without one.
QString romFolderOf(const SettingsPtr &settings)
{
    const QString source = sourceFileOf(settings);
    return source.isEmpty() ? QString() : QFileInfo(source).absolutePath();
}
} // namespace

ROMMenu::ROMMenu(QWidget *parent)
    : QMenu(parent)
{
    connect(this, &QMenu::aboutToShow, this, &ROMMenu::menuWillOpen);
}

void ROMMenu::connectItems()
{
    if (!exportSpritePalette) {
        exportSpritePalette = new QAction(QStringLiteral("Export Sprite Palette (16 bytes)..."), this);
        exportSpritePalette->setObjectName(QStringLiteral("exportSpritePalette"));
        QAction *after = exportBackgroundPalette ? exportBackgroundPalette.data() : exportPalette.data();
        const auto items = actions();
        const qsizetype at = after ? items.indexOf(after) : -1;
        insertAction(at >= 0 && at + 1 < items.size() ? items[at + 1] : nullptr, exportSpritePalette);
    }
    if (!findChild<QAction *>(QStringLiteral("importPaletteFromRom"))) {
        auto *fromRom = new QAction(QStringLiteral("Import Palette from ROM\u2026"), this);
        fromRom->setObjectName(QStringLiteral("importPaletteFromRom"));
        fromRom->setToolTip(QStringLiteral("Read the 32 palette bytes at an offset of the file, previewing them"));
        const auto items = actions();
        const qsizetype at = importPalette ? items.indexOf(importPalette.data()) : -1;
        insertAction(at >= 0 && at + 1 < items.size() ? items[at + 1] : nullptr, fromRom);
        connect(fromRom, &QAction::triggered, this, [] { importPaletteFromRom(currentDocument()); });
    }
    if (!writeBack) {
        addSeparator();
        writeBack = addAction(QStringLiteral("Write Back"));
        writeBack->setObjectName(QStringLiteral("writeBack"));
        writeBack->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W));
    }
    if (importData)
        connect(importData, &QAction::triggered, this, &ROMMenu::importDataAction);
    if (exportData)
        connect(exportData, &QAction::triggered, this, &ROMMenu::exportDataAction);
    if (importPalette)
        connect(importPalette, &QAction::triggered, this, &ROMMenu::importPaletteAction);
    if (exportPalette)
        connect(exportPalette, &QAction::triggered, this, &ROMMenu::exportPaletteAction);
    if (exportBackgroundPalette)
        connect(exportBackgroundPalette, &QAction::triggered, this, &ROMMenu::exportBackgroundPaletteAction);
    connect(exportSpritePalette, &QAction::triggered, this, &ROMMenu::exportSpritePaletteAction);
    connect(writeBack, &QAction::triggered, this, &ROMMenu::writeBackAction);
    updateWriteBackItem();
}

void ROMMenu::setItemsEnabled(bool enabled)
{
    for (QAction *item : { importData.data(), exportData.data(), importPalette.data(), exportPalette.data(),
             exportBackgroundPalette.data(), exportSpritePalette.data() })
        if (item)
            item->setEnabled(enabled);
    updateWriteBackItem();
    if (writeBack && !enabled)
        writeBack->setEnabled(false);
}

void ROMMenu::menuWillOpen()
{
    setItemsEnabled(!editorViewController.isNull());
}

void ROMMenu::updateWriteBackItem()
{
    if (!writeBack)
        return;
    EditorViewController *controller = editorViewController;
    if (!controller && currentDocument())
        controller = currentDocument()->editorViewController;
    const SettingsPtr settings = controller ? controller->editorViewControllerSettings() : nullptr;
    const QString source = sourceFileOf(settings);
    writeBack->setText(source.isEmpty() ? QStringLiteral("Write Back")
                                        : QStringLiteral("Write Back to %1").arg(QFileInfo(source).fileName()));
    writeBack->setStatusTip(source.isEmpty() ? QStringLiteral("The tiles came from no .nes or .chr file")
                                             : QDir::toNativeSeparators(source));
    writeBack->setEnabled(!source.isEmpty() && settings && settings->tileData());
}

void ROMMenu::importDataAction()
{
    MosavoDocument *document = currentDocument();
    QPointer<EditorViewController> controller = document ? document->editorViewController : nullptr;
    if (!controller) {
        log().e(QStringLiteral("EditorViewController is nil"));
        return;
    }
    QPointer<MosavoDocument> target = document;
    dataProcessor.importObject([this, controller, target](std::optional<Bytes> bytes, std::optional<FileError> error) {
        if (!bytes) {
            log().e(QStringLiteral("Data imported was nil with error ") + errorText(error));
            if (error)
                showFailure(target, QStringLiteral("The tile data could not be imported. %1").arg(error->describe()));
            return;
        }
        const QString file = dataProcessor.path.value_or(QString());
        auto tileData = ConsoleDataFactory::generate(
            *bytes, ConsoleDataFactory::sourceOfFileName(QFileInfo(file).fileName().toStdString()));
        if (!tileData) {
            log().e(QStringLiteral("ConsoleDataFactory could not generate data/palette from imported data"));
            showFailure(target,
                QStringLiteral("The tile data could not be imported. %1: is neither an iNES ROM "
                               "image nor CHR data (%2 bytes is not a whole number of 16-byte tiles)")
                    .arg(file)
                    .arg(bytes->size()));
            return;
        }
        if (!controller)
            return;
        const TileDataPtr current = controller->editorViewControllerSettings()->tileData();
        if (!tileData->header() && current && current->header()) {
            importIntoRom(controller, target, *tileData, file, bytes->size());
            return;
        }
        controller->replaceTileData(tileData, QFileInfo(file).absoluteFilePath().toStdString());
        if (target) {
            report(
                target, QStringLiteral("Imported %1 from %2").arg(tilesText(tileData->totalNumberTiles())).arg(file));
        }
    });
}

void ROMMenu::importIntoRom(
    EditorViewController *controller, MosavoDocument *document, const TileData &tiles, const QString &file, size_t size)
{
    // Bare CHR data goes over tiles of the ROM, which keeps its header and length.
    const TileDataPtr rom = controller->editorViewControllerSettings()->tileData();
    const int64_t count = rom->totalNumberTiles();
    const int64_t incoming = tiles.totalNumberTiles();
    const auto first = alerts().askTileNumber(
        QStringLiteral("Place the %1 of %2 from tile number:").arg(tilesText(incoming)).arg(QFileInfo(file).fileName()),
        controller->chrRomStartTile().value_or(0), count - 1, document ? document->window() : nullptr);
    if (!first)
        return;
    if (*first < 0 || *first >= count) {
        showFailure(document,
            QStringLiteral("The tile data could not be imported. The ROM holds %1 (0-%2), so "
                           "there is no tile %3.")
                .arg(tilesText(count))
                .arg(count - 1)
                .arg(*first));
        return;
    }
    const int64_t room = count - *first;
    if (incoming > room) {
        log().e(QStringLiteral("Imported data does not fit into the ROM"));
        showFailure(document,
            QStringLiteral("The tile data could not be imported. %1: holds %2 bytes (%3), but "
                           "from tile %4 the ROM has room for %5 (%6 bytes).")
                .arg(file)
                .arg(size)
                .arg(tilesText(incoming))
                .arg(*first)
                .arg(tilesText(room))
                .arg(room * 16));
        return;
    }
    std::vector<int64_t> numbers;
    for (int64_t i = 0; i < incoming; ++i)
        numbers.push_back(*first + i);
    controller->importTiles(numbers, tiles.matrices().toVector(), QStringLiteral("Import Data"));
    report(document, QStringLiteral("Imported %1 from %2 at tile %3").arg(tilesText(incoming)).arg(file).arg(*first));
}

void ROMMenu::exportDataAction()
{
    MosavoDocument *document = currentDocument();
    const SettingsPtr settings = document ? document->editorViewControllerSettings.lock() : nullptr;
    if (!settings) {
        log().e(QStringLiteral("EditorViewController is nil"));
        return;
    }
    const auto bytes = settings->tileData() ? settings->tileData()->consoleFormattedPixelData() : std::nullopt;
    if (!bytes) {
        log().i(QStringLiteral("ExportDataWithError: no data to export"));
        return;
    }
    const bool rom = bool(settings->tileData()->header());
    QPointer<MosavoDocument> target = document;
    const size_t size = bytes->size();
    dataProcessor.exportObject(
        *bytes,
        [target, size](std::optional<FileError> error) {
            log().e(QStringLiteral("ExportDataWithError: ") + errorText(error));
            if (error)
                showFailure(target, QStringLiteral("The tile data could not be exported. %1").arg(error->describe()));
            else
                report(target, QStringLiteral("Exported %1 bytes of tile data").arg(size));
        },
        sourceFileOf(settings).isEmpty()
            ? suggestedName(document, rom ? QStringLiteral(".nes") : QStringLiteral(".chr"))
            : sourceFileOf(settings));
}

void ROMMenu::importPaletteAction()
{
    MosavoDocument *document = currentDocument();
    const SettingsPtr settings = document ? document->editorViewControllerSettings.lock() : nullptr;
    if (!settings) {
        log().e(QStringLiteral("EditorViewController is nil"));
        return;
    }
    paletteProcessor.paletteType = PaletteType::nes;
    paletteProcessor.panelFolder = romFolderOf(settings);
    QPointer<ROMMenu> menu = this;
    QPointer<MosavoDocument> target = document;
    paletteProcessor.importObject(
        [settings, menu, target](std::optional<std::vector<PalettePtr>> palettes, std::optional<FileError> error) {
            if (!palettes) {
                log().e(QStringLiteral("Could not import palette(s): ") + errorText(error));
                showFailure(target, QStringLiteral("The palettes could not be imported. %1").arg(errorText(error)));
                return;
            }
            // A 16-byte file replaces one half, the background (0-3) or, when the user says so, the sprites (4-7).
            const bool half = palettes->size() < 8;
            PaletteHalfChoice into = PaletteHalfChoice::background;
            if (half) {
                const QString file = menu ? menu->paletteProcessor.path.value_or(QString()) : QString();
                const auto chosen
                    = alerts().askPaletteHalf(QFileInfo(file).fileName(), target ? target->window() : nullptr);
                if (!chosen)
                    return;
                into = *chosen;
                auto whole = settings->palettes().value_or(std::vector<PalettePtr> {});
                const auto fresh = PaletteFactory::generate(PaletteType::nes).value_or(std::vector<PalettePtr> {});
                for (size_t i = whole.size(); i < 8; ++i)
                    whole.push_back(fresh.at(i));
                const size_t offset = into == PaletteHalfChoice::sprites ? 4 : 0;
                for (size_t i = 0; i < palettes->size() && offset + i < whole.size(); ++i)
                    whole[offset + i] = (*palettes)[i];
                *palettes = std::move(whole);
            }
            if (menu && menu->editorViewController) {
                menu->editorViewController->replacePalettes(*palettes);
            } else {
                settings->setPalettes(*palettes);
            }
            if (target) {
                report(target,
                    (!half                                       ? QStringLiteral("Imported palettes from %1")
                            : into == PaletteHalfChoice::sprites ? QStringLiteral("Imported sub-palettes 4-7 from %1")
                                                                 : QStringLiteral("Imported sub-palettes 0-3 from %1"))
                        .arg(menu ? menu->paletteProcessor.path.value_or(QString()) : QString()));
            }
        });
}

void ROMMenu::exportPaletteAction()
{
    exportPaletteFile(PaletteProccessor::Half::whole);
}

void ROMMenu::exportBackgroundPaletteAction()
{
    exportPaletteFile(PaletteProccessor::Half::background);
}

void ROMMenu::exportSpritePaletteAction()
{
    exportPaletteFile(PaletteProccessor::Half::sprites);
}

void ROMMenu::exportPaletteFile(PaletteProccessor::Half half)
{
    MosavoDocument *document = currentDocument();
    const SettingsPtr settings = document ? document->editorViewControllerSettings.lock() : nullptr;
    if (!settings)
        return;
    // A document whose sub-palettes make no palette file is told why, as the command line says it.
    const auto file = PaletteProccessor::paletteFileOf(settings->palettes());
    if (const auto *reason = std::get_if<QString>(&file)) {
        log().e(QStringLiteral("Could not export palette(s): ") + *reason);
        showFailure(document,
            QStringLiteral("The palettes could not be exported. %1: %2").arg(document->displayName(), *reason));
        return;
    }
    paletteProcessor.paletteType = PaletteType::nes;
    const auto palettes = *settings->palettes();
    QPointer<MosavoDocument> target = document;
    const QString done = half == PaletteProccessor::Half::background
        ? QStringLiteral("Exported 16 palette bytes (sub-palettes 0-3)")
        : half == PaletteProccessor::Half::sprites ? QStringLiteral("Exported 16 palette bytes (sub-palettes 4-7)")
                                                   : QStringLiteral("Exported 32 palette bytes");
    const QString extension = half == PaletteProccessor::Half::background ? QStringLiteral("-bg.pal")
        : half == PaletteProccessor::Half::sprites                        ? QStringLiteral("-spr.pal")
                                                                          : QStringLiteral(".pal");
    paletteProcessor.exportObject(
        palettes,
        [palettes, target, done](std::optional<FileError> error) {
            if (error) {
                log().e(QStringLiteral("Could not export palette(s): ") + errorText(error));
                showFailure(target, QStringLiteral("The palettes could not be exported. %1").arg(error->describe()));
                return;
            }
            log().i(QStringLiteral("Exported Palette: ") + paletteListText(palettes));
            report(target, done);
        },
        romFolderOf(settings).isEmpty() ? suggestedName(document, extension)
                                        : romFolderOf(settings) + u'/' + suggestedName(document, extension),
        half);
}

std::variant<ROMMenu::WriteBackPlan, QString> ROMMenu::writtenBack(
    const TileData &tiles, const Bytes &source, const std::optional<EditorViewControllerSettings::SourceAsRead> &asRead)
{
    const auto header = tiles.header();
    const bool sourceIsRom = source.size() >= 16 && source[0] == 'N' && source[1] == 'E' && source[2] == 'S';
    if (bool(header) != sourceIsRom)
        return header ? QStringLiteral("is no longer an iNES ROM image") : QStringLiteral("is now an iNES ROM image");
    // Tiles read from a byte shift start that many bytes later.
    const size_t start = (header ? header->size() : 0) + ConsoleDataFactory::byteShift(tiles);
    const size_t length = size_t(tiles.totalNumberTiles()) * 16;
    if (source.size() < start + length)
        return QStringLiteral("holds %1 bytes, but its %2 tiles need %3; it is no longer the file the tiles came from")
            .arg(source.size())
            .arg(tiles.totalNumberTiles())
            .arg(start + length);
    const auto formatted = tiles.consoleFormattedPixelData();
    if (!formatted || formatted->size() < start + length)
        return QStringLiteral("the document holds no tiles to write");
    const bool readKnown = asRead && asRead->tileBytes.size() == formatted->size();
    const Bytes &before = readKnown ? asRead->tileBytes : source;
    WriteBackPlan plan { source, 0, readKnown && asRead->fileSize && *asRead->fileSize != source.size() };
    for (size_t at = start; at < start + length; at += 16) {
        const auto from = formatted->begin() + std::ptrdiff_t(at);
        if (std::equal(from, from + 16, before.begin() + std::ptrdiff_t(at)))
            continue;
        ++plan.changedTiles;
        if (!std::equal(before.begin() + std::ptrdiff_t(at), before.begin() + std::ptrdiff_t(at + 16),
                source.begin() + std::ptrdiff_t(at)))
            plan.fileChanged = true;
        std::copy(from, from + 16, plan.bytes.begin() + std::ptrdiff_t(at));
    }
    return plan;
}

void ROMMenu::writeBackAction()
{
    MosavoDocument *document = currentDocument();
    const SettingsPtr settings = document ? document->editorViewControllerSettings.lock() : nullptr;
    const QString source = sourceFileOf(settings);
    if (source.isEmpty() || !settings->tileData())
        return;
    QWidget *window = document->window();
    const QString name = QFileInfo(source).fileName();
    if (!alerts().confirm(QStringLiteral("Write the tiles back into %1?").arg(name),
            QStringLiteral("%1 is changed in place: the tiles changed in Kestova are written over theirs, everything "
                           "else in the file stays.")
                .arg(QDir::toNativeSeparators(source)),
            QStringLiteral("Write Back"), window))
        return;
    const ReadResult read = readWholeFile(source);
    if (read.error) {
        showFailure(document, QStringLiteral("The tiles could not be written back. %1").arg(read.error->describe()));
        return;
    }
    auto planned = writtenBack(*settings->tileData(), read.bytes, settings->sourceAsRead());
    if (const auto *reason = std::get_if<QString>(&planned)) {
        showFailure(document, QStringLiteral("The tiles could not be written back. %1: %2").arg(source, *reason));
        return;
    }
    const WriteBackPlan &plan = std::get<WriteBackPlan>(planned);
    if (plan.fileChanged
        && !alerts().confirm(QStringLiteral("%1 changed on disk since Kestova read it.").arg(name),
            QStringLiteral("Writing back puts the tiles changed in Kestova over what is in the file now."),
            QStringLiteral("Write Anyway"), window))
        return;
    if (plan.changedTiles > 0) {
        if (auto error = writeFileAtomically(source, plan.bytes)) {
            showFailure(document, QStringLiteral("The tiles could not be written back. %1").arg(error->describe()));
            return;
        }
    }
    settings->setSourceAsRead(EditorViewControllerSettings::SourceAsRead {
        *settings->tileData()->consoleFormattedPixelData(), plan.bytes.size() });
    if (document->filePath().isEmpty() && document->promptName() == name && document->editorViewController)
        document->editorViewController->markTileEditsSaved();
    log().i(QStringLiteral("Wrote the tiles back to ") + source);
    report(document,
        plan.changedTiles == 1
            ? QStringLiteral("Wrote 1 changed tile back to %1").arg(source)
            : QStringLiteral("Wrote %1 changed tiles back to %2").arg(plan.changedTiles).arg(source));
}

} // namespace kestova
