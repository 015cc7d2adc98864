#pragma once

#include "app/FileIO.h"
#include "app/FilePanels.h"
#include "core/Enums.h"
#include "palette/PaletteProtocol.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace kestova {

// Moves raw bytes between files the user chooses and the application.
class FileHandler
{
public:
    virtual ~FileHandler() = default;

    // The last file imported through this handler.
    std::optional<QString> path;

    using ImportRawCompletion = std::function<void(std::optional<mosavo::Bytes>, std::optional<FileError>)>;
    using ExportCompletion = std::function<void(std::optional<FileError>)>;

    // Shows an open panel; the completion gets the file's bytes, or nothing with an error when the file cannot be
    // read, or nothing and no error when the user cancels (that also logs "Cannot open file" at debug level).
    void importRaw(ImportRawCompletion completion, const PanelOptions &options = {});
    // Shows a save panel and writes the bytes atomically; the completion runs only when the user chose a file: with
    // no error after a successful write, with the error after a failed one.
    void exportRaw(mosavo::Bytes data, ExportCompletion completion, const PanelOptions &options = {});

protected:
    // Lets a pending panel know whether its handler still exists.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

enum class DataProcessorType { NesRom, NesCHR };

// Tile data: the bytes of a ROM or CHR file, passed through unchanged.
class DataProcessor : public FileHandler
{
public:
    using T = mosavo::Bytes;
    std::optional<DataProcessorType> type;
    std::optional<mosavo::ConsoleType> consoleType;

    void importObject(ImportRawCompletion completion);
    void exportObject(mosavo::Bytes object, ExportCompletion completion, const QString &suggestedName = {});
};

enum class PaletteProccessorType { Nes };

// Palettes: the 32-byte palette file turned into eight sub-palettes and back; also the 16-byte background half
// (sub-palettes 0-3).
class PaletteProccessor : public FileHandler
{
public:
    using T = std::vector<mosavo::PalettePtr>;
    static constexpr size_t halfPaletteFileSize = 16;
    std::optional<PaletteProccessorType> type;
    std::optional<mosavo::PaletteType> paletteType;

    using ImportCompletion = std::function<void(std::optional<T>, std::optional<FileError>)>;
    // The completion gets eight palettes from a 32-byte file, four from a 16-byte one; it is not called when the user
    // cancels.
    void importObject(ImportCompletion completion);
    // Needs exactly 32 colour numbers (eight four-colour palettes); otherwise logs "Could not convert Palette to
    // Data" and shows no panel. backgroundHalf writes only the first 16 bytes (palettes 0-3).
    void exportObject(
        const T &object, ExportCompletion completion, const QString &suggestedName = {}, bool backgroundHalf = false);

    // Why bytes are not a palette file, or nothing when they are one.
    static std::optional<QString> paletteFileProblem(const mosavo::Bytes &bytes);
};

} // namespace kestova
