#pragma once

#include "app/document/EditorViewControllerSettings.h"
#include "app/document/FileIO.h"
#include "app/document/PictureFiles.h"

#include <QString>

#include <optional>
#include <variant>

namespace kestova::cli {

// The palette options other families take: --palette PAL and --sub-palette N.
inline const QString paletteOption = QStringLiteral("--palette");
inline const QString subPaletteOption = QStringLiteral("--sub-palette");

// The colours of colour index 0-3: sub-palette index of the palette file at path, which holds all eight sub-palettes
// (32 bytes) or the background half, sub-palettes 0-3 (16 bytes).
std::variant<mosavo::TileColors, FileError> readSubPalette(const QString &path, int index);

// The colours of colour index 0-3 from a sub-palette of a document (sub-palette 0 when none is asked for). A colour
// the sub-palette lacks (it holds fewer than four, or none when it was saved before it was ever shown) or whose number
// is not a master colour number is taken from the grey palette, so the picture still shows every tile. A sub-palette
// asked for that the document does not have is an error; a document without any sub-palette draws in grey.
std::variant<mosavo::TileColors, FileError> documentSubPalette(
    const QString &path, const EditorViewControllerSettings &document, std::optional<int> asked);

} // namespace kestova::cli
