#pragma once

#include "app/Alerts.h"
#include "app/FilePanels.h"
#include "common/QtTestEnvironment.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>

#include <deque>

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
