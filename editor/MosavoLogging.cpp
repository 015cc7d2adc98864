#include "editor/MosavoLogging.h"

#include "core/SystemLog.h"

#include <QString>

namespace mosavo {

const QLoggingCategory &mosavoLog()
{
    static const QLoggingCategory category("mosavo");
    return category;
}

void routeSystemLogToQt()
{
    setSystemLogSink([](std::string_view line) {
        qCInfo(mosavoLog).noquote() << QString::fromUtf8(line.data(), qsizetype(line.size()));
    });
}

} // namespace mosavo
