#pragma once

namespace kestova {

class MosavoDocument;

// File > Export Tiles as PNG...: every tile of the document as an indexed PNG sheet, 16 tiles a row, in the order the
// viewer shows them (8x8 rows or 8x16 sprites) and in the colours it shows them (the current sub-palette or grey).
void exportTilesAsPng(MosavoDocument *document);

// File > Import Tiles from PNG...: reads a PNG tile sheet (RGB pictures in the current sub-palette's colours or in
// greys, or in up to four colours each nearest to a different colour of the current sub-palette) and puts its tiles
// into the document as one undoable step. A picture no larger than the block in the editor goes into that block, tile
// for tile; a larger one is placed tile after tile from a tile number the user confirms (the block's first tile is
// offered), in the viewer's order. Blank tiles past the last tile are dropped; any other tile that does not fit refuses
// the import.
void importTilesFromPng(MosavoDocument *document);

// Edit > Paste of a picture from another program (the clipboard holds a picture and no Kestova tiles): read by the
// rules of Import Tiles from PNG and laid over the block from its top-left pixel, cut to the block, as one undoable
// step; the status bar says how its colours were read. A picture that cannot be read is refused with the reason and
// the block stays. False when the clipboard holds no picture.
bool pasteClipboardImage(MosavoDocument *document);

} // namespace kestova
