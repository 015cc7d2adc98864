#include "log/Log.h"

#include <gtest/gtest.h>

#include <QLoggingCategory>

namespace {
struct Captured
{
    QtMsgType type;
    QString category;
    QString text;
};
std::vector<Captured> captured;

void capture(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    captured.push_back({ type, QString::fromUtf8(context.category), text });
}
} // namespace

TEST(Log, FourLevelsReachTheModuleCategory)
{
    QLoggingCategory::setFilterRules(QStringLiteral("Kestova.debug=true"));
    captured.clear();
    const auto previous = qInstallMessageHandler(capture);
    kestova::log().d("debug line");
    kestova::log().i("info line");
    kestova::log().w("warning line");
    kestova::log().e("ExportDataWithError: nil");
    qInstallMessageHandler(previous);

    ASSERT_EQ(captured.size(), 4u);
    const QtMsgType levels[] = { QtDebugMsg, QtInfoMsg, QtWarningMsg, QtCriticalMsg };
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(captured[i].type, levels[i]);
        EXPECT_EQ(captured[i].category, "Kestova");
    }
    EXPECT_EQ(captured[3].text, "ExportDataWithError: nil");
    EXPECT_EQ(&kestova::log(), &kestova::log());
}

TEST(Log, RulesFilterLevels)
{
    QLoggingCategory::setFilterRules(QStringLiteral("Kestova.debug=false\nKestova.info=false"));
    captured.clear();
    const auto previous = qInstallMessageHandler(capture);
    kestova::log().d("hidden");
    kestova::log().i("hidden");
    kestova::log().e("shown");
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    ASSERT_EQ(captured.size(), 1u);
    EXPECT_EQ(captured[0].text, "shown");
}
