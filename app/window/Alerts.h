#pragma once

#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <memory>
#include <optional>

class QMessageBox;
class QWidget;

namespace kestova {

// An error value from which an alert is built: a domain, a code and user information (description, recovery
// suggestion, recovery options).
struct DocumentError
{
    QString domain;
    int code = 0;
    QVariantMap userInfo;

    static inline const QString descriptionKey = QStringLiteral("NSLocalizedDescription");
    static inline const QString recoverySuggestionKey = QStringLiteral("NSLocalizedRecoverySuggestion");
    static inline const QString recoveryOptionsKey = QStringLiteral("NSLocalizedRecoveryOptions");

    // The text shown to the user: the description (never the domain).
    QString description() const;
};

enum class MosavoDocumentErrors { openFile, couldNotCreateNewFile };
// Domain "MosavoDocument", code 0; openFile: "Would you like to close current project?", "Any work not saved will
// be lost", options "Close", "Cancel"; couldNotCreateNewFile: "New document could not be created".
DocumentError errorObject(MosavoDocumentErrors error);
// A failed save without content: domain NSOSStatusErrorDomain, code -4, "the document holds no content to write".
DocumentError saveFailedError();

// The response code of an alert's first button.
constexpr int alertFirstButtonReturn = 1000;

// A message box built from an error: the description as text, the suggestion as informative text, one button per
// recovery option (the first one the default); without options, one OK button.
std::unique_ptr<QMessageBox> makeAlert(const DocumentError &error, QWidget *parent);

enum class SaveChoice { save, discard, cancel };
// Where the four sub-palettes of a 16-byte palette file go.
enum class PaletteHalfChoice { background, sprites };

// The questions and messages the application puts to the user. Replaced by tests.
class Alerts
{
public:
    virtual ~Alerts() = default;
    // Runs the alert built from the error; returns 1000 + the index of the button chosen.
    virtual int runAlert(const DocumentError &error, QWidget *parent) = 0;
    // Save / Discard / Cancel for a document with unsaved changes.
    virtual SaveChoice askToSaveChanges(const QString &documentName, QWidget *parent) = 0;
    // One clear message: what went wrong, with the file and the reason.
    virtual void showError(const QString &message, QWidget *parent) = 0;
    // Asks for a tile number 0-highest, offering suggested; nothing when the user cancels. Without a person to ask,
    // the suggestion stands.
    virtual std::optional<int64_t> askTileNumber(
        const QString &question, int64_t suggested, int64_t highest, QWidget *parent);
    // Asks whether a 16-byte palette file goes into sub-palettes 0-3 (background) or 4-7 (sprites); nothing when the
    // user cancels. Without a person to ask, the background half.
    virtual std::optional<PaletteHalfChoice> askPaletteHalf(const QString &file, QWidget *parent);
    // Asks to go ahead with an action that changes a file outside the document (its button titled action); false
    // when the user cancels. Without a person to ask, yes.
    virtual bool confirm(const QString &question, const QString &informative, const QString &action, QWidget *parent);
};

Alerts &alerts();
void setAlerts(std::shared_ptr<Alerts> alerts);

} // namespace kestova
