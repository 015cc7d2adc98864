#include "app/document/FileHandler.h"

#include "log/Log.h"
#include "palette/PaletteFactory.h"

namespace kestova {

using namespace mosavo;

void FileHandler::importRaw(ImportRawCompletion completion, const PanelOptions &options)
{
    std::weak_ptr<int> handlerAlive = alive_;
    filePanels().chooseFileToOpen(options, [this, handlerAlive, completion](const QString &chosen) {
        if (chosen.isEmpty()) {
            log().d(QStringLiteral("Cannot open file"));
            completion(std::nullopt, std::nullopt);
            return;
        }
        ReadResult read = readWholeFile(chosen);
        if (read.error) {
            completion(std::nullopt, read.error);
            return;
        }
        if (!handlerAlive.expired())
            path = chosen;
        completion(std::move(read.bytes), std::nullopt);
    });
}

void FileHandler::exportRaw(Bytes data, ExportCompletion completion, const PanelOptions &options)
{
    filePanels().chooseFileToSave(options, [data = std::move(data), completion](const QString &chosen) {
        if (chosen.isEmpty())
            return;
        completion(writeFileAtomically(chosen, data));
    });
}

} // namespace kestova
