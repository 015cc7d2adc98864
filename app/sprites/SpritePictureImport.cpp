#include "app/document/Counted.h"
#include "app/sprites/SpriteActions.h"

#include "app/document/FileIO.h"
#include "app/document/MosavoDocument.h"
#include "app/document/PictureFiles.h"
#include "app/sprites/SpriteImport.h"
#include "app/sprites/SpritePictures.h"
#include "app/tiles/EditorViewController.h"
#include "app/window/Alerts.h"
#include "app/window/BackgroundWork.h"
#include "app/window/DockSupport.h"
#include "app/window/FilePanels.h"
#include "app/window/MainMosavoWindow.h"
#include "app/window/PictureConvertDialog.h"
#include "core/FrameRenderer.h"
#include "sprite/AnimationPreview.h"
#include "sprite/SpritePicture.h"
#include "ui_MainMosavo.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSettings>
#include <QSpinBox>
#include <QTableWidget>
#include <QToolButton>
#include <QUndoStack>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

namespace kestova {

using namespace mosavo;

void SpriteActions::chooseSpritePicture()
{
    choosePicture(QStringLiteral("Import Sprite Picture"), [this](const QString &path) {
        auto *dialog = new QDialog(window_);
        dialog->setObjectName(QStringLiteral("spriteImportDialog"));
        dialog->setWindowTitle(QStringLiteral("Import Sprite Picture"));
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        auto *layout = new QVBoxLayout(dialog);
        layout->addWidget(new QLabel(QFileInfo(path).fileName(), dialog));
        auto *exact = new QRadioButton(QStringLiteral("Exact: read its colours as display colours"), dialog);
        exact->setObjectName(QStringLiteral("spriteImportExact"));
        exact->setChecked(true);
        auto *convert = new QRadioButton(QStringLiteral("Convert: make it fit what sprites show"), dialog);
        convert->setObjectName(QStringLiteral("spriteImportConvert"));
        layout->addWidget(exact);
        layout->addWidget(convert);
        auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
        buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Import"));
        layout->addWidget(buttons);
        connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
        connect(dialog, &QDialog::accepted, this, [this, path, convert] {
            if (convert->isChecked())
                convertSpritePictureDialog(path);
            else
                importSpritePicture(path);
        });
        dialog->open();
    });
}

PictureConvertDialog *SpriteActions::convertSpritePictureDialog(const QString &path)
{
    auto picture = readSpritePicture(path);
    if (const auto *error = std::get_if<FileError>(&picture)) {
        alerts().showError(error->describe(), window_);
        return nullptr;
    }
    const QImage image = std::get<QImage>(picture);
    const auto convert = [this, image](const LossySettings &lossy) {
        PictureConvertDialog::Preview preview;
        const SettingsPtr s = settings();
        if (!s)
            return preview;
        SpriteImportOptions options;
        options.tall = s->metasprites().empty() ? tallChoice_->isChecked() : s->tallSprites();
        options.lossy = lossy;
        auto converted = convertSpriteImage(image, *s, options);
        if (const auto *reason = std::get_if<QString>(&converted)) {
            preview.error = *reason;
            return preview;
        }
        const SpriteImport &import = std::get<SpriteImport>(converted);
        PatternTables tables = spritePatterns();
        const int64_t first = spriteBankFirstTile();
        for (const TileChange &change : import.tileChanges)
            if (change.tile - first >= 0 && change.tile - first < PatternTables::tileCount)
                std::copy(
                    change.pixels.begin(), change.pixels.end(), tables.pixels.begin() + (change.tile - first) * 64);
        PaletteBytes bytes {};
        for (size_t k = 0; k < import.subPalettes.size() && k < 4; ++k)
            std::copy(import.subPalettes[k].begin(), import.subPalettes[k].end(), bytes.begin() + long(17 + k * 4));
        FramePicture frame = FramePicture::filled(image.width(), image.height(), FramePicture::transparentColor);
        const std::vector<PlacedSprite> sprites = placeMetasprite(import.metasprite, 0, 0);
        drawSprites(frame, tables, sprites, { import.tall, import.spritePatternTable }, bytes);
        preview.shown = framePictureImage(frame, currentDisplayColors(), currentDisplayEmphasis());
        preview.quality = import.quality;
        return preview;
    };
    auto *dialog = new PictureConvertDialog(
        QStringLiteral("Convert Sprite Picture"), image, PatternTables::tilesPerTable, convert, window_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog, path] { importSpritePicture(path, dialog->settings()); });
    dialog->open();
    return dialog;
}

bool SpriteActions::importSpritePicture(const QString &path, const std::optional<LossySettings> &lossy)
{
    const SettingsPtr s = settings();
    if (!s)
        return false;
    auto fail = [this, &path](const QString &reason) {
        alerts().showError(FileError { path, reason }.describe(), window_);
        return false;
    };
    auto picture = readSpritePicture(path);
    if (const auto *error = std::get_if<FileError>(&picture))
        return fail(error->reason);
    SpriteImportOptions options;
    options.tall = s->metasprites().empty() ? tallChoice_->isChecked() : s->tallSprites();
    options.name = uniqueItemName(s->metasprites(), QFileInfo(path).completeBaseName());
    options.lossy = lossy;
    options.farColorAdvice = "import it with Convert to bring it to the colours sprites show";
    // The search may take a while: it runs on a copy of the document, the window live and the user able to cancel.
    const SettingsPtr source = documentCopyForImport(*s, path, window_);
    if (!source)
        return false;
    const auto run = runWithProgress<std::variant<SpriteImport, QString>>(window_,
        QStringLiteral("Importing %1\u2026").arg(QFileInfo(path).fileName()),
        [image = std::get<QImage>(picture), source, options] { return convertSpriteImage(image, *source, options); });
    if (!run)
        return false;
    const auto &converted = *run;
    if (const auto *reason = std::get_if<QString>(&converted))
        return fail(*reason);
    const SpriteImport &import = std::get<SpriteImport>(converted);

    // The sub-palettes as the import leaves them, worked out on a copy of the document.
    const SettingsPtr copy = documentCopyForImport(*s, path, window_);
    if (!copy)
        return false;
    applySpriteImport(*copy, import);

    std::vector<int64_t> numbers;
    std::vector<MatrixPtr> tiles;
    for (const TileChange &change : import.tileChanges) {
        MatrixPtr tile = Matrix::make(8, 8);
        std::copy(change.pixels.begin(), change.pixels.end(), tile->cells().begin());
        numbers.push_back(change.tile);
        tiles.push_back(std::move(tile));
    }
    const QString text = QStringLiteral("Import Sprite Picture");
    QUndoStack &stack = window_->editorViewController->undoStack();
    stack.beginMacro(text);
    if (copy->palettes())
        window_->editorViewController->replacePalettes(*copy->palettes());
    if (s->tallSprites() != import.tall)
        setTallSprites(import.tall);
    if (s->spritePatternTable() != import.spritePatternTable)
        setSpritePatternTable(import.spritePatternTable);
    addMetasprite(import.metasprite, numbers, tiles, text);
    stack.endMacro();
    status(
        QStringLiteral("Imported %1 as metasprite \"%2\" (%3, %4)")
            .arg(QFileInfo(path).fileName(), QString::fromStdString(import.metasprite.name))
            .arg(
                counted(int64_t(import.metasprite.sprites.size()), QStringLiteral("sprite"), QStringLiteral("sprites")))
            .arg(counted(int64_t(import.tileChanges.size()), QStringLiteral("new tile"), QStringLiteral("new tiles")))
        + (import.quality ? QStringLiteral("; converted: %1").arg(QString::fromStdString(qualityText(*import.quality)))
                          : QString()));
    return true;
}

bool SpriteActions::addSpritesFromSelection()
{
    const SettingsPtr s = settings();
    if (!s)
        return false;
    const auto &rows = window_->ui().tileCollection->selectedTileIDs();
    const bool tall = s->tallSprites();
    const int table = s->spritePatternTable();
    const int64_t first = spriteBankFirstTile();
    const bool viewerTall = window_->editorViewController->viewerShowsSprites8x16();
    // Sprites as (column, row) cells of the block, with their tile bytes.
    struct Cell
    {
        int column, row;
        uint8_t tile;
        bool blank;
    };
    const mosavo::TileList &tileList = s->tileData()->matrices();
    const auto blankTile = [&](int64_t number) {
        return number < 0 || size_t(number) >= tileList.size() || !tileList[size_t(number)]
            || isBlankTile(*tileList[size_t(number)]);
    };
    std::vector<Cell> cells;
    for (size_t r = 0; r < rows.size(); ++r) {
        // 8x16 sprites from a viewer showing 8x16 pairs take each pair of rows as one row of sprites.
        if (tall && viewerTall && r % 2 == 1)
            continue;
        for (size_t c = 0; c < rows[r].size(); ++c) {
            const int64_t number = rows[r][c];
            if (number < 0)
                continue;
            const int64_t relative = number - first;
            if (relative < 0 || relative >= PatternTables::tileCount) {
                status(QStringLiteral("Tile %1 is outside the sprites' CHR bank (tiles %2-%3)")
                           .arg(number)
                           .arg(first)
                           .arg(first + PatternTables::tileCount - 1));
                return false;
            }
            const int inTable = int(relative % PatternTables::tilesPerTable);
            const int ofTable = int(relative / PatternTables::tilesPerTable);
            if (!tall && ofTable != table) {
                status(QStringLiteral("Tile %1 is not in sprite pattern table %2 (tiles %3-%4)")
                           .arg(number)
                           .arg(table)
                           .arg(first + table * PatternTables::tilesPerTable)
                           .arg(first + table * PatternTables::tilesPerTable + 255));
                return false;
            }
            const uint8_t tile = tall ? uint8_t((inTable & 0xFE) | ofTable) : uint8_t(inTable);
            const int64_t shown = tall ? first + ofTable * PatternTables::tilesPerTable + (inTable & 0xFE) : number;
            cells.push_back({ int(c), int(tall && viewerTall ? r / 2 : r), tile,
                blankTile(shown) && (!tall || blankTile(shown + 1)) });
        }
    }
    if (cells.empty()) {
        status(QStringLiteral("Select tiles in the viewer to add them as sprites"));
        return false;
    }
    // A block's blank tiles would only spend sprites: they are left out when it has others.
    auto blanks = std::count_if(cells.begin(), cells.end(), [](const Cell &cell) { return cell.blank; });
    if (blanks > 0 && size_t(blanks) < cells.size())
        std::erase_if(cells, [](const Cell &cell) { return cell.blank; });
    else
        blanks = 0;
    SpriteDocumentState after = SpriteDocumentState::of(*s);
    int index = current_;
    if (index < 0) {
        Metasprite metasprite;
        metasprite.name = uniqueItemName(after.metasprites, QStringLiteral("metasprite")).toStdString();
        after.metasprites.push_back(metasprite);
        index = int(after.metasprites.size()) - 1;
    }
    Metasprite &metasprite = after.metasprites[size_t(index)];
    // Right of what the metasprite has, top-aligned with it; at the origin when it is empty.
    int left = 0, top = 0;
    if (!metasprite.sprites.empty()) {
        left = INT_MIN;
        top = INT_MAX;
        for (const MetaspriteSprite &sprite : metasprite.sprites) {
            left = std::max(left, sprite.x + 8);
            top = std::min(top, sprite.y);
        }
    }
    const int height = tall ? 16 : 8;
    const int currentSub = window_->editorViewController->currentSubPalette();
    const int subPalette = currentSub >= 4 && currentSub <= 7 ? currentSub : 4;
    std::vector<int> added;
    for (const Cell &cell : cells) {
        MetaspriteSprite sprite;
        sprite.x = std::clamp(left + cell.column * 8, -128, 127);
        sprite.y = std::clamp(top + cell.row * height, -128, 127);
        sprite.tile = cell.tile;
        sprite.subPalette = subPalette;
        added.push_back(int(metasprite.sprites.size()));
        metasprite.sprites.push_back(sprite);
    }
    dock_->show();
    push(after, { index, currentAnimation_, added }, QStringLiteral("Add Sprites"));
    if (blanks > 0)
        status(QStringLiteral("Added %1; %2 of the block left out")
                   .arg(counted(int64_t(added.size()), QStringLiteral("sprite"), QStringLiteral("sprites")))
                   .arg(counted(int64_t(blanks), QStringLiteral("blank tile"), QStringLiteral("blank tiles"))));
    return true;
}

} // namespace kestova
