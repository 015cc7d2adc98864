#pragma once

#include <cstdint>

namespace mosavo {

// A uniform integer in [0, bound) (0 when bound <= 0), from one process-wide generator seeded from std::random_device.
int64_t randomUniform(int64_t bound);
// Makes the sequence repeatable (tests).
void seedRandom(uint64_t seed);

} // namespace mosavo
