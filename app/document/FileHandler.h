#pragma once

#include "app/document/FileIO.h"
#include "app/window/FilePanels.h"
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

// A handler that brings objects of type T in from a file the user chooses.
template<class Object>
class ImportObject
{
public:
    using T = Object;
    using ImportCompletion = std::function<void(std::optional<T>, std::optional<FileError>)>;
    virtual ~ImportObject() = default;
    virtual void importObject(ImportCompletion completion) = 0;
};

// A handler that writes objects of type T to a file the user chooses.
template<class Object>
class ExportObject
{
public:
    using T = Object;
    using ExportCompletion = std::function<void(std::optional<FileError>)>;
    virtual ~ExportObject() = default;
    virtual void exportObject(const T &object, ExportCompletion completion) = 0;
};

enum class DataProcessorType { NesRom, NesCHR };

// Tile data: the bytes of a ROM or CHR file, passed through unchanged.
class DataProcessor : public FileHandler, public ImportObject<mosavo::Bytes>, public ExportObject<mosavo::Bytes>
{
public:
    using T = mosavo::Bytes;
    using ImportCompletion = ImportObject<T>::ImportCompletion;
    using ExportCompletion = FileHandler::ExportCompletion;
    std::optional<DataProcessorType> type;
    std::optional<mosavo::ConsoleType> consoleType;

    // The completion gets the bytes, or nothing (with the error when the file cannot be read; none on cancel).
    void importObject(ImportCompletion completion) override;
    void exportObject(const T &object, ExportCompletion completion) override { exportObject(object, completion, {}); }
    // The save panel suggests suggestedName (a name, or a path whose folder the panel opens in).
    void exportObject(const T &object, ExportCompletion completion, const QString &suggestedName);
};

enum class PaletteProccessorType { Nes };

// Palettes: the 32-byte palette file turned into eight sub-palettes and back; also the 16-byte background half
// (sub-palettes 0-3).
class PaletteProccessor : public FileHandler,
                          public ImportObject<std::vector<mosavo::PalettePtr>>,
                          public ExportObject<std::vector<mosavo::PalettePtr>>
{
public:
    using T = std::vector<mosavo::PalettePtr>;
    using ImportCompletion = ImportObject<T>::ImportCompletion;
    using ExportCompletion = FileHandler::ExportCompletion;
    static constexpr size_t halfPaletteFileSize = 16;
    std::optional<PaletteProccessorType> type;
    std::optional<mosavo::PaletteType> paletteType;

    // Which palettes of the 32-byte palette file a 16-byte file holds, or an export writes.
    enum class Half { whole, background, sprites };

    // The completion gets eight palettes from a 32-byte file, four from a 16-byte one; it is not called when the user
    // cancels.
    void importObject(ImportCompletion completion) override;
    // Needs exactly 32 colour numbers (eight four-colour palettes); otherwise logs "Could not convert Palette to
    // Data" and shows no panel.
    void exportObject(const T &object, ExportCompletion completion) override
    {
        exportObject(object, completion, {}, Half::whole);
    }
    // half: all 32 bytes, or the 16 bytes of palettes 0-3 (background) or 4-7 (sprites).
    void exportObject(const T &object, ExportCompletion completion, const QString &suggestedName, Half half);

    // Why bytes are not a palette file, or nothing when they are one.
    static std::optional<QString> paletteFileProblem(const mosavo::Bytes &bytes);
};

} // namespace kestova
