#include "editor/MosavoError.h"

#include <string>

namespace mosavo {

namespace {
class MosavoErrorCategory : public std::error_category
{
public:
    const char *name() const noexcept override { return "Mosavo.MosavoError"; }
    std::string message(int code) const override
    {
        switch (MosavoError(code)) {
        case MosavoError::paletteValueUnavailable:
            return "paletteValueUnavailable";
        case MosavoError::tileIDUnavailable:
            return "tileIDUnavailable";
        case MosavoError::tileDataNotConfiguredProperly:
            return "tileDataNotConfiguredProperly";
        }
        return "unknown";
    }
};
} // namespace

const std::error_category &mosavoErrorCategory()
{
    static const MosavoErrorCategory category;
    return category;
}

} // namespace mosavo
