#pragma once

#include "app/document/EditorViewControllerSettings.h"
#include "convert/LossyScreenConversion.h"
#include "convert/SpriteConversion.h"
#include "core/FrameRenderer.h"

#include <QImage>
#include <QString>

#include <optional>
#include <variant>

namespace kestova {

// A picture made into a metasprite of a document: the window's Sprite > Import Sprite Picture and the command line's
// --import-sprite-png alike.

struct SpriteImportOptions
{
    bool tall = false;
    // The picture position that becomes offset (0, 0).
    int originX = 0;
    int originY = 0;
    // The metasprite's name; "Metasprite N" (N its position counted from 1) when empty.
    QString name;
    // A palette file's 32 colour numbers: its sprite sub-palettes 4-7 are the ones the picture must use, its byte 0
    // the universal background colour. Without it the sub-palettes are found.
    std::optional<mosavo::PaletteBytes> palette;
    // The sprite pattern table; the document's when absent.
    std::optional<int> spritePatternTable;
    // With lossy settings, any picture is converted into what sprites can show; without, its colours are matched as
    // a whole to the display colours, a colour too far from all of them refused with farColorAdvice.
    std::optional<mosavo::LossySettings> lossy;
    std::string farColorAdvice = "convert it with --lossy";
};

// The metasprite a picture makes for a document and what it changes besides.
struct SpriteImport
{
    mosavo::Metasprite metasprite;
    // The document tiles the import draws, in the 8 KiB bank sprites read (a ROM's first CHR-ROM bank, else 0-511).
    std::vector<mosavo::TileChange> tileChanges;
    // The new colours 1-3 of sub-palettes 4, 5, ... (as many as the picture uses or the palette gives).
    std::vector<mosavo::SubPaletteColors> subPalettes;
    // Colour 0 of sub-palettes 4-7 where the document's have none: the universal background colour when known, else
    // black ($0F).
    uint8_t backdrop = 0x0F;
    int spritePatternTable = 1;
    bool tall = false;
    // For a lossy import: the tiles it used and how near it comes to the picture.
    std::optional<mosavo::ConversionQuality> quality;
};

// The universal background colour a document is known to show: colour 0 of its sub-palette 0, when that holds
// colours.
std::optional<uint8_t> documentBackdrop(const EditorViewControllerSettings &document);

// Why the sprite pattern table the options ask for cannot be used with the document, or nothing: the document's 8x8
// metasprites read their tiles from its sprite pattern table, and an import into another would re-point them.
std::optional<QString> spriteTableConflict(
    const EditorViewControllerSettings &document, const SpriteImportOptions &options);

// Converts the picture for the document without changing it. Pixels of alpha 0, or of the universal background colour
// (the palette's byte 0, else documentBackdrop), are empty; colours are matched as a whole to the current display
// colours (or, with options.lossy, the picture converted). Without a palette, a document that holds metasprites has the
// picture tried in its own sub-palettes 4-7 first (those with colours, from 4 on), so its metasprites keep their
// colours; a picture that does not fit them has colours found for the sub-palettes no metasprite uses, and is refused
// when those are too few. New tiles go to blank tiles of the sprite pattern table that no screen or metasprite uses and
// that the document has. Refused (the reason) as convertSpritePicture refuses, and when the document already holds
// metasprites of the other sprite size or (spriteTableConflict) of another sprite pattern table.
std::variant<SpriteImport, QString> convertSpriteImage(
    const QImage &image, const EditorViewControllerSettings &document, const SpriteImportOptions &options);

// The sub-palettes a new document made for the import starts with: the readable ones, their universal background
// colour one the picture does not show (so that the document's sprites read the same picture again).
std::vector<mosavo::PalettePtr> newDocumentPalettes(const SpriteImport &import);

// What an import changed, as it was before, to put the document back (the window's undo).
struct SpriteImportUndo
{
    // The tiles drawn, with their pixels before.
    std::vector<mosavo::TileChange> tiles;
    // The sub-palettes given colours, with their colours before (nothing for one that had none: it is replaced by a
    // new sub-palette without colours).
    std::vector<std::pair<size_t, std::optional<std::vector<mosavo::ColorEntry>>>> palettes;
    // How many sub-palettes the document had (an import fills the list up to eight).
    std::optional<size_t> paletteCount;
    int spritePatternTable = 1;
    bool tall = false;
};

// Puts the import into the document: draws its tiles, gives sub-palettes 4 on their colours (colour 0 kept where the
// document has one), appends the metasprite and takes its sprite pattern table and size. Returns what it changed.
SpriteImportUndo applySpriteImport(EditorViewControllerSettings &document, const SpriteImport &import);
// Takes an applied import back out: removes the last metasprite and restores what undo holds.
void undoSpriteImport(EditorViewControllerSettings &document, const SpriteImportUndo &undo);

} // namespace kestova
