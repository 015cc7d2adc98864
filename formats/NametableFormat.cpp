#include "formats/NametableFormat.h"

namespace mosavo {

FormatResult<Screen> NametableFormat::read(const Bytes &bytes) const
{
    if (bytes.size() != size_t(Screen::nametableSize) && bytes.size() != size_t(Screen::tileCount))
        return FormatResult<Screen>::failure("a nametable file holds 1024 bytes (tiles and attributes) or 960 (tiles "
                                             "only), not "
            + std::to_string(bytes.size()));
    std::string why;
    auto screen = screenFromNametable(bytes, &why);
    if (!screen)
        return FormatResult<Screen>::failure(why);
    return FormatResult<Screen>::success(std::move(*screen));
}

FormatResult<Bytes> NametableFormat::write(const Screen &screen) const
{
    return FormatResult<Bytes>::success(screen.nametableBytes());
}

} // namespace mosavo
