#include "app/cli/CommandLine.h"

#include "app/cli/ArgumentParser.h"
#include "app/cli/BatchCommand.h"
#include "app/cli/BatchIO.h"
#include "app/cli/PaletteCommands.h"
#include "app/cli/ScreenCommands.h"

#include "app/window/DisplayColorsMenu.h"

#include <QFileInfo>
#include <QTextStream>

#include <algorithm>

namespace kestova {

using namespace mosavo;

namespace {

using namespace cli;

// Every command of every family, and every option the parser knows (the commands' own included).
struct CommandTable
{
    std::vector<OptionRule> options;
    std::vector<BatchCommand> commands;
};

const CommandTable &commandTable()
{
    static const CommandTable table = [] {
        CommandTable collected;
        for (CommandFamily (*family)() :
            { tileCommands, paletteCommands, screenCommands, spriteCommands, exchangeCommands, levelCommands }) {
            CommandFamily commands = family();
            // An option several families take (--name, --display-palette) is known once.
            for (OptionRule &option : commands.options)
                if (std::none_of(collected.options.begin(), collected.options.end(),
                        [&](const OptionRule &known) { return known.name == option.name; }))
                    collected.options.push_back(std::move(option));
            for (BatchCommand &command : commands.commands) {
                collected.options.push_back(command.option);
                collected.commands.push_back(std::move(command));
            }
        }
        return collected;
    }();
    return table;
}

// "--palette goes with --export-png or --import-png"
QString goesWith(const QString &option)
{
    QStringList commands;
    for (const BatchCommand &command : commandTable().commands)
        if (command.accepts.contains(option))
            commands.append(command.option.name);
    return QStringLiteral("%1 goes with %2").arg(option, commands.join(QStringLiteral(" or ")));
}

// The command the arguments name, checked; nothing when they name none (no option at all).
std::variant<const BatchCommand *, UsageError> chooseCommand(const ParsedArguments &arguments)
{
    const auto &commands = commandTable().commands;
    const auto found = std::find_if(commands.begin(), commands.end(),
        [&](const BatchCommand &command) { return arguments.command == command.option.name; });
    const BatchCommand *command = found == commands.end() ? nullptr : &*found;
    for (const auto &[option, value] : arguments.options)
        if (!command || !command->accepts.contains(option))
            return UsageError { goesWith(option) };
    if (!command)
        return nullptr;
    if (command->check)
        if (auto reason = command->check(arguments))
            return UsageError { *reason };
    if (command->file == FileArgument::required && arguments.files.isEmpty())
        return UsageError { QStringLiteral("%1 needs an input FILE").arg(command->option.name) };
    if (arguments.files.size() > 1)
        return UsageError { QStringLiteral("extra argument '%1'").arg(arguments.files[1]) };
    return command;
}

} // namespace

QString commandLineUsage()
{
    QString usage = QStringLiteral("Usage:\n");
    QString help;
    for (const BatchCommand &command : commandTable().commands) {
        usage += QStringLiteral("  kestova ") + command.synopsis + u'\n';
        help += command.help;
    }
    usage += QStringLiteral(
        "  kestova --version\n"
        "  kestova --help\n"
        "\n"
        "FILE is an iNES ROM image, bare CHR data (a whole number of 16-byte tiles) or a Kestova document (named\n"
        "*.kestova or starting with the CBOR self-describe tag, or its text form *.kestova.json), at most 64 MiB.\n"
        "Numbers and positions are decimal (2048) or hex after $ or 0x ($800, 0x800).\n"
        "\n");
    return usage + help
        + QStringLiteral("  --version             print the program's name and version\n"
                         "  --help                show this text\n"
                         "\n"
                         "Exit status: 0 on success; 1 when a file cannot be used (one line on standard error naming\n"
                         "the file and the reason; no output file is left behind); 2 for wrong usage (one line naming\n"
                         "the argument at fault), an output naming one of the inputs among them (an import may\n"
                         "write over the FILE it adds to).\n");
}

namespace {

// The file a command writes and those it reads, as given.
struct CommandFiles
{
    QString output;
    QString outputArgument;
    std::vector<std::pair<QString, QString>> inputs; // argument, path
};

CommandFiles commandFiles(const ParsedArguments &arguments)
{
    CommandFiles files;
    const QString command = arguments.command.value_or(QString());
    const bool imports = command.startsWith(QStringLiteral("--import"));
    if (const auto output = arguments.text(QStringLiteral("--output"))) {
        files.output = *output;
        files.outputArgument = QStringLiteral("--output");
    } else if (!imports && command != QStringLiteral("--info")) {
        files.output = arguments.commandValue;
        files.outputArgument = command;
    }
    if (imports)
        files.inputs.push_back({ command, arguments.commandValue });
    for (const QString &option :
        { paletteOption, QStringLiteral("--nametable"), QStringLiteral("--oam"), displayPaletteOption })
        if (const auto path = arguments.text(option))
            files.inputs.push_back({ option, *path });
    // An import may write its result over the FILE it adds to (the write goes through a temporary file).
    for (qsizetype i = imports ? 1 : 0; i < arguments.files.size(); ++i)
        files.inputs.push_back({ QStringLiteral("FILE"), arguments.files[i] });
    return files;
}

// The input the output would replace, when it names one of them.
std::optional<QString> outputOverInput(const ParsedArguments &arguments)
{
    const CommandFiles files = commandFiles(arguments);
    const QFileInfo output(files.output);
    if (files.output.isEmpty() || !output.exists())
        return std::nullopt;
    const QString target = output.canonicalFilePath();
    for (const auto &[argument, path] : files.inputs)
        if (!path.isEmpty() && QFileInfo(path).canonicalFilePath() == target)
            return QStringLiteral("%1 %2 is also the file read as %3; write the output to another file")
                .arg(files.outputArgument, files.output, argument);
    return std::nullopt;
}

} // namespace

std::optional<int> runBatch(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    const qsizetype endOfOptions = arguments.indexOf(QStringLiteral("--"));
    const QStringList options = endOfOptions < 0 ? arguments : arguments.first(endOfOptions);
    if (options.contains(QStringLiteral("--help"))) {
        out << commandLineUsage();
        out.flush();
        return exitSuccess;
    }
    if (options.contains(QStringLiteral("--version"))) {
        out << "kestova " << KESTOVA_VERSION << '\n';
        out.flush();
        return exitSuccess;
    }

    const auto parsed = parseArguments(arguments, commandTable().options);
    if (const auto *error = std::get_if<UsageError>(&parsed))
        return reportUsage(err, error->reason);
    const auto &checked = std::get<ParsedArguments>(parsed);
    const auto chosen = chooseCommand(checked);
    if (const auto *error = std::get_if<UsageError>(&chosen))
        return reportUsage(err, error->reason);
    const BatchCommand *command = std::get<const BatchCommand *>(chosen);
    if (!command)
        return std::nullopt;
    if (const auto reason = outputOverInput(checked))
        return reportUsage(err, *reason);
    if (const auto reason = checkPaletteInFile(checked))
        return reportUsage(err, *reason);
    const BatchDiagnostics diagnostics;
    BatchStreams streams { out, err };
    // Every picture the command writes or reads is in the display colours --display-palette names, for this run only.
    struct DisplayColorsScope
    {
        ~DisplayColorsScope() { mosavo::resetCurrentDisplayColors(); }
    } displayColorsScope;
    struct PaletteInFileScope
    {
        explicit PaletteInFileScope(const ParsedArguments &arguments)
        {
            if (!arguments.files.isEmpty())
                setPaletteInFile(PaletteInFile {
                    arguments.files.front(), arguments.text(paletteBytesOption) == u"16" ? size_t(16) : size_t(32) });
        }
        ~PaletteInFileScope() { setPaletteInFile(std::nullopt); }
    } paletteInFileScope(checked);
    if (const auto path = checked.text(displayPaletteOption)) {
        auto colors = readDisplayColorsFile(*path);
        if (const auto *error = std::get_if<FileError>(&colors))
            return reportFailure(err, *error);
        mosavo::setCurrentDisplayColors(std::get<mosavo::DisplayColors>(colors));
    }
    return command->run(checked, streams);
}

std::optional<int> runBatch(const QStringList &arguments)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    return runBatch(arguments, out, err);
}

} // namespace kestova
