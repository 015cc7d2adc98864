#pragma once

#include "FuzzSupport.h"

#include "app/document/EditorViewControllerSettings.h"
#include "palette/NESColors.h"

namespace fuzz {

inline std::vector<std::vector<int64_t>> colorNumbersOf(const kestova::EditorViewControllerSettings &settings)
{
    std::vector<std::vector<int64_t>> numbers;
    if (settings.palettes())
        for (const mosavo::PalettePtr &palette : *settings.palettes()) {
            numbers.emplace_back();
            for (const mosavo::ColorEntry &entry : palette->palette())
                numbers.back().push_back(entry.colorCode);
        }
    return numbers;
}

// Reads the bytes as a document file. Whatever they hold, reading does not crash; a document that is accepted has
// tiles no more than its bytes can hold, only master colour numbers, and is written and read back unchanged.
inline void checkDocument(const mosavo::Bytes &input)
{
    using kestova::EditorViewControllerSettings;
    std::string whyNot;
    const auto settings = EditorViewControllerSettings::fromDocumentBytes(input, &whyNot);
    if (!settings) {
        require(!whyNot.empty(), "a refused document has a reason");
        return;
    }
    require(settings->tileData() && settings->tileData()->totalNumberTiles() > 0, "an accepted document has tiles");
    require(size_t(settings->tileData()->totalNumberTiles()) <= input.size() / 16, "no more tiles than bytes hold");
    require(settings->palettes().has_value(), "an accepted document has a palette list");
    require(settings->palettes()->size() <= input.size(), "no more palettes than bytes hold");
    const auto numbers = colorNumbersOf(*settings);
    for (const auto &palette : numbers)
        for (int64_t number : palette)
            require(mosavo::nesColor(number).has_value(), "colour numbers are master colours 0x00-0x3F");

    const auto written = settings->documentBytes();
    require(written.has_value(), "an accepted document can be written");
    const auto reread = EditorViewControllerSettings::fromDocumentBytes(*written);
    require(reread != nullptr, "a written document reads back");
    require(reread->tileData()->consoleFormattedPixelData() == settings->tileData()->consoleFormattedPixelData(),
        "tile bytes survive writing and reading");
    require(colorNumbersOf(*reread) == numbers, "palettes survive writing and reading");
    require(reread->zoomSize() == settings->zoomSize() && reread->version() == settings->version(),
        "zoom and version survive writing and reading");
}

} // namespace fuzz
