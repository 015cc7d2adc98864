#include "formats/MetaspriteBinaryFormat.h"

#include "convert/MetaspriteExport.h"
#include "formats/MetaspriteTableReader.h"

namespace mosavo {

FormatResult<MetaspriteTables> MetaspriteBinaryFormat::read(const Bytes &bytes) const
{
    using Result = FormatResult<MetaspriteTables>;
    if (bytes.empty())
        return Result::failure("the file is empty: it holds no metasprite table");
    MetaspriteTables tables;
    size_t at = 0;
    while (at < bytes.size()) {
        const size_t index = tables.metasprites.size();
        const size_t start = at;
        Metasprite metasprite { namePrefix_ + "_" + std::to_string(index), {} };
        while (true) {
            if (at >= bytes.size())
                return Result::failure("metasprite " + std::to_string(index) + " (from byte " + std::to_string(start)
                    + ") ends with the file, without the byte 128 that ends a metasprite");
            if (bytes[at] == metaspriteTableEnd) {
                ++at;
                break;
            }
            if (bytes.size() - at < 4)
                return Result::failure("metasprite " + std::to_string(index) + " ends inside its sprite "
                    + std::to_string(metasprite.sprites.size()) + " at byte " + std::to_string(at)
                    + ": a sprite is four bytes (x, y, tile, attributes)");
            metasprite.sprites.push_back(
                MetaspriteTableReader::sprite(bytes[at], bytes[at + 1], bytes[at + 2], bytes[at + 3]));
            at += 4;
        }
        tables.metasprites.push_back(std::move(metasprite));
    }
    return Result::success(std::move(tables));
}

FormatResult<Bytes> MetaspriteBinaryFormat::write(const std::vector<Metasprite> &metasprites, std::string_view) const
{
    std::string why;
    auto bytes = metaspriteTablesBinary(metasprites, &why);
    if (!bytes)
        return FormatResult<Bytes>::failure(why);
    return FormatResult<Bytes>::success(std::move(*bytes));
}

} // namespace mosavo
