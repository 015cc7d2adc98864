#pragma once

#include <QIcon>

namespace kestova {

// The pictures of the document docks' icon buttons, drawn by the program in the button text's colour.
enum class DockGlyph {
    add, // a plus
    duplicate, // two sheets
    rename, // a pencil
    remove, // a cross
    up, // an arrow up
    down, // an arrow down
    flipHorizontally, // two triangles facing each other across a vertical line
    flipVertically, // the same across a horizontal line
    behind, // a square half hidden behind another
    front, // a filled square before an outlined one
    back, // an outlined square before a filled one
    position, // a cross hair
    play, // a triangle
    pause, // two bars
    step, // a triangle and a bar
    frameAdd, // a film frame with a plus
};

QIcon dockIcon(DockGlyph glyph);

} // namespace kestova
