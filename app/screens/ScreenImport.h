#pragma once

#include "app/document/EditorViewControllerSettings.h"
#include "convert/LossyScreenConversion.h"
#include "convert/ScreenConversion.h"
#include "core/FrameRenderer.h"
#include "core/PatternTables.h"
#include "palette/DisplayColors.h"

#include <QImage>
#include <QString>

#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace kestova {

// Screens and frames of a document as pictures, and pictures made into screens: shared by the window and the
// command line.

// The first tile of the 8 KiB bank a document's screens read: for tiles of an iNES ROM image the first CHR-ROM tile,
// else tile 0. The reason when there is none (a ROM image without CHR-ROM).
std::variant<int64_t, QString> screenBankFirstTile(const mosavo::TileData &tiles);

// The 32 palette bytes of a document's eight sub-palettes; a colour a sub-palette lacks (it has none until first
// shown, or fewer than four) is taken from the viewer's greys 0x30, 0x10, 0x00, 0x0F.
mosavo::PaletteBytes documentPaletteBytes(const EditorViewControllerSettings &document);
// The four background sub-palettes of palette bytes (bytes 0-15).
mosavo::BackgroundSubPalettes backgroundSubPalettes(const mosavo::PaletteBytes &bytes);
// The viewer's greys in all eight sub-palettes.
mosavo::PaletteBytes greyPaletteBytes();

// A frame in RGB (transparentColor pixels transparent) in the display colours under emphasis.
QImage frameImage(const mosavo::FramePicture &frame, const mosavo::DisplayColors &colors, int emphasis);

// Why the picture file cannot become a screen by its size alone ("PATH: the picture is W x H pixels; ..."), read from
// its header before any pixel is; nothing when it is 256 x 240 or its size cannot be told without reading it.
std::optional<QString> screenPictureFileSizeRefusal(const QString &path);

// How a picture's colours are read: matched as a whole to the display colours (a screenshot drawn in another
// emulator's colours comes back as the console's colour numbers; a colour too far from all of them is refused with
// farColorAdvice), or, with lossy settings, converted into whatever the console can show.
struct PictureReading
{
    std::optional<mosavo::LossySettings> lossy;
    std::string farColorAdvice = "convert it with --lossy";
};

// The colour numbers a document's sub-palettes hold, the background ones first: where several numbers show one
// display colour, a picture's colour is read as the one the document already uses.
std::vector<uint8_t> documentColorNumbers(const EditorViewControllerSettings &document);

// The tiles (0-255) of pattern table `table` that anything in the document shows: screens, metasprites, metatiles.
std::bitset<256> documentTilesInUse(const EditorViewControllerSettings &document, int table);

// A request to convert the picture (8-bit RGBA, as QImage::Format_RGBA8888 holds it) for pattern table patternTable
// of the document's screen bank, whose first tile is bankStart and whose tiles are patterns: as many tiles as the
// table holds, those the document shows in use, colours fitted with the document's own colour numbers first. The
// request reads the picture's pixels, patterns and colors, which must outlive it.
mosavo::ScreenPictureRequest documentPictureRequest(const QImage &rgba, const EditorViewControllerSettings &document,
    const mosavo::PatternTables &patterns, int64_t bankStart, const mosavo::DisplayColors &colors, int emphasis,
    const std::optional<mosavo::BackgroundSubPalettes> &subPalettes, int patternTable, const std::string &name);

// The screen converted from a picture (any QImage format) for the document, reading pattern table patternTable of
// its screen bank: the conversion or the reason it was refused. Without sub-palettes given, a document that has
// screens first has the picture tried in its own sub-palettes 0-3, so that its screens keep their colours; others are
// found only when it does not fit them.
std::variant<mosavo::ScreenConversion, QString> convertScreenImage(const QImage &image,
    const EditorViewControllerSettings &document, const mosavo::DisplayColors &colors, int emphasis,
    const std::optional<mosavo::BackgroundSubPalettes> &subPalettes, int patternTable, const std::string &name,
    const PictureReading &reading = {});

// The same for a picture file (PNG, BMP, GIF or JPEG, read by readPicture): the reason names the file when it cannot
// be read.
std::variant<mosavo::ScreenConversion, QString> convertScreenPictureFile(const QString &path,
    const EditorViewControllerSettings &document, const mosavo::DisplayColors &colors, int emphasis,
    const std::optional<mosavo::BackgroundSubPalettes> &subPalettes, int patternTable, const std::string &name,
    const PictureReading &reading = {});
// A picture file read for a screen (refused by its size before its pixels are read), or the reason naming the file.
std::variant<QImage, QString> readScreenPictureFile(const QString &path);

// Sets the document's first count sub-palettes (at most eight) to those of bytes; sub-palettes it lacks, or that hold
// no colours yet, take PaletteFactory::readable's, so that it has a whole palette file.
void setDocumentSubPalettes(EditorViewControllerSettings &document, const mosavo::PaletteBytes &bytes, size_t count);

// Puts a conversion into the document: its tiles written into the screen bank, its sub-palettes as the document's
// sub-palettes 0-3 (4-7 kept; those it lacks or that hold no colours yet take PaletteFactory::readable's), its screen
// added last.
void applyScreenConversion(EditorViewControllerSettings &document, const mosavo::ScreenConversion &conversion);

} // namespace kestova
