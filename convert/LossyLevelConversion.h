#pragma once

#include "convert/LevelConversion.h"
#include "convert/LossyScreenConversion.h"

namespace mosavo {

// Converts any picture of whole rooms into a level that obeys every rule of the console, as near the picture as
// convertScreenPictureLossy brings each room: the rooms are converted one after another in one set of sub-palettes
// (the given ones, else those found for the first room), each reusing the tiles the rooms before it made, all of them
// within maxTiles new tiles together; each distinct 2 x 2 area of the rooms so made (its tiles and sub-palette) is a
// metatile, in the order first seen. Refused for a picture that is not whole rooms, a room the pattern table cannot
// take, or a level of more than 256 metatiles (naming the room and block of the first past them).
LevelConversionResult convertLevelPictureLossy(const ScreenPictureRequest &request, const LossySettings &settings);

} // namespace mosavo
