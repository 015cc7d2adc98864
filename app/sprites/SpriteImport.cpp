#include "app/sprites/SpriteImport.h"

#include "convert/LossySpriteConversion.h"

#include "app/screens/ScreenImport.h"
#include "app/sprites/SpritePictures.h"
#include "core/Matrix.h"
#include "core/MetatileSet.h"
#include "palette/NESPalette.h"
#include "palette/PaletteFactory.h"

#include <algorithm>

namespace kestova {

namespace {

constexpr size_t spriteSubPaletteBase = 4;
constexpr size_t subPaletteCount = 8;

// The colours a sub-palette of the document holds, without drawing random ones for a palette that has none.
std::optional<std::vector<mosavo::ColorEntry>> storedColors(const mosavo::PalettePtr &palette)
{
    if (!palette)
        return std::nullopt;
    if (const auto nes = std::dynamic_pointer_cast<mosavo::NESPalette>(palette); nes && !nes->hasColors())
        return std::nullopt;
    return palette->palette();
}

// Colours 1-3 of the document's sub-palettes 4-7, nothing for one without four colours.
std::vector<std::optional<mosavo::SubPaletteColors>> documentSpriteSubPalettes(
    const EditorViewControllerSettings &document)
{
    std::vector<std::optional<mosavo::SubPaletteColors>> found(subPaletteCount - spriteSubPaletteBase);
    if (!document.palettes())
        return found;
    const auto &palettes = *document.palettes();
    for (size_t k = spriteSubPaletteBase; k < subPaletteCount && k < palettes.size(); ++k) {
        const auto colors = storedColors(palettes[k]);
        if (!colors || colors->size() < 4
            || std::any_of(colors->begin() + 1, colors->begin() + 4,
                [](const mosavo::ColorEntry &entry) { return entry.colorCode < 0 || entry.colorCode > 0x3F; }))
            continue;
        mosavo::SubPaletteColors subPalette {};
        for (size_t c = 0; c < 3; ++c)
            subPalette[c] = uint8_t((*colors)[c + 1].colorCode);
        found[k - spriteSubPaletteBase] = subPalette;
    }
    return found;
}

// The sprite sub-palettes (0 for 4, ...) the document's metasprites use.
std::bitset<4> spriteSubPalettesInUse(const EditorViewControllerSettings &document)
{
    std::bitset<4> used;
    for (const mosavo::Metasprite &metasprite : document.metasprites())
        for (const mosavo::MetaspriteSprite &sprite : metasprite.sprites)
            if (sprite.subPalette >= int(spriteSubPaletteBase) && sprite.subPalette < int(subPaletteCount))
                used.set(size_t(sprite.subPalette) - spriteSubPaletteBase);
    return used;
}

} // namespace

std::optional<uint8_t> documentBackdrop(const EditorViewControllerSettings &document)
{
    const auto &palettes = document.palettes();
    if (!palettes || palettes->empty())
        return std::nullopt;
    const auto colors = storedColors(palettes->front());
    if (!colors || colors->empty() || colors->front().colorCode < 0 || colors->front().colorCode > 0x3F)
        return std::nullopt;
    return uint8_t(colors->front().colorCode);
}

std::optional<QString> spriteTableConflict(
    const EditorViewControllerSettings &document, const SpriteImportOptions &options)
{
    // 8x16 sprites name their pattern table in each tile byte: the document's table only says where new pairs go.
    if (document.metasprites().empty() || document.tallSprites() || !options.spritePatternTable)
        return std::nullopt;
    const int asked = *options.spritePatternTable & 1;
    if (asked == document.spritePatternTable())
        return std::nullopt;
    return QStringLiteral("its metasprites read their tiles from sprite pattern table %1, so a picture cannot be "
                          "imported into it from pattern table %2 (that would point them at other tiles)")
        .arg(document.spritePatternTable())
        .arg(asked);
}

std::variant<SpriteImport, QString> convertSpriteImage(
    const QImage &image, const EditorViewControllerSettings &document, const SpriteImportOptions &options)
{
    if (!document.metasprites().empty() && document.tallSprites() != options.tall)
        return document.tallSprites()
            ? QStringLiteral("the document's metasprites are made of 8x16 sprites, so the picture must be read as "
                             "8x16 sprites too")
            : QStringLiteral("the document's metasprites are made of 8x8 sprites, so the picture must be read as "
                             "8x8 sprites too");
    if (const auto conflict = spriteTableConflict(document, options))
        return *conflict;
    const mosavo::TileDataPtr &tiles = document.tileData();
    if (!tiles)
        return QStringLiteral("the document holds no tiles");

    // Sprites read the same 8 KiB bank as screens: the first CHR-ROM bank of a ROM image, else tiles 0-511.
    const auto bank = screenBankFirstTile(*tiles);
    if (std::holds_alternative<QString>(bank))
        return QStringLiteral("the document's tiles come from an iNES ROM image without CHR-ROM (its board uses "
                              "CHR-RAM), so it has no pattern tables for sprites");
    const int64_t first = std::get<int64_t>(bank);
    const int table = options.spritePatternTable.value_or(document.spritePatternTable()) & 1;
    mosavo::SpriteConversionSettings settings;
    settings.tall = options.tall;
    settings.originX = options.originX;
    settings.originY = options.originY;
    settings.patternTable = table;
    settings.name = options.name.isEmpty()
        ? QStringLiteral("Metasprite %1").arg(document.metasprites().size() + 1).toStdString()
        : options.name.toStdString();
    settings.universalBackground
        = options.palette ? std::optional<uint8_t>((*options.palette)[0] & 0x3F) : documentBackdrop(document);
    settings.displayColors = &mosavo::currentDisplayColors();
    settings.emphasis = mosavo::currentDisplayEmphasis();
    settings.fitColors = true;
    settings.preferredNumbers = documentColorNumbers(document);
    settings.farColorAdvice = options.farColorAdvice;
    if (options.palette) {
        std::vector<mosavo::SubPaletteColors> given;
        for (size_t k = spriteSubPaletteBase; k < subPaletteCount; ++k)
            given.push_back({ uint8_t((*options.palette)[k * 4 + 1] & 0x3F),
                uint8_t((*options.palette)[k * 4 + 2] & 0x3F), uint8_t((*options.palette)[k * 4 + 3] & 0x3F) });
        settings.subPalettes = std::move(given);
    }

    // Tiles the document does not have are never free.
    std::bitset<256> inUse
        = mosavo::spriteTableTilesInUse(document.screens(), document.metasprites(), document.tallSprites(), table)
        | mosavo::tilesUsedByMetatiles(document.metatileSets(), table);
    const int64_t count = tiles->totalNumberTiles();
    for (int t = 0; t < mosavo::PatternTables::tilesPerTable; ++t)
        if (first + table * mosavo::PatternTables::tilesPerTable + t >= count)
            inUse.set(size_t(t));

    const std::vector<uint8_t> pixels = rgbaPixels(image);
    const mosavo::RgbaPicture picture { image.width(), image.height(), pixels };
    const mosavo::PatternTables patterns = mosavo::PatternTables::fromTiles(*tiles, first);
    std::optional<mosavo::SpriteConversion> kept;
    if (!options.palette && !document.metasprites().empty()) {
        // The metasprites there are keep their colours: the picture is tried in the document's sub-palettes 4-7 (those
        // with colours, from 4 on) first; when it does not fit them, only the sub-palettes no metasprite uses are
        // given new colours.
        settings.currentSubPalettes = documentSpriteSubPalettes(document);
        settings.keptSubPalettes = spriteSubPalettesInUse(document);
        std::vector<mosavo::SubPaletteColors> current;
        for (const auto &colors : settings.currentSubPalettes) {
            if (!colors)
                break;
            current.push_back(*colors);
        }
        if (!current.empty() && !options.lossy) {
            mosavo::SpriteConversionSettings inCurrent = settings;
            inCurrent.subPalettes = current;
            if (auto conversion = mosavo::convertSpritePicture(picture, patterns, inUse, inCurrent))
                kept = std::move(conversion);
        }
    }
    auto conversion = kept ? std::move(*kept)
        : options.lossy    ? mosavo::convertSpritePictureLossy(picture, patterns, inUse, settings, *options.lossy)
                           : mosavo::convertSpritePicture(picture, patterns, inUse, settings);
    if (!conversion)
        return QString::fromStdString(conversion.error);
    // Tiles of the bank become tiles of the document.
    for (mosavo::TileChange &change : conversion.tileChanges)
        change.tile += int(first);
    SpriteImport import;
    import.metasprite = std::move(*conversion.metasprite);
    import.tileChanges = std::move(conversion.tileChanges);
    import.subPalettes = std::move(conversion.subPalettes);
    import.backdrop = settings.universalBackground.value_or(0x0F);
    import.spritePatternTable = table;
    import.tall = options.tall;
    import.quality = conversion.quality;
    return import;
}

std::vector<mosavo::PalettePtr> newDocumentPalettes(const SpriteImport &import)
{
    const mosavo::DisplayColors &display = mosavo::currentDisplayColors();
    const int emphasis = mosavo::currentDisplayEmphasis();
    std::vector<mosavo::Rgb8> shown;
    for (const mosavo::SubPaletteColors &colors : import.subPalettes)
        for (const uint8_t number : colors)
            shown.push_back(display.rgb(number, emphasis));
    mosavo::Bytes numbers = mosavo::PaletteFactory::readableColorNumbers();
    // The readable backdrop, else black, the greys and then any colour the picture does not show.
    std::vector<uint8_t> candidates { numbers[0], 0x0F, 0x00, 0x10 };
    for (uint8_t number = 0; number < 0x40; ++number)
        candidates.push_back(number);
    for (const uint8_t candidate : candidates)
        if (std::find(shown.begin(), shown.end(), display.rgb(candidate, emphasis)) == shown.end()) {
            numbers[0] = candidate;
            break;
        }
    return *mosavo::PaletteFactory::generate(numbers);
}

SpriteImportUndo applySpriteImport(EditorViewControllerSettings &document, const SpriteImport &import)
{
    SpriteImportUndo undo;
    undo.spritePatternTable = document.spritePatternTable();
    undo.tall = document.tallSprites();
    if (document.palettes())
        undo.paletteCount = document.palettes()->size();

    mosavo::TileList &tiles = document.tileData()->matrices();
    for (const mosavo::TileChange &change : import.tileChanges) {
        if (change.tile < 0 || size_t(change.tile) >= tiles.size())
            continue;
        mosavo::MatrixPtr &tile = tiles[size_t(change.tile)];
        if (!tile || tile->rows() != 8 || tile->columns() != 8)
            tile = mosavo::Matrix::make(8, 8);
        mosavo::TileChange before { change.tile, {} };
        for (size_t i = 0; i < change.pixels.size(); ++i) {
            before.pixels[i] = uint8_t(tile->cells()[i]);
            tile->cells()[i] = change.pixels[i];
        }
        undo.tiles.push_back(before);
    }

    auto palettes = document.palettes().value_or(std::vector<mosavo::PalettePtr> {});
    while (palettes.size() < subPaletteCount)
        palettes.push_back(std::make_shared<mosavo::NESPalette>());
    for (size_t k = 0; k < import.subPalettes.size() && spriteSubPaletteBase + k < subPaletteCount; ++k) {
        mosavo::PalettePtr &palette = palettes[spriteSubPaletteBase + k];
        if (!palette)
            palette = std::make_shared<mosavo::NESPalette>();
        const auto stored = storedColors(palette);
        int64_t backdrop = import.backdrop;
        if (stored && !stored->empty() && stored->front().colorCode >= 0 && stored->front().colorCode <= 0x3F)
            backdrop = stored->front().colorCode;
        const auto &colors = import.subPalettes[k];
        const auto made = mosavo::NESPalette::fromData({ uint8_t(backdrop), colors[0], colors[1], colors[2] });
        if (!made)
            continue;
        undo.palettes.emplace_back(spriteSubPaletteBase + k, stored);
        palette->setPalette(made->palette());
    }
    document.setPalettes(std::move(palettes));
    document.metasprites().push_back(import.metasprite);
    document.setSpritePatternTable(import.spritePatternTable);
    document.setTallSprites(import.tall);
    return undo;
}

void undoSpriteImport(EditorViewControllerSettings &document, const SpriteImportUndo &undo)
{
    if (!document.metasprites().empty())
        document.metasprites().pop_back();
    document.setSpritePatternTable(undo.spritePatternTable);
    document.setTallSprites(undo.tall);
    mosavo::TileList &tiles = document.tileData()->matrices();
    for (auto change = undo.tiles.rbegin(); change != undo.tiles.rend(); ++change)
        if (change->tile >= 0 && size_t(change->tile) < tiles.size() && tiles[size_t(change->tile)])
            for (size_t i = 0; i < change->pixels.size(); ++i)
                tiles[size_t(change->tile)]->cells()[i] = change->pixels[i];
    auto palettes = document.palettes().value_or(std::vector<mosavo::PalettePtr> {});
    for (const auto &[index, colors] : undo.palettes) {
        if (index >= palettes.size())
            continue;
        if (colors)
            palettes[index]->setPalette(*colors);
        else
            palettes[index] = std::make_shared<mosavo::NESPalette>();
    }
    if (!undo.paletteCount)
        document.setPalettes(std::nullopt);
    else {
        palettes.resize(std::min(palettes.size(), *undo.paletteCount));
        document.setPalettes(std::move(palettes));
    }
}

} // namespace kestova
