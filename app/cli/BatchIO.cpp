#include "app/cli/BatchIO.h"

#include "app/document/ArchiveText.h"
#include "app/document/MosavoDocument.h"
#include "convert/SourceWriters.h"
#include "core/ConsoleDataFactory.h"
#include "core/GraphicsArchive.h"
#include "core/SystemLog.h"
#include "editor/MosavoLogging.h"
#include "palette/PaletteFactory.h"

#include <QDir>
#include <QFileInfo>
#include <QIODevice>
#include <QTextStream>

#include <algorithm>
#include <array>

namespace kestova::cli {

namespace {
// A document file starts with the CBOR self-describe tag 55799.
constexpr std::array<uint8_t, 3> documentTag = { 0xD9, 0xD9, 0xF7 };
} // namespace

namespace {
// The text on one line: control characters (from a file name or an argument) written as \n, \t or \xNN.
QString oneLine(const QString &text)
{
    QString line;
    line.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'\n')
            line += QStringLiteral("\\n");
        else if (c == u'\t')
            line += QStringLiteral("\\t");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            line += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            line += c;
    }
    return line;
}
} // namespace

int reportFailure(QTextStream &err, const FileError &error)
{
    err << "kestova: " << oneLine(QDir::toNativeSeparators(error.path) + QStringLiteral(": ") + error.reason) << '\n';
    err.flush();
    return exitUnusableInput;
}

void reportWarning(QTextStream &err, const FileError &warning)
{
    err << "kestova: warning: "
        << oneLine(QDir::toNativeSeparators(warning.path) + QStringLiteral(": ") + warning.reason) << '\n';
    err.flush();
}

std::optional<QString> checkItemName(const ParsedArguments &arguments)
{
    const auto name = arguments.text(QStringLiteral("--name"));
    if (name && size_t(name->toUtf8().size()) > mosavo::maximumNameBytes)
        return QStringLiteral("--name must be at most %1 bytes of UTF-8, not %2")
            .arg(mosavo::maximumNameBytes)
            .arg(name->toUtf8().size());
    return std::nullopt;
}

int reportUsage(QTextStream &err, const QString &reason)
{
    err << "kestova: " << oneLine(reason) << "; see 'kestova --help'\n";
    err.flush();
    return exitUsage;
}

int writeOutput(QTextStream &err, const QString &path, const mosavo::Bytes &bytes)
{
    const auto error = writeFileAtomically(path, bytes);
    return error ? reportFailure(err, *error) : exitSuccess;
}

int writeDocument(QTextStream &err, const QString &path, const EditorViewControllerSettings &document)
{
    const auto bytes = document.documentBytesFor(path.toStdString());
    if (!bytes)
        return reportFailure(err, { path, QStringLiteral("cannot be made (the document holds no tiles)") });
    if (const auto refusal = documentSizeRefusal(bytes->size()))
        return reportFailure(err, { path, *refusal });
    return writeOutput(err, path, *bytes);
}

std::optional<QString> checkSourceName(const ParsedArguments &arguments)
{
    if (arguments.has(asmOption) && arguments.has(cOption))
        return QStringLiteral("--asm and --c cannot go together; give one");
    for (const auto &[option, language] :
        { std::pair { asmOption, mosavo::SourceLanguage::ca65 }, std::pair { cOption, mosavo::SourceLanguage::c } })
        if (const auto name = arguments.text(option))
            if (const auto why = mosavo::sourceNameError(name->toStdString(), language))
                return QStringLiteral("%1 %2: %3").arg(option, *name, QString::fromStdString(*why));
    return std::nullopt;
}

int writeBytesOrSource(QTextStream &err, const ParsedArguments &arguments, const QString &input, const QString &path,
    const mosavo::Bytes &bytes)
{
    for (const auto &[option, language] :
        { std::pair { asmOption, mosavo::SourceLanguage::ca65 }, std::pair { cOption, mosavo::SourceLanguage::c } })
        if (const auto name = arguments.text(option)) {
            const auto source = mosavo::byteSource(name->toStdString(), bytes, language);
            if (!source)
                return reportFailure(err, { input, QString::fromStdString(source.error) });
            // The text as it is, not copied into bytes first (the source of a large file is several times its size).
            const std::string &text = *source.text;
            const auto error = writeFileAtomically(path, [&text](QIODevice &device) -> std::optional<QString> {
                const char *next = text.data();
                qint64 left = qint64(text.size());
                while (left > 0) {
                    const qint64 written = device.write(next, left);
                    if (written <= 0)
                        return QStringLiteral("cannot be written (%1)").arg(device.errorString());
                    next += written;
                    left -= written;
                }
                return std::nullopt;
            });
            return error ? reportFailure(err, *error) : exitSuccess;
        }
    return writeOutput(err, path, bytes);
}

bool isDocumentFile(const QString &path, const mosavo::Bytes &bytes)
{
    const bool named
        = QFileInfo(path).suffix().compare(QLatin1String(MosavoDocument::fileExtension), Qt::CaseInsensitive) == 0;
    return named || ArchiveText::isTextName(path.toStdString()) || ArchiveText::looksLikeText(bytes)
        || (bytes.size() >= documentTag.size() && std::equal(documentTag.begin(), documentTag.end(), bytes.begin()));
}

std::variant<Input, FileError> readInput(const QString &path, const std::optional<QString> &documentsOnlyBecause)
{
    const ReadResult read = readWholeFile(path);
    if (read.error)
        return *read.error;
    return inputOfBytes(path, read.bytes, documentsOnlyBecause);
}

std::variant<Input, FileError> inputOfBytes(
    const QString &path, const mosavo::Bytes &bytes, const std::optional<QString> &documentsOnlyBecause)
{
    if (isDocumentFile(path, bytes)) {
        std::string why;
        SettingsPtr document = EditorViewControllerSettings::fromDocumentBytes(bytes, &why);
        if (!document)
            return FileError { path, QStringLiteral("cannot be opened: %1").arg(QString::fromStdString(why)) };
        return Input { document->tileData(), document, bytes.size() };
    }
    if (documentsOnlyBecause)
        return FileError { path, *documentsOnlyBecause };
    if (bytes.empty())
        return FileError { path, QStringLiteral("empty file (no tiles)") };
    const auto source = mosavo::ConsoleDataFactory::sourceOfFileName(QFileInfo(path).fileName().toStdString());
    if (auto tiles = mosavo::ConsoleDataFactory::generate(bytes, source))
        return Input { std::move(tiles), nullptr, bytes.size() };
    if (source != mosavo::ConsoleDataFactory::Source::chrData && mosavo::ConsoleDataFactory::isRomImage(bytes))
        return FileError { path,
            QStringLiteral("iNES ROM image without a single whole 16-byte tile after its header (%1 bytes)")
                .arg(bytes.size()) };
    return FileError { path,
        QStringLiteral("not an iNES ROM image or CHR data (%1 bytes is not a whole number of 16-byte tiles)")
            .arg(bytes.size()) };
}

std::variant<SettingsPtr, FileError> documentToAddTo(const ParsedArguments &arguments)
{
    if (arguments.files.isEmpty())
        return EditorViewControllerSettings::emptyConsoleObject(mosavo::ConsoleType::nes);
    const QString &path = arguments.files.front();
    auto read = readInput(path);
    if (auto *error = std::get_if<FileError>(&read))
        return *error;
    Input &input = std::get<Input>(read);
    if (input.document)
        return input.document;
    auto document = std::make_shared<EditorViewControllerSettings>();
    document->setTileData(input.tiles);
    document->setIsRomData(bool(input.tiles->header()));
    document->setIsCHRData(!input.tiles->header());
    document->setPalettes(mosavo::PaletteFactory::readable());
    document->setSourceFile(QFileInfo(path).absoluteFilePath().toStdString());
    return document;
}

namespace {
QtMessageHandler forwardTo = nullptr;

// Passes on the lines of the program's own log categories, which reach here only when the logging rules enable them;
// drops Qt's.
void passOwnLines(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const QByteArrayView category(context.category ? context.category : "");
    if (forwardTo && (category == "mosavo" || category == "Kestova"))
        forwardTo(type, context, message);
}
} // namespace

BatchDiagnostics::BatchDiagnostics()
    : previousSink_(mosavo::setSystemLogSink(nullptr))
    , previousHandler_(qInstallMessageHandler(passOwnLines))
{
    forwardTo = previousHandler_;
    mosavo::routeSystemLogToQt();
}

BatchDiagnostics::~BatchDiagnostics()
{
    qInstallMessageHandler(previousHandler_);
    forwardTo = nullptr;
    mosavo::setSystemLogSink(std::move(previousSink_));
}

} // namespace kestova::cli
