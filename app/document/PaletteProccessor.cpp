#include "app/document/PaletteProccessor.h"

#include "formats/PaletteFile.h"

#include "log/Log.h"
#include "palette/NESColors.h"
#include "palette/NESPalette.h"
#include "palette/PaletteFactory.h"

namespace kestova {

using namespace mosavo;

namespace {
const QString paletteFilter = QStringLiteral("NES palettes (*.pal);;All files (*)");

// A palette file holds eight sub-palettes of four colour numbers.
constexpr size_t paletteFileSubPalettes = 8;
constexpr size_t subPaletteColors = 4;

// The colour numbers a document's sub-palette holds. A sub-palette without colours gives none: reading it would make
// it draw random colours.
std::vector<int64_t> storedColorNumbers(const PalettePtr &palette)
{
    if (!palette)
        return {};
    if (const auto nes = std::dynamic_pointer_cast<NESPalette>(palette); nes && !nes->hasColors())
        return {};
    std::vector<int64_t> numbers;
    for (const ColorEntry &entry : palette->palette())
        numbers.push_back(entry.colorCode);
    return numbers;
}

QString subPaletteCount(size_t count)
{
    return count == 1 ? QStringLiteral("1 sub-palette") : QStringLiteral("%1 sub-palettes").arg(count);
}
} // namespace

std::variant<Bytes, QString> PaletteProccessor::paletteFileOf(const std::optional<std::vector<PalettePtr>> &palettes)
{
    std::vector<int64_t> numbers;
    bool fourEach = true;
    for (const PalettePtr &palette : palettes.value_or(std::vector<PalettePtr> {})) {
        const std::vector<int64_t> own = storedColorNumbers(palette);
        fourEach = fourEach && own.size() == subPaletteColors;
        numbers.insert(numbers.end(), own.begin(), own.end());
    }
    const size_t count = palettes ? palettes->size() : 0;
    if (count != paletteFileSubPalettes || !fourEach || numbers.size() != PaletteFactory::paletteFileSize)
        return QStringLiteral("its sub-palettes do not make a palette file: it holds %1 with %2 colour numbers in all, "
                              "a palette file takes eight of four (32); a sub-palette saved before it was ever shown "
                              "holds none")
            .arg(subPaletteCount(count))
            .arg(numbers.size());
    for (size_t k = 0; k < numbers.size(); ++k)
        if (!nesColor(numbers[k]))
            return QStringLiteral("colour %1 of sub-palette %2 is %3, not a master colour number 0x00-0x3F")
                .arg(k % subPaletteColors)
                .arg(k / subPaletteColors)
                .arg(numbers[k]);
    if (auto bytes = PaletteFactory::convert(numbers, PaletteType::nes))
        return *bytes;
    return QStringLiteral("its sub-palettes do not make a palette file");
}

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
