#pragma once

#include "convert/SourceWriters.h"
#include "core/Metasprite.h"

#include <string_view>
#include <vector>

namespace mosavo {

// A document's animations as source for the NES build. Each animation is a list of frames named after the animation
// (sourceIdentifiers, made unique beside the metasprite tables' names and NAME); a frame is the address of its
// metasprite's table (named as the metasprite export names it, metaspriteTableLabels) and how many frames (1/60 s)
// it shows, 3 bytes: the address, low byte first, then the duration. A frame of address 0 and duration 0 ends the
// list. NAME is the table of the animations' addresses, in document order.
//   ca65:  .import hero_walk_0, hero_walk_1      C:  struct NAME_frame { const unsigned char* metasprite;
//          .export NAME, walk                                            unsigned char duration; };
//          walk:                                     extern const unsigned char hero_walk_0[]; ...
//              .word hero_walk_0                     const struct NAME_frame walk[] = {
//              .byte 8                                   { hero_walk_0, 8 },
//              ...                                       { 0, 0 }
//              .word 0                               };
//              .byte 0                               const struct NAME_frame* const NAME[] = {
//          NAME:                                         walk
//              .word walk                            };
// (cc65 lays the C struct out as the same 3 bytes.) The metasprite tables are written by the metasprite export into
// a file of their own, assembled or compiled beside this one. Refused when NAME is not a name the language takes,
// when there are no animations, or when a frame names a metasprite that does not exist or lasts outside 1..255
// frames.
SourceResult animationsSource(std::string_view name, const std::vector<Animation> &animations,
    const std::vector<Metasprite> &metasprites, SourceLanguage language);

} // namespace mosavo
