#pragma once

#include "core/Bytes.h"
#include "formats/FormatResult.h"
#include "formats/ScreenToolSession.h"

#include <optional>
#include <string>
#include <string_view>

namespace mosavo {

// Reads the text session (.nss) of the common Windows screen tool. The file starts with the line NSTssTXT, then
// holds key=value lines. Byte values are written as hex digit pairs, where [n] after a byte stands for that byte n
// times in all (n in hex): "00[f1]01" is 241 zero bytes, then a 1. The keys read:
//   CHRMain        the tiles: whole 4 KiB pattern tables (8 KiB in most sessions)
//   Palette        16 bytes of four sub-palettes, or 64 bytes of four such sets, VarPalBank (0-3) the one in use
//   NameTable      960 tile numbers (VarNameW x VarNameH must be 32 x 30 when given)
//   AttrTable      64 attribute bytes (all 0 when missing)
//   MetaSprites    where present: 256 bytes a metasprite, 64 sprites of Y, tile, attributes, X each, placed from
//                  (VarSpriteGridX, VarSpriteGridY) (64, 64 when missing); a sprite of Y $FF is unused. A metasprite
//                  with sprites is kept, named by MetaSpriteN= or "metasprite_N"
//   BtnSprite8x16  1 for 8x16 sprites
//   BtnChrBank2    1 when the screen reads pattern table 1
// Anything else is passed over. A session that lacks CHRMain, Palette or NameTable, or holds one of the keys above in
// a form it cannot read, is refused with the key and the reason.
class ScreenToolSessionReader
{
public:
    static FormatResult<ScreenToolSession> read(const Bytes &bytes);

    // The bytes of one value, at most limit of them, or nothing with the reason in whyNot.
    static std::optional<Bytes> decodeBytes(std::string_view value, size_t limit, std::string *whyNot);
};

} // namespace mosavo
