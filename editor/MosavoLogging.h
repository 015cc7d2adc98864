#pragma once

#include <QLoggingCategory>

namespace mosavo {

// The library's logging category, "mosavo". The view classes log here directly.
const QLoggingCategory &mosavoLog();

// Points the plain C++ parts' system log (core/SystemLog.h) at the "mosavo" category. Safe to call more than once.
void routeSystemLogToQt();

} // namespace mosavo
