#include "app/document/EditorViewControllerSettings.h"

#include "app/document/ArchiveText.h"
#include "core/ConsoleDataFactory.h"
#include "core/GraphicsArchive.h"
#include "core/LevelArchive.h"
#include "palette/NESColors.h"
#include "palette/NESPalette.h"
#include "palette/PaletteFactory.h"

#include <span>

namespace kestova {

using namespace mosavo;

namespace {
// CBOR self-describe tag 55799, written in front of every document.
constexpr uint8_t selfDescribeTag[] = { 0xD9, 0xD9, 0xF7 };

int64_t integerOrZero(const ArchiveRecord &record, const char *key)
{
    const auto found = record.find(key);
    return (found != record.end() && found->is_number_integer()) ? found->get<int64_t>() : 0;
}

// Builds the record like from_cbor, but refuses nesting deeper than a document ever has, so a hostile file cannot
// exhaust the stack.
class DepthLimitedBuilder
{
public:
    using number_integer_t = ArchiveRecord::number_integer_t;
    using number_unsigned_t = ArchiveRecord::number_unsigned_t;
    using number_float_t = ArchiveRecord::number_float_t;
    using string_t = ArchiveRecord::string_t;
    using binary_t = ArchiveRecord::binary_t;

    explicit DepthLimitedBuilder(ArchiveRecord &result)
        : dom_(result, false)
    { }
    bool null() { return dom_.null(); }
    bool boolean(bool value) { return dom_.boolean(value); }
    bool number_integer(number_integer_t value) { return dom_.number_integer(value); }
    bool number_unsigned(number_unsigned_t value) { return dom_.number_unsigned(value); }
    bool number_float(number_float_t value, const string_t &text) { return dom_.number_float(value, text); }
    bool string(string_t &value) { return dom_.string(value); }
    bool binary(binary_t &value) { return dom_.binary(value); }
    bool start_object(std::size_t size) { return ++depth_ <= maxDepth && dom_.start_object(size); }
    bool key(string_t &value) { return dom_.key(value); }
    bool end_object() { return --depth_, dom_.end_object(); }
    bool start_array(std::size_t size) { return ++depth_ <= maxDepth && dom_.start_array(size); }
    bool end_array() { return --depth_, dom_.end_array(); }
    bool parse_error(std::size_t, const std::string &, const nlohmann::detail::exception &) { return false; }

private:
    static constexpr int maxDepth = 16;
    int depth_ = 0;
    nlohmann::detail::json_sax_dom_parser<ArchiveRecord> dom_;
};

// Walks the CBOR items once without building anything. Every declared length of a byte or text string must fit in the
// bytes that remain, and so must every declared count of an array (one byte an item at least) or a map (two); nesting
// stays within a bound; the items end exactly at the end of the input. So the parser never meets a length the file
// cannot hold, and what it builds stays a small multiple of the file's size.
bool declaredLengthsFit(std::span<const uint8_t> input)
{
    constexpr uint64_t indefinite = UINT64_MAX;
    constexpr size_t maxOpenItems = 48;
    std::vector<uint64_t> open { 1 }; // items still to come in each open container; the outermost holds one item
    size_t at = 0;
    while (!open.empty()) {
        if (open.back() == 0) {
            open.pop_back();
            continue;
        }
        if (at >= input.size())
            return false;
        const uint8_t initial = input[at++];
        if (open.back() == indefinite && initial == 0xFF) {
            open.pop_back();
            continue;
        }
        if (open.back() != indefinite)
            --open.back();
        const unsigned major = initial >> 5;
        const unsigned info = initial & 0x1F;
        uint64_t argument = info;
        if (info >= 24 && info <= 27) {
            const size_t width = size_t(1) << (info - 24);
            if (input.size() - at < width)
                return false;
            argument = 0;
            for (size_t i = 0; i < width; ++i)
                argument = (argument << 8) | input[at++];
        } else if (info >= 28 && info <= 30) {
            return false;
        }
        const uint64_t left = input.size() - at;
        const bool isIndefinite = info == 31;
        switch (major) {
        case 2:
        case 3:
            if (isIndefinite) {
                open.push_back(indefinite);
            } else {
                if (argument > left)
                    return false;
                at += size_t(argument);
            }
            break;
        case 4:
            if (!isIndefinite && argument > left)
                return false;
            open.push_back(isIndefinite ? indefinite : argument);
            break;
        case 5:
            if (!isIndefinite && argument > left / 2)
                return false;
            open.push_back(isIndefinite ? indefinite : argument * 2);
            break;
        case 6:
            if (isIndefinite)
                return false;
            open.push_back(1);
            break;
        default:
            if (isIndefinite)
                return false; // a break outside an indefinite-length item
            break;
        }
        if (open.size() > maxOpenItems)
            return false;
    }
    return at == input.size();
}

void setReason(std::string *whyNot, const std::string &reason)
{
    if (whyNot)
        *whyNot = reason;
}

// The view-state keys of the record.
constexpr const char *viewerScrollTileKey = "ViewerScrollTile";
constexpr const char *selectedTileKey = "SelectedTile";
constexpr const char *blockSizeKey = "BlockSize";
constexpr const char *currentSubPaletteKey = "CurrentSubPalette";
constexpr const char *viewerScaleKey = "ViewerScale";
constexpr const char *subPaletteViewKey = "SubPaletteView";
constexpr const char *tallSpritesKey = "TallSprites";
// What the tiles came from: "iNES" (a ROM image, its 16-byte header first) or "CHR" (bare CHR data). Documents
// without it read their tile data as they always have: a ROM image when it starts with "NES".
constexpr const char *tileSourceKey = "TileSource";
constexpr const char *tileByteShiftKey = "TileByteShift";

// Reads the view state of a record whose tiles and palettes are known. Nothing, with the reason, when a key is of the
// wrong kind or out of range.
std::optional<DocumentViewState> decodeViewState(const ArchiveRecord &record, int64_t tileCount, int64_t paletteCount,
    std::string *whyNot, std::vector<std::string> &warnings)
{
    DocumentViewState state;
    auto quoted = [](const char *key) { return std::string("its \"") + key + "\""; };
    // An integer key within [low, high]; range names the values allowed.
    auto integer
        = [&](const char *key, int64_t low, int64_t high, const std::string &range, std::optional<int64_t> &into) {
              const auto found = record.find(key);
              if (found == record.end())
                  return true;
              if (!found->is_number_integer()) {
                  setReason(whyNot, quoted(key) + " is not a whole number");
                  return false;
              }
              // Unsigned values above INT64_MAX are out of every range.
              const bool fits = !found->is_number_unsigned() || found->get<uint64_t>() <= uint64_t(INT64_MAX);
              if (!fits || found->get<int64_t>() < low || found->get<int64_t>() > high) {
                  // Only where the document is shown: the default is used instead.
                  warnings.push_back(quoted(key) + " is not " + range + "; the default is used");
                  return true;
              }
              into = found->get<int64_t>();
              return true;
          };
    auto boolean = [&](const char *key, std::optional<bool> &into) {
        const auto found = record.find(key);
        if (found == record.end())
            return true;
        if (!found->is_boolean()) {
            setReason(whyNot, quoted(key) + " is not true or false");
            return false;
        }
        into = found->get<bool>();
        return true;
    };
    const std::string tiles = "a tile number (0 to " + std::to_string(tileCount - 1) + ")";
    const bool read = integer(viewerScrollTileKey, 0, tileCount - 1, tiles, state.viewerScrollTile)
        && integer(selectedTileKey, 0, tileCount - 1, tiles, state.selectedTile)
        && integer(blockSizeKey, 1, 4, "1, 2 or 4", state.blockSize)
        && integer(currentSubPaletteKey, 0, paletteCount - 1,
            "a sub-palette number (0 to " + std::to_string(paletteCount - 1) + ")", state.currentSubPalette)
        && integer(viewerScaleKey, 1, 4, "1, 2, 3 or 4", state.viewerScale)
        && boolean(subPaletteViewKey, state.subPaletteView) && boolean(tallSpritesKey, state.tallSprites);
    if (!read)
        return std::nullopt;
    if (state.blockSize == 3) {
        warnings.push_back(quoted(blockSizeKey) + " is not 1, 2 or 4; the default is used");
        state.blockSize.reset();
    }
    return state;
}
} // namespace

std::optional<ConsoleType> EditorViewControllerSettings::consoleType() const
{
    if (!tileData_)
        return std::nullopt;
    return tileData_->consoleType();
}

SettingsPtr EditorViewControllerSettings::emptyConsoleObject(ConsoleType consoleType)
{
    auto settings = std::make_shared<EditorViewControllerSettings>();
    settings->setTileData(ConsoleDataFactory::generate(consoleType));
    settings->setIsRomData(false);
    settings->setIsCHRData(true);
    settings->setPalettes(PaletteFactory::generate(PaletteType::nes));
    return settings;
}

ArchiveRecord EditorViewControllerSettings::encode() const
{
    ArchiveRecord record = makeArchiveRecord(className);
    if (!tileData_)
        return record;
    record["Version"] = version_;
    record["ZoomSize"] = rawValue(zoomSize_);
    if (auto bytes = tileData_->consoleFormattedPixelData())
        record["TileData"] = ArchiveRecord::binary(std::move(*bytes));
    else
        record["TileData"] = nullptr;
    record[tileSourceKey] = tileData_->header() ? "iNES" : "CHR";
    // Tiles read from a byte past a tile boundary (View > Byte Offset); absent, they start on one.
    if (const size_t shift = ConsoleDataFactory::byteShift(*tileData_))
        record[tileByteShiftKey] = shift;
    if (palettes_) {
        ArchiveRecord list = ArchiveRecord::array();
        for (const PalettePtr &palette : *palettes_) {
            if (auto nes = std::dynamic_pointer_cast<NESPalette>(palette)) {
                list.push_back(nes->encode());
            } else if (palette) {
                // Any other palette is stored by its colours, as a sub-palette.
                NESPalette copy;
                copy.setPalette(palette->palette());
                list.push_back(copy.encode());
            }
        }
        record["Palettes"] = std::move(list);
    } else {
        record["Palettes"] = nullptr;
    }
    record["SelectedPalette"] = 0;
    if (!screens_.empty())
        record["Screens"] = encodeScreens(screens_);
    if (!metasprites_.empty())
        record["Metasprites"] = encodeMetasprites(metasprites_);
    if (!animations_.empty())
        record["Animations"] = encodeAnimations(animations_);
    if (!metatileSets_.empty())
        record["MetatileSets"] = encodeMetatileSets(metatileSets_);
    if (!levelMaps_.empty())
        record["LevelMaps"] = encodeLevelMaps(levelMaps_);
    if (spritePatternTable_ != 1)
        record["SpritePatternTable"] = spritePatternTable_;
    if (tallSprites_)
        record["SpriteSize"] = 16;
    if (sourceFile_)
        record["SourceFile"] = *sourceFile_;
    auto put = [&record](const char *key, const auto &part) {
        if (part)
            record[key] = *part;
    };
    put(viewerScrollTileKey, viewState_.viewerScrollTile);
    put(selectedTileKey, viewState_.selectedTile);
    put(blockSizeKey, viewState_.blockSize);
    put(currentSubPaletteKey, viewState_.currentSubPalette);
    put(viewerScaleKey, viewState_.viewerScale);
    put(subPaletteViewKey, viewState_.subPaletteView);
    put(tallSpritesKey, viewState_.tallSprites);
    return record;
}

SettingsPtr EditorViewControllerSettings::decode(const ArchiveRecord &record, std::string *whyNot)
{
    auto settings = std::make_shared<EditorViewControllerSettings>();
    if (!record.is_object()) {
        setReason(whyNot, "the archive holds no settings record");
        return settings;
    }
    const int64_t version = integerOrZero(record, "Version");
    const int64_t zoomRaw = integerOrZero(record, "ZoomSize");

    const auto tileField = record.find("TileData");
    if (tileField == record.end() || !tileField->is_binary()) {
        setReason(whyNot, "it holds no tile data");
        return settings;
    }
    const auto zoom = zoomSizeFromRaw(zoomRaw);
    if (!zoom) {
        setReason(whyNot, "its zoom value is not 1, 2, 4, 8 or 16");
        return settings;
    }
    const auto &binary = tileField->get_binary();
    ConsoleDataFactory::Source source = binary.size() >= 16 && binary[0] == 'N' && binary[1] == 'E' && binary[2] == 'S'
        ? ConsoleDataFactory::Source::iNesImage
        : ConsoleDataFactory::Source::chrData;
    if (const auto field = record.find(tileSourceKey); field != record.end()) {
        if (*field == "iNES") {
            source = ConsoleDataFactory::Source::iNesImage;
        } else if (*field == "CHR") {
            source = ConsoleDataFactory::Source::chrData;
        } else {
            setReason(whyNot, std::string("its \"") + tileSourceKey + "\" is not \"iNES\" or \"CHR\"");
            return settings;
        }
    }
    const int64_t shift = integerOrZero(record, tileByteShiftKey);
    if (shift < 0 || shift > 15) {
        setReason(whyNot, "its tile byte shift is not 0-15");
        return settings;
    }
    auto tileData = ConsoleDataFactory::generate(Bytes(binary.begin(), binary.end()), source, size_t(shift));
    if (!tileData) {
        setReason(whyNot, "its tile data is neither an iNES ROM image nor CHR data");
        return settings;
    }
    const auto paletteField = record.find("Palettes");
    if (paletteField == record.end() || !paletteField->is_array()) {
        setReason(whyNot, "it holds no palettes");
        return settings;
    }
    std::vector<PalettePtr> palettes;
    for (const auto &entry : *paletteField) {
        if (!entry.is_object()) {
            setReason(whyNot, "its palettes are damaged");
            return settings;
        }
        auto palette = NESPalette::decode(entry);
        if (palette->hasColors())
            for (const ColorEntry &color : palette->palette())
                if (!nesColor(color.colorCode)) {
                    setReason(whyNot, "its palettes hold a colour number outside 0x00-0x3F");
                    return settings;
                }
        palettes.push_back(std::move(palette));
    }
    std::vector<std::string> warnings;
    if (palettes.empty()) {
        // A document saved without sub-palettes gets the eight a new document has; they are saved with it.
        palettes = *PaletteFactory::generate(PaletteType::nes);
    }
    const auto viewState
        = decodeViewState(record, tileData->totalNumberTiles(), int64_t(palettes.size()), whyNot, warnings);
    if (!viewState)
        return settings;

    std::string reason;
    std::vector<Screen> screens;
    if (const auto field = record.find("Screens"); field != record.end()) {
        auto decoded = decodeScreens(*field, &reason);
        if (!decoded) {
            setReason(whyNot, ("its screens are damaged (" + reason + ")").c_str());
            return settings;
        }
        screens = std::move(*decoded);
    }
    std::vector<Metasprite> metasprites;
    if (const auto field = record.find("Metasprites"); field != record.end()) {
        auto decoded = decodeMetasprites(*field, &reason);
        if (!decoded) {
            setReason(whyNot, ("its metasprites are damaged (" + reason + ")").c_str());
            return settings;
        }
        metasprites = std::move(*decoded);
    }
    std::vector<Animation> animations;
    if (const auto field = record.find("Animations"); field != record.end()) {
        auto decoded = decodeAnimations(*field, metasprites.size(), &reason);
        if (!decoded) {
            setReason(whyNot, ("its animations are damaged (" + reason + ")").c_str());
            return settings;
        }
        animations = std::move(*decoded);
    }
    std::vector<MetatileSet> metatileSets;
    if (const auto field = record.find("MetatileSets"); field != record.end()) {
        auto decoded = decodeMetatileSets(*field, &reason);
        if (!decoded) {
            setReason(whyNot, ("its metatile sets are damaged (" + reason + ")").c_str());
            return settings;
        }
        metatileSets = std::move(*decoded);
    }
    std::vector<LevelMap> levelMaps;
    if (const auto field = record.find("LevelMaps"); field != record.end()) {
        auto decoded = decodeLevelMaps(*field, metatileSets, &reason);
        if (!decoded) {
            setReason(whyNot, ("its maps are damaged (" + reason + ")").c_str());
            return settings;
        }
        levelMaps = std::move(*decoded);
    }
    int spriteTable = 1;
    if (const auto field = record.find("SpritePatternTable"); field != record.end()) {
        if (!field->is_number_integer() || (field->get<int64_t>() != 0 && field->get<int64_t>() != 1)) {
            setReason(whyNot, "its sprite pattern table is not 0 or 1");
            return settings;
        }
        spriteTable = int(field->get<int64_t>());
    }
    bool tall = false;
    if (const auto field = record.find("SpriteSize"); field != record.end()) {
        if (!field->is_number_integer() || (field->get<int64_t>() != 8 && field->get<int64_t>() != 16)) {
            setReason(whyNot, "its sprite size is not 8 or 16");
            return settings;
        }
        tall = field->get<int64_t>() == 16;
    }

    settings->screens_ = std::move(screens);
    settings->metasprites_ = std::move(metasprites);
    settings->animations_ = std::move(animations);
    settings->metatileSets_ = std::move(metatileSets);
    settings->levelMaps_ = std::move(levelMaps);
    settings->spritePatternTable_ = spriteTable;
    settings->tallSprites_ = tall;
    std::optional<std::string> sourceFile;
    if (const auto source = record.find("SourceFile"); source != record.end()) {
        if (!source->is_string()) {
            setReason(whyNot, "its source file (\"SourceFile\") is not a text");
            return settings;
        }
        sourceFile = source->get<std::string>();
    }

    settings->setVersion(version);
    settings->setZoomSize(*zoom);
    settings->setSourceFile(std::move(sourceFile));
    settings->setTileData(std::move(tileData));
    settings->setPalettes(std::move(palettes));
    settings->setViewState(*viewState);
    settings->readWarnings_ = std::move(warnings);
    return settings;
}

std::optional<Bytes> EditorViewControllerSettings::documentBytes(bool asText) const
{
    if (asText) {
        const std::string text = ArchiveText::write(encode());
        return Bytes(text.begin(), text.end());
    }
    Bytes bytes(std::begin(selfDescribeTag), std::end(selfDescribeTag));
    ArchiveRecord::to_cbor(encode(), bytes);
    return bytes;
}

std::optional<Bytes> EditorViewControllerSettings::documentBytesFor(const std::string &fileName) const
{
    return documentBytes(ArchiveText::isTextName(fileName));
}

SettingsPtr EditorViewControllerSettings::fromDocumentBytes(const Bytes &bytes, std::string *whyNot)
{
    if (ArchiveText::looksLikeText(bytes))
        return fromDocumentText(bytes, whyNot);
    if (bytes.size() < sizeof selfDescribeTag
        || !std::equal(std::begin(selfDescribeTag), std::end(selfDescribeTag), bytes.begin())) {
        setReason(whyNot, "it is not a Kestova document");
        return nullptr;
    }
    const auto body = std::span(bytes).subspan(sizeof selfDescribeTag);
    if (!declaredLengthsFit(body)) {
        setReason(whyNot, "the document is damaged (it is not valid CBOR)");
        return nullptr;
    }
    ArchiveRecord record;
    DepthLimitedBuilder builder(record);
    const bool parsed = ArchiveRecord::sax_parse(
        bytes.begin() + sizeof selfDescribeTag, bytes.end(), &builder, nlohmann::json::input_format_t::cbor, true);
    if (!parsed) {
        setReason(whyNot, "the document is damaged (it is not valid CBOR)");
        return nullptr;
    }
    return fromRecord(record, whyNot);
}

SettingsPtr EditorViewControllerSettings::fromDocumentText(const Bytes &bytes, std::string *whyNot)
{
    ArchiveRecord parsed;
    DepthLimitedBuilder builder(parsed);
    if (!ArchiveRecord::sax_parse(bytes.begin(), bytes.end(), &builder, nlohmann::json::input_format_t::json, true)) {
        setReason(whyNot, "the document is damaged (it is not valid JSON)");
        return nullptr;
    }
    std::string reason;
    auto record = ArchiveText::fromText(std::move(parsed), &reason);
    if (!record) {
        setReason(whyNot, "the document is damaged (" + reason + ")");
        return nullptr;
    }
    return fromRecord(*record, whyNot);
}

SettingsPtr EditorViewControllerSettings::fromRecord(const ArchiveRecord &record, std::string *whyNot)
{
    const auto recordClass = record.is_object() ? record.find("$class") : record.end();
    if (recordClass == record.end() || !recordClass->is_string()
        || recordClass->get_ref<const std::string &>() != className) {
        setReason(whyNot, "its root object is not Kestova editor settings");
        return nullptr;
    }
    std::string reason;
    auto settings = decode(record, &reason);
    if (!settings->tileData()) {
        if (whyNot)
            *whyNot = reason;
        return nullptr;
    }
    return settings;
}

} // namespace kestova
