#pragma once

#include <QLoggingCategory>
#include <QStringList>

// Collects the lines written to the "Kestova" and "mosavo" logging categories while it exists.
class LogCapture
{
public:
    LogCapture()
    {
        lines().clear();
        QLoggingCategory::setFilterRules(QStringLiteral("Kestova.debug=true\nmosavo.debug=true"));
        previous_ = qInstallMessageHandler(&LogCapture::handler);
    }
    ~LogCapture() { qInstallMessageHandler(previous_); }

    static QStringList &lines()
    {
        static QStringList captured;
        return captured;
    }
    bool contains(const QString &line) const { return lines().contains(line); }
    qsizetype count(const QString &line) const { return lines().count(line); }

private:
    static void handler(QtMsgType, const QMessageLogContext &, const QString &text) { lines() << text; }
    QtMessageHandler previous_;
};
