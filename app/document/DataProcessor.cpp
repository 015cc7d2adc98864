#include "app/document/DataProcessor.h"

#include "log/Log.h"
#include "palette/PaletteFactory.h"

namespace kestova {

using namespace mosavo;

namespace {
const QString tileFilter = QStringLiteral("NES tile data (*.nes *.chr);;All files (*)");
} // namespace

void DataProcessor::importObject(ImportCompletion completion)
{
    importRaw(std::move(completion), { QStringLiteral("Import Data"), tileFilter, {} });
}

void DataProcessor::exportObject(const Bytes &object, ExportCompletion completion, const QString &suggestedName)
{
    exportRaw(object, std::move(completion), { QStringLiteral("Export Data"), tileFilter, suggestedName });
}

} // namespace kestova
