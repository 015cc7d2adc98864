#include "app/document/ArchiveText.h"

#include <algorithm>
#include <cctype>

namespace kestova {

using mosavo::ArchiveRecord;

namespace {
constexpr const char *hexKey = "$hex";
constexpr int depthLimit = 16;

size_t bytesPerLine(const std::string &key)
{
    if (key == "Tiles")
        return 32;
    if (key == "Attributes")
        return 8;
    return 16;
}

ArchiveRecord hexLines(const ArchiveRecord::binary_t &bytes, size_t perLine)
{
    static const char digits[] = "0123456789abcdef";
    ArchiveRecord lines = ArchiveRecord::array();
    for (size_t at = 0; at < bytes.size(); at += perLine) {
        std::string line;
        for (size_t i = at; i < bytes.size() && i < at + perLine; ++i) {
            line += digits[bytes[i] >> 4];
            line += digits[bytes[i] & 15];
        }
        lines.push_back(std::move(line));
    }
    ArchiveRecord object = ArchiveRecord::object();
    object[hexKey] = std::move(lines);
    return object;
}

ArchiveRecord toTextValue(const ArchiveRecord &value, const std::string &key)
{
    if (value.is_binary())
        return hexLines(value.get_binary(), bytesPerLine(key));
    if (value.is_object()) {
        ArchiveRecord out = ArchiveRecord::object();
        for (const auto &[name, item] : value.items())
            out[name] = toTextValue(item, name);
        return out;
    }
    if (value.is_array()) {
        ArchiveRecord out = ArchiveRecord::array();
        for (const auto &item : value)
            out.push_back(toTextValue(item, key));
        return out;
    }
    return value;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool fromTextValue(ArchiveRecord &value, const std::string &key, int depth, std::string *whyNot)
{
    if (depth > depthLimit) {
        *whyNot = "it nests deeper than a document does";
        return false;
    }
    if (value.is_object() && value.size() == 1 && value.contains(hexKey)) {
        const ArchiveRecord &lines = value[hexKey];
        if (!lines.is_array()) {
            *whyNot = "the bytes of \"" + key + "\" are not a list of lines of hex digits";
            return false;
        }
        ArchiveRecord::binary_t bytes;
        for (size_t l = 0; l < lines.size(); ++l) {
            if (!lines[l].is_string()) {
                *whyNot = "line " + std::to_string(l) + " of the bytes of \"" + key + "\" is not a text of hex digits";
                return false;
            }
            const std::string &line = lines[l].get_ref<const std::string &>();
            if (line.size() % 2 != 0) {
                *whyNot = "line " + std::to_string(l) + " of the bytes of \"" + key + "\" has an odd number of digits";
                return false;
            }
            for (size_t i = 0; i < line.size(); i += 2) {
                const int high = hexDigit(line[i]);
                const int low = hexDigit(line[i + 1]);
                if (high < 0 || low < 0) {
                    *whyNot = "line " + std::to_string(l) + " of the bytes of \"" + key + "\" holds \""
                        + line.substr(i, 2) + "\", which is not a hex byte";
                    return false;
                }
                bytes.push_back(uint8_t(high * 16 + low));
            }
        }
        value = ArchiveRecord::binary(std::move(bytes));
        return true;
    }
    if (value.is_object()) {
        for (auto &[name, item] : value.items())
            if (!fromTextValue(item, name, depth + 1, whyNot))
                return false;
    } else if (value.is_array()) {
        for (auto &item : value)
            if (!fromTextValue(item, key, depth + 1, whyNot))
                return false;
    }
    return true;
}
} // namespace

ArchiveRecord ArchiveText::toText(const ArchiveRecord &record)
{
    return toTextValue(record, {});
}

std::string ArchiveText::write(const ArchiveRecord &record)
{
    return toText(record).dump(2) + "\n";
}

std::optional<ArchiveRecord> ArchiveText::fromText(ArchiveRecord record, std::string *whyNot)
{
    std::string reason;
    if (!fromTextValue(record, {}, 0, &reason)) {
        if (whyNot)
            *whyNot = reason;
        return std::nullopt;
    }
    return record;
}

bool ArchiveText::looksLikeText(const std::vector<uint8_t> &bytes)
{
    size_t at = 0;
    const auto skipSpace = [&] {
        while (at < bytes.size() && std::isspace(bytes[at]))
            ++at;
    };
    skipSpace();
    if (at >= bytes.size() || bytes[at] != '{')
        return false;
    ++at;
    skipSpace();
    constexpr std::string_view classKey = "\"$class\"";
    return bytes.size() - at >= classKey.size()
        && std::equal(classKey.begin(), classKey.end(), bytes.begin() + long(at));
}

bool ArchiveText::isTextName(std::string_view fileName)
{
    constexpr std::string_view ending = ".kestova.json";
    if (fileName.size() < ending.size())
        return false;
    const std::string_view tail = fileName.substr(fileName.size() - ending.size());
    return std::equal(tail.begin(), tail.end(), ending.begin(),
        [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

} // namespace kestova
