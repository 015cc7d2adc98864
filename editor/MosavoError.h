#pragma once

#include <system_error>

namespace mosavo {

// Errors of the pixel editor; the code is the case's position, the category is named "Mosavo.MosavoError".
enum class MosavoError {
    paletteValueUnavailable = 0,
    tileIDUnavailable = 1,
    tileDataNotConfiguredProperly = 2,
};

const std::error_category &mosavoErrorCategory();

inline std::error_code make_error_code(MosavoError error)
{
    return { int(error), mosavoErrorCategory() };
}

} // namespace mosavo

template<>
struct std::is_error_code_enum<mosavo::MosavoError> : std::true_type
{
};
