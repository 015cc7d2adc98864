#include "palette/Random.h"

#include <random>

namespace mosavo {

namespace {
std::mt19937 &generator()
{
    static std::mt19937 engine { std::random_device {}() };
    return engine;
}
} // namespace

int64_t randomUniform(int64_t bound)
{
    if (bound <= 0)
        return 0;
    std::uniform_int_distribution<int64_t> distribution(0, bound - 1);
    return distribution(generator());
}

void seedRandom(uint64_t seed)
{
    generator().seed(std::mt19937::result_type(seed));
}

} // namespace mosavo
