#include "app/cli/ArgumentParser.h"

#include <algorithm>
#include <limits>

namespace kestova::cli {

std::optional<int64_t> parseNumber(const QString &text, int64_t lowest, int64_t highest)
{
    // Decimal digits, or hex digits after $ or 0x as Go to Tile reads them, after a minus sign or none: no plus sign,
    // no spaces.
    QStringView digits(text);
    const bool negative = digits.startsWith(u'-');
    if (negative)
        digits = digits.mid(1);
    int base = 10;
    if (digits.startsWith(u'$')) {
        digits = digits.mid(1);
        base = 16;
    } else if (digits.startsWith(u"0x", Qt::CaseInsensitive)) {
        digits = digits.mid(2);
        base = 16;
    }
    const auto isDigit = [base](QChar c) {
        return (c >= u'0' && c <= u'9') || (base == 16 && ((c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F')));
    };
    if (digits.isEmpty() || !std::all_of(digits.begin(), digits.end(), isDigit))
        return std::nullopt;
    bool ok = false;
    const qulonglong magnitude = digits.toULongLong(&ok, base);
    const qulonglong largest = negative ? qulonglong(std::numeric_limits<int64_t>::max()) + 1
                                        : qulonglong(std::numeric_limits<int64_t>::max());
    if (!ok || magnitude > largest)
        return std::nullopt;
    const int64_t value = negative ? int64_t(0 - magnitude) : int64_t(magnitude);
    if (value < lowest || value > highest)
        return std::nullopt;
    return value;
}

namespace {

// Checks a value against its option: nothing when it fits, else the reason.
std::optional<UsageError> checkValue(const OptionRule &rule, const std::optional<QString> &value)
{
    const QString &mustBe = rule.mustBe.isEmpty() ? rule.needs : rule.mustBe;
    switch (rule.kind) {
    case OptionKind::flag:
        return std::nullopt;
    case OptionKind::text:
        if (!value || value->isEmpty())
            return UsageError { QStringLiteral("%1 needs %2").arg(rule.name, rule.needs) };
        return std::nullopt;
    case OptionKind::number:
        if (!value)
            return UsageError { QStringLiteral("%1 needs %2").arg(rule.name, rule.needs) };
        if (!parseNumber(*value, rule.lowest, rule.highest))
            return UsageError { QStringLiteral("%1 must be %2, not '%3'").arg(rule.name, mustBe, *value) };
        return std::nullopt;
    case OptionKind::choice:
        if (!value)
            return UsageError { QStringLiteral("%1 needs %2").arg(rule.name, rule.needs) };
        if (!rule.choices.contains(*value))
            return UsageError { QStringLiteral("%1 must be %2, not '%3'").arg(rule.name, mustBe, *value) };
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace

OptionRule flagOption(const QString &name)
{
    OptionRule rule;
    rule.name = name;
    return rule;
}

OptionRule textOption(const QString &name, const QString &needs)
{
    OptionRule rule = flagOption(name);
    rule.kind = OptionKind::text;
    rule.needs = needs;
    return rule;
}

OptionRule numberOption(const QString &name, const QString &needs, int64_t lowest, int64_t highest)
{
    OptionRule rule = textOption(name, needs);
    rule.kind = OptionKind::number;
    rule.lowest = lowest;
    rule.highest = highest;
    return rule;
}

OptionRule choiceOption(const QString &name, const QString &needs, const QStringList &choices)
{
    OptionRule rule = textOption(name, needs);
    rule.kind = OptionKind::choice;
    rule.choices = choices;
    return rule;
}

OptionRule repeatableOption(OptionRule option)
{
    option.repeatable = true;
    return option;
}

OptionRule commandOption(OptionRule option)
{
    option.command = true;
    return option;
}

bool ParsedArguments::has(const QString &name) const
{
    return std::any_of(options.begin(), options.end(), [&](const auto &option) { return option.first == name; });
}

std::optional<QString> ParsedArguments::text(const QString &name) const
{
    for (const auto &[given, value] : options)
        if (given == name)
            return value;
    return std::nullopt;
}

QStringList ParsedArguments::texts(const QString &name) const
{
    QStringList values;
    for (const auto &[given, value] : options)
        if (given == name)
            values.append(value);
    return values;
}

std::optional<int64_t> ParsedArguments::number(const QString &name) const
{
    const auto value = text(name);
    return value ? parseNumber(*value, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max())
                 : std::nullopt;
}

std::variant<ParsedArguments, UsageError> parseArguments(
    const QStringList &arguments, const std::vector<OptionRule> &rules)
{
    ParsedArguments parsed;
    bool endOfOptions = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (endOfOptions || !argument.startsWith(u'-') || argument == u"-") {
            parsed.files.append(argument);
            continue;
        }
        if (argument == u"--") {
            endOfOptions = true;
            continue;
        }

        QString name = argument;
        std::optional<QString> value;
        if (const qsizetype equals = argument.indexOf(u'='); argument.startsWith(u"--") && equals > 2) {
            name = argument.left(equals);
            value = argument.mid(equals + 1);
        }
        const auto rule = std::find_if(rules.begin(), rules.end(), [&](const OptionRule &s) { return s.name == name; });
        if (rule == rules.end())
            return UsageError { QStringLiteral("unknown option '%1'").arg(argument) };

        if (rule->kind == OptionKind::flag) {
            if (value)
                return UsageError { rule->command
                        ? QStringLiteral("%1 takes no value; give the file after it").arg(name)
                        : QStringLiteral("%1 takes no value").arg(name) };
        } else if (!value && i + 1 < arguments.size() && !arguments[i + 1].startsWith(u"--")) {
            // The value is the next argument unless that is another option.
            value = arguments[++i];
        }

        if (rule->command) {
            if (parsed.command)
                return UsageError { QStringLiteral("%1 and %2 cannot be combined").arg(*parsed.command, name) };
            parsed.command = name;
        } else if (parsed.has(name) && !rule->repeatable) {
            if (rule->kind == OptionKind::flag)
                continue;
            return UsageError { QStringLiteral("%1 given more than once").arg(name) };
        }
        if (auto error = checkValue(*rule, value))
            return *error;
        if (rule->command)
            parsed.commandValue = value.value_or(QString());
        else
            parsed.options.emplace_back(name, value.value_or(QString()));
    }
    return parsed;
}

} // namespace kestova::cli
