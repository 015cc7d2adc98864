#pragma once

#include "formats/ScreenFormat.h"

namespace mosavo {

// A bare nametable file (.nam): 1024 bytes, the 960 tile numbers then the 64 attribute bytes, or 960 bytes of tile
// numbers alone (the attributes then all 0). Written as 1024 bytes.
class NametableFormat : public ScreenFormat
{
public:
    std::string name() const override { return "nametable"; }
    FormatResult<Screen> read(const Bytes &bytes) const override;
    FormatResult<Bytes> write(const Screen &screen) const override;
};

} // namespace mosavo
