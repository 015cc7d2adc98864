#pragma once

#include "app/document/EditorViewControllerSettings.h"
#include "formats/ScreenToolSession.h"

#include <QString>

#include <variant>

namespace kestova {

// A new document of a screen-tool session: the session's tiles, its sub-palettes as the document's 0-3 and (the tool
// draws sprites from the same colours) 4-7, its screen named name, its metasprites and how its sprites read tiles.
SettingsPtr documentFromSession(const mosavo::ScreenToolSession &session, const QString &name);

// The document of the session file at path, or the reason it cannot be read ("the key CHRMain: ...").
std::variant<SettingsPtr, QString> readSessionDocument(const QString &path);

} // namespace kestova
