#pragma once

#include "app/document/EditorViewControllerSettings.h"
#include "app/document/FileIO.h"
#include "core/FrameRenderer.h"
#include "palette/DisplayColors.h"

#include <QString>

#include <nlohmann/json.hpp>

#include <optional>
#include <variant>

namespace kestova::cli {

struct ParsedArguments;

// --display-palette FILE: the display colours of every PNG picture written (and of pictures read as screens).
inline const QString displayPaletteOption = QStringLiteral("--display-palette");

// The display colours --display-palette names (192 or 1536 bytes), or the current ones (the master table) without it.
std::variant<mosavo::DisplayColors, FileError> chosenDisplayColors(const ParsedArguments &arguments);

// The palette file at path as 32 palette bytes: 32 colour numbers, or 16 (the background half; the sprite half is
// then the viewer's greys). halfOnly receives whether it held 16.
std::variant<mosavo::PaletteBytes, FileError> readPaletteBytes(const QString &path, bool *halfOnly = nullptr);

// Adds what --info tells of a document's screens and metasprites: "screens" (name, patternTable, distinctTiles) and
// "metasprites" (name, sprites, mostOnOneLine), each only when the document has some.
void addGraphicsInfo(nlohmann::ordered_json &info, const EditorViewControllerSettings &document);

} // namespace kestova::cli
