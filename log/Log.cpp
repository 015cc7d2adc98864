#include "log/Log.h"

namespace kestova {

Log::Log(const QString &moduleName)
    : name_(moduleName.toUtf8())
    , category_(name_.constData(), QtDebugMsg)
{
}

void Log::d(const QString &message) const
{
    qCDebug(category_).noquote() << message;
}

void Log::i(const QString &message) const
{
    qCInfo(category_).noquote() << message;
}

void Log::w(const QString &message) const
{
    qCWarning(category_).noquote() << message;
}

void Log::e(const QString &message) const
{
    qCCritical(category_).noquote() << message;
}

Log &log()
{
    static Log instance(QStringLiteral("Kestova"));
    return instance;
}

} // namespace kestova
