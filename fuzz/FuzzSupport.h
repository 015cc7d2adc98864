#pragma once

#include "core/Bytes.h"
#include "core/SystemLog.h"

#include <cstdio>
#include <cstdlib>

namespace fuzz {

// The readers write fixed lines to the system log; at fuzzing speed they would only slow the run down.
inline void silenceSystemLog()
{
    static const bool silenced = [] {
        mosavo::setSystemLogSink([](std::string_view) {});
        return true;
    }();
    (void)silenced;
}

// A broken property is a crash for the fuzzer, with the reason on standard error.
inline void require(bool holds, const char *property)
{
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", property);
        std::abort();
    }
}

inline mosavo::Bytes bytesOf(const uint8_t *data, size_t size)
{
    return size == 0 ? mosavo::Bytes() : mosavo::Bytes(data, data + size);
}

} // namespace fuzz
