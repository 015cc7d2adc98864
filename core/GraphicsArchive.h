#pragma once

#include "core/Archive.h"
#include "core/Metasprite.h"
#include "core/Screen.h"

#include <optional>
#include <string>
#include <vector>

namespace mosavo {

// The longest name (in bytes of UTF-8) a screen, metasprite or animation keeps: a reader refuses longer ones.
constexpr size_t maximumNameBytes = 256;

// Archive records of screens, metasprites and animations, as a document stores them.
//   Screen:     "Name" (text), "PatternTable" (0 or 1), "Tiles" (960 bytes), "Attributes" (64 bytes)
//   Metasprite: "Name" (text), "Sprites": a list of "X", "Y" (-128..127), "Tile" (0-255), "Attributes" (the OAM byte)
//   Animation:  "Name" (text), "Frames": a list of "Metasprite" (its position in the document) and "Duration"
//               (frames of 1/60 s, 1-65535)
// A reader refuses a record with a field missing, of the wrong kind or out of range, with the reason in whyNot.
ArchiveRecord encodeScreen(const Screen &screen);
std::optional<Screen> decodeScreen(const ArchiveRecord &record, std::string *whyNot = nullptr);

ArchiveRecord encodeMetasprite(const Metasprite &metasprite);
std::optional<Metasprite> decodeMetasprite(const ArchiveRecord &record, std::string *whyNot = nullptr);

ArchiveRecord encodeAnimation(const Animation &animation);
// metaspriteCount: how many metasprites the document holds; a frame naming another is refused.
std::optional<Animation> decodeAnimation(
    const ArchiveRecord &record, size_t metaspriteCount, std::string *whyNot = nullptr);

// Lists of them under one key: the list, or nothing with the reason (naming the entry) in whyNot.
ArchiveRecord encodeScreens(const std::vector<Screen> &screens);
std::optional<std::vector<Screen>> decodeScreens(const ArchiveRecord &list, std::string *whyNot = nullptr);
ArchiveRecord encodeMetasprites(const std::vector<Metasprite> &metasprites);
std::optional<std::vector<Metasprite>> decodeMetasprites(const ArchiveRecord &list, std::string *whyNot = nullptr);
ArchiveRecord encodeAnimations(const std::vector<Animation> &animations);
std::optional<std::vector<Animation>> decodeAnimations(
    const ArchiveRecord &list, size_t metaspriteCount, std::string *whyNot = nullptr);

} // namespace mosavo
