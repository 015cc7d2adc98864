// The reader of the screen tool's text sessions.
// - Every input is read or refused with a reason, and no value unpacks to more bytes than its key may hold (the
//   fuzzer's memory limit catches a reader that makes a value's copies before counting them).
// - A session read holds whole 4 KiB pattern tables, one set of sub-palettes for the background and the sprites of
//   NES colour numbers, a screen of a table the tiles have, and metasprites that each have sprites within -128..127.
#include "FuzzSupport.h"

#include "formats/ScreenToolSessionReader.h"

#include <algorithm>

namespace {
using namespace mosavo;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto read = ScreenToolSessionReader::read(fuzz::bytesOf(data, size));
    fuzz::require(read.value.has_value() == read.error.empty(), "a session or a reason");
    if (!read)
        return 0;
    const ScreenToolSession &session = *read.value;
    fuzz::require(!session.tiles.empty() && session.tiles.size() % 4096 == 0, "whole pattern tables");
    fuzz::require(
        session.tiles.size() >= size_t(session.screen.patternTable + 1) * 4096, "the screen's table is there");
    fuzz::require(std::equal(session.palette.begin(), session.palette.begin() + 16, session.palette.begin() + 16),
        "the sprites' sub-palettes are the background's");
    fuzz::require(std::all_of(session.palette.begin(), session.palette.end(), [](uint8_t c) { return c <= 0x3F; }),
        "NES colour numbers");
    for (const Metasprite &metasprite : session.metasprites) {
        fuzz::require(!metasprite.sprites.empty() && metasprite.sprites.size() <= 64, "1 to 64 sprites");
        for (const MetaspriteSprite &sprite : metasprite.sprites)
            fuzz::require(sprite.x >= -128 && sprite.x <= 127 && sprite.y >= -128 && sprite.y <= 127, "offsets");
    }
    return 0;
}
