#include "app/cli/BatchCommand.h"
#include "app/cli/BatchIO.h"
#include "app/cli/PaletteCommands.h"
#include "app/cli/ScreenCommands.h"

#include "app/document/SessionDocument.h"
#include "app/screens/ScreenImport.h"
#include "convert/AnimationExport.h"
#include "formats/FormatRegistry.h"

#include <QFileInfo>
#include <QTextStream>

namespace kestova::cli {

namespace {

using mosavo::Bytes;

const QString outputOption = QStringLiteral("--output");
const QString rleOption = QStringLiteral("--rle");
const QString bgTableOption = QStringLiteral("--bg-table");
const QString nameOption = QStringLiteral("--name");
const QString tallOption = QStringLiteral("--tall");

std::optional<QString> needsOutput(const ParsedArguments &arguments, const QString &command)
{
    if (!arguments.has(outputOption))
        return QStringLiteral("%1 needs --output DOC.kestova").arg(command);
    return std::nullopt;
}

// --import-nametable NAM --output DOC [--rle] [--palette PAL] [--bg-table 0|1] [--name NAME] [FILE]
int runImportNametable(const ParsedArguments &arguments, BatchStreams &streams)
{
    QTextStream &err = streams.err;
    const QString &path = arguments.commandValue;
    const ReadResult read = readWholeFile(path);
    if (read.error)
        return reportFailure(err, *read.error);
    auto screen = mosavo::FormatRegistry::nametableFormat(arguments.has(rleOption)).read(read.bytes);
    if (!screen)
        return reportFailure(err, { path, QString::fromStdString(screen.error) });
    std::optional<mosavo::PaletteBytes> palette;
    bool halfOnly = false;
    if (const auto file = arguments.text(paletteOption)) {
        auto colours = readPaletteBytes(*file, &halfOnly);
        if (auto *error = std::get_if<FileError>(&colours))
            return reportFailure(err, *error);
        palette = std::get<mosavo::PaletteBytes>(colours);
    }
    auto target = documentToAddTo(arguments);
    if (auto *error = std::get_if<FileError>(&target))
        return reportFailure(err, *error);
    EditorViewControllerSettings &document = *std::get<SettingsPtr>(target);
    if (!arguments.files.isEmpty())
        if (const auto first = screenBankFirstTile(*document.tileData()); std::holds_alternative<QString>(first))
            return reportFailure(err, { arguments.files.front(), std::get<QString>(first) });
    screen.value->name = arguments.text(nameOption).value_or(QFileInfo(path).completeBaseName()).toStdString();
    screen.value->patternTable = arguments.text(bgTableOption) == u"1" ? 1 : 0;
    if (palette)
        setDocumentSubPalettes(document, *palette, halfOnly ? 4 : 8);
    document.screens().push_back(std::move(*screen.value));
    return writeDocument(err, *arguments.text(outputOption), document);
}

// --import-metasprites TABLES --output DOC [--tall] [FILE]
int runImportMetasprites(const ParsedArguments &arguments, BatchStreams &streams)
{
    QTextStream &err = streams.err;
    const QString &path = arguments.commandValue;
    const ReadResult read = readWholeFile(path);
    if (read.error)
        return reportFailure(err, *read.error);
    auto tables = mosavo::FormatRegistry::metaspriteTableFormatFor(path.toStdString())->read(read.bytes);
    if (!tables)
        return reportFailure(err, { path, QString::fromStdString(tables.error) });
    auto target = documentToAddTo(arguments);
    if (auto *error = std::get_if<FileError>(&target))
        return reportFailure(err, *error);
    EditorViewControllerSettings &document = *std::get<SettingsPtr>(target);
    const bool tall = arguments.has(tallOption);
    if (!document.metasprites().empty() && document.tallSprites() != tall)
        return reportFailure(err,
            { arguments.files.front(),
                QStringLiteral("its metasprites are made of %1 sprites, and the tables were read as %2 (%3)")
                    .arg(document.tallSprites() ? QStringLiteral("8x16") : QStringLiteral("8x8"),
                        tall ? QStringLiteral("8x16") : QStringLiteral("8x8"),
                        tall ? QStringLiteral("leave out --tall") : QStringLiteral("give --tall")) });
    document.setTallSprites(tall);
    for (auto &metasprite : tables.value->metasprites)
        document.metasprites().push_back(std::move(metasprite));
    return writeDocument(err, *arguments.text(outputOption), document);
}

// --import-session FILE.nss --output DOC
int runImportSession(const ParsedArguments &arguments, BatchStreams &streams)
{
    QTextStream &err = streams.err;
    const QString &path = arguments.commandValue;
    auto read = readSessionDocument(path);
    if (auto *reason = std::get_if<QString>(&read))
        return reportFailure(err, { path, *reason });
    return writeDocument(err, *arguments.text(outputOption), *std::get<SettingsPtr>(read));
}

std::optional<QString> checkExportAnimations(const ParsedArguments &arguments)
{
    const auto asmName = arguments.text(asmOption);
    const auto cName = arguments.text(cOption);
    if (!asmName && !cName)
        return QStringLiteral("--export-animations needs --c NAME or --asm NAME");
    return checkSourceName(arguments);
}

// --export-animations OUT --c NAME|--asm NAME DOC
int runExportAnimations(const ParsedArguments &arguments, BatchStreams &streams)
{
    const QString &path = arguments.files.front();
    auto read = readInput(path, QStringLiteral("is not a Kestova document (only a document holds animations)"));
    if (auto *error = std::get_if<FileError>(&read))
        return reportFailure(streams.err, *error);
    const SettingsPtr &document = std::get<Input>(read).document;
    if (document->animations().empty())
        return reportFailure(streams.err, { path, QStringLiteral("holds no animations") });
    const auto asmName = arguments.text(asmOption);
    const auto source = mosavo::animationsSource((asmName ? *asmName : *arguments.text(cOption)).toStdString(),
        document->animations(), document->metasprites(),
        asmName ? mosavo::SourceLanguage::ca65 : mosavo::SourceLanguage::c);
    if (!source)
        return reportFailure(streams.err, { path, QString::fromStdString(source.error) });
    return writeOutput(streams.err, arguments.commandValue, Bytes(source.text->begin(), source.text->end()));
}

} // namespace

CommandFamily exchangeCommands()
{
    CommandFamily family;
    const QStringList patternTables = { QStringLiteral("0"), QStringLiteral("1") };
    // Options other families take too; the command line knows each once.
    family.options = {
        textOption(outputOption, QStringLiteral("an output document")),
        flagOption(rleOption),
        flagOption(tallOption),
        choiceOption(bgTableOption, QStringLiteral("a pattern table, 0 or 1"), patternTables),
        textOption(nameOption, QStringLiteral("a name")),
        textOption(paletteOption, QStringLiteral("a palette file")),
        textOption(asmOption, QStringLiteral("a label name")),
        textOption(cOption, QStringLiteral("an array name")),
    };
    const QString anOutputFile = QStringLiteral("an output file");

    BatchCommand &nametable = family.add(
        textOption(QStringLiteral("--import-nametable"), QStringLiteral("a nametable file")), runImportNametable);
    nametable.accepts = { outputOption, rleOption, paletteOption, bgTableOption, nameOption };
    nametable.file = FileArgument::optional;
    nametable.check = [](const ParsedArguments &arguments) -> std::optional<QString> {
        if (auto missing = needsOutput(arguments, QStringLiteral("--import-nametable")))
            return missing;
        return checkItemName(arguments);
    };
    nametable.synopsis = QStringLiteral(
        "--import-nametable NAM --output DOC.kestova [--rle] [--palette PAL] [--bg-table 0|1] [--name NAME] [FILE]");
    nametable.help = QStringLiteral(
        "  --import-nametable NAM\n"
        "                        add a screen of a nametable file: 1024 bytes (tiles, then attributes) or 960\n"
        "                        (tiles only, attributes 0)\n"
        "    --output DOC        the document written: FILE's content (a document, ROM image or CHR data) or,\n"
        "                        without FILE, 512 blank tiles, plus the screen\n"
        "    --rle               NAM is packed as --export-nametable --rle packs it\n"
        "    --palette PAL       the document's sub-palettes from PAL (32 bytes: all eight; 16: 0-3)\n"
        "    --bg-table 0|1      the pattern table the screen reads (default 0)\n"
        "    --name NAME         the screen's name (default: NAM's file name)\n");

    BatchCommand &tables
        = family.add(textOption(QStringLiteral("--import-metasprites"), QStringLiteral("a metasprite table file")),
            runImportMetasprites);
    tables.accepts = { outputOption, tallOption };
    tables.file = FileArgument::optional;
    tables.check = [](const ParsedArguments &arguments) {
        return needsOutput(arguments, QStringLiteral("--import-metasprites"));
    };
    tables.synopsis = QStringLiteral("--import-metasprites TABLES --output DOC.kestova [--tall] [FILE]");
    tables.help = QStringLiteral(
        "  --import-metasprites TABLES\n"
        "                        add the metasprites of neslib metasprite tables (x, y, tile, attributes for\n"
        "                        each sprite, then 128): C source (.c, .h; each array one metasprite of its\n"
        "                        name), ca65 source (.s, .asm, .inc; each label with .byte values one), or\n"
        "                        binary (any other name; named after the file and their number)\n"
        "    --output DOC        the document written: FILE's content or, without FILE, 512 blank tiles, plus\n"
        "                        the metasprites\n"
        "    --tall              the tables are of 8x16 sprites\n");

    BatchCommand &session = family.add(
        textOption(QStringLiteral("--import-session"), QStringLiteral("a screen-tool session")), runImportSession);
    session.accepts = { outputOption };
    session.file = FileArgument::optional;
    session.check = [](const ParsedArguments &arguments) -> std::optional<QString> {
        if (!arguments.files.isEmpty())
            return QStringLiteral("--import-session takes no FILE: the session holds the tiles");
        return needsOutput(arguments, QStringLiteral("--import-session"));
    };
    session.synopsis = QStringLiteral("--import-session FILE.nss --output DOC.kestova");
    session.help = QStringLiteral(
        "  --import-session FILE.nss\n"
        "                        make a document of a text session of the common screen tool: its tiles,\n"
        "                        palette, screen and metasprites\n"
        "    --output DOC        the document written\n");

    BatchCommand &animations
        = family.add(textOption(QStringLiteral("--export-animations"), anOutputFile), runExportAnimations);
    animations.accepts = { asmOption, cOption };
    animations.check = checkExportAnimations;
    animations.synopsis = QStringLiteral("--export-animations OUT --c NAME|--asm NAME DOC");
    animations.help = QStringLiteral(
        "  --export-animations OUT\n"
        "                        write the document's animations as source: for each, its frames as the\n"
        "                        address of the metasprite table (named as --export-metasprites names it)\n"
        "                        and the duration in frames, 3 bytes each, then 0, 0; NAME lists them\n"
        "    --c NAME            as C (a struct NAME_frame of a pointer and a byte, which cc65 lays out so)\n"
        "    --asm NAME          as ca65 source (.word address, .byte duration; the tables .import-ed)\n");
    return family;
}

} // namespace kestova::cli
