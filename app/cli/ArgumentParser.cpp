#include "app/cli/ArgumentParser.h"

#include <algorithm>
#include <limits>

namespace kestova::cli {

namespace {

std::optional<int64_t> parseNumber(const QString &text, int64_t lowest, int64_t highest)
{
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok, 10);
    if (!ok || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

// Checks a value against its option: nothing when it fits, else the reason.
std::optional<UsageError> checkValue(const OptionSpec &spec, const std::optional<QString> &value)
{
    const QString &mustBe = spec.mustBe.isEmpty() ? spec.needs : spec.mustBe;
    switch (spec.kind) {
    case OptionKind::flag:
        return std::nullopt;
    case OptionKind::text:
        if (!value || value->isEmpty())
            return UsageError { QStringLiteral("%1 needs %2").arg(spec.name, spec.needs) };
        return std::nullopt;
    case OptionKind::number:
        if (!value)
            return UsageError { QStringLiteral("%1 needs %2").arg(spec.name, spec.needs) };
        if (!parseNumber(*value, spec.lowest, spec.highest))
            return UsageError { QStringLiteral("%1 must be %2, not '%3'").arg(spec.name, mustBe, *value) };
        return std::nullopt;
    case OptionKind::choice:
        if (!value)
            return UsageError { QStringLiteral("%1 needs %2").arg(spec.name, spec.needs) };
        if (!spec.choices.contains(*value))
            return UsageError { QStringLiteral("%1 must be %2, not '%3'").arg(spec.name, mustBe, *value) };
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace

OptionSpec flagOption(const QString &name)
{
    OptionSpec spec;
    spec.name = name;
    return spec;
}

OptionSpec textOption(const QString &name, const QString &needs)
{
    OptionSpec spec = flagOption(name);
    spec.kind = OptionKind::text;
    spec.needs = needs;
    return spec;
}

OptionSpec numberOption(const QString &name, const QString &needs, int64_t lowest, int64_t highest)
{
    OptionSpec spec = textOption(name, needs);
    spec.kind = OptionKind::number;
    spec.lowest = lowest;
    spec.highest = highest;
    return spec;
}

OptionSpec choiceOption(const QString &name, const QString &needs, const QStringList &choices)
{
    OptionSpec spec = textOption(name, needs);
    spec.kind = OptionKind::choice;
    spec.choices = choices;
    return spec;
}

OptionSpec commandOption(OptionSpec option)
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

std::optional<int64_t> ParsedArguments::number(const QString &name) const
{
    const auto value = text(name);
    return value ? parseNumber(*value, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max())
                 : std::nullopt;
}

std::variant<ParsedArguments, UsageError> parseArguments(
    const QStringList &arguments, const std::vector<OptionSpec> &specs)
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
        const auto spec = std::find_if(specs.begin(), specs.end(), [&](const OptionSpec &s) { return s.name == name; });
        if (spec == specs.end())
            return UsageError { QStringLiteral("unknown option '%1'").arg(argument) };

        if (spec->kind == OptionKind::flag) {
            if (value)
                return UsageError { spec->command
                        ? QStringLiteral("%1 takes no value; give the file after it").arg(name)
                        : QStringLiteral("%1 takes no value").arg(name) };
        } else if (!value && i + 1 < arguments.size() && !arguments[i + 1].startsWith(u"--")) {
            // The value is the next argument unless that is another option.
            value = arguments[++i];
        }

        if (spec->command) {
            if (parsed.command)
                return UsageError { QStringLiteral("%1 and %2 cannot be combined").arg(*parsed.command, name) };
            parsed.command = name;
        } else if (parsed.has(name)) {
            if (spec->kind == OptionKind::flag)
                continue;
            return UsageError { QStringLiteral("%1 given more than once").arg(name) };
        }
        if (auto error = checkValue(*spec, value))
            return *error;
        if (spec->command)
            parsed.commandValue = value.value_or(QString());
        else
            parsed.options.emplace_back(name, value.value_or(QString()));
    }
    return parsed;
}

} // namespace kestova::cli
