#pragma once

#include "app/cli/ArgumentParser.h"
#include "app/document/EditorViewControllerSettings.h"
#include "app/document/FileIO.h"
#include "core/Bytes.h"

#include <QString>

#include <variant>

namespace kestova::cli {

inline const QString mapOption = QStringLiteral("--map");
inline const QString roomOption = QStringLiteral("--room");

// The map --map N picks (default 0) of the document at path, or why there is none.
std::variant<const mosavo::LevelMap *, FileError> chosenLevelMap(
    const QString &path, const EditorViewControllerSettings &document, const ParsedArguments &arguments);

// The .nam bytes of room --room R (default 0) of map --map N: its attributes from the metatiles' sub-palettes.
std::variant<mosavo::Bytes, FileError> levelRoomNametable(
    const QString &path, const EditorViewControllerSettings &document, const ParsedArguments &arguments);

struct CommandFamily;
// --export-tiled and --import-tiled, added to the family of level commands.
void addTiledCommands(CommandFamily &family);

} // namespace kestova::cli
