#include "app/levels/LevelActions.h"

#include "app/screens/ScreenImport.h"
#include "app/tiles/EditorViewController.h"
#include "app/window/MainMosavoWindow.h"
#include "ui_MainMosavo.h"
#include "viewer/TileCollection.h"

namespace kestova {

using namespace mosavo;

std::optional<std::array<uint8_t, 4>> LevelActions::blockTiles(const MetatileSet &set) const
{
    const SettingsPtr s = settings();
    const auto &rows = window_->ui().tileCollection->selectedTileIDs();
    if (!s || !s->tileData() || rows.size() < 2 || rows[0].size() < 2 || rows[1].size() < 2) {
        status(QStringLiteral("Select a block of 2 x 2 tiles in the tile viewer to use it as a metatile"));
        return std::nullopt;
    }
    const auto first = screenBankFirstTile(*s->tileData());
    const int64_t tableStart = (std::holds_alternative<int64_t>(first) ? std::get<int64_t>(first) : 0)
        + int64_t(set.patternTable) * PatternTables::tilesPerTable;
    std::array<uint8_t, 4> tiles {};
    for (size_t y = 0; y < 2; ++y)
        for (size_t x = 0; x < 2; ++x) {
            const int64_t number = rows[y][x];
            if (number < tableStart || number >= tableStart + PatternTables::tilesPerTable) {
                status(QStringLiteral("Tile %1 is not in the set's pattern table (tiles %2-%3)")
                           .arg(number)
                           .arg(tableStart)
                           .arg(tableStart + PatternTables::tilesPerTable - 1));
                return std::nullopt;
            }
            tiles[y * 2 + x] = uint8_t(number - tableStart);
        }
    return tiles;
}

bool LevelActions::addBlockAsMetatile()
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0) {
        status(QStringLiteral("No map is shown to add a metatile to"));
        return false;
    }
    LevelState after = state();
    MetatileSet &set = after.sets[size_t(after.maps[size_t(current_)].metatileSet)];
    if (set.metatiles.size() >= MetatileSet::maximumMetatiles) {
        status(QStringLiteral("The set holds 256 metatiles already"));
        return false;
    }
    const int subPalette = window_->editorViewController->currentSubPalette();
    if (subPalette < 0 || subPalette > 3) {
        status(QStringLiteral("Sub-palette %1 is a sprite sub-palette; a metatile takes a background one (0-3)")
                   .arg(subPalette));
        return false;
    }
    const auto tiles = blockTiles(set);
    if (!tiles)
        return false;
    Metatile metatile;
    metatile.tiles = *tiles;
    metatile.subPalette = uint8_t(subPalette);
    set.metatiles.push_back(metatile);
    const int added = int(set.metatiles.size()) - 1;
    push(std::move(after), QStringLiteral("Add Metatile"));
    chooseMetatile(added);
    return true;
}

bool LevelActions::setMetatileTilesFromBlock()
{
    const int chosen = setView_->chosen();
    if (!settings() || current_ < 0 || chosen < 0) {
        status(QStringLiteral("Choose a metatile in the Levels dock to set its tiles"));
        return false;
    }
    LevelState after = state();
    MetatileSet &set = after.sets[size_t(after.maps[size_t(current_)].metatileSet)];
    const auto tiles = blockTiles(set);
    if (!tiles)
        return false;
    Metatile &metatile = set.metatiles[size_t(chosen)];
    if (metatile.tiles == *tiles) {
        status(QStringLiteral("Metatile %1 shows these tiles already").arg(chosen));
        return false;
    }
    metatile.tiles = *tiles;
    push(std::move(after), QStringLiteral("Set Metatile Tiles"));
    status(QStringLiteral("Metatile %1: tiles $%2 $%3 $%4 $%5")
               .arg(chosen)
               .arg((*tiles)[0], 2, 16, QLatin1Char('0'))
               .arg((*tiles)[1], 2, 16, QLatin1Char('0'))
               .arg((*tiles)[2], 2, 16, QLatin1Char('0'))
               .arg((*tiles)[3], 2, 16, QLatin1Char('0')));
    return true;
}

bool LevelActions::setMetatileSubPalette(int subPalette)
{
    const int chosen = setView_->chosen();
    if (!settings() || current_ < 0 || chosen < 0 || subPalette < 0 || subPalette > 3)
        return false;
    LevelState after = state();
    Metatile &metatile = after.sets[size_t(after.maps[size_t(current_)].metatileSet)].metatiles[size_t(chosen)];
    if (metatile.subPalette == subPalette)
        return false;
    metatile.subPalette = uint8_t(subPalette);
    push(std::move(after), QStringLiteral("Set Metatile Sub-palette"));
    return true;
}

bool LevelActions::moveMetatile(int delta)
{
    const int chosen = setView_->chosen();
    if (!settings() || current_ < 0 || chosen < 0)
        return false;
    LevelState after = state();
    const int setIndex = after.maps[size_t(current_)].metatileSet;
    std::vector<Metatile> &metatiles = after.sets[size_t(setIndex)].metatiles;
    const int other = chosen + delta;
    if (other < 0 || other >= int(metatiles.size()))
        return false;
    std::swap(metatiles[size_t(chosen)], metatiles[size_t(other)]);
    for (LevelMap &map : after.maps) {
        if (map.metatileSet != setIndex)
            continue;
        for (uint8_t &cell : map.cells) {
            if (cell == chosen)
                cell = uint8_t(other);
            else if (cell == other)
                cell = uint8_t(chosen);
        }
    }
    push(std::move(after), QStringLiteral("Move Metatile"));
    chooseMetatile(other);
    return true;
}

int LevelActions::deleteUnusedMetatiles()
{
    const SettingsPtr s = settings();
    if (!s || current_ < 0)
        return 0;
    LevelState after = state();
    const int setIndex = after.maps[size_t(current_)].metatileSet;
    MetatileSet &set = after.sets[size_t(setIndex)];
    std::vector<bool> used(set.metatiles.size(), false);
    for (const LevelMap &map : after.maps)
        if (map.metatileSet == setIndex)
            for (uint8_t cell : map.cells)
                if (cell < used.size())
                    used[cell] = true;
    std::vector<int> renumbered(set.metatiles.size(), 0);
    std::vector<Metatile> kept;
    for (size_t i = 0; i < set.metatiles.size(); ++i)
        if (used[i]) {
            renumbered[i] = int(kept.size());
            kept.push_back(set.metatiles[i]);
        }
    const int removed = int(set.metatiles.size() - kept.size());
    if (removed == 0) {
        status(QStringLiteral("Every metatile of the set is used"));
        return 0;
    }
    set.metatiles = std::move(kept);
    for (LevelMap &map : after.maps)
        if (map.metatileSet == setIndex)
            for (uint8_t &cell : map.cells)
                if (cell < renumbered.size())
                    cell = uint8_t(renumbered[cell]);
    push(std::move(after), QStringLiteral("Delete Unused Metatiles"));
    setView_->setChosen(-1);
    refresh();
    status(QStringLiteral("Deleted %1 unused metatiles").arg(removed));
    return removed;
}

} // namespace kestova
