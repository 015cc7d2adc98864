#include "app/window/Alerts.h"
#include "app/window/MessageBoxAlerts.h"

#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace kestova {

QString DocumentError::description() const
{
    // What the user reads: the description, never the error's domain.
    const QString text = userInfo.value(descriptionKey).toString();
    return text.isEmpty() ? QStringLiteral("an unexpected error (%1)").arg(code) : text;
}

DocumentError errorObject(MosavoDocumentErrors error)
{
    DocumentError object { QStringLiteral("MosavoDocument"), 0, {} };
    switch (error) {
    case MosavoDocumentErrors::openFile:
        object.userInfo[DocumentError::descriptionKey] = QStringLiteral("Would you like to close current project?");
        object.userInfo[DocumentError::recoverySuggestionKey] = QStringLiteral("Any work not saved will be lost");
        object.userInfo[DocumentError::recoveryOptionsKey]
            = QStringList { QStringLiteral("Close"), QStringLiteral("Cancel") };
        break;
    case MosavoDocumentErrors::couldNotCreateNewFile:
        object.userInfo[DocumentError::descriptionKey] = QStringLiteral("New document could not be created");
        break;
    }
    return object;
}

DocumentError saveFailedError()
{
    DocumentError error { QStringLiteral("NSOSStatusErrorDomain"), -4, {} };
    error.userInfo[DocumentError::descriptionKey] = QStringLiteral("the document holds no content to write");
    return error;
}

std::unique_ptr<QMessageBox> makeAlert(const DocumentError &error, QWidget *parent)
{
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(QStringLiteral("Kestova"));
    box->setIcon(QMessageBox::Warning);
    box->setText(error.userInfo.value(DocumentError::descriptionKey).toString());
    box->setInformativeText(error.userInfo.value(DocumentError::recoverySuggestionKey).toString());
    const QStringList options = error.userInfo.value(DocumentError::recoveryOptionsKey).toStringList();
    if (options.isEmpty()) {
        box->setStandardButtons(QMessageBox::Ok);
        return box;
    }
    for (qsizetype i = 0; i < options.size(); ++i) {
        auto *button = box->addButton(options[i], i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole);
        if (i == 0)
            box->setDefaultButton(button);
    }
    return box;
}

std::optional<int64_t> Alerts::askTileNumber(const QString &, int64_t suggested, int64_t, QWidget *)
{
    return suggested;
}

std::optional<PaletteHalfChoice> Alerts::askPaletteHalf(const QString &, QWidget *)
{
    return PaletteHalfChoice::background;
}

bool Alerts::confirm(const QString &, const QString &, const QString &, QWidget *)
{
    return true;
}

namespace {
std::shared_ptr<Alerts> &currentAlerts()
{
    static std::shared_ptr<Alerts> instance = std::make_shared<MessageBoxAlerts>();
    return instance;
}
} // namespace

Alerts &alerts()
{
    return *currentAlerts();
}

void setAlerts(std::shared_ptr<Alerts> replacement)
{
    currentAlerts() = replacement ? std::move(replacement) : std::make_shared<MessageBoxAlerts>();
}

} // namespace kestova
