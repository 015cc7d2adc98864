#pragma once

#include "app/cli/ArgumentParser.h"
#include "app/document/Counted.h"
#include "app/document/EditorViewControllerSettings.h"
#include "app/document/FileIO.h"
#include "core/Bytes.h"
#include "core/TileData.h"

#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>
#include <string_view>
#include <variant>
#include <vector>
#include <variant>

class QTextStream;

namespace kestova::cli {

// The exit status of every batch command.
enum ExitStatus : int {
    exitSuccess = 0,
    // Input that cannot be used: one line on the error stream naming the file and the reason, no output file left.
    exitUnusableInput = 1,
    // Wrong usage: one line naming the argument at fault and where to find the usage.
    exitUsage = 2,
};

// Writes "kestova: PATH: reason" and returns exitUnusableInput.
int reportFailure(QTextStream &err, const FileError &error);
// Why the value of --name cannot name a screen or metasprite of a document (too long to be kept), or nothing.
std::optional<QString> checkItemName(const ParsedArguments &arguments);

// Writes "kestova: warning: PATH: reason": the command did its work, short of what is named.
void reportWarning(QTextStream &err, const FileError &warning);
// Writes "kestova: reason; see 'kestova --help'" and returns exitUsage.

int reportUsage(QTextStream &err, const QString &reason);
// Writes bytes to path through a temporary file: exitSuccess, or the failure reported.
int writeOutput(QTextStream &err, const QString &path, const mosavo::Bytes &bytes);
// Writes the document to path as writeOutput does; one too large to be opened again is refused.
int writeDocument(QTextStream &err, const QString &path, const EditorViewControllerSettings &document);

// --asm NAME / --c NAME: a command's binary output written instead as ca65 source (NAME: then .byte rows of 16) or
// C source (const unsigned char NAME[N] = {...};) of exactly the same bytes.
inline const QString asmOption = QStringLiteral("--asm");
inline const QString cOption = QStringLiteral("--c");
// The usage fault of those options (both given, a name that cannot be a label or array name), or nothing.
std::optional<QString> checkSourceName(const ParsedArguments &arguments);
// Writes bytes to path, as they are or as the source --asm or --c asks for: exitSuccess, or the failure reported
// naming input (the file the bytes came from) when they cannot be written as source.
int writeBytesOrSource(QTextStream &err, const ParsedArguments &arguments, const QString &input, const QString &path,
    const mosavo::Bytes &bytes);

// What an input FILE holds: its tiles, for a Kestova document also the document's content, and the file's size.
struct Input
{
    mosavo::TileDataPtr tiles;
    SettingsPtr document;
    size_t fileBytes = 0;
};

// A document is what the window opens as one: a file named *.kestova or starting with the CBOR self-describe tag.
bool isDocumentFile(const QString &path, const mosavo::Bytes &bytes);

// Reads FILE: an iNES ROM image, bare CHR data or a Kestova document. With documentsOnlyBecause, anything but a
// document is refused with that reason.
std::variant<Input, FileError> readInput(
    const QString &path, const std::optional<QString> &documentsOnlyBecause = std::nullopt);
// The same for the bytes of FILE already read.
std::variant<Input, FileError> inputOfBytes(
    const QString &path, const mosavo::Bytes &bytes, const std::optional<QString> &documentsOnlyBecause = std::nullopt);

// The document a command adds to: FILE's content (a document as it is, ROM or CHR data as the window opens it, in
// readable colours), or without FILE a new one of 512 blank tiles.
std::variant<SettingsPtr, FileError> documentToAddTo(const ParsedArguments &arguments);

// Diagnostic lines during a batch run. Qt's own (such as the PNG writer's warnings) are not part of the batch
// output: standard error is kept for the one line that explains a failure. The library's and the application's log
// lines go through their categories ("mosavo", "Kestova") and show as the logging rules say (by default debug and
// info are off; QT_LOGGING_RULES may ask for them).
class BatchDiagnostics
{
public:
    BatchDiagnostics();
    ~BatchDiagnostics();
    BatchDiagnostics(const BatchDiagnostics &) = delete;
    BatchDiagnostics &operator=(const BatchDiagnostics &) = delete;

private:
    std::function<void(std::string_view)> previousSink_;
    QtMessageHandler previousHandler_;
};

// Item `index` of one of a document's lists (--screen N, --set N, ...), or why there is none: "the document holds no
// screens", "the document holds 1 screen (0-0), so there is no screen 3".
template<typename Item>
std::variant<const Item *, FileError> chosenItem(
    const QString &path, const std::vector<Item> &items, int64_t index, const QString &one, const QString &many)
{
    if (items.empty())
        return FileError { path, QStringLiteral("the document holds no %1").arg(many) };
    if (index < 0 || index >= int64_t(items.size()))
        return FileError { path,
            QStringLiteral("the document holds %1 (0-%2), so there is no %3 %4")
                .arg(counted(int64_t(items.size()), one, many))
                .arg(items.size() - 1)
                .arg(one)
                .arg(index) };
    return &items[size_t(index)];
}

} // namespace kestova::cli
