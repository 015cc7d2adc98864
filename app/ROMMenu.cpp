#include "app/ROMMenu.h"

#include "app/Alerts.h"
#include "app/EditorViewController.h"
#include "app/KestovaDocumentController.h"
#include "app/MainMosavoWindow.h"
#include "app/MosavoDocument.h"
#include "core/ConsoleDataFactory.h"
#include "log/Log.h"
#include "palette/PaletteFactory.h"

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
                numbers << QStringLiteral("0x%1").arg(entry.colorCode, 2, 16, QLatin1Char('0')).toUpper().replace(
                    QLatin1String("0X"), QLatin1String("0x"));
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
    const QString name = document->filePath().isEmpty() ? QStringLiteral("tiles")
                                                         : QFileInfo(document->filePath()).completeBaseName();
    return name + extension;
}
} // namespace

ROMMenu::ROMMenu(QWidget *parent)
    : QMenu(parent)
{
    connect(this, &QMenu::aboutToShow, this, &ROMMenu::menuWillOpen);
}

void ROMMenu::connectItems()
{
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
}

void ROMMenu::setItemsEnabled(bool enabled)
{
    for (QAction *item : { importData.data(), exportData.data(), importPalette.data(), exportPalette.data(),
             exportBackgroundPalette.data() })
        if (item)
            item->setEnabled(enabled);
}

void ROMMenu::menuWillOpen()
{
    setItemsEnabled(!editorViewController.isNull());
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
        auto tileData = ConsoleDataFactory::generate(*bytes);
        if (!tileData) {
            log().e(QStringLiteral("ConsoleDataFactory could not generate data/palette from imported data"));
            showFailure(target, QStringLiteral("The tile data could not be imported. %1: is neither an iNES ROM "
                                               "image nor CHR data (%2 bytes is not a whole number of 16-byte tiles)")
                                    .arg(file)
                                    .arg(bytes->size()));
            return;
        }
        if (!controller)
            return;
        controller->replaceTileData(tileData);
        if (target) {
            report(target, QStringLiteral("Imported %1 tiles from %2").arg(tileData->totalNumberTiles()).arg(file));
        }
    });
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
        suggestedName(document, rom ? QStringLiteral(".nes") : QStringLiteral(".chr")));
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
    QPointer<ROMMenu> menu = this;
    QPointer<MosavoDocument> target = document;
    paletteProcessor.importObject(
        [settings, menu, target](std::optional<std::vector<PalettePtr>> palettes, std::optional<FileError> error) {
            if (!palettes) {
                log().e(QStringLiteral("Could not import palette(s): ") + errorText(error));
                showFailure(target, QStringLiteral("The palettes could not be imported. %1").arg(errorText(error)));
                return;
            }
            // A background half replaces sub-palettes 0-3 and keeps 4-7.
            const bool half = palettes->size() < 8;
            if (half) {
                const auto current = settings->palettes().value_or(std::vector<PalettePtr> {});
                const auto fresh = PaletteFactory::generate(PaletteType::nes).value_or(std::vector<PalettePtr> {});
                for (size_t i = palettes->size(); i < 8; ++i)
                    palettes->push_back(i < current.size() ? current[i] : fresh.at(i));
            }
            if (menu && menu->editorViewController) {
                menu->editorViewController->replacePalettes(*palettes);
            } else {
                settings->setPalettes(*palettes);
            }
            if (target) {
                report(target, (half ? QStringLiteral("Imported sub-palettes 0-3 from %1")
                                     : QStringLiteral("Imported palettes from %1"))
                                   .arg(menu ? menu->paletteProcessor.path.value_or(QString()) : QString()));
            }
        });
}

void ROMMenu::exportPaletteAction()
{
    exportPaletteFile(false);
}

void ROMMenu::exportBackgroundPaletteAction()
{
    exportPaletteFile(true);
}

void ROMMenu::exportPaletteFile(bool backgroundHalf)
{
    MosavoDocument *document = currentDocument();
    const SettingsPtr settings = document ? document->editorViewControllerSettings.lock() : nullptr;
    if (!settings || !settings->palettes())
        return;
    paletteProcessor.paletteType = PaletteType::nes;
    const auto palettes = *settings->palettes();
    QPointer<MosavoDocument> target = document;
    paletteProcessor.exportObject(
        palettes,
        [palettes, target, backgroundHalf](std::optional<FileError> error) {
            if (error) {
                log().e(QStringLiteral("Could not export palette(s): ") + errorText(error));
                showFailure(target, QStringLiteral("The palettes could not be exported. %1").arg(error->describe()));
                return;
            }
            log().i(QStringLiteral("Exported Palette: ") + paletteListText(palettes));
            report(target,
                backgroundHalf ? QStringLiteral("Exported 16 palette bytes (sub-palettes 0-3)")
                               : QStringLiteral("Exported 32 palette bytes"));
        },
        suggestedName(document, backgroundHalf ? QStringLiteral("-bg.pal") : QStringLiteral(".pal")), backgroundHalf);
}

ROMMenuItem::ROMMenuItem(QObject *parent)
    : QObject(parent)
{
}

bool ROMMenuItem::hasSubmenu() const
{
    if (!romMenu)
        return false;
    romMenu->setItemsEnabled(!KestovaDocumentController::shared().documents().empty());
    return true;
}

} // namespace kestova
