#include "app/window/MessageBoxAlerts.h"

#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace kestova {

int MessageBoxAlerts::runAlert(const DocumentError &error, QWidget *parent)
{
    auto box = makeAlert(error, parent);
    box->exec();
    const auto buttons = box->buttons();
    const QStringList options = error.userInfo.value(DocumentError::recoveryOptionsKey).toStringList();
    for (qsizetype i = 0; i < options.size(); ++i)
        for (QAbstractButton *button : buttons)
            if (button == box->clickedButton() && button->text() == options[i])
                return alertFirstButtonReturn + int(i);
    return alertFirstButtonReturn + int(options.size());
}

SaveChoice MessageBoxAlerts::askToSaveChanges(const QString &documentName, QWidget *parent)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Kestova"),
        QStringLiteral("Do you want to save the changes you made to \u201c%1\u201d?").arg(documentName),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setInformativeText(QStringLiteral("Your changes will be lost if you don\u2019t save them."));
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
    case QMessageBox::Save:
        return SaveChoice::save;
    case QMessageBox::Discard:
        return SaveChoice::discard;
    default:
        return SaveChoice::cancel;
    }
}

void MessageBoxAlerts::showError(const QString &message, QWidget *parent)
{
    QMessageBox::warning(parent, QStringLiteral("Kestova"), message);
}

std::optional<int64_t> MessageBoxAlerts::askTileNumber(
    const QString &question, int64_t suggested, int64_t highest, QWidget *parent)
{
    bool ok = false;
    const int number = QInputDialog::getInt(parent, QStringLiteral("Kestova"), question, int(suggested), 0,
        int(std::min<int64_t>(highest, INT32_MAX)), 1, &ok);
    return ok ? std::optional<int64_t>(number) : std::nullopt;
}

std::optional<PaletteHalfChoice> MessageBoxAlerts::askPaletteHalf(const QString &file, QWidget *parent)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Kestova"),
        QStringLiteral("%1 holds four sub-palettes (16 bytes). Where do they go?").arg(file), QMessageBox::NoButton,
        parent);
    QPushButton *background = box.addButton(QStringLiteral("Background (0-3)"), QMessageBox::AcceptRole);
    QPushButton *sprites = box.addButton(QStringLiteral("Sprites (4-7)"), QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(background);
    box.exec();
    if (box.clickedButton() == background)
        return PaletteHalfChoice::background;
    if (box.clickedButton() == sprites)
        return PaletteHalfChoice::sprites;
    return std::nullopt;
}

bool MessageBoxAlerts::confirm(
    const QString &question, const QString &informative, const QString &action, QWidget *parent)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Kestova"), question, QMessageBox::NoButton, parent);
    box.setInformativeText(informative);
    QPushButton *go = box.addButton(action, QMessageBox::AcceptRole);
    QPushButton *cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(cancel);
    box.exec();
    return box.clickedButton() == go;
}

} // namespace kestova
