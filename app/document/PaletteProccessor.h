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
#include <variant>
#include <vector>

namespace kestova {

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
    // The folder the open panel of importObject starts in (that of the ROM the tiles came from); empty: the last one.
    QString panelFolder;

    // Which palettes of the 32-byte palette file a 16-byte file holds, or an export writes.
    enum class Half { whole, background, sprites };

    // The completion gets eight palettes from a 32-byte file, four from a 16-byte one; it is not called when the
    // user cancels.
    void importObject(ImportCompletion completion) override;
    // Needs exactly 32 colour numbers (eight four-colour palettes); otherwise logs "Could not convert Palette to
    // Data" and shows no panel.
    void exportObject(const T &object, ExportCompletion completion) override
    {
        exportObject(object, completion, {}, Half::whole);
    }
    // half: all 32 bytes, or the 16 bytes of palettes 0-3 (background) or 4-7 (sprites).
    void exportObject(const T &object, ExportCompletion completion, const QString &suggestedName, Half half);

    // The 32-byte palette file of a document's sub-palettes (exactly eight of four master colour numbers each), or
    // why they do not make one.
    static std::variant<mosavo::Bytes, QString> paletteFileOf(
        const std::optional<std::vector<mosavo::PalettePtr>> &palettes);

    // Why bytes are not a palette file, or nothing when they are one.
    static std::optional<QString> paletteFileProblem(const mosavo::Bytes &bytes);
};

} // namespace kestova
