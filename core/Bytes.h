#pragma once

#include <cstdint>
#include <vector>

namespace mosavo {

using Bytes = std::vector<uint8_t>;

} // namespace mosavo
