#pragma once

#include "app/tiles/ReplacePalettesCommand.h"
#include "app/tiles/ReplaceTileDataCommand.h"
#include "app/tiles/ReplaceTilesCommand.h"
#include "app/tiles/SetPaletteEntryCommand.h"

// Undoable edits of a document. Each holds what it replaced and what replaced it, applies itself in redo() (also
// when first pushed) and asks the controller to refresh the views it touched.
