#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QTextStream;

namespace kestova {

// The batch command line: a thin face over the tile codec, the palettes and the document content, for scripts.
//   kestova --info FILE
//   kestova --export-png OUT.png [--palette PAL] [--sub-palette N] [--columns C] [--tall] FILE
//   kestova --import-png IN.png --output OUT [--palette PAL] [--sub-palette N] [--tall] [--at TILE] [FILE]
//   kestova --export-chr OUT FILE
//   kestova --export-palette OUT.pal [--bytes 32|16] DOCUMENT
//   kestova --version
//   kestova --help
// FILE is an iNES ROM image, bare CHR data or a Kestova document (named *.kestova or starting with the CBOR
// self-describe tag, as the window decides). A document's PNG is drawn in its own sub-palette unless --palette is
// given; colours the sub-palette lacks come from the viewer's grey palette.
// Exit status: 0 on success; 1 for input that cannot be used (one line on the error stream naming the file and the
// reason, no output file left behind); 2 for wrong usage (one line naming the argument at fault and the hint
// "see 'kestova --help'").
// The commands live in app/cli/, one file per family of options (TileCommands.cpp, PaletteCommands.cpp), sharing
// one argument parser (ArgumentParser.h) and one error and exit convention (BatchIO.h); this file's dispatcher
// collects their tables.

// The usage text, one option a line, ending with a line feed.
QString commandLineUsage();

// Runs the batch command given by arguments (without the program name), writing results to out and diagnostics to
// err. Nothing when the arguments name no batch option (no arguments at all, or only file names): the caller decides
// what to do then. Needs no application object.
std::optional<int> runBatch(const QStringList &arguments, QTextStream &out, QTextStream &err);
// The same on standard output and standard error.
std::optional<int> runBatch(const QStringList &arguments);

} // namespace kestova
