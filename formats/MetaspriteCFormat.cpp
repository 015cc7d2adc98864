#include "formats/MetaspriteCFormat.h"

#include "convert/MetaspriteExport.h"
#include "formats/MetaspriteTableReader.h"
#include "formats/TableValueParser.h"

#include <cctype>

namespace mosavo {

namespace {
using Result = FormatResult<MetaspriteTables>;

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

// The text without its comments (each replaced by a space, newlines kept so that lines keep their numbers), or
// nothing when a block comment is not closed.
std::optional<std::string> withoutComments(std::string_view text, size_t *unclosedLine)
{
    std::string out;
    out.reserve(text.size());
    size_t line = 1;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n')
            ++line;
        if (text.substr(i, 2) == "//") {
            while (i < text.size() && text[i] != '\n')
                ++i;
            if (i < text.size()) {
                out += '\n';
                ++line;
            }
            continue;
        }
        if (text.substr(i, 2) == "/*") {
            const size_t start = line;
            const size_t end = text.find("*/", i + 2);
            if (end == std::string_view::npos) {
                *unclosedLine = start;
                return std::nullopt;
            }
            for (size_t j = i; j < end; ++j)
                if (text[j] == '\n') {
                    out += '\n';
                    ++line;
                }
            out += ' ';
            i = end + 1;
            continue;
        }
        out += text[i];
    }
    return out;
}

// The last identifier of a declarator ("static const unsigned char hero" -> "hero").
std::string lastIdentifier(std::string_view text)
{
    text = trimmed(text);
    size_t start = text.size();
    while (start > 0 && (std::isalnum(static_cast<unsigned char>(text[start - 1])) || text[start - 1] == '_'))
        --start;
    return std::string(text.substr(start));
}

std::vector<std::string_view> splitValues(std::string_view inner)
{
    std::vector<std::string_view> values;
    int depth = 0;
    size_t start = 0;
    for (size_t i = 0; i <= inner.size(); ++i) {
        if (i < inner.size() && inner[i] == '(')
            ++depth;
        else if (i < inner.size() && inner[i] == ')')
            --depth;
        if (i == inner.size() || (inner[i] == ',' && depth == 0)) {
            values.push_back(trimmed(inner.substr(start, i - start)));
            start = i + 1;
        }
    }
    // A trailing comma leaves one empty value at the end, as C allows; an empty list has no values at all.
    if (!values.empty() && values.back().empty())
        values.pop_back();
    return values;
}
} // namespace

FormatResult<MetaspriteTables> MetaspriteCFormat::read(const Bytes &bytes) const
{
    const std::string_view raw(reinterpret_cast<const char *>(bytes.data()), bytes.size());
    size_t unclosed = 0;
    auto stripped = withoutComments(raw, &unclosed);
    if (!stripped)
        return Result::failure("the comment opened on line " + std::to_string(unclosed) + " is not closed");

    // Preprocessor lines: a #define of a value becomes a name the values may use; the others are passed over.
    TableValueParser::Constants constants;
    std::string text = *stripped;
    for (size_t lineStart = 0; lineStart < text.size();) {
        size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string::npos)
            lineEnd = text.size();
        const std::string_view line = trimmed(std::string_view(text).substr(lineStart, lineEnd - lineStart));
        if (!line.empty() && line.front() == '#') {
            std::string_view rest = trimmed(line.substr(1));
            if (rest.substr(0, 6) == "define") {
                rest = trimmed(rest.substr(6));
                const size_t space = rest.find_first_of(" \t");
                if (space != std::string_view::npos) {
                    const std::string name(rest.substr(0, space));
                    if (auto value = TableValueParser::parse(trimmed(rest.substr(space)), constants, nullptr))
                        constants[name] = *value;
                }
            }
            for (size_t i = lineStart; i < lineEnd; ++i)
                text[i] = ' ';
        }
        lineStart = lineEnd + 1;
    }

    MetaspriteTables tables;
    const std::string_view all(text);
    int depth = 0;
    size_t start = 0;
    size_t lineNow = 1;
    size_t line = 0; // where the declaration being read starts; 0 before its first character
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i] == '\n')
            ++lineNow;
        else if (line == 0 && !std::isspace(static_cast<unsigned char>(all[i])))
            line = lineNow;
        if (all[i] == '{')
            ++depth;
        else if (all[i] == '}')
            --depth;
        if (all[i] != ';' || depth != 0)
            continue;
        const std::string_view declaration = trimmed(all.substr(start, i - start));
        const std::string lineText = "line " + std::to_string(line);
        start = i + 1;
        line = 0;
        const size_t equals = declaration.find('=');
        if (equals == std::string_view::npos)
            continue; // a declaration without values (extern, typedef, prototype)
        const std::string_view left = trimmed(declaration.substr(0, equals));
        const std::string_view right = trimmed(declaration.substr(equals + 1));
        const size_t bracket = left.find('[');
        if (bracket == std::string_view::npos)
            continue; // a single value, not a table
        const std::string name = lastIdentifier(left.substr(0, bracket));
        const std::string where = lineText + ": the array " + name;
        if (!TableValueParser::isIdentifier(name))
            return Result::failure(lineText + ": an array without a name");
        if (right.size() < 2 || right.front() != '{' || right.back() != '}')
            return Result::failure(where + " has no list of values in braces");
        if (left.substr(0, bracket).find('*') != std::string_view::npos) {
            if (tables.tableName.empty())
                tables.tableName = name;
            continue;
        }
        std::vector<int> values;
        for (std::string_view entry : splitValues(right.substr(1, right.size() - 2))) {
            std::string why;
            auto value = TableValueParser::parse(entry, constants, &why);
            if (!value)
                return Result::failure(where + ", value " + std::to_string(values.size()) + ": " + why);
            values.push_back(*value);
        }
        std::string why;
        auto metasprite = MetaspriteTableReader::read(values, name, where, &why);
        if (!metasprite)
            return Result::failure(why);
        tables.metasprites.push_back(std::move(*metasprite));
    }
    if (!trimmed(all.substr(start)).empty())
        return Result::failure("line " + std::to_string(line) + ": a declaration does not end with ;");
    if (tables.metasprites.empty())
        return Result::failure("it holds no metasprite table: no array const unsigned char NAME[]={...};");
    return Result::success(std::move(tables));
}

FormatResult<Bytes> MetaspriteCFormat::write(
    const std::vector<Metasprite> &metasprites, std::string_view tableName) const
{
    auto source = metaspriteTablesSource(tableName, metasprites, SourceLanguage::c);
    if (!source)
        return FormatResult<Bytes>::failure(source.error);
    return FormatResult<Bytes>::success(Bytes(source.text->begin(), source.text->end()));
}

} // namespace mosavo
