#include "app/document/Counted.h"
#include "app/screens/ScreenActions.h"

#include "app/document/FileIO.h"
#include "app/document/MosavoDocument.h"
#include "app/screens/ScreenImport.h"
#include "app/tiles/EditorViewController.h"
#include "app/window/Alerts.h"
#include "app/window/BackgroundWork.h"
#include "app/window/DockSupport.h"
#include "app/window/FilePanels.h"
#include "app/window/MainMosavoWindow.h"
#include "app/window/PictureConvertDialog.h"
#include "convert/SpriteConversion.h"
#include "convert/TileDedup.h"
#include "core/FrameRenderer.h"
#include "palette/DisplayColors.h"
#include "palette/NESPalette.h"
#include "ui_MainMosavo.h"
#include "viewer/TileCollection.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QFileInfo>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSettings>
#include <QToolButton>
#include <QUndoStack>
#include <QVBoxLayout>

#include <algorithm>

namespace kestova {

using namespace mosavo;

void ScreenActions::chooseScreenPicture()
{
    choosePicture(QStringLiteral("Import Screen Picture"), [this](const QString &path) {
        // A picture of another size is refused before anything is asked.
        if (const auto refusal = screenPictureFileSizeRefusal(path)) {
            alerts().showError(*refusal, window_);
            return;
        }
        const SettingsPtr s = settings();
        auto *dialog = new QDialog(window_);
        dialog->setObjectName(QStringLiteral("screenImportDialog"));
        dialog->setWindowTitle(QStringLiteral("Import Screen Picture"));
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        auto *layout = new QVBoxLayout(dialog);
        layout->addWidget(new QLabel(QFileInfo(path).fileName(), dialog));
        auto *form = new QFormLayout;
        auto *table = new QComboBox(dialog);
        table->setObjectName(QStringLiteral("screenImportTable"));
        table->addItems({ QStringLiteral("Table 0 (tiles 0-255)"), QStringLiteral("Table 1 (tiles 256-511)") });
        if (s && current_ >= 0 && current_ < int(s->screens().size()))
            table->setCurrentIndex(s->screens()[size_t(current_)].patternTable & 1);
        form->addRow(QStringLiteral("Pattern table:"), table);
        layout->addLayout(form);
        auto *find = new QRadioButton(QStringLiteral("Find sub-palettes for the picture"), dialog);
        find->setObjectName(QStringLiteral("screenImportFindSubPalettes"));
        find->setChecked(true);
        auto *own = new QRadioButton(QStringLiteral("Use the document's sub-palettes 0-3"), dialog);
        own->setObjectName(QStringLiteral("screenImportDocumentSubPalettes"));
        layout->addWidget(find);
        layout->addWidget(own);
        // Two choices, each its own group of buttons.
        auto *palettes = new QButtonGroup(dialog);
        palettes->addButton(find);
        palettes->addButton(own);
        auto *exact = new QRadioButton(QStringLiteral("Exact: read its colours as display colours"), dialog);
        exact->setObjectName(QStringLiteral("screenImportExact"));
        auto *convert = new QRadioButton(QStringLiteral("Convert: make it fit what the console shows"), dialog);
        convert->setObjectName(QStringLiteral("screenImportConvert"));
        auto *colours = new QButtonGroup(dialog);
        colours->addButton(exact);
        colours->addButton(convert);
        exact->setChecked(true);
        layout->addWidget(exact);
        layout->addWidget(convert);
        auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
        buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Import"));
        layout->addWidget(buttons);
        connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
        connect(dialog, &QDialog::accepted, this, [this, path, table, own, convert] {
            if (convert->isChecked())
                convertScreenPictureDialog(path, table->currentIndex(), own->isChecked());
            else
                importScreenPicture(path, table->currentIndex(), own->isChecked());
        });
        dialog->open();
    });
}

PictureConvertDialog *ScreenActions::convertScreenPictureDialog(
    const QString &path, int patternTable, bool documentSubPalettes)
{
    auto read = readScreenPictureFile(path);
    if (const auto *reason = std::get_if<QString>(&read)) {
        alerts().showError(*reason, window_);
        return nullptr;
    }
    const QImage image = std::get<QImage>(read);
    const auto convert = [this, image, patternTable, documentSubPalettes](const LossySettings &lossy) {
        PictureConvertDialog::Preview preview;
        const SettingsPtr s = settings();
        if (!s)
            return preview;
        std::optional<BackgroundSubPalettes> subPalettes;
        if (documentSubPalettes)
            subPalettes = backgroundSubPalettes(documentPaletteBytes(*s));
        PictureReading reading;
        reading.lossy = lossy;
        auto converted = convertScreenImage(
            image, *s, currentDisplayColors(), currentDisplayEmphasis(), subPalettes, patternTable & 1, {}, reading);
        if (const auto *reason = std::get_if<QString>(&converted)) {
            preview.error = *reason;
            return preview;
        }
        const ScreenConversion &conversion = std::get<ScreenConversion>(converted);
        PatternTables tables = patterns();
        for (const ScreenTileChange &change : conversion.tileChanges)
            std::copy(change.pixels.begin(), change.pixels.end(),
                tables.pixels.begin() + (conversion.screen.patternTable * 256 + change.tile) * 64);
        PaletteBytes bytes = documentPaletteBytes(*s);
        for (size_t p = 0; p < 4; ++p)
            std::copy(conversion.subPalettes[p].begin(), conversion.subPalettes[p].end(), bytes.begin() + long(p * 4));
        preview.shown = frameImage(
            renderBackground(tables, conversion.screen, bytes), currentDisplayColors(), currentDisplayEmphasis());
        preview.quality = conversion.quality;
        return preview;
    };
    auto *dialog = new PictureConvertDialog(
        QStringLiteral("Convert Screen Picture"), image, PatternTables::tilesPerTable, convert, window_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog, path, patternTable, documentSubPalettes] {
        importScreenPicture(path, patternTable, documentSubPalettes, dialog->settings());
    });
    dialog->open();
    return dialog;
}

bool ScreenActions::importScreenPicture(
    const QString &path, int patternTable, bool documentSubPalettes, const std::optional<LossySettings> &lossy)
{
    const SettingsPtr s = settings();
    if (!s)
        return false;
    std::optional<BackgroundSubPalettes> subPalettes;
    if (documentSubPalettes)
        subPalettes = backgroundSubPalettes(documentPaletteBytes(*s));
    // The search may take a while: it runs on a copy of the document, the window live and the user able to cancel.
    const SettingsPtr source = documentCopyForImport(*s, path, window_);
    if (!source)
        return false;
    const auto colors = std::make_shared<DisplayColors>(currentDisplayColors());
    const int emphasis = currentDisplayEmphasis();
    const std::string name = uniqueItemName(s->screens(), QFileInfo(path).completeBaseName()).toStdString();
    PictureReading reading;
    reading.lossy = lossy;
    reading.farColorAdvice = "import it with Convert to bring it to the console's colours";
    const auto run = runWithProgress<std::variant<ScreenConversion, QString>>(window_,
        QStringLiteral("Importing %1\u2026").arg(QFileInfo(path).fileName()),
        [path, source, colors, emphasis, subPalettes, patternTable, name, reading] {
            return convertScreenPictureFile(
                path, *source, *colors, emphasis, subPalettes, patternTable & 1, name, reading);
        });
    if (!run) {
        status(QStringLiteral("Import of %1 cancelled").arg(QFileInfo(path).fileName()));
        return false;
    }
    const auto &converted = *run;
    if (const auto *reason = std::get_if<QString>(&converted)) {
        alerts().showError(reason->startsWith(path) ? *reason : FileError { path, *reason }.describe(), window_);
        return false;
    }
    const ScreenConversion &conversion = std::get<ScreenConversion>(converted);
    // The sub-palettes as the import leaves them, worked out on a copy of the document.
    const SettingsPtr copy = documentCopyForImport(*s, path, window_);
    if (!copy)
        return false;
    applyScreenConversion(*copy, conversion);
    // The conversion numbers its new tiles within the screen's pattern table.
    const int64_t first = bankFirstTile() + int64_t(conversion.screen.patternTable) * PatternTables::tilesPerTable;
    std::vector<int64_t> numbers;
    std::vector<MatrixPtr> tiles;
    for (const ScreenTileChange &change : conversion.tileChanges) {
        MatrixPtr tile = Matrix::make(8, 8);
        std::copy(change.pixels.begin(), change.pixels.end(), tile->cells().begin());
        numbers.push_back(first + change.tile);
        tiles.push_back(std::move(tile));
    }
    addScreen(conversion.screen, numbers, tiles, copy->palettes(), QStringLiteral("Import Screen Picture"));
    status(QStringLiteral("Imported %1 as screen \"%2\" (%3 new tiles)")
               .arg(QFileInfo(path).fileName(), QString::fromStdString(conversion.screen.name))
               .arg(conversion.tileChanges.size())
        + (conversion.quality
                ? QStringLiteral("; converted: %1").arg(QString::fromStdString(qualityText(*conversion.quality)))
                : QString()));
    return true;
}

bool ScreenActions::removeDuplicateTiles()
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0)
        return false;
    const int table = s->screens()[size_t(current_)].patternTable & 1;
    const TileDedup dedup = mosavo::removeDuplicateTiles(patterns(), table, s->screens());
    if (dedup.freedTiles.empty()) {
        status(QStringLiteral("No duplicate tiles in pattern table %1").arg(table));
        return false;
    }
    push(dedup.screens, current_, QStringLiteral("Remove Duplicate Tiles"));
    status(QStringLiteral("Merged %1 of pattern table %2: the screens use %3, not %4")
               .arg(counted(int64_t(dedup.freedTiles.size()), QStringLiteral("duplicate tile"),
                   QStringLiteral("duplicate tiles")))
               .arg(table)
               .arg(tilesText(int64_t(dedup.tilesUsedAfter)))
               .arg(int64_t(dedup.tilesUsedBefore)));
    return true;
}

} // namespace kestova
