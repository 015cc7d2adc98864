// Writes seed documents for the document fuzz targets: each tile file given becomes a small document (its header, if
// any, and at most 64 tiles) with the eight palettes of the palette file, written in binary form into OUTPUT_FOLDER and
// as text into TEXT_FOLDER.
//   fuzz_make_seeds OUTPUT_FOLDER TEXT_FOLDER PALETTE_FILE TILE_FILE...
#include "FuzzSupport.h"

#include "app/document/EditorViewControllerSettings.h"
#include "core/ConsoleDataFactory.h"
#include "palette/PaletteFactory.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

namespace {

mosavo::Bytes readFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return mosavo::Bytes(std::istreambuf_iterator<char>(in), {});
}

} // namespace

int main(int argc, char **argv)
{
    using namespace mosavo;
    if (argc < 5) {
        std::cerr << "usage: fuzz_make_seeds OUTPUT_FOLDER TEXT_FOLDER PALETTE_FILE TILE_FILE...\n";
        return 2;
    }
    fuzz::silenceSystemLog();
    const std::filesystem::path output = argv[1];
    const std::filesystem::path textOutput = argv[2];
    std::filesystem::create_directories(output);
    std::filesystem::create_directories(textOutput);
    const auto palettes = PaletteFactory::generate(readFile(argv[3]));
    if (!palettes) {
        std::cerr << argv[3] << ": not a palette file\n";
        return 1;
    }
    int written = 0;
    for (int i = 4; i < argc; ++i) {
        Bytes bytes = readFile(argv[i]);
        const size_t header = ConsoleDataFactory::isRomImage(bytes) ? 16 : 0;
        bytes.resize(std::min(bytes.size(), header + 64 * 16));
        auto tiles = ConsoleDataFactory::generate(bytes);
        if (!tiles)
            continue;
        kestova::EditorViewControllerSettings settings;
        settings.setTileData(std::move(tiles));
        settings.setPalettes(palettes);
        const std::string stem = std::filesystem::path(argv[i]).stem().string();
        for (const bool asText : { false, true }) {
            const auto document = settings.documentBytes(asText);
            std::ofstream out(asText ? textOutput / (stem + ".kestova.json") : output / (stem + ".kestova"),
                std::ios::binary);
            out.write(reinterpret_cast<const char *>(document->data()), std::streamsize(document->size()));
        }
        ++written;
    }
    std::cout << written << " seed documents in " << output.string() << "\n";
    return written > 0 ? 0 : 1;
}
