// Documents with screens, metasprites and animations: archive records the fuzzer's bytes shape (mostly well formed,
// now and then a field missing, of the wrong kind or out of range), read list by list and as part of a document.
// - Reading never crashes; a refused list has a reason.
// - What is accepted is within the model's ranges, and encodes and decodes back to itself.
// - A document file holding the lists opens exactly when every list reads, with the same content, and the record of
//   a document opened reads back the same.
#include "FuzzSupport.h"
#include "RecordShaper.h"

#include "app/document/EditorViewControllerSettings.h"
#include "core/GraphicsArchive.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <utility>

namespace {

using mosavo::ArchiveRecord;

class RecordMaker : public fuzz::RecordShaper
{
public:
    explicit RecordMaker(FuzzedDataProvider &in)
        : RecordShaper(in, 1100)
    {
    }

    ArchiveRecord bytes(size_t size)
    {
        if (odd())
            return anything();
        auto content = in_.ConsumeBytes<uint8_t>(size);
        if (!odd())
            content.resize(size, 0);
        return ArchiveRecord::binary(std::move(content));
    }

    ArchiveRecord name() { return odd() ? anything() : ArchiveRecord(in_.ConsumeRandomLengthString(300)); }

    ArchiveRecord screen()
    {
        ArchiveRecord record = mosavo::makeArchiveRecord("Screen");
        put(record, "Name", name());
        put(record, "PatternTable", integer(0, 1));
        put(record, "Tiles", bytes(mosavo::Screen::tileCount));
        put(record, "Attributes", bytes(mosavo::Screen::attributeCount));
        return record;
    }

    ArchiveRecord metasprite()
    {
        ArchiveRecord record = mosavo::makeArchiveRecord("Metasprite");
        put(record, "Name", name());
        ArchiveRecord sprites = ArchiveRecord::array();
        // A few sprites mostly, now and then more than the 64 of OAM.
        const int count = odd() ? in_.ConsumeIntegralInRange(0, 70) : in_.ConsumeIntegralInRange(0, 8);
        for (int i = 0; i < count; ++i) {
            ArchiveRecord sprite = mosavo::makeArchiveRecord("MetaspriteSprite");
            put(sprite, "X", integer(-128, 127));
            put(sprite, "Y", integer(-128, 127));
            put(sprite, "Tile", integer(0, 255));
            put(sprite, "Attributes", integer(0, 255));
            sprites.push_back(odd() ? anything() : std::move(sprite));
        }
        put(record, "Sprites", odd() ? anything() : std::move(sprites));
        return record;
    }

    ArchiveRecord animation(int metasprites)
    {
        ArchiveRecord record = mosavo::makeArchiveRecord("Animation");
        put(record, "Name", name());
        ArchiveRecord frames = ArchiveRecord::array();
        const int count = odd() ? in_.ConsumeIntegralInRange(0, 20) : in_.ConsumeIntegralInRange(0, 4);
        for (int i = 0; i < count; ++i) {
            ArchiveRecord frame = mosavo::makeArchiveRecord("AnimationFrame");
            put(frame, "Metasprite", integer(0, std::max(metasprites - 1, 0)));
            put(frame, "Duration", integer(1, 65535));
            frames.push_back(odd() ? anything() : std::move(frame));
        }
        put(record, "Frames", odd() ? anything() : std::move(frames));
        return record;
    }
};

void checkModel(const std::vector<mosavo::Screen> &screens, const std::vector<mosavo::Metasprite> &metasprites,
                const std::vector<mosavo::Animation> &animations)
{
    for (const auto &screen : screens)
        fuzz::require(screen.patternTable == 0 || screen.patternTable == 1, "a screen reads pattern table 0 or 1");
    for (const auto &metasprite : metasprites)
        for (const auto &sprite : metasprite.sprites) {
            fuzz::require(sprite.x >= -128 && sprite.x <= 127 && sprite.y >= -128 && sprite.y <= 127,
                          "offsets are -128..127");
            fuzz::require(sprite.subPalette >= 4 && sprite.subPalette <= 7, "sprites use sub-palettes 4-7");
        }
    for (const auto &animation : animations)
        for (const auto &frame : animation.frames) {
            fuzz::require(frame.metasprite >= 0 && size_t(frame.metasprite) < metasprites.size(),
                          "frames name a metasprite of the document");
            fuzz::require(frame.duration >= 1 && frame.duration <= 65535, "durations are 1-65535 frames");
        }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::silenceSystemLog();
    FuzzedDataProvider in(data, size);
    RecordMaker maker(in);
    const int declaredMetasprites = in.ConsumeIntegralInRange(0, 8);
    ArchiveRecord screenList = maker.list(4, [&] { return maker.screen(); });
    ArchiveRecord metaspriteList = maker.list(8, [&] { return maker.metasprite(); });
    ArchiveRecord animationList = maker.list(4, [&] { return maker.animation(declaredMetasprites); });

    std::string why;
    const auto screens = mosavo::decodeScreens(screenList, &why);
    fuzz::require(screens || !why.empty(), "refused screens have a reason");
    why.clear();
    const auto metasprites = mosavo::decodeMetasprites(metaspriteList, &why);
    fuzz::require(metasprites || !why.empty(), "refused metasprites have a reason");
    why.clear();
    const size_t metaspriteCount = metasprites ? metasprites->size() : 0;
    const auto animations = mosavo::decodeAnimations(animationList, metaspriteCount, &why);
    fuzz::require(animations || !why.empty(), "refused animations have a reason");

    if (screens) {
        const auto again = mosavo::decodeScreens(mosavo::encodeScreens(*screens));
        fuzz::require(again && *again == *screens, "screens encode and decode to themselves");
    }
    if (metasprites) {
        const auto again = mosavo::decodeMetasprites(mosavo::encodeMetasprites(*metasprites));
        fuzz::require(again && *again == *metasprites, "metasprites encode and decode to themselves");
    }
    if (animations) {
        checkModel(screens.value_or(std::vector<mosavo::Screen> {}),
                   metasprites.value_or(std::vector<mosavo::Metasprite> {}), *animations);
        const auto again = mosavo::decodeAnimations(mosavo::encodeAnimations(*animations), metaspriteCount);
        fuzz::require(again && *again == *animations, "animations encode and decode to themselves");
    }
    if (screens && metasprites)
        checkModel(*screens, *metasprites, {});

    // The lists in a document file, with the sprite settings.
    // The blank document's record, made once, with 16 of its 512 tiles and the first of its eight palettes: the lists
    // are what is read here, and the rest of the document is read twice an input.
    static const ArchiveRecord blankRecord = [] {
        ArchiveRecord blank
            = kestova::EditorViewControllerSettings::emptyConsoleObject(mosavo::ConsoleType::nes)->encode();
        blank["TileData"] = ArchiveRecord::binary(mosavo::Bytes(16 * 16, 0));
        blank["Palettes"] = ArchiveRecord::array({ blank["Palettes"].at(0) });
        return blank;
    }();
    ArchiveRecord record = blankRecord;
    record["Screens"] = std::move(screenList);
    record["Metasprites"] = std::move(metaspriteList);
    record["Animations"] = std::move(animationList);
    if (in.ConsumeBool())
        record["SpritePatternTable"] = maker.integer(0, 1);
    if (in.ConsumeBool())
        record["SpriteSize"] = in.ConsumeBool() ? ArchiveRecord(16) : maker.integer(8, 8);
    mosavo::Bytes file { 0xD9, 0xD9, 0xF7 };
    ArchiveRecord::to_cbor(record, file);
    why.clear();
    const auto document = kestova::EditorViewControllerSettings::fromDocumentBytes(file, &why);
    fuzz::require(document || !why.empty(), "a refused document has a reason");
    if (!(screens && metasprites && animations)) {
        fuzz::require(!document, "a document with a damaged list is refused");
        return 0;
    }
    if (!document)
        return 0; // the sprite settings were out of range
    fuzz::require(document->screens() == *screens && document->metasprites() == *metasprites
                      && document->animations() == *animations,
                  "a document holds the lists as they read");
    // Its record read again (the file's bytes are the document targets' concern).
    const auto reread = kestova::EditorViewControllerSettings::decode(document->encode());
    fuzz::require(reread && reread->screens() == document->screens() && reread->metasprites() == document->metasprites()
                      && reread->animations() == document->animations()
                      && reread->spritePatternTable() == document->spritePatternTable()
                      && reread->tallSprites() == document->tallSprites(),
                  "the lists and sprite settings survive writing and reading");
    return 0;
}
