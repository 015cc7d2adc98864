#pragma once

#include "core/Bytes.h"
#include "core/Screen.h"
#include "formats/FormatResult.h"

#include <string>

namespace mosavo {

// One kind of file that holds a screen (nametable and attributes): read from its bytes, written back to the same
// bytes. A screen read from a file has no name and reads pattern table 0; the caller sets both.
class ScreenFormat
{
public:
    virtual ~ScreenFormat() = default;

    // A short description for dialogs and messages ("nametable", "RLE nametable").
    virtual std::string name() const = 0;
    virtual FormatResult<Screen> read(const Bytes &bytes) const = 0;
    virtual FormatResult<Bytes> write(const Screen &screen) const = 0;
};

} // namespace mosavo
