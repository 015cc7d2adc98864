#pragma once

namespace kestova {

class MosavoDocument;

// File > Export Tiles as PNG...: every tile of the document as an indexed PNG sheet, 16 tiles a row, in the order the
// viewer shows them (8x8 rows or 8x16 sprites) and in the colours it shows them (the current sub-palette or grey).
void exportTilesAsPng(MosavoDocument *document);

// File > Import Tiles from PNG...: reads a PNG tile sheet (RGB pictures in the current sub-palette's colours or in
// greys) and puts its tiles into the document as one undoable step. A picture no larger than the block in the editor
// goes into that block, tile for tile; a larger one is placed tile after tile from a tile number the user confirms
// (the block's first tile is offered), in the viewer's order. Blank tiles past the last tile are dropped; any other
// tile that does not fit refuses the import.
void importTilesFromPng(MosavoDocument *document);

} // namespace kestova
