#pragma once

#include "app/window/Alerts.h"
#include "app/window/FilePanels.h"
#include "common/QtTestEnvironment.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>

#include <deque>
#include <optional>

namespace app_test {

// The shared headless application, with the application's settings (recent files, window geometry) kept in a
// temporary folder for the whole run, so tests never read or change the user's own.
inline QApplication &testApplication()
{
    static const bool settingsMoved = [] {
        static QTemporaryDir settingsDir;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
        return true;
    }();
    (void)settingsMoved;
    return qt_test::testApplication();
}

// Answers alerts from scripts and records what the user would have seen.
class ScriptedAlerts : public kestova::Alerts
{
public:
    std::deque<int> alertAnswers;
    std::deque<kestova::SaveChoice> saveAnswers;
    QStringList alertTexts;
    QStringList saveQuestions;
    QStringList errors;

    int runAlert(const kestova::DocumentError &error, QWidget *) override
    {
        alertTexts << error.userInfo.value(kestova::DocumentError::descriptionKey).toString();
        const int answer = alertAnswers.empty() ? kestova::alertFirstButtonReturn + 1 : alertAnswers.front();
        if (!alertAnswers.empty())
            alertAnswers.pop_front();
        return answer;
    }
    kestova::SaveChoice askToSaveChanges(const QString &documentName, QWidget *) override
    {
        saveQuestions << documentName;
        const auto answer = saveAnswers.empty() ? kestova::SaveChoice::cancel : saveAnswers.front();
        if (!saveAnswers.empty())
            saveAnswers.pop_front();
        return answer;
    }
    void showError(const QString &message, QWidget *) override { errors << message; }

    // The tile-number question (suggestion recorded in brackets); an empty script takes the suggestion.
    std::deque<std::optional<int64_t>> tileNumberAnswers;
    QStringList tileNumberQuestions;
    std::optional<int64_t> askTileNumber(const QString &question, int64_t suggested, int64_t, QWidget *) override
    {
        tileNumberQuestions << question + QStringLiteral(" [%1]").arg(suggested);
        if (tileNumberAnswers.empty())
            return suggested;
        const auto answer = tileNumberAnswers.front();
        tileNumberAnswers.pop_front();
        return answer;
    }
    // Where a 16-byte palette file goes; an empty script says the background half.
    std::deque<std::optional<kestova::PaletteHalfChoice>> halfAnswers;
    QStringList halfQuestions;
    std::optional<kestova::PaletteHalfChoice> askPaletteHalf(const QString &file, QWidget *) override
    {
        halfQuestions << file;
        if (halfAnswers.empty())
            return kestova::PaletteHalfChoice::background;
        const auto answer = halfAnswers.front();
        halfAnswers.pop_front();
        return answer;
    }
    // Confirmations; an empty script cancels.
    std::deque<bool> confirmAnswers;
    QStringList confirmQuestions;
    bool confirm(const QString &question, const QString &informative, const QString &, QWidget *) override
    {
        confirmQuestions << question + QLatin1Char(' ') + informative;
        const bool answer = !confirmAnswers.empty() && confirmAnswers.front();
        if (!confirmAnswers.empty())
            confirmAnswers.pop_front();
        return answer;
    }
};

// A press, moves with the left button held, and a release, as real mouse events.
inline void drag(QWidget *widget, const std::vector<QPointF> &points)
{
    auto send = [widget](QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, at, widget->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    };
    send(QEvent::MouseButtonPress, points.front(), Qt::LeftButton, Qt::LeftButton);
    for (size_t i = 1; i < points.size(); ++i)
        send(QEvent::MouseMove, points[i], Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, points.back(), Qt::LeftButton, Qt::NoButton);
}

} // namespace app_test
