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

// A document read, written (in the form asked for) and read again.
struct DocumentPass
{
    std::shared_ptr<kestova::EditorViewControllerSettings> settings, reread;
    mosavo::Bytes written;
};

// Reads the bytes as a document file. Whatever they hold, reading does not crash; a document that is accepted has
// tiles no more than its bytes can hold, only master colour numbers, and is written (as text when asked) and read
// back unchanged. What was read and written, for further checks (nothing read when the bytes were refused).
inline DocumentPass checkDocument(const mosavo::Bytes &input, bool asText = false)
{
    using kestova::EditorViewControllerSettings;
    std::string whyNot;
    DocumentPass pass;
    pass.settings = EditorViewControllerSettings::fromDocumentBytes(input, &whyNot);
    const auto &settings = pass.settings;
    if (!settings) {
        require(!whyNot.empty(), "a refused document has a reason");
        return pass;
    }
    require(settings->tileData() && settings->tileData()->totalNumberTiles() > 0, "an accepted document has tiles");
    require(size_t(settings->tileData()->totalNumberTiles()) <= input.size() / 16, "no more tiles than bytes hold");
    require(settings->palettes().has_value(), "an accepted document has a palette list");
    require(settings->palettes()->size() <= input.size(), "no more palettes than bytes hold");
    const auto numbers = colorNumbersOf(*settings);
    for (const auto &palette : numbers)
        for (int64_t number : palette)
            require(mosavo::nesColor(number).has_value(), "colour numbers are master colours 0x00-0x3F");

    auto written = settings->documentBytes(asText);
    require(written.has_value(), "an accepted document can be written");
    pass.written = std::move(*written);
    pass.reread = EditorViewControllerSettings::fromDocumentBytes(pass.written);
    const auto &reread = pass.reread;
    require(reread != nullptr, "a written document reads back");
    require(reread->tileData()->consoleFormattedPixelData() == settings->tileData()->consoleFormattedPixelData(),
        "tile bytes survive writing and reading");
    require(colorNumbersOf(*reread) == numbers, "palettes survive writing and reading");
    require(reread->zoomSize() == settings->zoomSize() && reread->version() == settings->version(),
        "zoom and version survive writing and reading");
    return pass;
}

} // namespace fuzz
