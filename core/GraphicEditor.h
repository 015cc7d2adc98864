#pragma once

#include "core/Matrix.h"

namespace mosavo {

// Anything that exposes a grid of colour indices.
class GraphicEditor
{
public:
    virtual ~GraphicEditor() = default;
    virtual MatrixPtr matrix() const = 0;
};

} // namespace mosavo
