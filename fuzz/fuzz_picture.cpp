// The one picture reader (formats/PictureCodec's readPicture: PNG, BMP, GIF's first frame, JPEG) over any bytes: it
// never crashes, a picture it returns has the size its header declared within the bound asked for, bytes that are
// none of the four kinds are refused, and PNG bytes read as readPng reads them.
#include "FuzzSupport.h"

#include "formats/PictureCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace mosavo;
    // Larger inputs only slow the run: every kind's header and first blocks fit.
    if (size > 16384)
        return 0;
    const Bytes input = fuzz::bytesOf(data, size);
    constexpr int side = 256;
    const auto bounded = [](QSize found) -> std::optional<QString> {
        if (found.width() > side || found.height() > side)
            return QStringLiteral("too large");
        return std::nullopt;
    };
    const auto read = readPicture(input, bounded);
    if (const auto *image = std::get_if<QImage>(&read)) {
        fuzz::require(!image->isNull() && image->width() > 0 && image->height() > 0, "a picture has pixels");
        fuzz::require(image->width() <= side && image->height() <= side, "a picture within the bound");
    } else {
        fuzz::require(!std::get<QString>(read).isEmpty(), "a refusal says why");
    }
    const bool png = size >= 8 && data[0] == 0x89 && data[1] == 'P' && data[2] == 'N' && data[3] == 'G';
    if (png) {
        const auto asPng = readPng(input, bounded);
        fuzz::require(asPng.index() == read.index(), "PNG bytes read as readPng reads them");
    }
    const bool known = png || (size >= 2 && data[0] == 'B' && data[1] == 'M')
        || (size >= 6 && data[0] == 'G' && data[1] == 'I' && data[2] == 'F')
        || (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF);
    if (!known)
        fuzz::require(std::holds_alternative<QString>(read), "bytes of no picture kind are refused");
    return 0;
}
