#pragma once

#include "app/window/Alerts.h"
#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <memory>
#include <optional>

class QMessageBox;
class QWidget;

namespace kestova {

// Modal QMessageBoxes.
class MessageBoxAlerts : public Alerts
{
public:
    int runAlert(const DocumentError &error, QWidget *parent) override;
    SaveChoice askToSaveChanges(const QString &documentName, QWidget *parent) override;
    void showError(const QString &message, QWidget *parent) override;
    std::optional<int64_t> askTileNumber(
        const QString &question, int64_t suggested, int64_t highest, QWidget *parent) override;
    std::optional<PaletteHalfChoice> askPaletteHalf(const QString &file, QWidget *parent) override;
    bool confirm(const QString &question, const QString &informative, const QString &action, QWidget *parent) override;
};

} // namespace kestova
