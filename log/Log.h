#pragma once

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>

namespace kestova {

// The application's log: one category named after the module, four levels (debug, info, warning, critical), filtered
// with the usual QT_LOGGING_RULES.
class Log
{
public:
    explicit Log(const QString &moduleName);

    void d(const QString &message) const;
    void i(const QString &message) const;
    void w(const QString &message) const;
    void e(const QString &message) const;

    const QLoggingCategory &category() const { return category_; }

private:
    QByteArray name_;
    QLoggingCategory category_;
};

// The process-wide log of the application, module "Kestova", made on first use.
Log &log();

} // namespace kestova
