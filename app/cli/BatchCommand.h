#pragma once

#include "app/cli/ArgumentParser.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

class QTextStream;

namespace kestova::cli {

struct BatchStreams
{
    QTextStream &out;
    QTextStream &err;
};

// Whether a command reads a FILE named after its options.
enum class FileArgument { required, optional };

// One command of the batch command line: its option, the other options that go with it, what it does and what the
// usage text says of it. Each family of commands (tiles, palettes, ...) lives in its own file and lists its commands
// and options in one function; the dispatcher collects them.
struct BatchCommand
{
    // The command's own option: a flag (--info) or one that takes a value (--export-png OUT.png).
    OptionRule option;
    // The other options it takes.
    QStringList accepts;
    FileArgument file = FileArgument::required;
    // Usage rules past what the parser checks (options that need one another): the reason when broken.
    std::function<std::optional<QString>(const ParsedArguments &)> check;
    // Runs the checked arguments; returns the exit status.
    std::function<int(const ParsedArguments &, BatchStreams &)> run;
    // The command's line of the synopsis, without the program name: "--export-chr OUT FILE".
    QString synopsis;
    // Its lines of the option list, each ending with a line feed.
    QString help;
};

struct CommandFamily
{
    // Options of the family that its commands, and others', may accept (not the commands' own).
    std::vector<OptionRule> options;
    std::vector<BatchCommand> commands;

    // Adds a command; the caller fills in the rest.
    BatchCommand &add(OptionRule option, std::function<int(const ParsedArguments &, BatchStreams &)> run)
    {
        BatchCommand &command = commands.emplace_back();
        command.option = commandOption(std::move(option));
        command.run = std::move(run);
        return command;
    }
};

// The families, one file each.
CommandFamily tileCommands();
CommandFamily paletteCommands();
CommandFamily screenCommands();
CommandFamily spriteCommands();
CommandFamily exchangeCommands();
CommandFamily levelCommands();

} // namespace kestova::cli
