#pragma once

#include "app/document/FileHandler.h"
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

} // namespace kestova
