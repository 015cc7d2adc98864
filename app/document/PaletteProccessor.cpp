#include "app/document/PaletteProccessor.h"

#include "formats/PaletteFile.h"

#include "log/Log.h"
#include "palette/PaletteFactory.h"

namespace kestova {

using namespace mosavo;

namespace {
const QString paletteFilter = QStringLiteral("NES palettes (*.pal);;All files (*)");
} // namespace

std::optional<QString> PaletteProccessor::paletteFileProblem(const Bytes &bytes)
{
    if (auto problem = mosavo::paletteFileProblem(bytes))
        return QString::fromStdString(*problem);
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
        { QStringLiteral("Import Palette"), paletteFilter, panelFolder.isEmpty() ? QString() : panelFolder + u'/' });
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
