#include "formats/FormatRegistry.h"

#include "convert/SourceWriters.h"
#include "formats/MetaspriteBinaryFormat.h"
#include "formats/MetaspriteCFormat.h"
#include "formats/MetaspriteCa65Format.h"
#include "formats/NametableFormat.h"
#include "formats/RleNametableFormat.h"
#include "formats/TiledMapFormat.h"

#include <algorithm>
#include <cctype>

namespace mosavo {

namespace {
std::string lower(std::string_view text)
{
    std::string out(text);
    std::transform(
        out.begin(), out.end(), out.begin(), [](char c) { return char(std::tolower(static_cast<unsigned char>(c))); });
    return out;
}

// The file name without its folders and without its last extension.
std::string_view baseName(std::string_view fileName)
{
    const size_t slash = fileName.find_last_of("/\\");
    if (slash != std::string_view::npos)
        fileName.remove_prefix(slash + 1);
    const size_t dot = fileName.find_last_of('.');
    return dot == std::string_view::npos || dot == 0 ? fileName : fileName.substr(0, dot);
}

std::string extension(std::string_view fileName)
{
    const std::string_view base = baseName(fileName);
    const size_t slash = fileName.find_last_of("/\\");
    const std::string_view name = slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
    return name.size() > base.size() + 1 ? lower(name.substr(base.size() + 1)) : std::string();
}
} // namespace

const std::vector<const ScreenFormat *> &FormatRegistry::screenFormats()
{
    static const NametableFormat bare;
    static const RleNametableFormat packed;
    static const std::vector<const ScreenFormat *> formats = { &bare, &packed };
    return formats;
}

const ScreenFormat &FormatRegistry::nametableFormat(bool rle)
{
    return *screenFormats()[rle ? 1 : 0];
}

const std::vector<const LevelFormat *> &FormatRegistry::levelFormats()
{
    static const TiledMapFormat tiled;
    static const std::vector<const LevelFormat *> formats = { &tiled };
    return formats;
}

const LevelFormat &FormatRegistry::tiledMapFormat()
{
    return *levelFormats()[0];
}

std::unique_ptr<MetaspriteTableFormat> FormatRegistry::metaspriteTableFormatFor(std::string_view fileName)
{
    const std::string suffix = extension(fileName);
    if (suffix == "c" || suffix == "h")
        return std::make_unique<MetaspriteCFormat>();
    if (suffix == "s" || suffix == "asm" || suffix == "inc" || suffix == "ca65")
        return std::make_unique<MetaspriteCa65Format>();
    return std::make_unique<MetaspriteBinaryFormat>(sourceIdentifier(baseName(fileName)));
}

std::vector<std::string> FormatRegistry::metaspriteTableFilters()
{
    return { "C source (*.c *.h)", "ca65 source (*.s *.asm *.inc *.ca65)", "Binary tables (*)" };
}

} // namespace mosavo
