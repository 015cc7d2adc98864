#include "app/levels/LevelImport.h"

#include "app/document/PictureFiles.h"
#include "app/screens/ScreenImport.h"
#include "convert/LossyLevelConversion.h"
#include "convert/SpriteConversion.h"
#include "formats/PictureCodec.h"

#include <algorithm>
#include <map>

namespace kestova {

using namespace mosavo;

std::variant<PatternTables, QString> levelPatternTables(const EditorViewControllerSettings &document)
{
    if (!document.tileData())
        return QStringLiteral("the document holds no tiles");
    const auto first = screenBankFirstTile(*document.tileData());
    if (const auto *reason = std::get_if<QString>(&first))
        return *reason;
    return PatternTables::fromTiles(*document.tileData(), std::get<int64_t>(first));
}

std::variant<QImage, QString> readLevelPicture(const Bytes &bytes)
{
    return readPicture(bytes, [](QSize size) -> std::optional<QString> {
        if (const auto refusal = levelPictureSizeRefusal(size.width(), size.height()))
            return QString::fromStdString(*refusal);
        return std::nullopt;
    });
}

std::variant<LevelConversion, QString> convertLevelImage(const QImage &image,
    const EditorViewControllerSettings &document, const DisplayColors &colors, int emphasis,
    const std::optional<BackgroundSubPalettes> &subPalettes, int patternTable, const std::string &name,
    const std::optional<LossySettings> &lossy)
{
    auto patterns = levelPatternTables(document);
    if (const auto *reason = std::get_if<QString>(&patterns))
        return *reason;
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    const int64_t bankStart = std::get<int64_t>(screenBankFirstTile(*document.tileData()));
    const ScreenPictureRequest request = documentPictureRequest(rgba, document, std::get<PatternTables>(patterns),
        bankStart, colors, emphasis, subPalettes, patternTable, name);
    auto result = lossy ? convertLevelPictureLossy(request, *lossy) : convertLevelPicture(request);
    if (!result)
        return QString::fromStdString(result.error);
    return std::move(*result.conversion);
}

void applyLevelConversion(EditorViewControllerSettings &document, LevelConversion conversion)
{
    ScreenConversion tiles;
    tiles.screen.patternTable = conversion.set.patternTable;
    tiles.tileChanges = conversion.tileChanges;
    tiles.subPalettes = conversion.subPalettes;
    applyScreenConversion(document, tiles);
    document.screens().pop_back(); // only its tiles and sub-palettes were wanted
    conversion.map.metatileSet = int(document.metatileSets().size());
    document.metatileSets().push_back(std::move(conversion.set));
    document.levelMaps().push_back(std::move(conversion.map));
}

std::optional<QString> makeMetatilesFromScreen(EditorViewControllerSettings &document, size_t index)
{
    if (index >= document.screens().size())
        return QStringLiteral("the document has no screen %1").arg(index);
    const Screen &screen = document.screens()[index];
    MetatileSet set;
    set.name = screen.name;
    set.patternTable = screen.patternTable;
    LevelMap map = LevelMap::blank(screen.name, int(document.metatileSets().size()), 1, 1);
    std::map<std::pair<std::array<uint8_t, 4>, int>, int> seen;
    for (int row = 0; row < LevelMap::roomRows; ++row)
        for (int column = 0; column < LevelMap::roomColumns; ++column) {
            Metatile metatile;
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 2; ++x)
                    metatile.tiles[size_t(y * 2 + x)] = screen.tileAt(column * 2 + x, row * 2 + y);
            metatile.subPalette = uint8_t(screen.subPaletteAt(column * 2, row * 2));
            const auto [entry, added]
                = seen.emplace(std::pair { metatile.tiles, int(metatile.subPalette) }, int(set.metatiles.size()));
            if (added)
                set.metatiles.push_back(metatile);
            map.setAt(column, row, uint8_t(entry->second & 0xFF));
        }
    document.metatileSets().push_back(std::move(set));
    document.levelMaps().push_back(std::move(map));
    return std::nullopt;
}

} // namespace kestova
