#pragma once

#include "app/document/EditorViewControllerSettings.h"
#include "app/document/FileIO.h"
#include "app/document/PictureFiles.h"
#include "core/FrameRenderer.h"

#include <QString>

#include <optional>
#include <variant>

namespace kestova::cli {

struct ParsedArguments;

// The palette options other families take: --palette PAL and --sub-palette N.
inline const QString paletteOption = QStringLiteral("--palette");
inline const QString subPaletteOption = QStringLiteral("--sub-palette");
// --bytes 32|16: the size of the palette --export-palette writes, or of the one --palette @OFFSET reads.
inline const QString paletteBytesOption = QStringLiteral("--bytes");

// --palette @OFFSET: the palette is the 32 bytes (16 with --bytes 16, the background half) of FILE from that offset.
struct PaletteInFile
{
    QString file;
    size_t bytes = 32;
};
// Where a run reads @OFFSET palettes from (nothing: no run, or no FILE).
void setPaletteInFile(std::optional<PaletteInFile> source);
// The usage fault of --palette @OFFSET or --bytes (an offset that is no number, no FILE, --bytes with a palette
// file), or nothing.
std::optional<QString> checkPaletteInFile(const ParsedArguments &arguments);
// The palette @OFFSET names as 32 palette bytes (the sprite half in the viewer's greys after a 16-byte one), or why
// not, naming FILE.
std::variant<mosavo::PaletteBytes, FileError> readPaletteInFile(const QString &argument, bool *halfOnly);

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
