#include "formats/MetaspriteCa65Format.h"

#include "convert/MetaspriteExport.h"
#include "formats/MetaspriteTableReader.h"
#include "formats/TableValueParser.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace mosavo {

namespace {
using Result = FormatResult<MetaspriteTables>;

// Directives that hold no table data and are passed over.
constexpr std::array<std::string_view, 14> passedOver = { "export", "exportzp", "global", "globalzp", "import",
    "importzp", "segment", "include", "rodata", "code", "data", "align", "setcpu", "p02" };

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

std::string lower(std::string_view text)
{
    std::string out(text);
    std::transform(
        out.begin(), out.end(), out.begin(), [](char c) { return char(std::tolower(static_cast<unsigned char>(c))); });
    return out;
}

// A label being read: its values, or that it is an address table.
struct OpenLabel
{
    std::string name;
    size_t line = 0;
    std::vector<int> values;
    bool hasBytes = false;
    bool isAddressTable = false;
};
} // namespace

FormatResult<MetaspriteTables> MetaspriteCa65Format::read(const Bytes &bytes) const
{
    const std::string_view text(reinterpret_cast<const char *>(bytes.data()), bytes.size());
    MetaspriteTables tables;
    TableValueParser::Constants constants;
    std::optional<OpenLabel> open;
    std::string error;

    auto close = [&]() -> bool {
        if (!open)
            return true;
        if (open->isAddressTable) {
            if (tables.tableName.empty())
                tables.tableName = open->name;
        } else if (open->hasBytes) {
            const std::string where = "line " + std::to_string(open->line) + ": the label " + open->name;
            auto metasprite = MetaspriteTableReader::read(open->values, open->name, where, &error);
            if (!metasprite)
                return false;
            tables.metasprites.push_back(std::move(*metasprite));
        }
        open.reset();
        return true;
    };

    size_t lineNumber = 0;
    for (size_t lineStart = 0; lineStart <= text.size();) {
        size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string_view::npos)
            lineEnd = text.size();
        ++lineNumber;
        std::string_view line = text.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;
        const std::string where = "line " + std::to_string(lineNumber);
        // A comment runs from ; to the end of the line, unless the ; is inside a string (.segment "RODATA;").
        bool inString = false;
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '"')
                inString = !inString;
            else if (line[i] == ';' && !inString) {
                line = line.substr(0, i);
                break;
            }
        }
        line = trimmed(line);

        // Labels at the start of the line, each ending the one before.
        while (!line.empty()) {
            size_t end = 0;
            while (end < line.size() && (std::isalnum(static_cast<unsigned char>(line[end])) || line[end] == '_'))
                ++end;
            if (end == 0 || end >= line.size() || line[end] != ':' || (end + 1 < line.size() && line[end + 1] == '='))
                break;
            const std::string_view name = line.substr(0, end);
            if (!TableValueParser::isIdentifier(name))
                break;
            if (!close())
                return Result::failure(error);
            open = OpenLabel { std::string(name), lineNumber, {}, false, false };
            line = trimmed(line.substr(end + 1));
        }
        if (line.empty())
            continue;

        if (line.front() != '.') {
            // NAME = value, NAME := value
            const size_t equals = line.find('=');
            if (equals == std::string_view::npos)
                return Result::failure(
                    where + ": \"" + std::string(line) + "\" is neither a label, a directive nor a value");
            std::string_view name = trimmed(line.substr(0, equals));
            if (!name.empty() && name.back() == ':')
                name = trimmed(name.substr(0, name.size() - 1));
            if (!TableValueParser::isIdentifier(name))
                return Result::failure(where + ": \"" + std::string(name) + "\" cannot be given a value");
            std::string why;
            auto value = TableValueParser::parse(line.substr(equals + 1), constants, &why);
            if (!value)
                return Result::failure(where + ": " + why);
            constants[std::string(name)] = *value;
            continue;
        }

        size_t end = 1;
        while (end < line.size() && (std::isalnum(static_cast<unsigned char>(line[end])) || line[end] == '_'))
            ++end;
        const std::string directive = lower(line.substr(1, end - 1));
        const std::string_view rest = trimmed(line.substr(end));
        if (directive == "byte" || directive == "db") {
            if (!open)
                return Result::failure(where + ": .byte values before any label");
            if (open->isAddressTable)
                return Result::failure(where + ": the label " + open->name + " mixes .word and .byte values");
            if (rest.find('"') != std::string_view::npos || rest.find('\'') != std::string_view::npos)
                return Result::failure(where + ": a string or character is not a table value");
            open->hasBytes = true;
            size_t from = 0;
            while (true) {
                const size_t comma = rest.find(',', from);
                const std::string_view entry
                    = rest.substr(from, comma == std::string_view::npos ? rest.npos : comma - from);
                std::string why;
                auto value = TableValueParser::parse(entry, constants, &why);
                if (!value)
                    return Result::failure(where + ", the label " + open->name + ": " + why);
                open->values.push_back(*value);
                if (comma == std::string_view::npos)
                    break;
                from = comma + 1;
            }
        } else if (directive == "word" || directive == "addr" || directive == "dw") {
            if (!open)
                return Result::failure(where + ": .word values before any label");
            if (open->hasBytes)
                return Result::failure(where + ": the label " + open->name + " mixes .byte and .word values");
            open->isAddressTable = true;
        } else if (std::find(passedOver.begin(), passedOver.end(), directive) == passedOver.end()) {
            return Result::failure(where + ": the directive ." + directive + " is not read in a metasprite table");
        }
    }
    if (!close())
        return Result::failure(error);
    if (tables.metasprites.empty())
        return Result::failure("it holds no metasprite table: no label followed by .byte values");
    return Result::success(std::move(tables));
}

FormatResult<Bytes> MetaspriteCa65Format::write(
    const std::vector<Metasprite> &metasprites, std::string_view tableName) const
{
    auto source = metaspriteTablesSource(tableName, metasprites, SourceLanguage::ca65);
    if (!source)
        return FormatResult<Bytes>::failure(source.error);
    return FormatResult<Bytes>::success(Bytes(source.text->begin(), source.text->end()));
}

} // namespace mosavo
