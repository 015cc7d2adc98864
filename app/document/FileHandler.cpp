#include "app/document/FileHandler.h"

#include "log/Log.h"
#include "palette/PaletteFactory.h"

namespace kestova {

using namespace mosavo;

namespace {
const QString tileFilter = QStringLiteral("NES tile data (*.nes *.chr);;All files (*)");
const QString paletteFilter = QStringLiteral("NES palettes (*.pal);;All files (*)");
} // namespace

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

void DataProcessor::importObject(ImportCompletion completion)
{
    importRaw(std::move(completion), { QStringLiteral("Import Data"), tileFilter, {} });
}

void DataProcessor::exportObject(const Bytes &object, ExportCompletion completion, const QString &suggestedName)
{
    exportRaw(object, std::move(completion), { QStringLiteral("Export Data"), tileFilter, suggestedName });
}

std::optional<QString> PaletteProccessor::paletteFileProblem(const Bytes &bytes)
{
    if (bytes.size() != PaletteFactory::paletteFileSize && bytes.size() != halfPaletteFileSize)
        return QStringLiteral("not a palette file: it holds %1 bytes, but a palette file holds 32 bytes (eight "
                              "palettes of four colours) or 16 bytes (the four background palettes)")
            .arg(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] > 0x3F)
            return QStringLiteral("not a palette file: byte %1 is 0x%2, which is no NES colour number (0x00-0x3F)")
                .arg(i)
                .arg(bytes[i], 2, 16, QLatin1Char('0'));
    return std::nullopt;
}

void PaletteProccessor::importObject(ImportCompletion completion)
{
    if (!paletteType) {
        log().e(QStringLiteral("Palette Type is nil"));
        completion(std::nullopt, FileError { path.value_or(QString()), QStringLiteral("no palette type is set") });
        return;
    }
    const PaletteType wanted = *paletteType;
    std::weak_ptr<int> handlerAlive = alive_;
    importRaw(
        [this, handlerAlive, wanted, completion](std::optional<Bytes> bytes, std::optional<FileError> error) {
            if (!bytes) {
                if (error) // a cancelled panel ends here without a word
                    completion(std::nullopt, error);
                return;
            }
            const QString file = handlerAlive.expired() ? QString() : path.value_or(QString());
            if (auto problem = paletteFileProblem(*bytes)) {
                completion(std::nullopt, FileError { file, *problem });
                return;
            }
            // The background half makes the first four of eight palettes; the rest is dropped again.
            const size_t count = bytes->size() / 4;
            Bytes whole = *bytes;
            whole.resize(PaletteFactory::paletteFileSize, 0x0F);
            auto palettes = PaletteFactory::generate(whole);
            if (!palettes || palettes->empty() || rawValue(palettes->front()->type()) != rawValue(wanted)) {
                completion(std::nullopt, FileError { file, QStringLiteral("not an NES palette file") });
                return;
            }
            palettes->resize(count);
            completion(std::move(palettes), std::nullopt);
        },
        { QStringLiteral("Import Palette"), paletteFilter, {} });
}

void PaletteProccessor::exportObject(
    const T &object, ExportCompletion completion, const QString &suggestedName, Half half)
{
    if (!paletteType) {
        log().e(QStringLiteral("Palette Type is nil"));
        completion(FileError { path.value_or(QString()), QStringLiteral("no palette type is set") });
        return;
    }
    const auto bytes = PaletteFactory::convert(PaletteFactory::colorNumbers(object), *paletteType);
    if (!bytes) {
        log().e(QStringLiteral("Could not convert Palette to Data"));
        return;
    }
    Bytes file = *bytes;
    QString title = QStringLiteral("Export Palette");
    if (half == Half::background) {
        file.resize(halfPaletteFileSize);
        title = QStringLiteral("Export Background Palette");
    } else if (half == Half::sprites) {
        file.erase(file.begin(), file.begin() + halfPaletteFileSize);
        title = QStringLiteral("Export Sprite Palette");
    }
    exportRaw(std::move(file), std::move(completion), { title, paletteFilter, suggestedName });
}

} // namespace kestova
