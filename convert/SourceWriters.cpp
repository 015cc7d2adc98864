#include "convert/SourceWriters.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace mosavo {

namespace {
constexpr size_t valuesPerRow = 16;
constexpr size_t labelsPerRow = 8;
constexpr std::string_view indent = "    ";

// C's keywords, and those GNU C and cc65 add.
constexpr std::array<std::string_view, 48> cKeywords = {
    "asm",
    "auto",
    "break",
    "case",
    "char",
    "const",
    "continue",
    "default",
    "do",
    "double",
    "else",
    "enum",
    "extern",
    "float",
    "for",
    "goto",
    "if",
    "inline",
    "int",
    "long",
    "register",
    "restrict",
    "return",
    "short",
    "signed",
    "sizeof",
    "static",
    "struct",
    "switch",
    "typedef",
    "union",
    "unsigned",
    "void",
    "volatile",
    "while",
    "_Alignas",
    "_Alignof",
    "_Atomic",
    "_Bool",
    "_Complex",
    "_Generic",
    "_Imaginary",
    "_Noreturn",
    "_Static_assert",
    "_Thread_local",
    "cdecl",
    "fastcall",
    "typeof",
};

// Names ca65 reads as something else where a label stands: the registers, the address-size prefixes z: and f:, and
// the 6502's instructions (case does not matter).
constexpr std::array<std::string_view, 61> ca65Reserved = {
    "A",
    "X",
    "Y",
    "Z",
    "F",
    "ADC",
    "AND",
    "ASL",
    "BCC",
    "BCS",
    "BEQ",
    "BIT",
    "BMI",
    "BNE",
    "BPL",
    "BRK",
    "BVC",
    "BVS",
    "CLC",
    "CLD",
    "CLI",
    "CLV",
    "CMP",
    "CPX",
    "CPY",
    "DEC",
    "DEX",
    "DEY",
    "EOR",
    "INC",
    "INX",
    "INY",
    "JMP",
    "JSR",
    "LDA",
    "LDX",
    "LDY",
    "LSR",
    "NOP",
    "ORA",
    "PHA",
    "PHP",
    "PLA",
    "PLP",
    "ROL",
    "ROR",
    "RTI",
    "RTS",
    "SBC",
    "SEC",
    "SED",
    "SEI",
    "STA",
    "STX",
    "STY",
    "TAX",
    "TAY",
    "TSX",
    "TXA",
    "TXS",
    "TYA",
};

bool isIdentifierStart(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool isIdentifierChar(char c)
{
    return isIdentifierStart(c) || (c >= '0' && c <= '9');
}

std::string upper(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

const char hexDigits[] = "0123456789ABCDEF";

void appendHex(std::string &out, uint8_t value, std::string_view prefix)
{
    out += prefix;
    out += hexDigits[value >> 4];
    out += hexDigits[value & 0x0F];
}

// ca65: .byte rows of 16 under a label.
void appendCa65Bytes(std::string &out, std::string_view label, const Bytes &bytes)
{
    out += label;
    out += ":\n";
    for (size_t row = 0; row < bytes.size(); row += valuesPerRow) {
        out += indent;
        out += ".byte ";
        const size_t end = std::min(bytes.size(), row + valuesPerRow);
        for (size_t i = row; i < end; ++i) {
            if (i > row)
                out += ',';
            appendHex(out, bytes[i], "$");
        }
        out += '\n';
    }
}

// C: the array's values, rows of 16, then its closing brace.
void appendCBody(std::string &out, const Bytes &bytes)
{
    for (size_t row = 0; row < bytes.size(); row += valuesPerRow) {
        out += indent;
        const size_t end = std::min(bytes.size(), row + valuesPerRow);
        for (size_t i = row; i < end; ++i) {
            if (i > row)
                out += ' ';
            appendHex(out, bytes[i], "0x");
            if (i + 1 < bytes.size())
                out += ',';
        }
        out += '\n';
    }
    out += "};\n";
}

// The labels NAME_0 .. NAME_count-1, comma-separated, in rows starting with lineStart. In C the list runs on across
// rows; in ca65 each row is a directive of its own, so no row ends with a comma.
void appendLabelRows(std::string &out, std::string_view name, size_t count, std::string_view lineStart, bool cStyle)
{
    for (size_t row = 0; row < count; row += labelsPerRow) {
        out += lineStart;
        const size_t end = std::min(count, row + labelsPerRow);
        for (size_t i = row; i < end; ++i) {
            if (i > row)
                out += ' ';
            out += name;
            out += '_';
            out += std::to_string(i);
            if (cStyle ? i + 1 < count : i + 1 < end)
                out += ',';
        }
        out += '\n';
    }
}

SourceResult refused(std::string reason)
{
    return { std::nullopt, std::move(reason) };
}
} // namespace

std::optional<std::string> sourceNameError(std::string_view name, SourceLanguage language)
{
    const std::string quoted = "\"" + std::string(name) + "\"";
    if (name.empty())
        return std::string("the name is empty: a label needs a letter or underscore, then letters, digits or "
                           "underscores");
    if (!isIdentifierStart(name.front()))
        return quoted + " cannot be a name: it must start with a letter or underscore";
    if (!std::all_of(name.begin(), name.end(), isIdentifierChar))
        return quoted + " cannot be a name: only letters, digits and underscores are allowed";
    if (language == SourceLanguage::c) {
        if (std::find(cKeywords.begin(), cKeywords.end(), name) != cKeywords.end())
            return quoted + " cannot be a name: it is a C keyword";
    } else {
        const std::string key = upper(name);
        if (std::find(ca65Reserved.begin(), ca65Reserved.end(), key) != ca65Reserved.end())
            return quoted + " cannot be a name: ca65 reads it as a register or instruction";
    }
    return std::nullopt;
}

std::string sourceIdentifier(std::string_view name)
{
    std::string out;
    bool pendingUnderscore = false;
    for (char c : name) {
        if (isIdentifierChar(c)) {
            if (pendingUnderscore && !out.empty())
                out += '_';
            pendingUnderscore = false;
            out += c;
        } else {
            pendingUnderscore = true;
        }
    }
    if (out.empty())
        return "unnamed";
    if (!isIdentifierStart(out.front()))
        out.insert(out.begin(), '_');
    if (sourceNameError(out, SourceLanguage::c) || sourceNameError(out, SourceLanguage::ca65))
        out += '_';
    return out;
}

std::vector<std::string> sourceIdentifiers(const std::vector<std::string> &names)
{
    std::vector<std::string> out;
    out.reserve(names.size());
    for (const std::string &name : names) {
        const std::string base = sourceIdentifier(name);
        std::string identifier = base;
        for (int n = 2; std::find(out.begin(), out.end(), identifier) != out.end(); ++n)
            identifier = base + "_" + std::to_string(n);
        out.push_back(std::move(identifier));
    }
    return out;
}

SourceResult byteSource(std::string_view name, const Bytes &bytes, SourceLanguage language)
{
    if (auto error = sourceNameError(name, language))
        return refused(*error);
    std::string out;
    out.reserve(bytes.size() * 6 + 64);
    if (language == SourceLanguage::ca65) {
        appendCa65Bytes(out, name, bytes);
        return { std::move(out), {} };
    }
    if (bytes.empty())
        return refused("\"" + std::string(name) + "\" has no bytes, and C has no empty arrays");
    out += "const unsigned char ";
    out += name;
    out += '[';
    out += std::to_string(bytes.size());
    out += "] = {\n";
    appendCBody(out, bytes);
    return { std::move(out), {} };
}

SourceResult tableSource(std::string_view name, const std::vector<Bytes> &entries, SourceLanguage language)
{
    if (auto error = sourceNameError(name, language))
        return refused(*error);
    if (entries.empty())
        return refused("the table \"" + std::string(name) + "\" has no entries");
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].empty())
            return refused("entry " + std::to_string(i) + " of the table \"" + std::string(name) + "\" has no bytes");

    std::string out;
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string label = std::string(name) + "_" + std::to_string(i);
        if (language == SourceLanguage::ca65) {
            appendCa65Bytes(out, label, entries[i]);
        } else {
            out += "const unsigned char " + label + "[] = {\n";
            appendCBody(out, entries[i]);
        }
    }
    if (language == SourceLanguage::ca65) {
        out += name;
        out += ":\n";
        appendLabelRows(out, name, entries.size(), "    .word ", false);
    } else {
        out += "const unsigned char* const ";
        out += name;
        out += "[] = {\n";
        appendLabelRows(out, name, entries.size(), indent, true);
        out += "};\n";
    }
    return { std::move(out), {} };
}

} // namespace mosavo
