#include "core/SystemLog.h"

#include <cstdio>
#include <utility>

namespace mosavo {

namespace {
void writeToStandardError(std::string_view line)
{
    std::fprintf(stderr, "%.*s\n", int(line.size()), line.data());
}

SystemLogSink &currentSink()
{
    static SystemLogSink sink = writeToStandardError;
    return sink;
}
} // namespace

void systemLog(std::string_view line)
{
    currentSink()(line);
}

SystemLogSink setSystemLogSink(SystemLogSink sink)
{
    return std::exchange(currentSink(), sink ? std::move(sink) : SystemLogSink(writeToStandardError));
}

void resetSystemLogSink()
{
    currentSink() = writeToStandardError;
}

} // namespace mosavo
