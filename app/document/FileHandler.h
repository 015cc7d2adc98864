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

enum class PaletteProccessorType { Nes };

} // namespace kestova
