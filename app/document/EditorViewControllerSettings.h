#pragma once

#include "core/Archive.h"
#include "core/Bytes.h"
#include "core/LevelMap.h"
#include "core/MetatileSet.h"
#include "core/Metasprite.h"
#include "core/Screen.h"
#include "core/TileData.h"
#include "editor/ZoomSize.h"
#include "palette/PaletteProtocol.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestova {

// How a document was last shown, kept with it. Each part is absent when the document does not say (a document saved
// before they existed, or made without a window); the window then shows that part as for a new document.
struct DocumentViewState
{
    // The tile at the left of the viewer's top row.
    std::optional<int64_t> viewerScrollTile;
    // The top-left tile of the block shown in the editor.
    std::optional<int64_t> selectedTile;
    // Tiles per side of that block: 1, 2 or 4.
    std::optional<int64_t> blockSize;
    // The sub-palette painted with, 0 to the number of sub-palettes - 1.
    std::optional<int64_t> currentSubPalette;
    // The viewer's whole-step cell scale, 1 to 4.
    std::optional<int64_t> viewerScale;
    // The viewer draws the tiles in the current sub-palette instead of grey.
    std::optional<bool> subPaletteView;
    // The viewer arranges the tiles as 8x16 sprites.
    std::optional<bool> tallSprites;

    bool operator==(const DocumentViewState &) const = default;
};

// The content of a document: the tiles, the eight sub-palettes, a zoom value and a format version.
class EditorViewControllerSettingsProtocol
{
public:
    virtual ~EditorViewControllerSettingsProtocol() = default;
    virtual int64_t version() const = 0;
    virtual void setVersion(int64_t version) = 0;
    virtual mosavo::ZoomSize zoomSize() const = 0;
    virtual void setZoomSize(mosavo::ZoomSize zoom) = 0;
    virtual const mosavo::TileDataPtr &tileData() const = 0;
    virtual void setTileData(mosavo::TileDataPtr tileData) = 0;
    virtual std::optional<mosavo::ConsoleType> consoleType() const = 0;
    virtual bool isRomData() const = 0;
    virtual void setIsRomData(bool value) = 0;
    virtual bool isCHRData() const = 0;
    virtual void setIsCHRData(bool value) = 0;
    virtual const std::optional<std::vector<mosavo::PalettePtr>> &palettes() const = 0;
    virtual void setPalettes(std::optional<std::vector<mosavo::PalettePtr>> palettes) = 0;
};

class EditorViewControllerSettings : public EditorViewControllerSettingsProtocol
{
public:
    int64_t version() const override { return version_; }
    void setVersion(int64_t version) override { version_ = version; }
    mosavo::ZoomSize zoomSize() const override { return zoomSize_; }
    void setZoomSize(mosavo::ZoomSize zoom) override { zoomSize_ = zoom; }
    const mosavo::TileDataPtr &tileData() const override { return tileData_; }
    void setTileData(mosavo::TileDataPtr tileData) override { tileData_ = std::move(tileData); }
    std::optional<mosavo::ConsoleType> consoleType() const override;
    bool isRomData() const override { return isRomData_; }
    void setIsRomData(bool value) override { isRomData_ = value; }
    bool isCHRData() const override { return isCHRData_; }
    void setIsCHRData(bool value) override { isCHRData_ = value; }
    const std::optional<std::vector<mosavo::PalettePtr>> &palettes() const override { return palettes_; }
    void setPalettes(std::optional<std::vector<mosavo::PalettePtr>> palettes) override
    {
        palettes_ = std::move(palettes);
    }
    int64_t selectedPalette() const { return selectedPalette_; }
    void setSelectedPalette(int64_t index) { selectedPalette_ = index; }
    // The .nes or .chr file the tiles came from (an absolute path, UTF-8), absent for tiles made here.
    const std::optional<std::string> &sourceFile() const { return sourceFile_; }
    void setSourceFile(std::optional<std::string> path) { sourceFile_ = std::move(path); }
    // What the source file held when it was last read or written back (not stored in the document): the tiles' bytes
    // as there (header in front for a ROM) and the file's size (nothing when unknown). Write Back compares the file
    // with it to write only the tiles changed here and to see whether the file changed meanwhile.
    struct SourceAsRead
    {
        mosavo::Bytes tileBytes;
        std::optional<size_t> fileSize;
    };
    const std::optional<SourceAsRead> &sourceAsRead() const { return sourceAsRead_; }
    void setSourceAsRead(std::optional<SourceAsRead> read) { sourceAsRead_ = std::move(read); }

    // The document's screens, metasprites and animations, and how its sprites read their tiles.
    std::vector<mosavo::Screen> &screens() { return screens_; }
    const std::vector<mosavo::Screen> &screens() const { return screens_; }
    std::vector<mosavo::Metasprite> &metasprites() { return metasprites_; }
    const std::vector<mosavo::Metasprite> &metasprites() const { return metasprites_; }
    std::vector<mosavo::Animation> &animations() { return animations_; }
    const std::vector<mosavo::Animation> &animations() const { return animations_; }
    // The document's metatile sets and the maps laid out with them (each map names one of the sets).
    std::vector<mosavo::MetatileSet> &metatileSets() { return metatileSets_; }
    const std::vector<mosavo::MetatileSet> &metatileSets() const { return metatileSets_; }
    std::vector<mosavo::LevelMap> &levelMaps() { return levelMaps_; }
    const std::vector<mosavo::LevelMap> &levelMaps() const { return levelMaps_; }
    // The pattern table (0 or 1) of 8x8 sprites; 1 unless the document says otherwise.
    int spritePatternTable() const { return spritePatternTable_; }
    void setSpritePatternTable(int table) { spritePatternTable_ = table & 1; }
    // 8x16 sprites for the whole document.
    bool tallSprites() const { return tallSprites_; }
    void setTallSprites(bool tall) { tallSprites_ = tall; }
    const DocumentViewState &viewState() const { return viewState_; }
    void setViewState(const DocumentViewState &state) { viewState_ = state; }
    // What decode() read past: view-state values out of range, each replaced by its default ("its \"ViewerScale\" is
    // not 1, 2, 3 or 4; the default is used"). Shown in the window's status bar; never saved.
    const std::vector<std::string> &readWarnings() const { return readWarnings_; }

    // A new document: 512 blank tiles, eight sub-palettes that draw their colours on first display.
    static std::shared_ptr<EditorViewControllerSettings> emptyConsoleObject(mosavo::ConsoleType consoleType);

    // The archive record: "Version", "ZoomSize", "TileData" (the tiles as NES bytes, header in front for a ROM),
    // "Palettes", "SelectedPalette" (always 0), "SourceFile" (text) when the tiles came from a file; then, only
    // when the document has them, "Screens", "Metasprites", "Animations" (core/GraphicsArchive),
    // "MetatileSets", "LevelMaps" (core/LevelArchive), "SpritePatternTable" (0 or 1, when not 1) and "SpriteSize" (16, when sprites are 8x16). Without tile data the
    // record holds no keys but its class.
    // "Palettes", "SelectedPalette" (always 0), then the parts of the view state that are present: "ViewerScrollTile",
    // "SelectedTile", "BlockSize", "CurrentSubPalette", "ViewerScale" (integers), "SubPaletteView", "TallSprites"
    // (booleans). Without tile data the record holds no keys but its class.
    mosavo::ArchiveRecord encode() const;
    // Never fails: a damaged or incomplete record gives the defaults and no tile data. When whyNot is given, it
    // receives a short reason in that case. A view-state key that is missing leaves its part absent; one of the wrong
    // kind refuses the record; one out of range (a tile number past the tiles, a sub-palette number past the
    // palettes, a viewer scale of no size) leaves its default, with a line in readWarnings(). An empty "Palettes"
    // list gets the eight sub-palettes of a new document.
    static std::shared_ptr<EditorViewControllerSettings> decode(
        const mosavo::ArchiveRecord &record, std::string *whyNot = nullptr);

    // The document file: the archive record as CBOR behind the self-describe tag 55799, or as text (ArchiveText:
    // indented JSON, a line a tile) for a file named *.kestova.json.
    std::optional<mosavo::Bytes> documentBytes(bool asText = false) const;
    // The form a document file of that name is written in: text for *.kestova.json.
    std::optional<mosavo::Bytes> documentBytesFor(const std::string &fileName) const;
    // Nothing (and a reason in whyNot) when the bytes are not a document with usable tiles and palettes. Both forms
    // are read.
    static std::shared_ptr<EditorViewControllerSettings> fromDocumentBytes(
        const mosavo::Bytes &bytes, std::string *whyNot = nullptr);

    static constexpr const char *className = "EditorViewControllerSettings";

private:
    // The text form's bytes, and the record of either form, read as fromDocumentBytes reads them.
    static std::shared_ptr<EditorViewControllerSettings> fromDocumentText(
        const mosavo::Bytes &bytes, std::string *whyNot);
    static std::shared_ptr<EditorViewControllerSettings> fromRecord(
        const mosavo::ArchiveRecord &record, std::string *whyNot);

    int64_t version_ = 0;
    mosavo::ZoomSize zoomSize_ = mosavo::ZoomSize::x4;
    mosavo::TileDataPtr tileData_;
    bool isRomData_ = false;
    bool isCHRData_ = false;
    std::optional<std::vector<mosavo::PalettePtr>> palettes_;
    int64_t selectedPalette_ = 0;
    std::vector<mosavo::Screen> screens_;
    std::vector<mosavo::Metasprite> metasprites_;
    std::vector<mosavo::Animation> animations_;
    std::vector<mosavo::MetatileSet> metatileSets_;
    std::vector<mosavo::LevelMap> levelMaps_;
    int spritePatternTable_ = 1;
    bool tallSprites_ = false;
    std::optional<std::string> sourceFile_;
    std::optional<SourceAsRead> sourceAsRead_;
    DocumentViewState viewState_;
    std::vector<std::string> readWarnings_;
};

using SettingsPtr = std::shared_ptr<EditorViewControllerSettings>;

} // namespace kestova
