#include "formats/TableValueParser.h"

#include <cctype>

namespace mosavo {

namespace {
// Values far outside a byte are refused by the table reader; this bound only keeps the arithmetic in range.
constexpr long long valueLimit = 1 << 24;
constexpr int depthLimit = 32;

bool isNameStart(char c)
{
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}

bool isNameChar(char c)
{
    return isNameStart(c) || std::isdigit(static_cast<unsigned char>(c));
}

class Parser
{
public:
    Parser(std::string_view text, const TableValueParser::Constants &constants)
        : text_(text)
        , constants_(constants)
    { }

    std::optional<int> parse(std::string *whyNot)
    {
        auto value = expression(0);
        skipSpace();
        if (value && at_ != text_.size())
            value = fail("\"" + std::string(text_.substr(at_)) + "\" follows the value");
        if (!value && whyNot)
            *whyNot = error_;
        return value ? std::optional<int>(int(*value)) : std::nullopt;
    }

private:
    std::optional<long long> fail(std::string reason)
    {
        if (error_.empty())
            error_ = "\"" + std::string(text_) + "\" is not a value: " + std::move(reason);
        return std::nullopt;
    }

    void skipSpace()
    {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_])))
            ++at_;
    }

    std::optional<long long> expression(int depth)
    {
        auto value = term(depth);
        while (value) {
            skipSpace();
            if (at_ >= text_.size() || (text_[at_] != '|' && text_[at_] != '+'))
                break;
            const char op = text_[at_++];
            const auto right = term(depth);
            if (!right)
                return std::nullopt;
            value = op == '|' ? (*value | *right) : (*value + *right);
            if (*value > valueLimit || *value < -valueLimit)
                return fail("it is far too large for a byte");
        }
        return value;
    }

    std::optional<long long> term(int depth)
    {
        if (depth > depthLimit)
            return fail("it nests too deeply");
        skipSpace();
        if (at_ >= text_.size())
            return fail(text_.empty() || at_ == 0 ? "it is empty" : "it ends after an operator");
        const char c = text_[at_];
        if (c == '-') {
            ++at_;
            const auto value = term(depth + 1);
            return value ? std::optional<long long>(-*value) : std::nullopt;
        }
        if (c == '(') {
            ++at_;
            const auto value = expression(depth + 1);
            if (!value)
                return std::nullopt;
            skipSpace();
            if (at_ >= text_.size() || text_[at_] != ')')
                return fail("a parenthesis is not closed");
            ++at_;
            return value;
        }
        if (isNameStart(c)) {
            const size_t start = at_;
            while (at_ < text_.size() && isNameChar(text_[at_]))
                ++at_;
            const std::string_view name = text_.substr(start, at_ - start);
            if (auto found = constants_.find(name); found != constants_.end())
                return found->second;
            const auto &neslib = TableValueParser::neslibConstants();
            if (auto found = neslib.find(name); found != neslib.end())
                return found->second;
            return fail("the name " + std::string(name) + " is not known");
        }
        return number();
    }

    std::optional<long long> number()
    {
        int base = 10;
        if (text_[at_] == '$') {
            base = 16;
            ++at_;
        } else if (text_[at_] == '%') {
            base = 2;
            ++at_;
        } else if (text_.substr(at_, 2) == "0x" || text_.substr(at_, 2) == "0X") {
            base = 16;
            at_ += 2;
        }
        long long value = 0;
        size_t digits = 0;
        while (at_ < text_.size()) {
            const char c = char(std::tolower(static_cast<unsigned char>(text_[at_])));
            int digit = -1;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            if (digit < 0 || digit >= base) {
                if (c == 'u' && digits > 0)
                    break;
                if (isNameChar(c))
                    return fail("'" + std::string(1, text_[at_]) + "' is not a digit of the number");
                break;
            }
            value = value * base + digit;
            if (value > valueLimit)
                return fail("it is far too large for a byte");
            ++at_;
            ++digits;
        }
        if (digits == 0)
            return fail("a number or name was expected");
        // A C suffix: 8u, 0x80U.
        if (at_ < text_.size() && (text_[at_] == 'u' || text_[at_] == 'U'))
            ++at_;
        return value;
    }

    std::string_view text_;
    const TableValueParser::Constants &constants_;
    size_t at_ = 0;
    std::string error_;
};
} // namespace

const TableValueParser::Constants &TableValueParser::neslibConstants()
{
    static const Constants constants = { { "OAM_FLIP_H", 0x40 }, { "OAM_FLIP_V", 0x80 }, { "OAM_BEHIND", 0x20 } };
    return constants;
}

std::optional<int> TableValueParser::parse(std::string_view text, const Constants &constants, std::string *whyNot)
{
    return Parser(text, constants).parse(whyNot);
}

bool TableValueParser::isIdentifier(std::string_view text)
{
    if (text.empty() || !isNameStart(text.front()))
        return false;
    for (char c : text)
        if (!isNameChar(c))
            return false;
    return true;
}

} // namespace mosavo
