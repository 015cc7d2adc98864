#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <optional>
#include <variant>
#include <vector>

namespace kestova::cli {

// What an option of the command line takes after its name (as the next argument or after '=').
enum class OptionKind {
    flag, // nothing: --tall
    text, // any non-empty value: --palette PAL
    number, // a whole number from lowest to highest, decimal or hex: --columns C
    choice, // one of a few fixed values: --bytes 32|16
};

// One option the parser knows. A command option (--info, --export-png OUT) picks what the run does; one run takes
// exactly one command, which decides which of the other options go with it.
struct OptionRule
{
    QString name; // with its dashes: "--columns"
    OptionKind kind = OptionKind::flag;
    bool command = false;
    // What the value is, for "needs" messages: "a number 1-4096", "an output file".
    QString needs;
    // What the value must be, for "must be" messages; needs when empty.
    QString mustBe;
    int64_t lowest = 0;
    int64_t highest = 0;
    QStringList choices;
    // Whether the option may be given more than once (--place), each value kept in order.
    bool repeatable = false;
};

// A whole number lowest..highest, in decimal (2048) or in hex after $ or 0x ($800, 0x800), after a minus sign or none,
// or nothing: the one reading of numbers and positions in arguments.
std::optional<int64_t> parseNumber(const QString &text, int64_t lowest, int64_t highest);

// The kinds of option, made plainly.
OptionRule flagOption(const QString &name);
OptionRule textOption(const QString &name, const QString &needs);
OptionRule numberOption(const QString &name, const QString &needs, int64_t lowest, int64_t highest);
OptionRule choiceOption(const QString &name, const QString &needs, const QStringList &choices);
// The same option, which may be given more than once.
OptionRule repeatableOption(OptionRule option);
// The same option as a command.
OptionRule commandOption(OptionRule option);

// The arguments of one run, checked against the options the parser knows.
struct ParsedArguments
{
    std::optional<QString> command;
    QString commandValue;
    // The other options in the order given, each once, with its value (empty for a flag).
    std::vector<std::pair<QString, QString>> options;
    // Positional arguments (FILE), those after "--" included.
    QStringList files;

    bool has(const QString &name) const;
    std::optional<QString> text(const QString &name) const;
    // Every value of a repeatable option, in the order given.
    QStringList texts(const QString &name) const;
    // The value of a number option; the parser has checked its range.
    std::optional<int64_t> number(const QString &name) const;
};

// Wrong usage: the reason, naming the argument at fault.
struct UsageError
{
    QString reason;
};

// Splits arguments into the command, the options with their values and the positional arguments. Refuses an unknown
// option, a missing or malformed value, an option given twice, a flag given a value and two commands.
std::variant<ParsedArguments, UsageError> parseArguments(
    const QStringList &arguments, const std::vector<OptionRule> &rules);

} // namespace kestova::cli
