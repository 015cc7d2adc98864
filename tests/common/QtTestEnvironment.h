#pragma once

#include <QApplication>
#include <QLoggingCategory>
#include <QString>
#include <QStringList>

#include <utility>

namespace qt_test {

// One headless QApplication for the whole test binary, made on first use.
inline QApplication &testApplication()
{
    static int argc = 1;
    static char name[] = "kestova_tests";
    static char *argv[] = { name, nullptr };
    static QApplication *application = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *application;
}

// Collects the lines written to the "mosavo" category while it lives.
class MosavoLogCapture
{
public:
    MosavoLogCapture()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("mosavo.info=true\nmosavo.warning=true"));
        lines().clear();
        previous_ = qInstallMessageHandler(&MosavoLogCapture::record);
    }
    ~MosavoLogCapture() { qInstallMessageHandler(previous_); }
    MosavoLogCapture(const MosavoLogCapture &) = delete;
    MosavoLogCapture &operator=(const MosavoLogCapture &) = delete;

    // The lines so far, and forgets them.
    QStringList take() { return std::exchange(lines(), {}); }

private:
    static QStringList &lines()
    {
        static QStringList collected;
        return collected;
    }
    static void record(QtMsgType, const QMessageLogContext &context, const QString &message)
    {
        if (context.category && QLatin1String(context.category) == QLatin1String("mosavo"))
            lines().append(message);
    }

    QtMessageHandler previous_ = nullptr;
};

} // namespace qt_test
