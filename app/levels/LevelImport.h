#pragma once

#include "app/document/EditorViewControllerSettings.h"
#include "convert/LevelConversion.h"
#include "convert/LossyScreenConversion.h"
#include "core/PatternTables.h"
#include "palette/DisplayColors.h"

#include <QImage>
#include <QString>

#include <optional>
#include <string>
#include <variant>

namespace kestova {

// Levels of a document made from pictures and screens, and the patterns they read: shared by the window and the
// command line.

// The tiles a document's levels read (its screen bank), or the reason there are none.
std::variant<mosavo::PatternTables, QString> levelPatternTables(const EditorViewControllerSettings &document);

// The picture bytes hold (PNG, BMP, GIF or JPEG), or why it cannot be read; a picture that is not whole rooms is
// refused from its header, before its pixels are read.
std::variant<QImage, QString> readLevelPicture(const mosavo::Bytes &bytes);

// The level converted from a picture (any QImage format) for the document, as convertLevelPicture does, reading
// pattern table patternTable of its screen bank: the conversion or the reason it was refused. With lossy settings
// the picture is converted into what the console can show (convertLevelPictureLossy).
std::variant<mosavo::LevelConversion, QString> convertLevelImage(const QImage &image,
    const EditorViewControllerSettings &document, const mosavo::DisplayColors &colors, int emphasis,
    const std::optional<mosavo::BackgroundSubPalettes> &subPalettes, int patternTable, const std::string &name,
    const std::optional<mosavo::LossySettings> &lossy = std::nullopt);

// Puts a conversion into the document: its tiles written into the screen bank, its sub-palettes as sub-palettes 0-3,
// its set and its map (naming that set) added last.
void applyLevelConversion(EditorViewControllerSettings &document, mosavo::LevelConversion conversion);

// A screen of the document made into a set (each distinct 2 x 2 area with its sub-palette one metatile, first seen
// first; a screen has 240 areas, so a set always holds them) and a one-room map over it, both added last; the reason
// when there is no such screen.
std::optional<QString> makeMetatilesFromScreen(EditorViewControllerSettings &document, size_t screen);

} // namespace kestova
