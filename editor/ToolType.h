#pragma once

namespace mosavo {

// The pixel editor's drawing tools.
enum class ToolType { pencil, straightLine, boxEmpty, boxFilled, circleEmpty, circleFilled, fillBucket };

} // namespace mosavo
