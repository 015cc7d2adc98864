#pragma once

#include "formats/ScreenFormat.h"

namespace mosavo {

// A nametable packed with the RLE that NES libraries unpack straight into the PPU (core/Rle.h): it must unpack to
// 1024 bytes (tiles and attributes) or 960 (tiles only). Bytes after the end mark are not read. Written as the 1024
// bytes packed, as the nametable export packs them.
class RleNametableFormat : public ScreenFormat
{
public:
    std::string name() const override { return "RLE nametable"; }
    FormatResult<Screen> read(const Bytes &bytes) const override;
    FormatResult<Bytes> write(const Screen &screen) const override;
};

} // namespace mosavo
