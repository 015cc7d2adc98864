#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace mosavo {

// The value of one entry of a metasprite table as C or ca65 source writes it: a number (decimal, hex after 0x or $,
// binary after %), a name (neslib's OAM_FLIP_H, OAM_FLIP_V and OAM_BEHIND, or one the file defines), a term in
// parentheses, a term after a minus sign, and terms joined by | or +.
class TableValueParser
{
public:
    using Constants = std::map<std::string, int, std::less<>>;

    // neslib's attribute names and their bits.
    static const Constants &neslibConstants();

    // The value, or nothing with the reason in whyNot. Names are looked up in constants, then in neslibConstants.
    static std::optional<int> parse(std::string_view text, const Constants &constants, std::string *whyNot);

    // Whether text is a C or ca65 identifier: a letter or underscore, then letters, digits and underscores.
    static bool isIdentifier(std::string_view text);
};

} // namespace mosavo
