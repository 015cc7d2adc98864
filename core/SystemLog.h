#pragma once

#include <functional>
#include <string_view>

namespace mosavo {

// The library's diagnostic sink. The plain C++ parts write their fixed English lines here; the Qt layer points it at
// the "mosavo" logging category. Until then (and after resetSystemLogSink) lines go to standard error.
void systemLog(std::string_view line);

using SystemLogSink = std::function<void(std::string_view)>;
// Replaces the sink and returns the previous one.
SystemLogSink setSystemLogSink(SystemLogSink sink);
void resetSystemLogSink();

} // namespace mosavo
