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

// For a target's own checks over whole pictures, reading within the sizes they check first: their branches are no
// guide to the fuzzer and their reads are not the readers', and instrumenting them would slow every input down.
#define FUZZ_PLAIN_CHECK __attribute__((no_sanitize("coverage", "address")))

inline mosavo::Bytes bytesOf(const uint8_t *data, size_t size)
{
    return size == 0 ? mosavo::Bytes() : mosavo::Bytes(data, data + size);
}

} // namespace fuzz
